#include "src/module_pin.h"

#include <windows.h>

namespace corvane {

bool PinThisModule() {
  HMODULE module = nullptr;
  // A pinned module is never unloaded; the handle needs no release.
  return GetModuleHandleExW(
             GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
             reinterpret_cast<LPCWSTR>(&PinThisModule), &module) != FALSE;
}

}  // namespace corvane
