// How many bytes of the runtime heap, the one that payloads are allocated on
// and released to, are in use right now. Lets the tests see leaked payloads.

#ifndef ADDON_SDK_HEAP_USAGE_H_
#define ADDON_SDK_HEAP_USAGE_H_

#include <stdint.h>

namespace corvane {

int64_t RuntimeHeapBytesInUse();

}  // namespace corvane

#endif  // ADDON_SDK_HEAP_USAGE_H_
