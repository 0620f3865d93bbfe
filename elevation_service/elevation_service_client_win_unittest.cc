// LaunchViaElevationService against a real COM local server (the double in
// test/elevation_service_double), registered in the prefix by the test.
// Two seams, both for what Wine cannot do: every process is elevated here, so
// the token query answers "not elevated" through its hook; and Wine's
// standard proxy answers CoSetProxyBlanket with E_NOTIMPL, so one case lets
// that answer through and the others map it to S_OK after the real call.

#include <windows.h>
#include <objbase.h>

#include "base/command_line.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/strings/utf_string_conversions.h"
#include "elevation_service/elevation_service_client.h"
#include "gtest/gtest.h"
#include "test/support/elevation_service_double.h"
#include "test/support/scoped_log_capture.h"
#include "test/support/scoped_temp_dir.h"
#include "test/support/test_child.h"

namespace corvane {
namespace {

class ElevationServiceClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    ASSERT_TRUE(temp_.IsValid());
    child_ = test::InstallTestChild(temp_.path(), L"elevated child.exe", R"({"exit_code":7})");
    ASSERT_FALSE(child_.empty());
  }
  void TearDown() override {
    SetElevationQueryHookForTesting(nullptr);
    SetProxyBlanketResultHookForTesting(nullptr);
    CoUninitialize();
  }

  static void PretendNotElevated() {
    SetElevationQueryHookForTesting([](bool* elevated) {
      *elevated = false;
      return true;
    });
  }
  static void AcceptBlanketNotImplemented() {
    SetProxyBlanketResultHookForTesting(
        [](int32_t result) { return result == E_NOTIMPL ? S_OK : result; });
  }

  test::ScopedTempDir temp_;
  FilePath child_;
};

TEST_F(ElevationServiceClientTest, StartsThroughTheServiceAndHandsOverTheProcess) {
  test::ScopedElevationServiceDouble service;
  ASSERT_TRUE(service.registered());
  PretendNotElevated();
  CommandLine command_line(child_);
  command_line.AppendSwitchASCII("mode", "a b");

  // Wine's own answer to the blanket call (E_NOTIMPL) ends the attempt,
  // logged; where the call works, the start goes through.
  size_t expected_starts = 1;
  {
    test::ScopedLogCapture log;
    Process process;
    const int32_t hr = LaunchViaElevationService(command_line, &process);
    if (hr == E_NOTIMPL) {
      EXPECT_FALSE(process.IsValid());
      EXPECT_EQ(1, log.Count("fail to set proxy blanket, hr = -2147467263"));
    } else {
      EXPECT_EQ(S_OK, hr);
      EXPECT_TRUE(process.WaitForExitWithTimeout(30000, nullptr));
      ++expected_starts;
    }
  }

  AcceptBlanketNotImplemented();
  Process process;
  ASSERT_EQ(S_OK, LaunchViaElevationService(command_line, &process));
  ASSERT_TRUE(process.IsValid());
  int exit_code = 0;
  ASSERT_TRUE(process.WaitForExitWithTimeout(30000, &exit_code));
  EXPECT_EQ(7, exit_code);
  const auto records = service.Records();
  ASSERT_EQ(expected_starts, records.size());
  EXPECT_EQ(GetCurrentProcessId(), records.back()["caller_pid"].get<DWORD>());
  EXPECT_EQ(WideToUTF8(command_line.GetCommandLineString()), records.back()["cmdline"]);
  const auto starts = test::ReadChildRecords(child_);
  ASSERT_EQ(expected_starts, starts.size());
  EXPECT_EQ("--mode=a b", starts.back()["argv"][1]);

  // A failure of the service comes back unchanged, with no process.
  service.SetFailure(E_ACCESSDENIED);
  test::ScopedLogCapture log;
  Process refused;
  EXPECT_EQ(E_ACCESSDENIED, LaunchViaElevationService(command_line, &refused));
  EXPECT_FALSE(refused.IsValid());
  EXPECT_EQ(1, log.Count("fail to run elevated command line, hr = -2147024891"));
  EXPECT_EQ(expected_starts, test::ReadChildRecords(child_).size());
}

TEST_F(ElevationServiceClientTest, UnregisteredServiceAndElevatedCaller) {
  PretendNotElevated();
  AcceptBlanketNotImplemented();
  {
    test::ScopedLogCapture log;
    Process process;
    EXPECT_EQ(REGDB_E_CLASSNOTREG, LaunchViaElevationService(CommandLine(child_), &process));
    EXPECT_FALSE(process.IsValid());
    EXPECT_EQ(1, log.Count("fail to create elevator instance, hr = -2147221164"));
  }
  EXPECT_TRUE(test::ReadChildRecords(child_).empty());

  // Already elevated: a direct start, no COM object (none is registered).
  SetElevationQueryHookForTesting(nullptr);
  Process process;
  EXPECT_EQ(S_OK, LaunchViaElevationService(CommandLine(child_), &process));
  ASSERT_TRUE(process.IsValid());
  int exit_code = 0;
  ASSERT_TRUE(process.WaitForExitWithTimeout(30000, &exit_code));
  EXPECT_EQ(7, exit_code);

  Process missing;
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND),
            LaunchViaElevationService(CommandLine(temp_.path().Append(L"none.exe")), &missing));
  EXPECT_FALSE(missing.IsValid());
}

}  // namespace
}  // namespace corvane
