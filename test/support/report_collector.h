// The loopback report collector (test/collector) as tests see it: started by
// scripts/test.sh, found through the environment it exports.

#ifndef TEST_SUPPORT_REPORT_COLLECTOR_H_
#define TEST_SUPPORT_REPORT_COLLECTOR_H_

#include <string>

#include <gtest/gtest.h>

#include "base/files/file_path.h"

namespace corvane {
namespace test {

// Printed when a test is skipped for want of the collector; CTest marks such
// a run as skipped instead of passed.
extern const char kReportCollectorMissing[];

struct ReportCollector {
  std::string port;  // CORVANE_COLLECTOR_PORT
  FilePath dir;      // CORVANE_COLLECTOR_WINDIR: the record directory, as a Windows path
};

// False, with |why| filled, when the collector is not running for this run.
bool FindReportCollector(ReportCollector* collector, std::string* why);

// A full run (CORVANE_REQUIRE_COLLECTOR set, as scripts/test.sh does) fails
// the tests that need the collector when it is missing; a hand run skips them.
bool ReportCollectorRequired();

}  // namespace test
}  // namespace corvane

// In a fixture's SetUp(): fills |collector| or ends the test. The failure's
// text must not hold kReportCollectorMissing, or CTest would call it a skip.
#define CORVANE_NEED_REPORT_COLLECTOR(collector)                                       \
  do {                                                                                 \
    std::string corvane_why;                                                           \
    if (!::corvane::test::FindReportCollector(&(collector), &corvane_why)) {           \
      if (::corvane::test::ReportCollectorRequired())                                  \
        FAIL() << "this run needs the report collector: " << corvane_why;              \
      GTEST_SKIP() << ::corvane::test::kReportCollectorMissing << ": " << corvane_why; \
    }                                                                                  \
  } while (0)

#endif  // TEST_SUPPORT_REPORT_COLLECTOR_H_
