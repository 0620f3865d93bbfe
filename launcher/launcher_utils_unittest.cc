// The error dialog is driven for real: a helper thread finds the box by its
// caption, reads what it shows and answers it like a user would. Processes,
// mutexes and loader error boxes are real objects made by the test.

#include <windows.h>

#include <algorithm>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/scoped_handle.h"
#include "launcher/launch_result.h"
#include "launcher/error_dialog.h"
#include "launcher/launcher_utils.h"
#include "test/support/fake_loader_error_box.h"
#include "test/support/scoped_log_capture.h"
#include "test/support/scoped_temp_dir.h"
#include "test/support/test_child.h"

namespace corvane {
namespace {

// Bound on waiting for something another thread or process does; a test that
// reaches it fails rather than hangs.
constexpr DWORD kWaitBoundMs = 30000;
constexpr int kMessageTextId = 0xFFFF;

std::wstring UniqueSuffix() {
  static int counter = 0;
  return NumberToWString(static_cast<int>(GetCurrentProcessId())) + L"_" +
         NumberToWString(++counter);
}

using test::ScopedLogCapture;

std::wstring TextOf(HWND window) {
  wchar_t buffer[1024] = {};
  GetWindowTextW(window, buffer, 1024);
  return buffer;
}

struct ButtonView {
  bool present = false;
  std::wstring text;
  RECT rect = {};  // in the box's client coordinates
};

struct BoxView {
  bool found = false;
  std::wstring caption;
  std::wstring body;
  bool topmost = false;
  std::map<int, ButtonView> buttons;
};

enum class BoxAnswer {
  kClick,         // BM_CLICK on a button
  kCloseCommand,  // the title bar's close (WM_SYSCOMMAND SC_CLOSE)
  kSendClose,     // WM_CLOSE sent straight to the box
};

// Finds the box with `caption` shown by the calling thread, records it and
// answers it from a second thread.
class BoxDriver {
 public:
  BoxDriver(std::wstring caption, BoxAnswer answer, int button = 0)
      : caption_(std::move(caption)),
        answer_(answer),
        button_(button),
        owner_thread_(GetCurrentThreadId()),
        thread_([this] { Run(); }) {}
  ~BoxDriver() {
    if (thread_.joinable()) thread_.join();
  }

  const BoxView& Finish() {
    if (thread_.joinable()) thread_.join();
    return view_;
  }

 private:
  void Run() {
    HWND box = nullptr;
    for (DWORD waited = 0; waited < kWaitBoundMs; waited += 20) {
      box = FindWindowW(L"#32770", caption_.c_str());
      if (box && IsWindowVisible(box)) break;
      box = nullptr;
      Sleep(20);
    }
    if (!box) {
      CloseAnyDialogOfOwner();
      return;
    }
    // Returns once the box's thread is back in its message loop, so the
    // layout is final.
    SendMessageTimeoutW(box, WM_NULL, 0, 0, SMTO_NORMAL, kWaitBoundMs, nullptr);
    view_.found = true;
    view_.caption = TextOf(box);
    view_.body = TextOf(GetDlgItem(box, kMessageTextId));
    view_.topmost = (GetWindowLongW(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    for (int id : {kDialogIdOk, kDialogIdCancel, kDialogIdRetry}) {
      HWND button = GetDlgItem(box, id);
      ButtonView& view = view_.buttons[id];
      view.present = button && IsWindowVisible(button);
      if (!view.present) continue;
      view.text = TextOf(button);
      GetWindowRect(button, &view.rect);
      MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&view.rect), 2);
    }
    switch (answer_) {
      case BoxAnswer::kClick:
        PostMessageW(GetDlgItem(box, button_), BM_CLICK, 0, 0);
        break;
      case BoxAnswer::kCloseCommand:
        PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
      case BoxAnswer::kSendClose:
        SendMessageW(box, WM_CLOSE, 0, 0);
        break;
    }
  }

  // The box did not show up under its caption: end whatever dialog the
  // owner thread shows so the test fails instead of hanging.
  void CloseAnyDialogOfOwner() { EnumThreadWindows(owner_thread_, CloseIfDialog, 0); }

  static BOOL CALLBACK CloseIfDialog(HWND window, LPARAM) {
    wchar_t class_name[16] = {};
    GetClassNameW(window, class_name, 16);
    if (lstrcmpW(class_name, L"#32770") == 0) PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    return TRUE;
  }

