// WinHTTP transport of the event reporter and the Windows version text.

#include <windows.h>
#include <winhttp.h>

#include <cstring>
#include <new>
#include <utility>

#include "base/hook_slot.h"
#include "base/logging.h"
#include "data_reporter/ulmet_reporter.h"

#ifndef WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3
#define WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3 0x00002000
#endif

namespace corvane {

namespace {

constexpr wchar_t kAgent[] = L"WinHTTP/1.0";
constexpr wchar_t kContentTypeHeader[] = L"Content-Type:application/json";
constexpr int kTimeoutMs = 5000;

// SSL 3.0, TLS 1.0 and TLS 1.1 are broken; only TLS 1.2 and 1.3 are offered.
// Systems that do not know the TLS 1.3 flag reject the option; they get TLS
// 1.2 alone.
constexpr DWORD kSecureProtocols =
    WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
constexpr DWORD kSecureProtocolsFallback = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;

class ScopedInternetHandle {
 public:
  explicit ScopedInternetHandle(HINTERNET handle) : handle_(handle) {}
  ~ScopedInternetHandle() {
    if (handle_) WinHttpCloseHandle(handle_);
  }
  ScopedInternetHandle(const ScopedInternetHandle&) = delete;
  ScopedInternetHandle& operator=(const ScopedInternetHandle&) = delete;

  HINTERNET Get() const { return handle_; }
  bool IsValid() const { return handle_ != nullptr; }

 private:
  HINTERNET handle_;
};

std::string LastErrorText(const char* format) {
  return FormatReportError(format, static_cast<int32_t>(GetLastError()));
}

HookSlot<SecureProtocolsHook>& ProtocolsHook() {
  static HookSlot<SecureProtocolsHook> slot;
  return slot;
}

bool TrySetSecureProtocols(HINTERNET session, DWORD protocols) {
  const SecureProtocolsHook hook = ProtocolsHook().Get();
  if (hook && !hook(protocols)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  return WinHttpSetOption(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols,
                          sizeof(protocols)) != FALSE;
}

bool SetSecureProtocols(HINTERNET session) {
  return TrySetSecureProtocols(session, kSecureProtocols) ||
         TrySetSecureProtocols(session, kSecureProtocolsFallback);
}

}  // namespace

UlmetReporter::Exchange UlmetReporter::Send(const std::string& body) const {
  Exchange exchange;
  ScopedInternetHandle session(WinHttpOpen(kAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                           WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session.IsValid()) {
    exchange.error = LastErrorText("WinHttpOpen error: %d ");
    return exchange;
  }
  if (!SetSecureProtocols(session.Get())) {
    exchange.error = LastErrorText("WinHttpSetOption for session error: %d ");
    return exchange;
  }
  ScopedInternetHandle connection(WinHttpConnect(session.Get(), server_.c_str(), port_, 0));
  if (!connection.IsValid()) {
    exchange.error = LastErrorText("WinHttpConnect error: %d ");
    return exchange;
  }
  ScopedInternetHandle request(WinHttpOpenRequest(connection.Get(), L"POST", L"/v1/json", nullptr,
                                                  WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                  WINHTTP_FLAG_SECURE));
  if (!request.IsValid()) {
    exchange.error = LastErrorText("WinHttpOpenRequest error: %d");
    return exchange;
  }
  WinHttpSetTimeouts(request.Get(), kTimeoutMs, kTimeoutMs, kTimeoutMs, kTimeoutMs);
  if (!WinHttpAddRequestHeaders(request.Get(), kContentTypeHeader, static_cast<DWORD>(-1),
                                WINHTTP_ADDREQ_FLAG_ADD)) {
    exchange.error = LastErrorText("WinHttpAddRequestHeaders error: %d ");
    return exchange;
  }

  LOG(INFO) << "Request data: " << body;

  const DWORD length = static_cast<DWORD>(body.size());
  if (!WinHttpSendRequest(request.Get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                          const_cast<char*>(body.data()), length, length, 0)) {
    exchange.error = LastErrorText("WinHttpSendRequest error: %d");
    return exchange;
  }
  if (!WinHttpReceiveResponse(request.Get(), nullptr)) {
    exchange.error = LastErrorText("WinHttpReceiveResponse error: %d ");
    return exchange;
  }
  for (;;) {
    DWORD available = 0;
    if (!WinHttpQueryDataAvailable(request.Get(), &available)) {
      exchange.error = LastErrorText("WinHttpQueryDataAvailable error: %d ");
      return exchange;
    }
    if (available == 0) break;
    std::unique_ptr<char[]> chunk(new (std::nothrow) char[available + 1]());
    if (!chunk) {
      // Judged on what arrived so far.
      exchange.error = "Out of memory";
      break;
    }
    DWORD read = 0;
    if (!WinHttpReadData(request.Get(), chunk.get(), available, &read)) {
      exchange.error = LastErrorText("WinHttpReadData error: %d");
      return exchange;
    }
    exchange.response.append(chunk.get(), strnlen(chunk.get(), read));
  }
  exchange.delivered = true;
  return exchange;
}

void SetSecureProtocolsHookForTesting(SecureProtocolsHook hook) {
  ProtocolsHook().Set(std::move(hook));
}

std::string GetOsVersionText() {
  // RtlGetVersion tells the truth where GetVersionEx answers by manifest.
  using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOEXW*);
  OSVERSIONINFOEXW info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  auto rtl_get_version =
      ntdll ? reinterpret_cast<RtlGetVersionFunction>(GetProcAddress(ntdll, "RtlGetVersion"))
            : nullptr;
  if (!rtl_get_version || rtl_get_version(&info) != 0) {
    info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) return std::string();
  }
  return FormatOsVersion(info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber,
                         info.wServicePackMajor, info.wServicePackMinor);
}

}  // namespace corvane
