#include "launcher/install_tree_path.h"

#include <string>

#include "gtest/gtest.h"

namespace corvane {
namespace {

TEST(InstallTreePathTest, AcceptsNamesAndRelativePathsOnly) {
  using Kind = InstallTreePathKind;
  const struct {
    std::wstring value;
    bool as_name;
    bool as_relative_path;
  } kCases[] = {
      {L"", true, true},
      {L"1.0.0", true, true},
      {L"2.0.1.123", true, true},
      {L"velmoraim", true, true},
      {L"..app", true, true},
      {L"app..", true, true},
      {L"bin\\app", false, true},
      {L"bin/app", false, true},
      {L"..", false, false},
      {L"..\\..\\outside\\evil", false, false},
      {L"app\\..\\..\\x", false, false},
      {L".. ", false, false},
      {L"...", false, false},
      {L". .", false, false},
      {L".", false, false},
      {L"bin\\.\\app", false, false},
      {L"\\Windows", false, false},
      {L"/tmp", false, false},
      {L"\\\\server\\share", false, false},
      {L"\\\\?\\C:\\x", false, false},
      {L"\\\\.\\pipe\\x", false, false},
      {L"C:\\x", false, false},
      {L"C:x", false, false},
      {L"app:stream", false, false},
      {L"bin\\", false, false},
      {L"bin\\\\app", false, false},
      {std::wstring(L"1.0\0\\..\\..", 10), false, false},
      {std::wstring(L"app\0", 4), false, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::PrintToString(c.value));
    EXPECT_EQ(c.as_name, IsInstallTreePath(c.value, Kind::kName));
    EXPECT_EQ(c.as_relative_path, IsInstallTreePath(c.value, Kind::kRelativePath));
  }
}

}  // namespace
}  // namespace corvane
