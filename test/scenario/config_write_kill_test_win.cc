// The configuration write killed at random instants: the file is always the
// complete old or the complete new text, and whatever is left beside it never
// breaks the next read or write.

#include <windows.h>

#include <cstdio>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "base/files/file_util.h"
#include "base/win/scoped_handle.h"
#include "launcher/launcher_config.h"
#include "test/scenario/scenario_support.h"
#include "test/support/scoped_temp_dir.h"

namespace corvane {
namespace scenario {
namespace {

TEST(ConfigWriteKillTest, FileIsAlwaysWholeAfterSuddenDeath) {
  test::ScopedTempDir temp;
  ASSERT_TRUE(temp.IsValid());
  const FilePath path = temp.path().Append(L"launcher_config.json");
  const std::string kOld = R"({"app_name":"client","cur_path":"1.0.0","need_update":false})";
  const std::string kNew =
      R"({"app_name":"client","cur_path":"2.0.1.123","need_update":true,"new_path":"3.0.0"})";
  ASSERT_TRUE(WriteFile(path, kOld));
  const std::wstring writer = FromBuildPath(CORVANE_CONFIG_WRITER).value();

  // The writer says when its start is over; each kill lands at a random
  // instant of the writing after that, the first write included.
  const std::wstring started_name =
      L"Local\\corvane_config_writer_started_" + std::to_wstring(GetCurrentProcessId());
  const win::ScopedHandle started_event(CreateEventW(nullptr, FALSE, FALSE, started_name.c_str()));
  ASSERT_TRUE(started_event.IsValid());
  std::mt19937 random(20261209);
  std::uniform_int_distribution<int> delay_ms(0, 40);
  constexpr int kTrials = 1000;
  int whole = 0;
  int changed = 0;    // trials whose kill found the file switched: the writer was at work
  int leftovers = 0;  // trials that left a .new or .backup beside it
  std::string previous = kOld;
  for (int trial = 0; trial < kTrials; ++trial) {
    // The writer begins with the other text, so that each kill can catch a
    // switch half done.
    std::wstring command =
        L"\"" + writer + L"\" \"" + path.value() + L"\" " + (previous == kOld ? L"1" : L"0") + L" " +
        started_name;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    // Killing processes while they start now and then makes the next start
    // fail with an internal error under Wine; that start is tried again.
    bool started = false;
    DWORD error = 0;
    for (int attempt = 0; attempt < 3 && !started; ++attempt) {
      started = CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &info);
      if (!started) {
        error = GetLastError();
        Sleep(200);
      }
    }
    ASSERT_TRUE(started) << "trial " << trial << ", error " << error;
    const DWORD wait = WaitForSingleObject(started_event.Get(), 10000);
    EXPECT_EQ(WAIT_OBJECT_0, wait) << "trial " << trial;
    Sleep(static_cast<DWORD>(delay_ms(random)));
    TerminateProcess(info.hProcess, 9);
    WaitForSingleObject(info.hProcess, 10000);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);

    std::string text;
    ASSERT_TRUE(ReadFileToString(path, &text)) << "trial " << trial;
    ASSERT_TRUE(text == kOld || text == kNew) << "trial " << trial << ": " << text;
    ++whole;
    if (text != previous) ++changed;
    previous = text;
    if (PathExists(FilePath(path.value() + L".new")) ||
        PathExists(FilePath(path.value() + L".backup"))) {
      ++leftovers;
    }
    LauncherConfig config;
    int code = 0;
    std::string message;
    ASSERT_TRUE(ReadLauncherConfigFile(path, L"client", &config, &code, &message))
        << "trial " << trial << ": " << code << " " << message;
  }
  EXPECT_EQ(kTrials, whole);
  // Killed in the middle of a write often, and after whole writes too.
  EXPECT_GT(leftovers, kTrials / 10);
  EXPECT_GT(changed, 10);
  std::printf("trials %d, file switched %d, leftovers %d\n", kTrials, changed, leftovers);
  // A write after all of it still works and leaves nothing beside the file.
  LauncherConfig config;
  config.app_name = L"client";
  config.cur_path = L"9.9.9";
  ASSERT_TRUE(WriteLauncherConfigFile(path, config, nullptr, nullptr));
  EXPECT_FALSE(PathExists(FilePath(path.value() + L".new")));
  EXPECT_FALSE(PathExists(FilePath(path.value() + L".backup")));
}

}  // namespace
}  // namespace scenario
}  // namespace corvane
