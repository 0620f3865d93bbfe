// The failure paths of every privileged start: the updater's modes, the
// binary update and the elevated relaunch of edit_config. Under Wine every
// process is elevated and the consent prompt is not emulated, so two seams
// stand in: the token query answers "not elevated", which sends the start to
// the elevation service, and the prompt hook answers as a user would. COM is
// left uninitialised on this thread, so the service start fails with
// CO_E_NOTINITIALIZED whatever is registered in the prefix meanwhile.

#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/path_service.h"
#include "base/process/launch.h"
#include "base/win/scoped_handle.h"
#include "launcher/launch_error_codes.h"
#include "launcher/launch_result.h"
#include "launcher/launcher.h"
#include "launcher/launcher_constants.h"
#include "test/support/refusing_mutex.h"
#include "test/support/scoped_command_line.h"
#include "test/support/scoped_launch_result.h"
#include "test/support/scoped_product_constants.h"
#include "test/support/scoped_starting_speed_data.h"
#include "test/support/scoped_temp_dir.h"
#include "test/support/test_child.h"

namespace corvane {
namespace {

constexpr int32_t kNoCom = static_cast<int32_t>(0x800401F0);  // CO_E_NOTINITIALIZED
constexpr wchar_t kDisplayName[] = L"unitprivileged";
constexpr wchar_t kUninstallKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\unitprivileged";
constexpr wchar_t kInstallerMutex[] = L"unitprivileged_installer";

class TestLauncher : public Launcher {
 public:
  using BaseLauncher::ParseSwitchesFrom;
  LauncherConfig& mutable_config() { return config_; }

