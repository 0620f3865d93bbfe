#include "base/retry_until.h"

#include <chrono>
#include <thread>

namespace corvane {

bool RetryUntil(const std::function<bool()>& operation, int max_attempts, int delay_ms) {
  for (int attempt = 1; attempt <= max_attempts; ++attempt) {
    if (operation()) return true;
    if (delay_ms >= 1) std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
  }
  return false;
}

}  // namespace corvane
