#include "sdk/heap_usage.h"

#include <malloc.h>

namespace corvane {

int64_t RuntimeHeapBytesInUse() {
  // Sums every arena; large blocks are mapped separately and counted apart.
  struct mallinfo2 info = mallinfo2();
  return static_cast<int64_t>(info.uordblks + info.hblkhd);
}

}  // namespace corvane
