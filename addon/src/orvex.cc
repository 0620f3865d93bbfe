// orvex: forwards byte buffers from script code to the SDK and carries the
// SDK's asynchronous results, which arrive on SDK threads, back to one script
// callback on the script thread.

#include <stdint.h>

#include <atomic>
#include <functional>
#include <memory>
#include <new>
#include <thread>

#include "napi.h"
#include "src/module_pin.h"
#include "src/tavrin_api.h"

namespace corvane {
namespace {

constexpr char kExpectedNumber[] = "Expected an Number";
constexpr char kExpectedTypedArray[] = "Expected a TypedArray";
constexpr char kExpectedFunction[] = "Expected an Function";
constexpr char kResourceName[] = "imjscallback";

// One result on its way from an SDK thread to the script thread.
struct ResultPacket {
  uint64_t length;
  uint8_t* payload;
};

// Recycles result packets, so that a result costs no heap operation beyond
// its payload: under some runtimes the heap lock, taken by SDK threads and
// the script thread alike, is the most expensive step of a delivery. Packets
// are handed out round the ring; one that is still on its way to the script
// thread is skipped for a packet from the heap.
class PacketPool {
 public:
  ResultPacket* Take(uint64_t length, uint8_t* payload) {
    uint32_t index = next_.fetch_add(1, std::memory_order_relaxed) % kCapacity;
    ResultPacket* packet = in_use_[index].exchange(true, std::memory_order_acquire)
                               ? new (std::nothrow) ResultPacket
                               : &packets_[index];
    if (packet != nullptr) {
      packet->length = length;
      packet->payload = payload;
    }
    return packet;
  }

  void Give(ResultPacket* packet) {
    std::less<const ResultPacket*> before;
    if (before(packet, packets_) || !before(packet, packets_ + kCapacity)) {
      delete packet;
      return;
    }
    in_use_[packet - packets_].store(false, std::memory_order_release);
  }

 private:
  // A power of two, so that the ring index stays in step when |next_| wraps.
  static constexpr uint32_t kCapacity = 4096;

