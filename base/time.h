#ifndef BASE_TIME_H_
#define BASE_TIME_H_

#include <cstdint>

namespace corvane {

// A point in time as microseconds since 1601-01-01 00:00 UTC (the Windows
// FILETIME epoch, in microseconds). Zero is the null time.
class Time {
 public:
  // Microseconds between 1601-01-01 and 1970-01-01.
  static constexpr int64_t kTimeTToMicrosecondsOffset = 11644473600000000LL;

  constexpr Time() = default;

  static Time Now();
  static constexpr Time FromInternalValue(int64_t us_since_1601) { return Time(us_since_1601); }
  // Milliseconds since 1970-01-01 UTC.
  static Time FromJsTime(double ms_since_1970);
  static Time FromMillisecondsSinceUnixEpoch(int64_t ms_since_1970);
  // FILETIME: 100 ns units since 1601, as a 64-bit value.
  static Time FromFileTimeValue(uint64_t filetime);

  int64_t ToInternalValue() const { return us_; }
  double ToJsTime() const;
  int64_t ToMillisecondsSinceUnixEpoch() const;
  uint64_t ToFileTimeValue() const;
  bool is_null() const { return us_ == 0; }

  bool operator==(Time other) const { return us_ == other.us_; }
  bool operator!=(Time other) const { return us_ != other.us_; }
  bool operator<(Time other) const { return us_ < other.us_; }
  bool operator<=(Time other) const { return us_ <= other.us_; }
  bool operator>(Time other) const { return us_ > other.us_; }
  bool operator>=(Time other) const { return us_ >= other.us_; }

 private:
  constexpr explicit Time(int64_t us) : us_(us) {}
  int64_t us_ = 0;
};

}  // namespace corvane

#endif  // BASE_TIME_H_
