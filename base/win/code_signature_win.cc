#include "base/win/code_signature.h"

#include <windows.h>
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <vector>

namespace corvane {

namespace {

// The first signer's certificate name in |path|'s embedded signature.
std::wstring SignerName(const FilePath& path) {
  HCERTSTORE store = nullptr;
  HCRYPTMSG message = nullptr;
  std::wstring name;
  if (!CryptQueryObject(CERT_QUERY_OBJECT_FILE, path.value().c_str(),
                        CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED, CERT_QUERY_FORMAT_FLAG_BINARY,
                        0, nullptr, nullptr, nullptr, &store, &message, nullptr)) {
    return name;
  }
  DWORD size = 0;
  if (CryptMsgGetParam(message, CMSG_SIGNER_INFO_PARAM, 0, nullptr, &size) && size > 0) {
    std::vector<BYTE> buffer(size);
    if (CryptMsgGetParam(message, CMSG_SIGNER_INFO_PARAM, 0, buffer.data(), &size)) {
      const auto* signer = reinterpret_cast<const CMSG_SIGNER_INFO*>(buffer.data());
      CERT_INFO wanted = {};
      wanted.Issuer = signer->Issuer;
      wanted.SerialNumber = signer->SerialNumber;
      PCCERT_CONTEXT certificate =
          CertFindCertificateInStore(store, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0,
                                     CERT_FIND_SUBJECT_CERT, &wanted, nullptr);
      if (certificate) {
        wchar_t text[512] = {};
        if (CertGetNameStringW(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, text, 512) >
            1) {
          name = text;
        }
        CertFreeCertificateContext(certificate);
      }
    }
  }
  CryptMsgClose(message);
  CertCloseStore(store, 0);
  return name;
}

}  // namespace

FileSignature CheckFileSignature(const FilePath& path, void* file) {
  WINTRUST_FILE_INFO file_info = {};
  file_info.cbStruct = sizeof(file_info);
  file_info.pcwszFilePath = path.value().c_str();
  file_info.hFile = file;
  WINTRUST_DATA data = {};
  data.cbStruct = sizeof(data);
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file_info;
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  const LONG result = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);

  FileSignature signature;
  signature.result = static_cast<uint32_t>(result);
  switch (static_cast<uint32_t>(result)) {
    case 0:
      signature.status = SignatureStatus::kValid;
      break;
    case static_cast<uint32_t>(TRUST_E_NOSIGNATURE):
    case static_cast<uint32_t>(TRUST_E_SUBJECT_FORM_UNKNOWN):
    case static_cast<uint32_t>(TRUST_E_PROVIDER_UNKNOWN):
      signature.status = SignatureStatus::kUnsigned;
      break;
    case static_cast<uint32_t>(TRUST_E_BAD_DIGEST):
      signature.status = SignatureStatus::kDamaged;
      break;
    default:
      signature.status = SignatureStatus::kNotTrusted;
      break;
  }
  if (signature.status != SignatureStatus::kUnsigned) signature.signer = SignerName(path);
  return signature;
}

bool OwnImageHasSignature() {
  const auto* base = reinterpret_cast<const BYTE*>(GetModuleHandleW(nullptr));
  if (!base) return false;
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) return false;
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  if (nt->Signature != IMAGE_NT_SIGNATURE) return false;
  const IMAGE_DATA_DIRECTORY& security =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_SECURITY];
  return security.VirtualAddress != 0 && security.Size != 0;
}

}  // namespace corvane