  const std::wstring caption_;
  const BoxAnswer answer_;
  const int button_;
  const DWORD owner_thread_;
  BoxView view_;
  std::thread thread_;
};

// A box laid out by the system with the same texts but no widening: what the
// dialog's buttons are compared with.
const ErrorDialogTexts* g_reference_texts = nullptr;
bool g_reference_download = false;

LRESULT CALLBACK ReferenceHook(int code, WPARAM wparam, LPARAM lparam) {
  const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lparam);
  if (code == HC_ACTION && call->message == WM_INITDIALOG) {
    SetWindowTextW(GetDlgItem(call->hwnd, kDialogIdRetry), g_reference_texts->button_fix.c_str());
    if (g_reference_download) {
      SetWindowTextW(GetDlgItem(call->hwnd, kDialogIdOk),
                     g_reference_texts->button_download.c_str());
      SetWindowTextW(GetDlgItem(call->hwnd, kDialogIdCancel),
                     g_reference_texts->button_download.c_str());
    }
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

BoxView ShowReferenceBox(const std::wstring& body, unsigned int type, const ErrorDialogTexts& texts,
                         bool has_download) {
  g_reference_texts = &texts;
  g_reference_download = has_download;
  BoxDriver driver(texts.title, BoxAnswer::kCloseCommand);
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, ReferenceHook, nullptr, GetCurrentThreadId());
  MessageBoxW(GetDesktopWindow(), body.c_str(), texts.title.c_str(), type);
  UnhookWindowsHookEx(hook);
  return driver.Finish();
}

// Puts a copy of the test child at `path` with `control` beside it.
void PlaceChild(const FilePath& path, const nlohmann::json& control) {
  ASSERT_TRUE(test::PlaceTestChild(path, control.dump())) << path;
}

std::string FlagHead(const FilePath& flag) {
  std::string head;
  ReadFileToStringWithMaxSize(flag, &head, kFlagHeadSize);
  return head;
}

class LauncherUtilsTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.IsValid());
    root_ = temp_.path();
    settings_.temp_dir = root_.Append(L"temp");
    ASSERT_TRUE(CreateDirectoryAndGetError(settings_.temp_dir, nullptr));
    settings_.app_id = 654321;
    settings_.crash_reporter_app_name = "velmoraim";
    settings_.main_exe_names = {L"Velmora.exe", L"velmoraim.exe"};
    settings_.installer_mutex_name = L"CorvaneDialogTestInstaller_" + UniqueSuffix();
    settings_.local_product_dir = root_.Append(L"local");
    version_dir_ = root_.Append(L"1.2.3");
    ASSERT_TRUE(CreateDirectoryAndGetError(version_dir_, nullptr));
    ErrorDialogTexts& texts = settings_.texts;
    texts.title = L"\u63d0\u793a dialog test " + UniqueSuffix();
    texts.fix_or_download_hint = L"Repair or download the client again.";
    texts.download_hint = L"Download the client again.";
    texts.button_fix = L"\u4e00\u952e\u4fee\u590d Repair";
    texts.button_download = L"\u91cd\u65b0\u4e0b\u8f7d Download";
    texts.app_lost_file = L"Some files of the client are missing.";
  }

  void TearDown() override { SetElevatedLaunchHookForTesting(nullptr); }

  FilePath FlagDir() const { return FlagDirectory(settings_); }

  void PlaceFlag(std::wstring_view name, std::string_view content) {
    ASSERT_TRUE(CreateDirectoryAndGetError(FlagDir(), nullptr));
    ASSERT_TRUE(WriteFile(FlagDir().Append(name), content));
  }

  // Shows the dialog for `message` and answers it.
  int RunDialog(std::wstring_view message, BoxAnswer answer, int button, BoxView* view) {
    BoxDriver driver(settings_.texts.title, answer, button);
    int code = ShowErrorDialog(settings_, message, version_dir_, &result_);
    *view = driver.Finish();
    return code;
  }

  test::ScopedTempDir temp_;
  FilePath root_;
  FilePath version_dir_;
  RecoverySettings settings_;
  LaunchResult result_;
};

// Portable decisions. The body and box type are checked on the real boxes
// below.

