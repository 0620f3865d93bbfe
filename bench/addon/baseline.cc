// The plainest thread-safe-function delivery: worker threads allocate one
// block per result (length, then the same bytes the substitute SDK writes)
// and queue it without blocking; the script-thread step copies it into a
// Buffer, calls the callback and frees the block. Plain Node-API, no wrapper.

#include <stdint.h>
#include <string.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "node_api.h"
#include "sdk/payload_pattern.h"

namespace corvane {
namespace {

napi_threadsafe_function g_channel = nullptr;
std::atomic<uint32_t> g_posted{0};
std::mutex g_workers_lock;
std::vector<std::thread> g_workers;

void Deliver(napi_env env, napi_value callback, void* /*context*/, void* data) {
  uint8_t* block = static_cast<uint8_t*>(data);
  if (env != nullptr && callback != nullptr) {
    uint64_t length = 0;
    memcpy(&length, block, sizeof(length));
    napi_value buffer = nullptr;
    napi_value receiver = nullptr;
    if (napi_create_buffer_copy(env, length, block + sizeof(length), nullptr, &buffer) == napi_ok &&
        napi_get_undefined(env, &receiver) == napi_ok) {
      napi_call_function(env, receiver, callback, 1, &buffer, nullptr);
    }
  }
  delete[] block;
}

void Produce(uint32_t thread_index, int count, size_t size) {
  for (int i = 0; i < count; ++i) {
    uint64_t length = size;
    uint8_t* block = new uint8_t[sizeof(length) + size];
    memcpy(block, &length, sizeof(length));
    FillPayload(block + sizeof(length), size, thread_index, static_cast<uint32_t>(i),
                g_posted.fetch_add(1));
    if (napi_call_threadsafe_function(g_channel, block, napi_tsfn_nonblocking) != napi_ok) {
      delete[] block;
    }
  }
}

bool GetArgs(napi_env env, napi_callback_info info, size_t count, napi_value* args) {
  size_t argc = count;
  return napi_get_cb_info(env, info, &argc, args, nullptr, nullptr) == napi_ok && argc == count;
}

// init(callback)
napi_value Init(napi_env env, napi_callback_info info) {
  napi_value callback = nullptr;
  napi_value name = nullptr;
  if (!GetArgs(env, info, 1, &callback) ||
      napi_create_string_utf8(env, "baseline", NAPI_AUTO_LENGTH, &name) != napi_ok ||
      napi_create_threadsafe_function(env, callback, nullptr, name, 0, 1, nullptr, nullptr, nullptr,
                                      Deliver, &g_channel) != napi_ok) {
    napi_throw_error(env, nullptr, "baseline: init failed");
    return nullptr;
  }
  // The benchmark decides when the process ends.
  napi_unref_threadsafe_function(env, g_channel);
  return nullptr;
}

// post(threads, countPerThread, size)
napi_value Post(napi_env env, napi_callback_info info) {
  napi_value args[3];
  int32_t threads = 0;
  int32_t count = 0;
  int32_t size = 0;
  if (g_channel == nullptr || !GetArgs(env, info, 3, args) ||
      napi_get_value_int32(env, args[0], &threads) != napi_ok ||
      napi_get_value_int32(env, args[1], &count) != napi_ok ||
      napi_get_value_int32(env, args[2], &size) != napi_ok || threads < 1 || count < 0 ||
      size < 0) {
    napi_throw_error(env, nullptr, "baseline: bad post");
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(g_workers_lock);
  for (int32_t i = 0; i < threads; ++i) {
    g_workers.emplace_back(Produce, static_cast<uint32_t>(i), count, static_cast<size_t>(size));
  }
  return nullptr;
}

// join(): waits for the posting threads.
napi_value Join(napi_env /*env*/, napi_callback_info /*info*/) {
  std::vector<std::thread> workers;
  {
    std::lock_guard<std::mutex> lock(g_workers_lock);
    workers.swap(g_workers);
  }
  for (std::thread& worker : workers) worker.join();
  return nullptr;
}

napi_value Register(napi_env env, napi_value exports) {
  const napi_property_descriptor properties[] = {
      {"init", nullptr, Init, nullptr, nullptr, nullptr, napi_default, nullptr},
      {"post", nullptr, Post, nullptr, nullptr, nullptr, napi_default, nullptr},
      {"join", nullptr, Join, nullptr, nullptr, nullptr, napi_default, nullptr},
  };
  napi_define_properties(env, exports, 3, properties);
  return exports;
}

}  // namespace
}  // namespace corvane

NAPI_MODULE_INIT() { return corvane::Register(env, exports); }
