// The entry points the addon imports from the instant-messaging SDK library
// ("tavrin.dll" on Windows, "libtavrin.so" on Linux). The library is not ours;
// this header only states the contract the addon relies on.

#ifndef ADDON_SRC_TAVRIN_API_H_
#define ADDON_SRC_TAVRIN_API_H_

#include <stdint.h>

extern "C" {

// Called by the SDK for every asynchronous result, from any of its threads,
// any number of times after init(). |bytes| was allocated with new[] on the
// process-wide runtime heap (it may be null when |length| is 0); ownership
// passes to the callee, and the SDK does not touch it after the call.
typedef void (*TavrinResultCallback)(uint64_t length, uint8_t* bytes);

// The SDK reads |bytes| only during the call.
int32_t init(int32_t a, const uint8_t* bytes, int32_t c, TavrinResultCallback callback);
int32_t call(const uint8_t* bytes, int32_t n);
int32_t getHandle(const uint8_t* bytes, int32_t n);

}  // extern "C"

#endif  // ADDON_SRC_TAVRIN_API_H_
