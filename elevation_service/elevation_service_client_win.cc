#include <windows.h>
#include <objbase.h>

#include <cstring>
#include <mutex>

#include "base/command_line.h"
#include "base/hook_slot.h"
#include "base/logging.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/win/resource_string.h"
#include "elevation_service/elevation_service_client.h"
#include "elevation_service/elevation_service_const.h"

namespace corvane {

// The service's interface as its v-table lays it out: three methods the
// launcher never calls, then the one it does. Outside the anonymous
// namespace: there the compiler may conclude that no implementation exists
// and bind the calls to the pure-virtual handler.
struct IElevator : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE ReservedMethod1() = 0;
  virtual HRESULT STDMETHODCALLTYPE ReservedMethod2() = 0;
  virtual HRESULT STDMETHODCALLTYPE ReservedMethod3() = 0;
  virtual HRESULT STDMETHODCALLTYPE RunElevatedCommandLine(const wchar_t* command_line,
                                                           DWORD caller_process_id,
                                                           ULONG_PTR* process_handle) = 0;
};

namespace {

// Releases the interface on every path. Kept as the void* that
// CoCreateInstance writes, so the compiler sees the write.
class ScopedElevator {
 public:
  ScopedElevator() = default;
  ~ScopedElevator() {
    if (raw_) get()->Release();
  }
  ScopedElevator(const ScopedElevator&) = delete;
  ScopedElevator& operator=(const ScopedElevator&) = delete;
  IElevator* get() const { return static_cast<IElevator*>(raw_); }
  void** Receive() { return &raw_; }

 private:
  void* raw_ = nullptr;
};

struct InfoState {
  bool loaded = false;
  ElevationServiceInfo info;
};

InfoState& State() {
  static InfoState state;
  return state;
}

HookSlot<ProxyBlanketResultHook>& BlanketHook() {
  static HookSlot<ProxyBlanketResultHook> slot;
  return slot;
}

Guid ToGuid(const GUID& guid) {
  Guid out;
  out.data1 = guid.Data1;
  out.data2 = guid.Data2;
  out.data3 = guid.Data3;
  std::memcpy(out.data4, guid.Data4, sizeof(out.data4));
  return out;
}

GUID ToSystemGuid(const Guid& guid) {
  GUID out;
  out.Data1 = guid.data1;
  out.Data2 = guid.data2;
  out.Data3 = guid.data3;
  std::memcpy(out.Data4, guid.data4, sizeof(out.Data4));
  return out;
}

std::wstring LoadDescriptionEntry() {
  return LoadResourceString(GetModuleHandleW(nullptr), kElevationServiceStringId,
                            kElevationServiceBufferChars - 1);
}

// The last error of a failed start as an HRESULT.
HRESULT LastErrorResult() {
  const DWORD error = GetLastError();
  if (error == 0) return E_FAIL;
  if (static_cast<HRESULT>(error) < 0) return static_cast<HRESULT>(error);
  return HRESULT_FROM_WIN32(error);
}

}  // namespace

void LoadElevationServiceInfo() {
  InfoState& state = State();
  if (state.loaded) return;
  state.loaded = true;
  ElevationServiceInfo& info = state.info;
  if (!ParseElevationServiceInfo(ChooseElevationServiceDescription(LoadDescriptionEntry()), &info))
    return;
  GUID guid = {};
  if (SUCCEEDED(CLSIDFromString(info.cls_id.c_str(), &guid))) {
    info.clsid = ToGuid(guid);
  } else {
    LOG(ERROR) << "[elevator] convert cls error";
  }
  guid = GUID();
  if (SUCCEEDED(IIDFromString(info.iid.c_str(), &guid))) {
    info.interface_id = ToGuid(guid);
  } else {
    LOG(ERROR) << "[elevator] convert iid error";
  }
}

const ElevationServiceInfo& GetElevationServiceInfo() {
  LoadElevationServiceInfo();
  return State().info;
}

Guid ElevationServiceClsid() { return GetElevationServiceInfo().clsid; }

Guid ElevationServiceIid() { return GetElevationServiceInfo().interface_id; }

void ResetElevationServiceInfoForTesting() { State() = InfoState(); }

void SetProxyBlanketResultHookForTesting(ProxyBlanketResultHook hook) {
  BlanketHook().Set(std::move(hook));
}

int32_t LaunchViaElevationService(const CommandLine& command_line, Process* process) {
  *process = Process();
  if (IsCurrentProcessElevated()) {
    *process = LaunchProcess(command_line, LaunchOptions());
    return process->IsValid() ? S_OK : LastErrorResult();
  }

  const GUID clsid = ToSystemGuid(ElevationServiceClsid());
  const GUID iid = ToSystemGuid(ElevationServiceIid());
  ScopedElevator elevator;
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, iid, elevator.Receive());
  if (FAILED(hr)) {
    LOG(ERROR) << "fail to create elevator instance, hr = " << static_cast<long>(hr);
    return hr;
  }

  hr = CoSetProxyBlanket(elevator.get(), RPC_C_AUTHN_DEFAULT, RPC_C_AUTHZ_DEFAULT,
                         COLE_DEFAULT_PRINCIPAL, RPC_C_AUTHN_LEVEL_PKT_PRIVACY,
                         RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_DYNAMIC_CLOAKING);
  if (const ProxyBlanketResultHook hook = BlanketHook().Get()) hr = hook(hr);
  if (FAILED(hr)) {
    LOG(ERROR) << "fail to set proxy blanket, hr = " << static_cast<long>(hr);
    return hr;
  }

  ULONG_PTR handle = 0;
  hr = elevator.get()->RunElevatedCommandLine(command_line.GetCommandLineString().c_str(),
                                              GetCurrentProcessId(), &handle);
  if (FAILED(hr)) {
    LOG(ERROR) << "fail to run elevated command line, hr = " << static_cast<long>(hr);
    return hr;
  }
  *process = Process(reinterpret_cast<HANDLE>(handle));
  return hr;
}

}  // namespace corvane
