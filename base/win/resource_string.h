#ifndef BASE_WIN_RESOURCE_STRING_H_
#define BASE_WIN_RESOURCE_STRING_H_

#include <windows.h>

#include <cstddef>
#include <string>

namespace corvane {

// Entry |id| of |module|'s string table, found as LoadStringW finds it (the
// block (id >> 4) + 1 in the thread's language order), cut to |max_length|
// characters; empty when there is no such entry. Reads the table with the
// kernel's resource functions only, so a caller needs no user32.
std::wstring LoadResourceString(HMODULE module, unsigned id, size_t max_length);

}  // namespace corvane

#endif  // BASE_WIN_RESOURCE_STRING_H_
