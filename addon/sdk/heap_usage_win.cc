#include "sdk/heap_usage.h"

#include <windows.h>

#include <malloc.h>

namespace corvane {

int64_t RuntimeHeapBytesInUse() {
  // new[] and delete[] end in the C runtime's malloc and free, which use this
  // heap.
  HANDLE heap = reinterpret_cast<HANDLE>(_get_heap_handle());
  if (heap == nullptr || !HeapLock(heap)) return -1;
  int64_t in_use = 0;
  PROCESS_HEAP_ENTRY entry = {};
  while (HeapWalk(heap, &entry)) {
    if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) in_use += entry.cbData;
  }
  HeapUnlock(heap);
  return in_use;
}

}  // namespace corvane
