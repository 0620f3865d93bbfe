#include "launcher/launcher_constants_win.h"

#include <string>

#include "base/win/resource_string.h"
#include "launcher/launcher_constants.h"

namespace corvane {

namespace {

// As a buffer of kConstantBufferSize characters with its terminator holds it.
std::wstring LoadRawString(HMODULE module, int id) {
  return LoadResourceString(module, static_cast<unsigned>(id), kConstantBufferSize - 1);
}

}  // namespace

std::wstring LoadConstantString(int id) {
  return LoadConstantStringFromModule(GetModuleHandleW(nullptr), id);
}

std::wstring LoadConstantStringFromModule(HMODULE module, int id) {
  return LoadConstantStringWith(id, [module](int entry) { return LoadRawString(module, entry); });
}

void LoadProductConstants() { LoadProductConstantsFromModule(GetModuleHandleW(nullptr)); }

void LoadProductConstantsFromModule(HMODULE module) {
  LoadProductConstantsWith([module](int id) { return LoadRawString(module, id); });
}

}  // namespace corvane