TEST(ErrorDialogDecisionTest, MapsBoxResultsToChoicesAndCodes) {
  struct {
    int box_result;
    bool closed;
    bool repair;
    bool download;
    int choice;
    int code;
    bool open_page;
    bool start_tool;
  } cases[] = {
      {IDOK, false, false, true, 2, 2008, true, false},
      {IDOK, false, false, false, 2, 2008, false, false},
      {IDCANCEL, false, true, true, 2, 2008, true, false},
      {IDOK, true, false, true, 3, 2009, false, false},
      {IDCANCEL, true, true, true, 3, 2009, false, false},
      {IDRETRY, false, true, true, 1, 2007, false, true},
      {IDRETRY, false, false, true, 1, 2007, false, false},
      {IDCLOSE, false, true, true, 3, 2009, false, false},
      {0, false, true, true, 3, 2009, false, false},
      {IDYES, false, true, true, 3, 2009, false, false},
  };
  for (const auto& c : cases) {
    ErrorDialogOutcome outcome =
        DecideErrorDialogOutcome(c.box_result, c.closed, c.repair, c.download);
    SCOPED_TRACE(testing::Message() << "result " << c.box_result << " closed " << c.closed);
    EXPECT_EQ(c.choice, outcome.choice);
    EXPECT_EQ(c.code, outcome.code);
    EXPECT_EQ(c.open_page, outcome.open_download_page);
    EXPECT_EQ(c.start_tool, outcome.start_repair_tool);
  }
}

TEST(ErrorDialogDecisionTest, NamesItsFiles) {
  RecoverySettings settings;
  settings.temp_dir = FilePath(L"C:\\T");
  settings.app_id = 123456;
  settings.crash_reporter_app_name = "velmoraim";
  settings.local_product_dir = FilePath(L"C:\\L\\Quorlix\\corvane_local_123456");
  EXPECT_EQ(L"C:\\T\\velmoraim\\X.exe.flag", ExecutableFlagPath(settings, L"X.exe").value());
  EXPECT_EQ(L"C:\\T\\velmoraim\\install_check_file_failed.flag",
            InstallCheckFailedFlagPath(settings).value());
  EXPECT_EQ(L"C:\\T\\corvane_temp_123456\\local_fix_btn.flag", LocalFixFlagPath(settings).value());
  EXPECT_EQ(L"C:\\T\\installer_downloader_123456.exe", DownloaderCopyPath(settings).value());
  EXPECT_EQ(L"C:\\L\\Quorlix\\corvane_local_123456\\app_repairer.exe",
            RepairerPath(settings).value());
  EXPECT_EQ(L"C:\\V\\installer_downloader.exe", DownloaderPath(FilePath(L"C:\\V")).value());
}

// Flag files.

TEST_F(LauncherUtilsTest, InstallCheckFlagTakesPrecedence) {
  PlaceFlag(L"install_check_file_failed.flag", "[install check]");
  PlaceFlag(L"Velmora.exe.flag", "[exe]");
  EXPECT_TRUE(ConsumeCrashFlag(settings_, &result_));
  EXPECT_EQ(std::vector<int32_t>({2011}), result_.error_codes);
  EXPECT_EQ("[install check]", result_.extra_info);
  EXPECT_FALSE(PathExists(FlagDir().Append(L"install_check_file_failed.flag")));
  EXPECT_TRUE(PathExists(FlagDir().Append(L"Velmora.exe.flag")));
}

TEST_F(LauncherUtilsTest, OnlyFirstExecutableFlagIsConsumed) {
  PlaceFlag(L"velmoraim.exe.flag", "[second]");
  PlaceFlag(L"Velmora.exe.flag", "[first]");
  EXPECT_TRUE(ConsumeCrashFlag(settings_, &result_));
  EXPECT_EQ(std::vector<int32_t>({2004}), result_.error_codes);
  EXPECT_EQ("[first]", result_.extra_info);
  EXPECT_FALSE(PathExists(FlagDir().Append(L"Velmora.exe.flag")));
  EXPECT_TRUE(PathExists(FlagDir().Append(L"velmoraim.exe.flag")));

  // The next run takes the one left.
  LaunchResult next;
  EXPECT_TRUE(ConsumeCrashFlag(settings_, &next));
  EXPECT_EQ("[second]", next.extra_info);
  EXPECT_FALSE(ConsumeCrashFlag(settings_, &next));
}

TEST_F(LauncherUtilsTest, FlagHeadIsCutAt2048Bytes) {
  std::string content;
  for (int i = 0; i < 5000; ++i) content.push_back(static_cast<char>('a' + i % 26));
  PlaceFlag(L"velmoraim.exe.flag", content);
  EXPECT_EQ(content.substr(0, 2048), FlagHead(FlagDir().Append(L"velmoraim.exe.flag")));
  EXPECT_TRUE(ConsumeCrashFlag(settings_, &result_));
  EXPECT_EQ(content.substr(0, 2048), result_.extra_info);
  EXPECT_EQ("", FlagHead(FlagDir().Append(L"absent.flag")));
}

