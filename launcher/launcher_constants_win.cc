#include "launcher/launcher_constants_win.h"

#include <string>

#include "launcher/launcher_constants.h"

namespace corvane {

namespace {

std::wstring LoadRawString(HMODULE module, int id) {
  wchar_t buffer[kConstantBufferSize] = {};
  int length = LoadStringW(module, static_cast<UINT>(id), buffer, kConstantBufferSize);
  if (length <= 0) return std::wstring();
  return std::wstring(buffer, static_cast<size_t>(length));
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
