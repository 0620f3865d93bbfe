// The failure paths of every privileged start: the updater's modes, the
// binary update and the elevated relaunch of edit_config. Under Wine every
// process is elevated and the consent prompt is not emulated, so two seams
// stand in: the token query answers "not elevated", which sends the start to
// the elevation service, and the prompt hook answers as a user would. COM is
// left uninitialised on this thread, so the service start fails with
// CO_E_NOTINITIALIZED whatever is registered in the prefix meanwhile.

#include <windows.h>

#include <map>
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
};

enum class Op { kBeforeLaunch, kAfterLaunch, kRollback, kBinUpdate, kUpdateConfig, kEditConfig };
enum class Prompt { kNone, kDeclined, kAccepted };
// The installer's mutex: none, an ordinary one, one whose empty DACL refuses
// us (as an installer started elevated makes it).
enum Installer { kNoInstaller, kInstaller, kElevatedInstaller };

struct PrivilegedCase {
  const char* name;
  Op op;
  bool elevated_update;
  bool elevated;  // the launcher's own token
  bool autorun;
  Prompt prompt;  // how the user answers, when asked
  bool updater_present;
  bool command_line;
  Installer installer;
  bool display_name;
  // Expected.
  bool result;
  std::vector<int32_t> error_codes;
  std::vector<uint32_t> win_error_codes;
  std::vector<int32_t> h_result_codes;
  std::string extra_info;
  int prompts;  // times the consent prompt was shown
  size_t updater_runs;
};