// A directory named like a flag blocks nothing; a flag that cannot be deleted
// is reported once, again when it changes, and is consumed once it can be.
TEST_F(LauncherUtilsTest, OnlyFilesAreFlagsAndAStuckFlagIsReportedOnce) {
  ASSERT_TRUE(CreateDirectoryAndGetError(FlagDir().Append(L"velmoraim.exe.flag"), nullptr));
  EXPECT_FALSE(ConsumeCrashFlag(settings_, &result_));
  EXPECT_TRUE(CheckCrashFlag(settings_, version_dir_, &result_));
  EXPECT_TRUE(result_.error_codes.empty());

  PlaceFlag(L"Velmora.exe.flag", "first");
  const FilePath flag = FlagDir().Append(L"Velmora.exe.flag");
  {
    // Held without delete sharing: the flag outlives this launch.
    win::ScopedHandle holder(CreateFileW(flag.value().c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder.IsValid());
    EXPECT_TRUE(ConsumeCrashFlag(settings_, &result_));
    EXPECT_FALSE(ConsumeCrashFlag(settings_, &result_));
    EXPECT_EQ(std::vector<int32_t>({2004}), result_.error_codes);
    EXPECT_EQ("first", result_.extra_info);
    // Written again by its owner: a new report.
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(holder.Get(), "+more", 5, &written, nullptr));
    EXPECT_TRUE(ConsumeCrashFlag(settings_, &result_));
    EXPECT_EQ(std::vector<int32_t>({2004, 2004}), result_.error_codes);
  }
  EXPECT_TRUE(PathExists(flag));
  // Released: the reported content goes without a new report.
  EXPECT_FALSE(ConsumeCrashFlag(settings_, &result_));
  EXPECT_EQ(2u, result_.error_codes.size());
  EXPECT_FALSE(PathExists(flag));
  PlaceFlag(L"Velmora.exe.flag", "second");
  EXPECT_TRUE(ConsumeCrashFlag(settings_, &result_));
  EXPECT_FALSE(PathExists(flag));
  EXPECT_FALSE(PathExists(FilePath(flag.value() + L".reported")));
}

TEST_F(LauncherUtilsTest, CheckingFileFlagIsOnlyNoted) {
  PlaceFlag(L"checking_file.flag", "x");
  EXPECT_TRUE(CheckCrashFlag(settings_, version_dir_, &result_));
  EXPECT_EQ("[crash reporter checking file]", result_.extra_info);
  EXPECT_TRUE(result_.error_codes.empty());
  EXPECT_TRUE(PathExists(FlagDir().Append(L"checking_file.flag")));
  EXPECT_EQ(0, result_.user_btn_choice);
}

TEST_F(LauncherUtilsTest, NoTempDirStopsTheRunWithoutDialog) {
  PlaceFlag(L"Velmora.exe.flag", "[exe]");
  settings_.temp_dir = FilePath();
  EXPECT_FALSE(CheckCrashFlag(settings_, version_dir_, &result_));
  EXPECT_TRUE(result_.error_codes.empty());
  EXPECT_EQ(0, result_.user_btn_choice);
}

TEST_F(LauncherUtilsTest, FoundFlagShowsLostFileDialogAndRecordsItsCode) {
  PlaceFlag(L"Velmora.exe.flag", "[exe]");
  BoxDriver driver(settings_.texts.title, BoxAnswer::kCloseCommand);
  EXPECT_FALSE(CheckCrashFlag(settings_, version_dir_, &result_));
  const BoxView& view = driver.Finish();
  ASSERT_TRUE(view.found);
  EXPECT_EQ(settings_.texts.app_lost_file + L"\n", view.body);
  EXPECT_EQ(std::vector<int32_t>({2004, 2009}), result_.error_codes);
  EXPECT_EQ("[exe]", result_.extra_info);
  EXPECT_EQ(3, result_.user_btn_choice);
}

// Repair tool.

