#include "base/retry_until.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(RetryUntilTest, AttemptCounts) {
  struct Case {
    int max_attempts;
    int succeed_on;  // 0: never.
    bool expected;
    int expected_calls;
  };
  const Case kCases[] = {
      {3, 1, true, 1},  {3, 2, true, 2}, {3, 3, true, 3},  {3, 0, false, 3},
      {1, 0, false, 1}, {4, 4, true, 4}, {0, 1, false, 0}, {-2, 1, false, 0},
  };
  for (const Case& c : kCases) {
    int calls = 0;
    const bool result = RetryUntil([&] { return ++calls == c.succeed_on; }, c.max_attempts, 0);
    EXPECT_EQ(c.expected, result) << c.max_attempts << "/" << c.succeed_on;
    EXPECT_EQ(c.expected_calls, calls) << c.max_attempts << "/" << c.succeed_on;
  }
}

}  // namespace
}  // namespace corvane
