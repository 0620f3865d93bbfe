#ifndef TEST_SUPPORT_SCOPED_LAUNCH_RESULT_H_
#define TEST_SUPPORT_SCOPED_LAUNCH_RESULT_H_

#include "launcher/launch_result.h"

namespace corvane {
namespace test {

// A fresh process-wide launch record for one scope; the record the process
// had comes back at its end. Compare fields as values against what the
// scope's steps should have written.
class ScopedLaunchResult {
 public:
  ScopedLaunchResult() : saved_(GetLaunchResult()) { GetLaunchResult() = LaunchResult(); }
  ~ScopedLaunchResult() { GetLaunchResult() = saved_; }
  ScopedLaunchResult(const ScopedLaunchResult&) = delete;
  ScopedLaunchResult& operator=(const ScopedLaunchResult&) = delete;

  LaunchResult& get() const { return GetLaunchResult(); }
  LaunchResult* operator->() const { return &GetLaunchResult(); }

 private:
  const LaunchResult saved_;
};

}  // namespace test
}  // namespace corvane

#endif  // TEST_SUPPORT_SCOPED_LAUNCH_RESULT_H_
