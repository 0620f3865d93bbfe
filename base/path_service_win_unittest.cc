#include <windows.h>

#include <gtest/gtest.h>

#include "base/files/file_util.h"
#include "base/path_service.h"
#include "base/strings/string_util.h"

namespace corvane {
namespace {

TEST(PathServiceTest, WellKnownLocations) {
  FilePath exe;
  ASSERT_TRUE(GetPath(FILE_EXE, &exe));
  EXPECT_TRUE(EqualsCaseInsensitiveASCII(exe.BaseName().value(), L"base_unittests.exe"));
  EXPECT_TRUE(exe.IsAbsolute());
  EXPECT_TRUE(PathExists(exe));

  FilePath exe_dir;
  ASSERT_TRUE(GetPath(DIR_EXE, &exe_dir));
  EXPECT_EQ(exe_dir, exe.DirName());
  EXPECT_TRUE(DirectoryExists(exe_dir));

  FilePath temp;
  ASSERT_TRUE(GetPath(DIR_TEMP, &temp));
  EXPECT_FALSE(temp.EndsWithSeparator());
  EXPECT_TRUE(DirectoryExists(temp));
  wchar_t raw[MAX_PATH + 1];
  DWORD length = ::GetTempPathW(MAX_PATH + 1, raw);
  ASSERT_GT(length, 0u);
  // The same directory, only without the trailing separator.
  EXPECT_EQ(temp.value() + L"\\", std::wstring(raw, length));

  FilePath local;
  ASSERT_TRUE(GetPath(DIR_LOCAL_APP_DATA, &local));
  EXPECT_TRUE(local.IsAbsolute());
  EXPECT_TRUE(DirectoryExists(local));
}

}  // namespace
}  // namespace corvane
