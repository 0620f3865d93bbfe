// Test-only second implementation of the SDK contract, different in every
// answer from the main substitute, to show that a built addon works beside
// any library that keeps the contract. init returns a + 1000; call posts one
// result "alt:" followed by its NUL-terminated command, on the calling
// thread; getHandle returns -n.

#include <stdint.h>
#include <string.h>

#include <atomic>

#include "src/tavrin_api.h"

namespace corvane {
namespace {

constexpr char kPrefix[] = "alt:";
constexpr size_t kMaxCommandLength = 256;

std::atomic<TavrinResultCallback> g_callback{nullptr};

}  // namespace
}  // namespace corvane

extern "C" {

int32_t init(int32_t a, const uint8_t* /*bytes*/, int32_t /*c*/, TavrinResultCallback callback) {
  corvane::g_callback.store(callback);
  return a + 1000;
}

int32_t call(const uint8_t* bytes, int32_t /*n*/) {
  TavrinResultCallback callback = corvane::g_callback.load();
  if (callback == nullptr) return -1;
  size_t length = 0;
  while (bytes && length < corvane::kMaxCommandLength && bytes[length] != 0) ++length;
  const size_t prefix_length = sizeof(corvane::kPrefix) - 1;
  uint8_t* payload = new uint8_t[prefix_length + length];
  memcpy(payload, corvane::kPrefix, prefix_length);
  if (length != 0) memcpy(payload + prefix_length, bytes, length);
  callback(prefix_length + length, payload);
  return 0;
}

int32_t getHandle(const uint8_t* /*bytes*/, int32_t n) { return -n; }

}  // extern "C"
