#include "base/time.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(TimeTest, EpochConversions) {
  EXPECT_EQ(Time::FromJsTime(0).ToInternalValue(), 11644473600000000LL);
  EXPECT_EQ(Time::FromMillisecondsSinceUnixEpoch(0).ToInternalValue(), 11644473600000000LL);
  const int64_t kCases[] = {0, 1, -1, 1700000000123LL, -11644473600000LL};
  for (int64_t ms : kCases) {
    Time time = Time::FromMillisecondsSinceUnixEpoch(ms);
    EXPECT_EQ(time.ToMillisecondsSinceUnixEpoch(), ms) << ms;
    EXPECT_DOUBLE_EQ(time.ToJsTime(), static_cast<double>(ms)) << ms;
    EXPECT_EQ(Time::FromJsTime(static_cast<double>(ms)), time) << ms;
  }
  // Sub-millisecond parts round down, also before 1970.
  EXPECT_EQ(Time::FromInternalValue(11644473600000000LL - 1).ToMillisecondsSinceUnixEpoch(), -1);
  EXPECT_EQ(Time::FromInternalValue(11644473600000999LL).ToMillisecondsSinceUnixEpoch(), 0);
  // FILETIME is 100 ns units.
  EXPECT_EQ(Time::FromFileTimeValue(116444736000000000ULL).ToJsTime(), 0.0);
  EXPECT_EQ(Time::FromJsTime(1.5).ToFileTimeValue(), 116444736000015000ULL);
  EXPECT_TRUE(Time().is_null());
  // Far out of range clamps instead of wrapping.
  EXPECT_GT(Time::FromJsTime(1e300), Time::FromJsTime(0));
  EXPECT_LT(Time::FromJsTime(-1e300), Time::FromJsTime(0));
}

TEST(TimeTest, NowIsAfter2020) {
  // 2020-01-01T00:00:00Z.
  EXPECT_GT(Time::Now(), Time::FromMillisecondsSinceUnixEpoch(1577836800000LL));
}

}  // namespace
}  // namespace corvane
