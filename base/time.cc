#include "base/time.h"

#include <cmath>
#include <limits>

namespace corvane {

namespace {

constexpr int64_t kMicrosecondsPerMillisecond = 1000;

}  // namespace

Time Time::FromJsTime(double ms_since_1970) {
  // Out-of-range and non-finite inputs clamp instead of overflowing.
  if (std::isnan(ms_since_1970)) return Time();
  double us = ms_since_1970 * static_cast<double>(kMicrosecondsPerMillisecond) +
              static_cast<double>(kTimeTToMicrosecondsOffset);
  if (us >= 9.2e18) return Time(std::numeric_limits<int64_t>::max());
  if (us <= -9.2e18) return Time(std::numeric_limits<int64_t>::min());
  return Time(static_cast<int64_t>(us));
}

Time Time::FromMillisecondsSinceUnixEpoch(int64_t ms_since_1970) {
  constexpr int64_t kMax = (std::numeric_limits<int64_t>::max() - kTimeTToMicrosecondsOffset) /
                           kMicrosecondsPerMillisecond;
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min() / kMicrosecondsPerMillisecond;
  if (ms_since_1970 > kMax) return Time(std::numeric_limits<int64_t>::max());
  if (ms_since_1970 < kMin) return Time(std::numeric_limits<int64_t>::min());
  return Time(ms_since_1970 * kMicrosecondsPerMillisecond + kTimeTToMicrosecondsOffset);
}

Time Time::FromFileTimeValue(uint64_t filetime) {
  return Time(static_cast<int64_t>(filetime / 10));
}

double Time::ToJsTime() const {
  return static_cast<double>(us_ - kTimeTToMicrosecondsOffset) /
         static_cast<double>(kMicrosecondsPerMillisecond);
}

int64_t Time::ToMillisecondsSinceUnixEpoch() const {
  // Floor division, so times before 1970 round down like the others.
  int64_t us = us_ - kTimeTToMicrosecondsOffset;
  int64_t ms = us / kMicrosecondsPerMillisecond;
  if (us % kMicrosecondsPerMillisecond < 0) --ms;
  return ms;
}

uint64_t Time::ToFileTimeValue() const { return us_ < 0 ? 0 : static_cast<uint64_t>(us_) * 10; }

}  // namespace corvane
