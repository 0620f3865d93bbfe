#include "base/win/resource_string.h"

#include <algorithm>

namespace corvane {

std::wstring LoadResourceString(HMODULE module, unsigned id, size_t max_length) {
  const unsigned entry = id & 0xFFFF;
  HRSRC block = FindResourceW(module, MAKEINTRESOURCEW((entry >> 4) + 1), RT_STRING);
  if (!block) return std::wstring();
  HGLOBAL loaded = LoadResource(module, block);
  const auto* text = loaded ? static_cast<const wchar_t*>(LockResource(loaded)) : nullptr;
  const size_t size = SizeofResource(module, block) / sizeof(wchar_t);
  if (!text) return std::wstring();
  // Sixteen strings per block, each its length followed by its characters.
  size_t at = 0;
  for (unsigned i = 0; i < (entry & 0xF); ++i) {
    if (at >= size) return std::wstring();
    at += 1u + text[at];
  }
  if (at >= size) return std::wstring();
  const size_t length = std::min({static_cast<size_t>(text[at]), size - at - 1, max_length});
  return std::wstring(text + at + 1, length);
}

}  // namespace corvane