 private:
  test::ScopedStartingSpeedData speed_;
};

enum class Op { kBeforeLaunch, kAfterLaunch, kRollback, kBinUpdate, kUpdateConfig, kEditConfig };
// What a row sets up; none of them: a launcher that is not elevated, with the
// updater present, a command line and the product's uninstall entry.
enum Setup : unsigned {
  kElevatedUpdate = 1 << 0,
  kElevated = 1 << 1,  // the launcher's own token
  kAutorun = 1 << 2,
  kAccepts = 1 << 3,  // the user accepts the consent prompt (else declines)
  kNoUpdater = 1 << 4,
  kNoCommandLine = 1 << 5,
  kInstaller = 1 << 6,
  kElevatedInstaller = 1 << 7,  // its mutex refuses us
  kNoDisplayName = 1 << 8,
};

struct PrivilegedCase {
  const char* name;
  Op op;
  unsigned setup;
  bool result;
  std::vector<int32_t> error_codes;
  std::vector<uint32_t> win_error_codes;
  std::vector<int32_t> h_result_codes;
  std::string extra_info;
  int prompts;  // times the consent prompt was shown
  size_t updater_runs;
};

bool RunOp(TestLauncher& launcher, Op op, const FilePath& updater) {
  switch (op) {
    case Op::kBeforeLaunch:
      return launcher.RunSilenceUpdate(SilenceUpdateMode::kBeforeLaunch, updater);
    case Op::kAfterLaunch:
      return launcher.RunSilenceUpdate(SilenceUpdateMode::kAfterLaunch, updater);
    case Op::kRollback:
      return launcher.RunSilenceUpdate(SilenceUpdateMode::kUpdateRollback, updater);
    case Op::kBinUpdate:
      return launcher.RunBinUpdate(updater);
    case Op::kUpdateConfig:
      return launcher.UpdateConfig();
    case Op::kEditConfig:
      return launcher.EditConfig();
  }
  return false;
}

TEST(PrivilegedStartTest, FailuresRecordTheirCodesAndStartNothingElse) {
  const std::vector<uint32_t> kNo = {ERROR_CANCELLED};  // the prompt declined
  const std::vector<uint32_t> kMissing = {ERROR_FILE_NOT_FOUND};
  const unsigned kUpdate = kElevatedUpdate;
  // clang-format off
  const PrivilegedCase kCases[] = {
      {"switch: prompt declined", Op::kBeforeLaunch, kUpdate, false, {3008, 3002}, kNo, {kNoCom}, "", 1, 0},
      {"switch: prompt accepted", Op::kBeforeLaunch, kUpdate | kAccepts, true, {3008}, {}, {kNoCom},
       "[updater exit result:1,exit code:0]", 1, 1},
      {"switch on autorun: no prompt", Op::kBeforeLaunch, kUpdate | kAutorun, false, {3008}, {}, {kNoCom}, "", 0, 0},
      {"after launch records nothing", Op::kAfterLaunch, kUpdate, true, {}, {}, {}, "", 1, 0},
      {"after launch on autorun", Op::kAfterLaunch, kUpdate | kAutorun, false, {}, {}, {}, "", 0, 0},
      {"rollback: updater missing", Op::kRollback, kNoUpdater, false, {3005}, kMissing, {}, "", 0, 0},
      {"binary: prompt declined", Op::kBinUpdate, 0, false, {4001, 4002}, kNo, {kNoCom}, "", 1, 0},
      {"binary: prompt accepted", Op::kBinUpdate, kAccepts, true, {4001}, {}, {kNoCom}, "", 1, 1},
      {"binary on autorun", Op::kBinUpdate, kAutorun, false, {4001}, {}, {kNoCom}, "", 0, 0},
      {"update_config: no command line", Op::kUpdateConfig, kNoCommandLine, false, {5000}, {}, {}, "", 0, 0},
      {"update_config: updater missing", Op::kUpdateConfig, kNoUpdater, false, {5001}, kMissing, {}, "", 0, 0},
      {"edit_config: installer runs", Op::kEditConfig, kUpdate | kInstaller, false, {5002}, {}, {},
       "[installer running]", 0, 0},
      {"edit_config: elevated installer runs", Op::kEditConfig, kUpdate | kElevatedInstaller, false, {5002},
       {}, {}, "[installer running]", 0, 0},
      {"edit_config: no command line", Op::kEditConfig, kUpdate | kNoCommandLine, false, {5000}, {}, {}, "", 0, 0},
      {"relaunch: prompt declined", Op::kEditConfig, kUpdate, false, {3008, 5004}, kNo, {kNoCom}, "", 1, 0},
      {"relaunch on autorun", Op::kEditConfig, kUpdate | kAutorun, false, {3008}, {}, {kNoCom}, "", 0, 0},
      {"edit_config: no uninstall entry", Op::kEditConfig, kElevated | kNoDisplayName, true, {5008}, {}, {},
       "[update reg version failed]", 0, 0},
      {"edit_config: no service program", Op::kEditConfig, kUpdate | kElevated, true, {5009}, {}, {},
       "[elevation_service not exist]", 0, 0},
  };
  // clang-format on

  test::ScopedTempDir tree;
  ASSERT_TRUE(tree.IsValid());
  const FilePath launcher_exe = tree.path().Append(L"launcher.exe");
  const FilePath version_dir = tree.path().Append(L"1.0.0");
  const FilePath updater = version_dir.Append(L"corvane_updater.exe");
  // The version is refreshed where the product's uninstall entry is.
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, kUninstallKey, 0, nullptr, 0,
                                           KEY_SET_VALUE, nullptr, &key, nullptr));
  RegSetValueExW(key, L"DisplayVersion", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"0.1"),
                 sizeof(L"0.1"));
  RegCloseKey(key);

  for (const PrivilegedCase& c : kCases) {
    SCOPED_TRACE(c.name);
    std::map<int, std::wstring> entries = {
        {kProductShortNameId, L"unitprivileged"},
        {kAutorunMarkerId, L"autorun"},
        {kInstallerMutexNameId, kInstallerMutex},
        {kElevatedUpdateId, c.setup & kElevatedUpdate ? L"1" : L"0"}};
    if (!(c.setup & kNoDisplayName)) entries[kProductDisplayNameId] = kDisplayName;
    test::ScopedProductConstants constants(entries);
    DeleteFile(version_dir, true);
    if (!(c.setup & kNoUpdater)) {
      ASSERT_TRUE(test::PlaceTestChild(updater, ""));
    }
    WriteFile(tree.path().Append(L"launcher_config.json"), std::string(R"({"cur_path":"1.0.0"})"));

    std::vector<std::wstring> argv = {L"launcher", L"--launcher_api=edit_config",
                                      L"--cur_path=1.0.0"};
    if (c.setup & kAutorun) argv.push_back(L"--autorun");
    std::optional<test::ScopedCommandLine> command_line;
    if (c.setup & kNoCommandLine) {
      command_line.emplace();
    } else {
      command_line.emplace(CommandLine(argv));
    }
    win::ScopedHandle installer(
        c.setup & kElevatedInstaller ? test::CreateRefusingMutex(kInstallerMutex)
        : c.setup & kInstaller       ? CreateMutexW(nullptr, FALSE, kInstallerMutex)
                                     : nullptr);

    SetElevationQueryHookForTesting([&c](bool* elevated) {
      *elevated = (c.setup & kElevated) != 0;
      return true;
    });
    int prompts = 0;
    std::wstring prompted_file;
    SetElevatedLaunchHookForTesting(
        [&](const std::wstring& file, const std::wstring& parameters, int) -> HANDLE {
          ++prompts;
          prompted_file = file;
          if (!(c.setup & kAccepts)) {
            SetLastError(ERROR_CANCELLED);
            return nullptr;
          }
          return LaunchProcess(CommandLine::FromString(L"\"" + file + L"\" " + parameters),
                               LaunchOptions())
              .Release();
        });

    test::ScopedLaunchResult result;
    TestLauncher launcher;
    launcher.mutable_config().app_name = L"client";
    launcher.mutable_config().cur_path = L"1.0.0";
    const CommandLine switches(argv);
    launcher.ParseSwitchesFrom(&switches);

    // Only while it runs: the test child is found beside the test binary.
    OverrideExePathForTesting(launcher_exe);
    EXPECT_EQ(c.result, RunOp(launcher, c.op, updater));
    OverrideExePathForTesting(FilePath());

    SetElevatedLaunchHookForTesting(nullptr);
    SetElevationQueryHookForTesting(nullptr);
    EXPECT_EQ(c.error_codes, result->error_codes);
    EXPECT_EQ(c.win_error_codes, result->win_error_codes);
    EXPECT_EQ(c.h_result_codes, result->h_result_codes);
    EXPECT_EQ(c.extra_info, result->extra_info);
    EXPECT_EQ(c.prompts, prompts);
    if (prompts) {
      // What the prompt would name: the updater, or this launcher by its full path.
      EXPECT_EQ(c.op == Op::kEditConfig ? launcher_exe.value() : updater.value(), prompted_file);
    }
    if (!(c.setup & kNoUpdater)) {
      EXPECT_EQ(c.updater_runs, test::ReadChildRecords(updater).size());
    }
  }

  RegDeleteKeyW(HKEY_CURRENT_USER, kUninstallKey);
}

}  // namespace
}  // namespace corvane
