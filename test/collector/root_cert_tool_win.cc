// Adds the collector's per-run test CA to the machine ROOT store of the Wine
// prefix, or removes it again, so WinHTTP's strict certificate checks pass
// against the loopback collector.
//   collector_root_cert add <ca.der>
//   collector_root_cert remove <ca.der>

#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

class ScopedCertStore {
 public:
  explicit ScopedCertStore(HCERTSTORE store) : store_(store) {}
  ~ScopedCertStore() {
    if (store_) CertCloseStore(store_, 0);
  }
  ScopedCertStore(const ScopedCertStore&) = delete;
  ScopedCertStore& operator=(const ScopedCertStore&) = delete;

  HCERTSTORE Get() const { return store_; }

 private:
  HCERTSTORE store_;
};

class ScopedCertContext {
 public:
  explicit ScopedCertContext(PCCERT_CONTEXT context) : context_(context) {}
  ~ScopedCertContext() {
    if (context_) CertFreeCertificateContext(context_);
  }
  ScopedCertContext(const ScopedCertContext&) = delete;
  ScopedCertContext& operator=(const ScopedCertContext&) = delete;

  PCCERT_CONTEXT Get() const { return context_; }

 private:
  PCCERT_CONTEXT context_;
};

class ScopedFile {
 public:
  explicit ScopedFile(HANDLE file) : file_(file) {}
  ~ScopedFile() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  }
  ScopedFile(const ScopedFile&) = delete;
  ScopedFile& operator=(const ScopedFile&) = delete;

  HANDLE Get() const { return file_; }
  bool IsValid() const { return file_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE file_;
};

bool ReadWholeFile(const wchar_t* path, std::vector<BYTE>* data) {
  ScopedFile file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return false;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart <= 0 || size.QuadPart > (1 << 20))
    return false;
  data->resize(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  return ReadFile(file.Get(), data->data(), static_cast<DWORD>(data->size()), &read, nullptr) &&
         read == data->size();
}

int Fail(const char* what) {
  std::fprintf(stderr, "collector_root_cert: %s (error %lu)\n", what, GetLastError());
  return 3;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3 || (std::wcscmp(argv[1], L"add") != 0 && std::wcscmp(argv[1], L"remove") != 0)) {
    std::fprintf(stderr, "usage: collector_root_cert add|remove <certificate.der>\n");
    return 1;
  }
  const bool add = std::wcscmp(argv[1], L"add") == 0;
  std::vector<BYTE> der;
  if (!ReadWholeFile(argv[2], &der)) {
    std::fprintf(stderr, "collector_root_cert: cannot read %ls\n", argv[2]);
    return 2;
  }
  ScopedCertStore store(
      CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"ROOT"));
  if (!store.Get()) return Fail("cannot open the machine ROOT store");

  if (add) {
    if (!CertAddEncodedCertificateToStore(store.Get(), X509_ASN_ENCODING, der.data(),
                                          static_cast<DWORD>(der.size()),
                                          CERT_STORE_ADD_REPLACE_EXISTING, nullptr)) {
      return Fail("cannot add the certificate");
    }
    return 0;
  }

  ScopedCertContext wanted(
      CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size())));
  if (!wanted.Get()) return Fail("not a DER certificate");
  // CertDeleteCertificateFromStore frees the context it is given.
  PCCERT_CONTEXT found = CertFindCertificateInStore(store.Get(), X509_ASN_ENCODING, 0,
                                                    CERT_FIND_EXISTING, wanted.Get(), nullptr);
  if (!found) return 0;  // already gone
  if (!CertDeleteCertificateFromStore(found)) return Fail("cannot remove the certificate");
  return 0;
}