TEST_F(LauncherUtilsTest, FindsRepairerFirst) {
  const FilePath repairer = RepairerPath(settings_);
  ASSERT_TRUE(CreateDirectoryAndGetError(repairer.DirName(), nullptr));
  ASSERT_TRUE(WriteFile(repairer, "repairer"));
  ASSERT_TRUE(WriteFile(DownloaderPath(version_dir_), "downloader"));
  FileHold hold;
  EXPECT_EQ(repairer, FindRepairTool(settings_, version_dir_, &hold));
  EXPECT_FALSE(hold.IsHeld());
  EXPECT_FALSE(PathExists(DownloaderCopyPath(settings_)));
}

TEST_F(LauncherUtilsTest, RunsAFreshCopyOfTheDownloaderThatNobodyCanReplace) {
  ASSERT_TRUE(WriteFile(DownloaderPath(version_dir_), "downloader v2"));
  const FilePath copy = DownloaderCopyPath(settings_);
  ASSERT_TRUE(WriteFile(copy, "old copy, longer than the new one"));
  {
    FileHold hold;
    EXPECT_EQ(copy, FindRepairTool(settings_, version_dir_, &hold));
    EXPECT_TRUE(hold.IsHeld());
    std::string copied;
    ASSERT_TRUE(ReadFileToString(copy, &copied));
    EXPECT_EQ("downloader v2", copied);
    // While held, what will be started cannot be replaced.
    EXPECT_FALSE(WriteFile(copy, std::string_view("replaced")));
    EXPECT_FALSE(DeleteFile(copy, false));
    EXPECT_FALSE(ReplaceFile(DownloaderPath(version_dir_), copy));
  }
  EXPECT_TRUE(DeleteFile(copy, false));
  EXPECT_TRUE(PathExists(DownloaderPath(version_dir_)));

  // An old copy somebody holds is not what gets started: no repair tool.
  ASSERT_TRUE(WriteFile(copy, "planted"));
  {
    win::ScopedHandle planted(CreateFileW(copy.value().c_str(), GENERIC_READ, FILE_SHARE_READ,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(planted.IsValid());
    ScopedLogCapture log;
    FileHold hold;
    EXPECT_EQ(FilePath(), FindRepairTool(settings_, version_dir_, &hold));
    EXPECT_FALSE(hold.IsHeld());
    EXPECT_EQ(1, log.Count("copy installer downloader failed: " + copy.AsUTF8Unsafe()));
  }
}

// The held copy still starts: the system opens it for running while it is held.
TEST_F(LauncherUtilsTest, RepairChoiceStartsTheHeldDownloaderCopy) {
  test::ScopedChildEvent started;
  PlaceChild(DownloaderPath(version_dir_), {{"signal_event", WideToUTF8(started.name())}});
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_TRUE(WriteFile(
      FilePath(DownloaderCopyPath(settings_).RemoveExtension().value() + L".control.json"),
      nlohmann::json({{"signal_event", WideToUTF8(started.name())}}).dump()));
  BoxView view;
  EXPECT_EQ(2007, RunDialog(L"m", BoxAnswer::kClick, IDRETRY, &view));
  ASSERT_TRUE(view.found);
  EXPECT_TRUE(result_.repairer_launch_result);
  EXPECT_TRUE(started.Wait());
  EXPECT_EQ(1u, test::ReadChildRecords(DownloaderCopyPath(settings_)).size());
}

// The dialog on screen.

TEST_F(LauncherUtilsTest, RepairChoiceStartsToolElevatedAndIsNotOfferedAgain) {
  settings_.download_page_url = "https://download.invalid/";
  test::ScopedChildEvent started;
  const FilePath repairer = RepairerPath(settings_);
  PlaceChild(repairer, {{"signal_event", WideToUTF8(started.name())}});
  ASSERT_FALSE(HasFatalFailure());

  // A long line makes the box as wide as the system lets it.
  const std::wstring message =
      L"C:\\Users\\someone\\AppData\\Local\\Programs\\Velmora\\1.2.3\\Velmora.exe"
      L"\\failed_to_start_because_a_library_is_missing";
  // Short button texts leave room at the box's left for the shift.
  settings_.texts.button_fix = L"\u4fee\u590d";
  settings_.texts.button_download = L"\u4e0b\u8f7d";
  const std::wstring body = message + L"\n" + settings_.texts.fix_or_download_hint;
  BoxView reference = ShowReferenceBox(body, 0x35, settings_.texts, true);
  ASSERT_TRUE(reference.found);
  ASSERT_GE(reference.buttons[IDRETRY].rect.left, 100);

  BoxView view;
  EXPECT_EQ(2007, RunDialog(message, BoxAnswer::kClick, IDRETRY, &view));
  ASSERT_TRUE(view.found);
  EXPECT_EQ(settings_.texts.title, view.caption);
  EXPECT_EQ(body, view.body);
  EXPECT_FALSE(view.buttons[IDOK].present);
  ASSERT_TRUE(view.buttons[IDRETRY].present);
  ASSERT_TRUE(view.buttons[IDCANCEL].present);
  EXPECT_EQ(settings_.texts.button_fix, view.buttons[IDRETRY].text);
  EXPECT_EQ(settings_.texts.button_download, view.buttons[IDCANCEL].text);
  // Repair: 50 wider and moved left; the second button 50 wider to the left.
  const RECT& retry = view.buttons[IDRETRY].rect;
  const RECT& retry_ref = reference.buttons[IDRETRY].rect;
  EXPECT_EQ(retry_ref.left - 100, retry.left);
  EXPECT_EQ(retry_ref.right - 50, retry.right);
  EXPECT_EQ(retry_ref.top, retry.top);
  EXPECT_EQ(retry_ref.bottom, retry.bottom);
  const RECT& cancel = view.buttons[IDCANCEL].rect;
  const RECT& cancel_ref = reference.buttons[IDCANCEL].rect;
  EXPECT_EQ(cancel_ref.left - 50, cancel.left);
  EXPECT_EQ(cancel_ref.right, cancel.right);
  EXPECT_EQ(cancel_ref.bottom, cancel.bottom);

  EXPECT_EQ(1, result_.user_btn_choice);
  EXPECT_TRUE(result_.repairer_launch_result);
  std::string flag;
  ASSERT_TRUE(ReadFileToString(LocalFixFlagPath(settings_), &flag));
  EXPECT_EQ("local fix", flag);
  ASSERT_TRUE(started.Wait());
  std::vector<nlohmann::json> records = test::ReadChildRecords(repairer);
  ASSERT_EQ(1u, records.size());
  EXPECT_EQ(nlohmann::json::array({WideToUTF8(repairer.value()), "--repair_install"}),
            records[0]["argv"]);

  // The flag stays: the next dialog has the download button only.
  EXPECT_EQ(2009, RunDialog(L"again", BoxAnswer::kSendClose, 0, &view));
  ASSERT_TRUE(view.found);
  EXPECT_EQ(L"again\n" + settings_.texts.download_hint, view.body);
  EXPECT_FALSE(view.buttons[IDRETRY].present);
  EXPECT_FALSE(view.buttons[IDCANCEL].present);
  ASSERT_TRUE(view.buttons[IDOK].present);
  EXPECT_EQ(settings_.texts.button_download, view.buttons[IDOK].text);
  EXPECT_EQ(3, result_.user_btn_choice);
  EXPECT_EQ(1u, test::ReadChildRecords(repairer).size());
}

TEST_F(LauncherUtilsTest, DeclinedElevationStillCountsAsRepairChoice) {
  ASSERT_TRUE(WriteFile(DownloaderPath(version_dir_), "downloader"));
  std::wstring asked_file;
  std::wstring asked_parameters;
  SetElevatedLaunchHookForTesting(
      [&](const std::wstring& file, const std::wstring& parameters, int) -> HANDLE {
        asked_file = file;
        asked_parameters = parameters;
        SetLastError(ERROR_CANCELLED);
        return nullptr;
      });
  ScopedLogCapture log;
  BoxView view;
  EXPECT_EQ(2007, RunDialog(L"m", BoxAnswer::kClick, IDRETRY, &view));
  ASSERT_TRUE(view.found);
  EXPECT_EQ(1, result_.user_btn_choice);
  EXPECT_FALSE(result_.repairer_launch_result);
  EXPECT_EQ(DownloaderCopyPath(settings_).value(), asked_file);
  EXPECT_EQ(L"--repair_install", asked_parameters);
  EXPECT_TRUE(PathExists(LocalFixFlagPath(settings_)));
  EXPECT_EQ(1, log.Count("user select fix."));
  EXPECT_EQ(1, log.Count("run elevation failde."));
}

TEST_F(LauncherUtilsTest, UnwritableLocalFixFlagStillStartsTheTool) {
  test::ScopedChildEvent started;
  const FilePath repairer = RepairerPath(settings_);
  PlaceChild(repairer, {{"signal_event", WideToUTF8(started.name())}});
  ASSERT_FALSE(HasFatalFailure());
  // A file where the flag's directory belongs: neither it nor the flag can be
  // made.
  const FilePath flag_dir = LocalFixFlagPath(settings_).DirName();
  ASSERT_TRUE(WriteFile(flag_dir, "in the way"));

  BoxView view;
  EXPECT_EQ(2007, RunDialog(L"m", BoxAnswer::kClick, IDRETRY, &view));
  ASSERT_TRUE(view.found);
  EXPECT_EQ(1, result_.user_btn_choice);
  EXPECT_TRUE(result_.repairer_launch_result);
  ASSERT_TRUE(started.Wait());
  EXPECT_EQ(1u, test::ReadChildRecords(repairer).size());
  EXPECT_FALSE(PathExists(LocalFixFlagPath(settings_)));
  std::string left;
  ASSERT_TRUE(ReadFileToString(flag_dir, &left));
  EXPECT_EQ("in the way", left);
}

TEST_F(LauncherUtilsTest, UnreadableFlagCountsAsFoundAndIsDeleted) {
  PlaceFlag(L"Velmora.exe.flag", "[held]");
  const FilePath flag = FlagDir().Append(L"Velmora.exe.flag");
  {
    // Held by another writer that lets nobody read it, but allows deletion.
    win::ScopedHandle holder(CreateFileW(flag.value().c_str(), GENERIC_WRITE, FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder.IsValid());
    EXPECT_EQ("", FlagHead(flag));
    EXPECT_TRUE(ConsumeCrashFlag(settings_, &result_));
  }
  EXPECT_EQ(std::vector<int32_t>({2004}), result_.error_codes);
  EXPECT_EQ("", result_.extra_info);
  EXPECT_FALSE(PathExists(flag));
}

// Both hooks are bound to the one box: a later box of the same thread keeps
// the system's texts and stays a normal window.
TEST_F(LauncherUtilsTest, HooksAreGoneAfterTheDialog) {
  settings_.download_page_url = "https://download.invalid/";
  ScopedLogCapture log;
  BoxView view;
  EXPECT_EQ(2009, RunDialog(L"m", BoxAnswer::kCloseCommand, 0, &view));
  ASSERT_TRUE(view.found);
  EXPECT_EQ(settings_.texts.button_download, view.buttons[IDOK].text);
  EXPECT_TRUE(view.topmost);
  EXPECT_EQ(1, log.Count("msgbox init dialog."));
  // One line per activation of the box (shown, then focused). The hook's own
  // SetWindowPos activates the box again; re-entering the hook there made it
  // recurse until the system's limit on nested hook calls (25 under Wine).
  const int activations = log.Count("msgbox hcbt active.");
  EXPECT_GE(activations, 1);
  EXPECT_LE(activations, 3);
  EXPECT_EQ(1, log.Count("user select close."));

  struct TopmostProbe {
    std::wstring title;
    bool found = false;
    bool topmost = true;
    std::wstring ok_text;
  } probe;
  probe.title = settings_.texts.title + L" later";
  std::thread prober([&probe] {
    HWND box = nullptr;
    for (DWORD waited = 0; waited < kWaitBoundMs && !box; waited += 20) {
      box = FindWindowW(L"#32770", probe.title.c_str());
      if (box && !IsWindowVisible(box)) box = nullptr;
      if (!box) Sleep(20);
    }
    if (!box) return;
    SendMessageTimeoutW(box, WM_NULL, 0, 0, SMTO_NORMAL, kWaitBoundMs, nullptr);
    probe.found = true;
    probe.topmost = (GetWindowLongW(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    probe.ok_text = TextOf(GetDlgItem(box, IDOK));
    PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
  });
  MessageBoxW(GetDesktopWindow(), L"later", probe.title.c_str(), MB_OK);
  prober.join();
  ASSERT_TRUE(probe.found);
  EXPECT_FALSE(probe.topmost);
  EXPECT_NE(settings_.texts.button_download, probe.ok_text);
  EXPECT_FALSE(probe.ok_text.empty());
  EXPECT_EQ(1, log.Count("msgbox init dialog."));
  EXPECT_EQ(activations, log.Count("msgbox hcbt active."));
}

TEST_F(LauncherUtilsTest, PlainBoxWithoutToolOrPageOpensNothing) {
  const std::wstring body = L"no client\n";
  BoxView reference = ShowReferenceBox(body, 0x30, settings_.texts, false);
  ASSERT_TRUE(reference.found);
  BoxView view;
  EXPECT_EQ(2008, RunDialog(L"no client", BoxAnswer::kClick, IDOK, &view));
  ASSERT_TRUE(view.found);
  EXPECT_EQ(body, view.body);
  EXPECT_FALSE(view.buttons[IDRETRY].present);
  EXPECT_FALSE(view.buttons[IDCANCEL].present);
  ASSERT_TRUE(view.buttons[IDOK].present);
  // The system's own text, widened to the left.
  EXPECT_EQ(reference.buttons[IDOK].text, view.buttons[IDOK].text);
  EXPECT_NE(settings_.texts.button_download, view.buttons[IDOK].text);
  EXPECT_EQ(std::max(reference.buttons[IDOK].rect.left - 50, 0L), view.buttons[IDOK].rect.left);
  EXPECT_EQ(reference.buttons[IDOK].rect.right, view.buttons[IDOK].rect.right);
  EXPECT_EQ(2, result_.user_btn_choice);
  EXPECT_FALSE(result_.repairer_launch_result);
}

TEST_F(LauncherUtilsTest, SecondButtonOpensDownloadPage) {
  // The shell opens the "page" like any document: here a program that tells
  // the test it ran.
  test::ScopedChildEvent opened;
  const FilePath page = root_.Append(L"page").Append(L"download_page.exe");
  PlaceChild(page, {{"signal_event", WideToUTF8(opened.name())}});
  ASSERT_FALSE(HasFatalFailure());
  settings_.download_page_url = WideToUTF8(page.value());
  BoxView view;
  EXPECT_EQ(2008, RunDialog(L"m", BoxAnswer::kClick, IDOK, &view));
  ASSERT_TRUE(view.found);
  EXPECT_EQ(L"m\n" + settings_.texts.download_hint, view.body);
  EXPECT_EQ(settings_.texts.button_download, view.buttons[IDOK].text);
  EXPECT_EQ(2, result_.user_btn_choice);
  EXPECT_TRUE(opened.Wait());
}

TEST_F(LauncherUtilsTest, RepairBoxWithoutPageKeepsSystemCancel) {
  ASSERT_TRUE(WriteFile(DownloaderPath(version_dir_), "downloader"));
  BoxView view;
  EXPECT_EQ(2008, RunDialog(L"m", BoxAnswer::kClick, IDCANCEL, &view));
  ASSERT_TRUE(view.found);
  EXPECT_EQ(L"m\n" + settings_.texts.fix_or_download_hint, view.body);
  EXPECT_EQ(settings_.texts.button_fix, view.buttons[IDRETRY].text);
  EXPECT_NE(settings_.texts.button_download, view.buttons[IDCANCEL].text);
  EXPECT_FALSE(view.buttons[IDCANCEL].text.empty());
  EXPECT_EQ(2, result_.user_btn_choice);
  EXPECT_FALSE(PathExists(LocalFixFlagPath(settings_)));
}

TEST_F(LauncherUtilsTest, CloseCommandClosesBothBoxTypes) {
  settings_.download_page_url = "https://download.invalid/";
  struct {
    bool with_tool;
    BoxAnswer answer;
  } cases[] = {
      {true, BoxAnswer::kCloseCommand},
      {true, BoxAnswer::kSendClose},
      {false, BoxAnswer::kCloseCommand},
      {false, BoxAnswer::kSendClose},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "tool " << c.with_tool << " answer " << static_cast<int>(c.answer));
    if (c.with_tool) {
      ASSERT_TRUE(WriteFile(DownloaderPath(version_dir_), "downloader"));
    } else {
      ASSERT_TRUE(DeleteFile(DownloaderPath(version_dir_), false));
    }
    LaunchResult result;
    BoxDriver driver(settings_.texts.title, c.answer);
    EXPECT_EQ(2009, ShowErrorDialog(settings_, L"m", version_dir_, &result));
    BoxView view = driver.Finish();
    ASSERT_TRUE(view.found);
    EXPECT_EQ(c.with_tool, view.buttons[IDRETRY].present);
    // A short message makes a narrow box: no button is pushed past its edge.
    for (const auto& [id, button] : view.buttons) {
      if (button.present) {
        EXPECT_GE(button.rect.left, 0) << id;
      }
    }
    EXPECT_EQ(3, result.user_btn_choice);
    EXPECT_FALSE(result.repairer_launch_result);
  }
  EXPECT_FALSE(PathExists(LocalFixFlagPath(settings_)));
}

}  // namespace
}  // namespace corvane
