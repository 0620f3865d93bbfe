// Binds the delay-loaded Node-API imports to whatever executable hosts the
// addon. The import library names "node.exe"; hosts such as Electron apps use
// other file names, so that name is answered with the process's own module.

#include <windows.h>

#include <delayimp.h>
#include <string.h>

namespace corvane {
namespace {

constexpr char kNodeHostName[] = "node.exe";

FARPROC WINAPI OnDelayLoadNotify(unsigned notification, PDelayLoadInfo info) {
  if (notification != dliNotePreLoadLibrary || info == nullptr || info->szDll == nullptr) {
    return nullptr;
  }
  if (_stricmp(info->szDll, kNodeHostName) != 0)
    return nullptr;  // Any other library loads the normal way.
  return reinterpret_cast<FARPROC>(GetModuleHandleW(nullptr));
}

}  // namespace
}  // namespace corvane

// The delay-load helper looks this hook up by name. It is writable (not
// const): MinGW declares it so, and MSVC does with
// DELAYIMP_INSECURE_WRITABLE_HOOKS, which the build defines there.
PfnDliHook __pfnDliNotifyHook2 = corvane::OnDelayLoadNotify;
