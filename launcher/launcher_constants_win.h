#ifndef LAUNCHER_LAUNCHER_CONSTANTS_WIN_H_
#define LAUNCHER_LAUNCHER_CONSTANTS_WIN_H_

#include <windows.h>

#include <string>

namespace corvane {

// LoadProductConstants with |module| as the resource source instead of the
// launcher executable (tests load the tables of test products).
void LoadProductConstantsFromModule(HMODULE module);

// LoadConstantString from the string table of |module|.
std::wstring LoadConstantStringFromModule(HMODULE module, int id);

}  // namespace corvane

#endif  // LAUNCHER_LAUNCHER_CONSTANTS_WIN_H_