  ResultPacket packets_[kCapacity] = {};
  std::atomic<bool> in_use_[kCapacity] = {};
  std::atomic<uint32_t> next_{0};
};

PacketPool g_packets;

// Owns a packet and its payload until the delivery step is done with them.
struct PacketDeleter {
  void operator()(ResultPacket* packet) const {
    delete[] packet->payload;
    g_packets.Give(packet);
  }
};
using ScopedPacket = std::unique_ptr<ResultPacket, PacketDeleter>;

// The receiver of the script callback: the |this| of the init() call that
// made the channel, held by a strong reference for the channel's lifetime.
struct ChannelContext {
  Napi::Reference<Napi::Value> receiver;
  napi_threadsafe_function channel = nullptr;
};

void Deliver(Napi::Env env, Napi::Function callback, ChannelContext* context,
             ResultPacket* raw_packet);

using Channel = Napi::TypedThreadSafeFunction<ChannelContext, ResultPacket, Deliver>;

// The process-wide delivery slot. Written on the script thread by init(),
// read on SDK threads by OnSdkResult(); a plain pointer-sized value.
std::atomic<napi_threadsafe_function> g_channel{nullptr};

// Raises the pending exception, or an Error for |failed| (the status of the
// Node-API call that just failed), into the host as an uncaught exception.
// Merely leaving it pending is not enough: for a module of this API version,
// Node only warns about exceptions left pending by a thread-safe function's
// step and drops them.
// An environment that is going away (a Worker being terminated) refuses
// every call with a pending-exception status and nothing pending: the result
// is dropped there, as anything built for it would be refused as well.
void RaiseIntoHost(napi_env env, napi_status failed) {
  // Read before the next call resets it.
  const napi_extended_error_info* info = nullptr;
  const char* message = napi_get_last_error_info(env, &info) == napi_ok && info != nullptr &&
                                info->error_message != nullptr
                            ? info->error_message
                            : "Node-API call failed";
  bool pending = false;
  if (napi_is_exception_pending(env, &pending) != napi_ok) return;
  napi_value error = nullptr;
  if (pending) {
    if (napi_get_and_clear_last_exception(env, &error) != napi_ok) return;
  } else {
    if (failed == napi_pending_exception || failed == napi_cannot_run_js) return;
    napi_value text = nullptr;
    if (napi_create_string_utf8(env, message, NAPI_AUTO_LENGTH, &text) != napi_ok ||
        napi_create_error(env, nullptr, text, &error) != napi_ok) {
      return;
    }
  }
  napi_fatal_exception(env, error);
}

void Deliver(Napi::Env env, Napi::Function callback, ChannelContext* context,
             ResultPacket* raw_packet) {
  ScopedPacket packet(raw_packet);
  // The channel is being torn down: nothing to call any more.
  if (env == nullptr || callback.IsEmpty()) return;

  // Plain Node-API on this path: the wrapper types would query every new
  // Buffer twice more and check for a pending exception after a call that
  // already reports one.
  napi_value buffer = nullptr;
  napi_status status = packet->length == 0
                           ? napi_create_buffer(env, 0, nullptr, &buffer)
                           : napi_create_buffer_copy(env, static_cast<size_t>(packet->length),
                                                     packet->payload, nullptr, &buffer);
  if (status != napi_ok) {
    RaiseIntoHost(env, status);
    return;
  }
  napi_value receiver = nullptr;
  status = napi_get_reference_value(env, context->receiver, &receiver);
  if (status != napi_ok || receiver == nullptr) {
    RaiseIntoHost(env, status != napi_ok ? status : napi_generic_failure);
    return;
  }
  status = napi_call_function(env, receiver, callback, 1, &buffer, nullptr);
  if (status != napi_ok) RaiseIntoHost(env, status);
}

// SDK threads between reading the slot and handing their packet over. Both
// this count and the slot are accessed sequentially consistent: a thread that
// read the slot before the finaliser cleared it is then seen in the count.
std::atomic<uint32_t> g_senders{0};

class ScopedSender {
 public:
  ScopedSender() { g_senders.fetch_add(1); }
  ~ScopedSender() { g_senders.fetch_sub(1, std::memory_order_release); }
  ScopedSender(const ScopedSender&) = delete;
  ScopedSender& operator=(const ScopedSender&) = delete;
};

void FinalizeChannel(Napi::Env /*env*/, void* /*data*/, ChannelContext* context) {
  // The host is tearing the environment down and frees the channel once this
  // returns. Results that come later must not reach it, so the slot stops
  // naming it; threads that read the slot just before are waited for (they
  // only push to a closing channel, which refuses at once).
  napi_threadsafe_function expected = context->channel;
  g_channel.compare_exchange_strong(expected, nullptr);
  while (g_senders.load() != 0) std::this_thread::yield();
  delete context;
}

// Runs on SDK threads, possibly concurrently with itself. Never waits for the
// script thread and never lets an exception reach the SDK.
void OnSdkResult(uint64_t length, uint8_t* payload) {
  ScopedSender sender;
  napi_threadsafe_function channel = g_channel.load();
  if (channel != nullptr) {
    ResultPacket* packet = g_packets.Take(length, payload);
    if (packet != nullptr) {
      if (Channel(channel).NonBlockingCall(packet) == napi_ok) return;
      // The channel is closing; the packet would never be delivered.
      g_packets.Give(packet);
    }
  }
  delete[] payload;
}

bool CheckNumber(const Napi::CallbackInfo& info, size_t index) {
  if (info[index].IsNumber()) return true;
  Napi::Error::New(info.Env(), kExpectedNumber).ThrowAsJavaScriptException();
  return false;
}

bool CheckTypedArray(const Napi::CallbackInfo& info, size_t index) {
  if (info[index].IsTypedArray()) return true;
  Napi::Error::New(info.Env(), kExpectedTypedArray).ThrowAsJavaScriptException();
  return false;
}

bool CheckFunction(const Napi::CallbackInfo& info, size_t index) {
  if (info[index].IsFunction()) return true;
  Napi::Error::New(info.Env(), kExpectedFunction).ThrowAsJavaScriptException();
  return false;
}

// Raises the failure of the last Node-API call (or the exception it left
// pending) into the script.
void ThrowLastError(napi_env env) { Napi::Error::New(env).ThrowAsJavaScriptException(); }

bool GetInt32(const Napi::CallbackInfo& info, size_t index, int32_t* result) {
  if (napi_get_value_int32(info.Env(), info[index], result) == napi_ok) return true;
  ThrowLastError(info.Env());
  return false;
}

// The address of the first byte of the view; its length and element type are
// not looked at.
bool GetBytes(const Napi::CallbackInfo& info, size_t index, const uint8_t** bytes) {
  void* data = nullptr;
  if (napi_get_typedarray_info(info.Env(), info[index], nullptr, nullptr, &data, nullptr,
                               nullptr) != napi_ok) {
    ThrowLastError(info.Env());
    return false;
  }
  *bytes = static_cast<const uint8_t*>(data);
  return true;
}

// Makes a channel to |callback| whose receiver is |receiver|. Returns null
// with the error thrown into the script when that is not possible, for
// instance when |receiver| is a primitive that cannot be referenced.
napi_threadsafe_function CreateChannel(Napi::Env env, Napi::Value receiver,
                                       Napi::Function callback) {
  std::unique_ptr<ChannelContext> context(new (std::nothrow) ChannelContext);
  if (!context) {
    ThrowLastError(env);
    return nullptr;
  }
  context->receiver = Napi::Persistent(receiver);
  if (context->receiver.IsEmpty() || env.IsExceptionPending()) {
    if (!env.IsExceptionPending()) ThrowLastError(env);
    return nullptr;
  }
  Channel channel = Channel::New(env, callback, kResourceName, /*maxQueueSize=*/0,
                                 /*initialThreadCount=*/1, context.get(), FinalizeChannel);
  napi_threadsafe_function handle = channel;
  if (handle == nullptr) return nullptr;  // Channel::New threw already.
  context->channel = handle;
  context.release();  // Owned by the channel's finaliser from now on.
  return handle;
}

Napi::Value Init(const Napi::CallbackInfo& info) {
  Napi::Env env = info.Env();
  if (!CheckNumber(info, 0) || !CheckTypedArray(info, 1) || !CheckNumber(info, 2) ||
      !CheckFunction(info, 3)) {
    return env.Undefined();
  }
  // An earlier channel stays alive, orphaned, until the environment ends.
  g_channel.store(CreateChannel(env, info.This(), info[3].As<Napi::Function>()),
                  std::memory_order_release);

  // The SDK is initialised even when the channel could not be made; its
  // results are then dropped.
  int32_t a = 0;
  int32_t c = 0;
  const uint8_t* bytes = nullptr;
  if (!GetInt32(info, 0, &a) || !GetBytes(info, 1, &bytes) || !GetInt32(info, 2, &c)) {
    return env.Undefined();
  }
  // From here on the SDK holds OnSdkResult. A refusal is not fatal: the
  // module then lives as long as the host keeps it.
  static std::atomic<bool> pinned{false};
  if (!pinned.load(std::memory_order_relaxed)) pinned.store(PinThisModule());
  return Napi::Number::New(env, ::init(a, bytes, c, &OnSdkResult));
}

// The (buffer, length) pair that call and getCtxHandle take.
bool GetBytesAndLength(const Napi::CallbackInfo& info, const uint8_t** bytes, int32_t* n) {
  return CheckTypedArray(info, 0) && CheckNumber(info, 1) && GetBytes(info, 0, bytes) &&
         GetInt32(info, 1, n);
}

Napi::Value Call(const Napi::CallbackInfo& info) {
  const uint8_t* bytes = nullptr;
  int32_t n = 0;
  if (GetBytesAndLength(info, &bytes, &n)) ::call(bytes, n);
  return info.Env().Undefined();
}

Napi::Value GetCtxHandle(const Napi::CallbackInfo& info) {
  Napi::Env env = info.Env();
  const uint8_t* bytes = nullptr;
  int32_t n = 0;
  if (!GetBytesAndLength(info, &bytes, &n)) return env.Undefined();
  return Napi::Number::New(env, ::getHandle(bytes, n));
}

Napi::Object RegisterModule(Napi::Env env, Napi::Object exports) {
  exports.Set("init", Napi::Function::New(env, Init));
  exports.Set("call", Napi::Function::New(env, Call));
  exports.Set("getCtxHandle", Napi::Function::New(env, GetCtxHandle));
  return exports;
}

}  // namespace
}  // namespace corvane

using corvane::RegisterModule;
NODE_API_MODULE(orvex, RegisterModule)
