// Test-only stand-in for the SDK library. It keeps the SDK's contract (three
// entry points, results through the callback from any thread, payloads on the
// runtime heap owned by the receiver) and is steered by the bytes it is given:
// a NUL-terminated ASCII command, words separated by spaces.
//
// call(bytes, n):
//   "post T N S [ordered] [null] [pace U]"
//       post N results of S bytes from each of T new threads (T = 0: on the
//       calling thread, before returning).
//       "ordered" serialises the posts of all threads, so that the global
//       sequence number in the payload is the order the results were queued
//       in; "null" hands a null payload for S = 0 instead of an empty block;
//       "pace U" sleeps U microseconds after each result (Windows sleeps a
//       millisecond at least), for a steady stream.
//   anything else is only recorded.
// getHandle(bytes, n):
//   "echo"                 -> n
//   "count init|call|getHandle" -> calls of that entry point before this one
//   "last init a|init c|call n" -> that argument of the latest such call
//   "last init byte K"     -> byte K of the latest init's bytes, which are
//                             read up to their first NUL (at most 64)
//   "join"                 -> waits for the posting threads; results posted
//   "posted"               -> results posted so far
//   "heap"                 -> KiB of the runtime heap in use
//   unknown commands       -> -1
// init(a, bytes, c, callback) keeps the callback and returns a.

#include <stdint.h>
#include <string.h>

#include <atomic>
#include <chrono>
#include <exception>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "sdk/heap_usage.h"
#include "sdk/payload_pattern.h"
#include "src/tavrin_api.h"

namespace corvane {
namespace {

constexpr size_t kMaxCommandLength = 512;
constexpr size_t kRecordedInitBytes = 64;

struct PostRequest {
  int threads = 0;
  int count = 0;
  size_t size = 0;
  bool ordered = false;
  bool null_when_empty = false;
  int pace_us = 0;
};

class Substitute {
 public:
  int32_t Init(int32_t a, const uint8_t* bytes, int32_t c, TavrinResultCallback callback) {
    {
      std::lock_guard<std::mutex> lock(record_lock_);
      ++init_calls_;
      last_init_a_ = a;
      last_init_c_ = c;
      // Up to the first NUL: the bytes have no length of their own.
      memset(last_init_bytes_, 0, sizeof(last_init_bytes_));
      for (size_t i = 0; bytes && i < kRecordedInitBytes && bytes[i] != 0; ++i)
        last_init_bytes_[i] = bytes[i];
    }
    callback_.store(callback);
    return a;
  }

  void Call(const uint8_t* bytes, int32_t n) {
    std::vector<std::string> words = Words(bytes);
    {
      std::lock_guard<std::mutex> lock(record_lock_);
      ++call_calls_;
      last_call_n_ = n;
    }
    PostRequest request;
    if (ParsePost(words, &request)) Post(request);
  }

  int32_t GetHandle(const uint8_t* bytes, int32_t n) {
    std::vector<std::string> words = Words(bytes);
    int32_t result = Answer(words, n);
    std::lock_guard<std::mutex> lock(record_lock_);
    ++get_handle_calls_;
    return result;
  }

 private:
  static std::vector<std::string> Words(const uint8_t* bytes) {
    std::string text;
    for (size_t i = 0; bytes && i < kMaxCommandLength && bytes[i] != 0; ++i)
      text.push_back(static_cast<char>(bytes[i]));
    std::istringstream stream(text);
    std::vector<std::string> words;
    for (std::string word; stream >> word;) words.push_back(word);
    return words;
  }

  static bool ParseInt(const std::string& text, int min, int* value) {
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
      return false;
    }
    *value = std::stoi(text);
    return *value >= min;
  }

  static bool ParsePost(const std::vector<std::string>& words, PostRequest* request) {
    int size = 0;
    if (words.size() < 4 || words[0] != "post" || !ParseInt(words[1], 0, &request->threads) ||
        !ParseInt(words[2], 0, &request->count) || !ParseInt(words[3], 0, &size)) {
      return false;
    }
    request->size = static_cast<size_t>(size);
    for (size_t i = 4; i < words.size(); ++i) {
      if (words[i] == "ordered") {
        request->ordered = true;
      } else if (words[i] == "null") {
        request->null_when_empty = true;
      } else if (words[i] == "pace" && i + 1 < words.size()) {
        if (!ParseInt(words[++i], 0, &request->pace_us)) return false;
      } else {
        return false;
      }
    }
    return true;
  }

