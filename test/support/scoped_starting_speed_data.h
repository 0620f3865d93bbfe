#ifndef TEST_SUPPORT_SCOPED_STARTING_SPEED_DATA_H_
#define TEST_SUPPORT_SCOPED_STARTING_SPEED_DATA_H_

#include "launcher/starting_speed_data.h"

namespace corvane {
namespace test {

// Fresh start-speed fields for one scope; the process's fields come back at
// its end.
class ScopedStartingSpeedData {
 public:
  ScopedStartingSpeedData() : saved_(Record()->fields()) { Record()->SetFieldsForTesting({}); }
  ~ScopedStartingSpeedData() { Record()->SetFieldsForTesting(saved_); }
  ScopedStartingSpeedData(const ScopedStartingSpeedData&) = delete;
  ScopedStartingSpeedData& operator=(const ScopedStartingSpeedData&) = delete;

  const StartingSpeedFields& fields() const { return Record()->fields(); }

 private:
  static StartingSpeedData* Record() { return StartingSpeedData::GetInstance(); }

  const StartingSpeedFields saved_;
};

}  // namespace test
}  // namespace corvane

#endif  // TEST_SUPPORT_SCOPED_STARTING_SPEED_DATA_H_