void ClearRecord() {
  LaunchResult& result = GetLaunchResult();
  result.error_codes.clear();
  result.win_error_codes.clear();
  result.h_result_codes.clear();
  result.extra_info.str("");
  result.is_auto_run = false;
}

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
  const std::vector<uint32_t> kDeclined = {ERROR_CANCELLED};
  const std::vector<uint32_t> kMissing = {ERROR_FILE_NOT_FOUND};
  // clang-format off
  const PrivilegedCase kCases[] = {
      // name, op, elevated_update, elevated, autorun, prompt, updater, cmdline, installer, display
      {"switch: service fails, prompt declined", Op::kBeforeLaunch, true, false, false,
       Prompt::kDeclined, true, true, kNoInstaller, true,
       false, {3008, 3002}, kDeclined, {kNoCom}, "", 1, 0},
      {"switch: service fails, prompt accepted", Op::kBeforeLaunch, true, false, false,
       Prompt::kAccepted, true, true, kNoInstaller, true,
       true, {3008}, {}, {kNoCom}, "[updater exit result:1,exit code:0]", 1, 1},
      {"switch: service fails on autorun, no prompt", Op::kBeforeLaunch, true, false, true,
       Prompt::kNone, true, true, kNoInstaller, true,
       false, {3008}, {}, {kNoCom}, "", 0, 0},
      {"after launch records nothing", Op::kAfterLaunch, true, false, false,
       Prompt::kDeclined, true, true, kNoInstaller, true,
       true, {}, {}, {}, "", 1, 0},
      {"after launch on autorun gives up", Op::kAfterLaunch, true, false, true,
       Prompt::kNone, true, true, kNoInstaller, true,
       false, {}, {}, {}, "", 0, 0},
      {"rollback: direct start of a missing updater", Op::kRollback, false, false, false,
       Prompt::kNone, false, true, kNoInstaller, true,
       false, {3005}, kMissing, {}, "", 0, 0},
      {"binary: service fails, prompt declined", Op::kBinUpdate, false, false, false,
       Prompt::kDeclined, true, true, kNoInstaller, true,
       false, {4001, 4002}, kDeclined, {kNoCom}, "", 1, 0},
      {"binary: service fails, prompt accepted", Op::kBinUpdate, false, false, false,
       Prompt::kAccepted, true, true, kNoInstaller, true,
       true, {4001}, {}, {kNoCom}, "", 1, 1},
      {"binary: service fails on autorun", Op::kBinUpdate, false, false, true,
       Prompt::kNone, true, true, kNoInstaller, true,
       false, {4001}, {}, {kNoCom}, "", 0, 0},
      {"update_config without a command line", Op::kUpdateConfig, false, false, false,
       Prompt::kNone, true, false, kNoInstaller, true,
       false, {5000}, {}, {}, "", 0, 0},
      {"update_config: direct start of a missing updater", Op::kUpdateConfig, false, false, false,
       Prompt::kNone, false, true, kNoInstaller, true,
       false, {5001}, kMissing, {}, "", 0, 0},
      {"edit_config while the installer runs", Op::kEditConfig, true, false, false,
       Prompt::kNone, true, true, kInstaller, true,
       false, {5002}, {}, {}, "[installer running]", 0, 0},
      {"edit_config while an elevated installer runs", Op::kEditConfig, true, false, false,
       Prompt::kNone, true, true, kElevatedInstaller, true,
       false, {5002}, {}, {}, "[installer running]", 0, 0},
      {"edit_config without a command line", Op::kEditConfig, true, false, false,
       Prompt::kNone, true, false, kNoInstaller, true,
       false, {5000}, {}, {}, "", 0, 0},
      {"edit_config relaunch: service fails, prompt declined", Op::kEditConfig, true, false,
       false, Prompt::kDeclined, true, true, kNoInstaller, true,
       false, {3008, 5004}, kDeclined, {kNoCom}, "", 1, 0},
      {"edit_config relaunch on autorun, no prompt", Op::kEditConfig, true, false, true,
       Prompt::kNone, true, true, kNoInstaller, true,
       false, {3008}, {}, {kNoCom}, "", 0, 0},
      {"edit_config: uninstall value not written", Op::kEditConfig, false, true, false,
       Prompt::kNone, true, true, kNoInstaller, false,
       true, {5008}, {}, {}, "[update reg version failed]", 0, 0},
      {"edit_config: service program missing", Op::kEditConfig, true, true, false,
       Prompt::kNone, true, true, kNoInstaller, true,
       true, {5009}, {}, {}, "[elevation_service not exist]", 0, 0},
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
    ResetProductConstantsForTesting();
    std::map<int, std::wstring> constants = {{kProductShortNameId, L"unitprivileged"},
                                             {kAutorunMarkerId, L"autorun"},
                                             {kInstallerMutexNameId, kInstallerMutex},
                                             {kElevatedUpdateId, c.elevated_update ? L"1" : L"0"}};
    if (c.display_name) constants[kProductDisplayNameId] = kDisplayName;
    LoadProductConstantsWith([&constants](int id) {
      auto it = constants.find(id);
      return it == constants.end() ? std::wstring() : it->second;
    });
    DeleteFile(version_dir, true);
    if (c.updater_present) {
      ASSERT_TRUE(test::PlaceTestChild(updater, ""));
    }
    WriteFile(tree.path().Append(L"launcher_config.json"), std::string(R"({"cur_path":"1.0.0"})"));

    CommandLine::ResetForTesting();
    std::vector<std::wstring> argv = {L"launcher", L"--launcher_api=edit_config",
                                      L"--cur_path=1.0.0"};
    if (c.autorun) argv.push_back(L"--autorun");
    if (c.command_line) {
      CommandLine::Init(0, nullptr);
      *CommandLine::ForCurrentProcess() = CommandLine(argv);
    }
    SECURITY_DESCRIPTOR refusing;
    ACL empty;
    InitializeSecurityDescriptor(&refusing, SECURITY_DESCRIPTOR_REVISION);
    InitializeAcl(&empty, sizeof(empty), ACL_REVISION);
    SetSecurityDescriptorDacl(&refusing, TRUE, &empty, FALSE);
    SECURITY_ATTRIBUTES elevated_installer = {sizeof(elevated_installer), &refusing, FALSE};
    win::ScopedHandle installer(
        c.installer == kNoInstaller
            ? nullptr
            : CreateMutexW(c.installer == kElevatedInstaller ? &elevated_installer : nullptr, FALSE,
                           kInstallerMutex));

    SetElevationQueryHookForTesting([&c](bool* elevated) {
      *elevated = c.elevated;
      return true;
    });
    int prompts = 0;
    std::wstring prompted_file;
    SetElevatedLaunchHookForTesting(
        [&](const std::wstring& file, const std::wstring& parameters, int) -> HANDLE {
          ++prompts;
          prompted_file = file;
          if (c.prompt != Prompt::kAccepted) {
            SetLastError(ERROR_CANCELLED);
            return nullptr;
          }
          std::wstring command = L"\"" + file + L"\" " + parameters;
          STARTUPINFOW startup = {};
          startup.cb = sizeof(startup);
          PROCESS_INFORMATION info = {};
          if (!CreateProcessW(file.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &info)) {
            return nullptr;
          }
          CloseHandle(info.hThread);
          return info.hProcess;
        });

    ClearRecord();
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
    const LaunchResult& result = GetLaunchResult();
    EXPECT_EQ(c.error_codes, result.error_codes);
    EXPECT_EQ(c.win_error_codes, result.win_error_codes);
    EXPECT_EQ(c.h_result_codes, result.h_result_codes);
    EXPECT_EQ(c.extra_info, result.extra_info.str());
    EXPECT_EQ(c.prompts, prompts);
    if (prompts) {
      // What the prompt would name: the updater, or this launcher by its full path.
      EXPECT_EQ(c.op == Op::kEditConfig ? launcher_exe.value() : updater.value(), prompted_file);
    }
    if (c.updater_present) {
      EXPECT_EQ(c.updater_runs, test::ReadChildRecords(updater).size());
    }
  }

  RegDeleteKeyW(HKEY_CURRENT_USER, kUninstallKey);
  ClearRecord();
  CommandLine::ResetForTesting();
  ResetProductConstantsForTesting();
}

}  // namespace
}  // namespace corvane
