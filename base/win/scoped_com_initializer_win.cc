#include "base/win/scoped_com_initializer.h"

#include <windows.h>
#include <objbase.h>

namespace corvane {
namespace win {

// S_FALSE (already initialised on this thread) also needs its CoUninitialize.
ScopedComInitializer::ScopedComInitializer() : succeeded_(SUCCEEDED(CoInitialize(nullptr))) {}

ScopedComInitializer::~ScopedComInitializer() {
  if (succeeded_) CoUninitialize();
}

}  // namespace win
}  // namespace corvane