  int32_t Answer(const std::vector<std::string>& words, int32_t n) {
    if (words.empty()) return -1;
    const std::string& verb = words[0];
    if (verb == "echo") return n;
    if (verb == "join") {
      JoinPosters();
      return static_cast<int32_t>(posted_.load());
    }
    if (verb == "posted") return static_cast<int32_t>(posted_.load());
    if (verb == "heap") return static_cast<int32_t>(RuntimeHeapBytesInUse() / 1024);

    std::lock_guard<std::mutex> lock(record_lock_);
    if (verb == "count" && words.size() == 2) {
      if (words[1] == "init") return init_calls_;
      if (words[1] == "call") return call_calls_;
      if (words[1] == "getHandle") return get_handle_calls_;
    }
    if (verb == "last" && words.size() >= 3) {
      if (words[1] == "init" && words[2] == "a") return last_init_a_;
      if (words[1] == "init" && words[2] == "c") return last_init_c_;
      if (words[1] == "call" && words[2] == "n") return last_call_n_;
      int index = 0;
      if (words[1] == "init" && words[2] == "byte" && words.size() == 4 &&
          ParseInt(words[3], 0, &index) && static_cast<size_t>(index) < kRecordedInitBytes) {
        return last_init_bytes_[index];
      }
    }
    return -1;
  }

  void Post(const PostRequest& request) {
    if (request.threads == 0) {
      PostFromThread(request, 0);
      return;
    }
    std::lock_guard<std::mutex> lock(posters_lock_);
    // No exception may leave the library: a thread that cannot start posts
    // nothing.
    try {
      for (int i = 0; i < request.threads; ++i) {
        posters_.emplace_back(&Substitute::PostFromThread, this, request, static_cast<uint32_t>(i));
      }
    } catch (const std::exception&) {
    }
  }

  void PostFromThread(PostRequest request, uint32_t thread_index) {
    for (int i = 0; i < request.count; ++i) {
      TavrinResultCallback callback = callback_.load();
      if (callback == nullptr) return;
      std::unique_lock<std::mutex> order(order_lock_, std::defer_lock);
      if (request.ordered) order.lock();
      uint32_t global = posted_.fetch_add(1);
      uint8_t* payload = nullptr;
      if (request.size != 0 || !request.null_when_empty) {
        payload = new uint8_t[request.size];
        FillPayload(payload, request.size, thread_index, static_cast<uint32_t>(i), global);
      }
      callback(request.size, payload);
      if (request.pace_us > 0)
        std::this_thread::sleep_for(std::chrono::microseconds(request.pace_us));
    }
  }

  void JoinPosters() {
    std::vector<std::thread> posters;
    {
      std::lock_guard<std::mutex> lock(posters_lock_);
      posters.swap(posters_);
    }
    for (std::thread& poster : posters) poster.join();
  }

  std::atomic<TavrinResultCallback> callback_{nullptr};
  std::atomic<uint32_t> posted_{0};
  std::mutex order_lock_;

  std::mutex posters_lock_;
  std::vector<std::thread> posters_;

  std::mutex record_lock_;
  int32_t init_calls_ = 0;
  int32_t call_calls_ = 0;
  int32_t get_handle_calls_ = 0;
  int32_t last_init_a_ = 0;
  int32_t last_init_c_ = 0;
  int32_t last_call_n_ = 0;
  uint8_t last_init_bytes_[kRecordedInitBytes] = {};
};

// Never destroyed: posting threads may outlive the script host's teardown.
Substitute& GetSubstitute() {
  static Substitute* substitute = new Substitute();
  return *substitute;
}

}  // namespace
}  // namespace corvane

extern "C" {

int32_t init(int32_t a, const uint8_t* bytes, int32_t c, TavrinResultCallback callback) {
  return corvane::GetSubstitute().Init(a, bytes, c, callback);
}

int32_t call(const uint8_t* bytes, int32_t n) {
  corvane::GetSubstitute().Call(bytes, n);
  return 0;
}

int32_t getHandle(const uint8_t* bytes, int32_t n) {
  return corvane::GetSubstitute().GetHandle(bytes, n);
}

}  // extern "C"
