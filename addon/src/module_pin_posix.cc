#include "src/module_pin.h"

#include <dlfcn.h>

namespace corvane {

bool PinThisModule() {
  Dl_info info = {};
  if (dladdr(reinterpret_cast<void*>(&PinThisModule), &info) == 0 ||
      info.dli_fname == nullptr) {
    return false;
  }
  // Opening ourselves again with RTLD_NODELETE marks the loaded object as
  // never unloaded; the extra reference is kept on purpose.
  return dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE) != nullptr;
}

}  // namespace corvane
