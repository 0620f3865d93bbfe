// The probes look at real processes, mutexes and windows made by the test.

#include <windows.h>

#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "base/files/file_path.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/scoped_handle.h"
#include "launcher/system_probes.h"
#include "test/support/fake_loader_error_box.h"
#include "test/support/scoped_temp_dir.h"
#include "test/support/test_child.h"

namespace corvane {
namespace {

std::wstring UniqueSuffix() {
  static int counter = 0;
  return NumberToWString(static_cast<int>(GetCurrentProcessId())) + L"_" +
         NumberToWString(++counter);
}

void PlaceChild(const FilePath& path, const nlohmann::json& control) {
  ASSERT_TRUE(test::PlaceTestChild(path, control.dump())) << path;
}

class SystemProbesTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.IsValid());
    root_ = temp_.path();
  }

  test::ScopedTempDir temp_;
  FilePath root_;
  const std::wstring installer_mutex_ = L"CorvaneProbeTestInstaller_" + UniqueSuffix();
};

TEST(SystemProbesTextTest, FiltersLoaderErrorText) {
  struct {
    const wchar_t* text;
    const wchar_t* kept;
  } cases[] = {
      {L"\u65e0\u6cd5\u542f\u52a8\u6b64\u7a0b\u5e8f\uff0c\u56e0\u4e3a\u8ba1\u7b97\u673a\u4e2d"
       L"\u4e22\u5931 MSVCP140.dll\u3002",
       L"MSVCP140.dll"},
      {L"C:\\a b\\c.exe <x|y>?*/:", L"C:\\ab\\c.exe<x|y>?*/:"},
      {L" \t\r\n-_,;()", L""},
      {L"", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.kept, FilterSystemErrorText(c.text));
}


TEST_F(SystemProbesTest, FindsRunningProcessByExactName) {
  const std::wstring name = L"DlgProbe_" + UniqueSuffix() + L".exe";
  test::ScopedChildEvent started;
  const FilePath exe = root_.Append(L"probe").Append(name);
  PlaceChild(exe, {{"signal_event", WideToUTF8(started.name())}, {"delay_ms", 60000}});
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_FALSE(IsProcessRunning({name}));

  test::ScopedChildProcess child(exe);
  ASSERT_TRUE(child.IsValid());
  ASSERT_TRUE(started.Wait());
  EXPECT_TRUE(IsProcessRunning({L"absent.exe", name}));
  EXPECT_FALSE(IsProcessRunning({ToLowerASCII(name)}));
  EXPECT_FALSE(IsProcessRunning({name.substr(0, name.size() - 4)}));
  EXPECT_FALSE(IsProcessRunning({}));
  child.End();
  EXPECT_FALSE(IsProcessRunning({name}));
}

TEST_F(SystemProbesTest, InstallerMutexHeldOrNot) {
  EXPECT_FALSE(IsInstallerRunning(std::wstring()));
  // Twice: the probe must not keep the mutex it created.
  EXPECT_FALSE(IsInstallerRunning(installer_mutex_));
  EXPECT_FALSE(IsInstallerRunning(installer_mutex_));
  {
    win::ScopedHandle installer(
        CreateMutexW(nullptr, TRUE, installer_mutex_.c_str()));
    ASSERT_TRUE(installer.IsValid());
    EXPECT_TRUE(IsInstallerRunning(installer_mutex_));
  }
  EXPECT_FALSE(IsInstallerRunning(installer_mutex_));
}

TEST_F(SystemProbesTest, CollectsLoaderErrorTexts) {
  const std::wstring own = L"DlgOwn_" + UniqueSuffix() + L".exe";
  const std::wstring other = L"DlgChild_" + UniqueSuffix() + L".exe";
  const std::wstring absent = L"DlgAbsent_" + UniqueSuffix() + L".exe";
  std::wstring texts = L"stale";
  EXPECT_FALSE(CollectSystemErrorTexts({own, other, absent}, &texts));
  EXPECT_EQ(L"", texts);

  test::FakeLoaderErrorBox box(
      own + kSystemErrorTitleSuffix,
      L"\u65e0\u6cd5\u542f\u52a8\u6b64\u7a0b\u5e8f\uff0c\u56e0\u4e3a\u4e22\u5931"
      L" VCRUNTIME140.dll\u3002");
  ASSERT_TRUE(box.valid());
  // A box of another process, with no static child at all.
  test::ScopedChildEvent shown;
  const FilePath exe = root_.Append(L"loader").Append(L"box_owner.exe");
  PlaceChild(exe, {{"signal_event", WideToUTF8(shown.name())},
                   {"window_title", WideToUTF8(other + kSystemErrorTitleSuffix)},
                   {"delay_ms", 60000}});
  ASSERT_FALSE(HasFatalFailure());
  test::ScopedChildProcess child(exe);
  ASSERT_TRUE(child.IsValid());
  ASSERT_TRUE(shown.Wait());

  EXPECT_TRUE(CollectSystemErrorTexts({absent, own, other}, &texts));
  EXPECT_EQ(L"[" + own + L":VCRUNTIME140.dll][" + other + L":]", texts);
}

}  // namespace
}  // namespace corvane
