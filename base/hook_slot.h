// A replaceable function of the process: a test's stand-in for a system
// call, or a rule a higher room installs (the launch admission). Set from any
// thread; read as a copy, so that it runs outside the lock and a Set during
// the call does not pull it away.

#ifndef BASE_HOOK_SLOT_H_
#define BASE_HOOK_SLOT_H_

#include <mutex>
#include <utility>

namespace corvane {

// |Function| is a std::function type; empty means "not set".
template <typename Function>
class HookSlot {
 public:
  HookSlot() = default;
  HookSlot(const HookSlot&) = delete;
  HookSlot& operator=(const HookSlot&) = delete;

  void Set(Function function) {
    std::lock_guard<std::mutex> hold(lock_);
    function_ = std::move(function);
  }

  Function Get() const {
    std::lock_guard<std::mutex> hold(lock_);
    return function_;
  }

 private:
  mutable std::mutex lock_;
  Function function_;
};

}  // namespace corvane

#endif  // BASE_HOOK_SLOT_H_
