#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/files/file_util.h"
#include "test/support/scoped_temp_dir.h"
#include "base/win/scoped_handle.h"

namespace corvane {
namespace {

// Entries of |dir| other than "." and "..".
int CountEntries(const FilePath& dir) {
  WIN32_FIND_DATAW data;
  win::ScopedFindFileHandle find(::FindFirstFileW(dir.Append(L"*").value().c_str(), &data));
  if (!find.IsValid()) return 0;
  int count = 0;
  do {
    std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") ++count;
  } while (::FindNextFileW(find.Get(), &data));
  return count;
}

class FileUtilTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(temp_.IsValid()); }
  FilePath Path(const wchar_t* name) const { return temp_.path().Append(name); }

  test::ScopedTempDir temp_;
};

TEST_F(FileUtilTest, WriteAndRead) {
  FilePath file = Path(L"data.bin");
  const std::string data("a\0b\r\nc", 6);
  EXPECT_EQ(WriteFile(file, data.data(), static_cast<int>(data.size())), 6);
  std::string read;
  ASSERT_TRUE(ReadFileToString(file, &read));
  EXPECT_EQ(read, data);
  // Rewriting truncates.
  EXPECT_TRUE(WriteFile(file, std::string_view("xy")));
  ASSERT_TRUE(ReadFileToString(file, &read));
  EXPECT_EQ(read, "xy");
  EXPECT_TRUE(AppendToFile(file, "z"));
  ASSERT_TRUE(ReadFileToString(file, &read));
  EXPECT_EQ(read, "xyz");
  EXPECT_FALSE(ReadFileToStringWithMaxSize(file, &read, 2));
  EXPECT_EQ(read, "xy");

  // A path through ".." is refused even though it names an existing file.
  ASSERT_TRUE(CreateDirectory(Path(L"sub")));
  EXPECT_FALSE(ReadFileToString(Path(L"sub\\..\\data.bin"), &read));
  EXPECT_FALSE(ReadFileToString(Path(L"missing.bin"), &read));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  // Writing into a missing directory fails with -1.
  EXPECT_EQ(WriteFile(Path(L"no\\such\\file"), "x", 1), -1);
}

TEST_F(FileUtilTest, ReadSharesWithWritersButWriteDoesNot) {
  FilePath file = Path(L"shared.txt");
  ASSERT_TRUE(WriteFile(file, std::string_view("text")));
  win::ScopedHandle writer(::CreateFileW(file.value().c_str(), GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                         0, nullptr));
  ASSERT_TRUE(writer.IsValid());
  std::string read;
  EXPECT_TRUE(ReadFileToString(file, &read));
  EXPECT_EQ(read, "text");
  // The writer holds it open: an exclusive CREATE_ALWAYS cannot get in.
  EXPECT_EQ(WriteFile(file, "x", 1), -1);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
}

TEST_F(FileUtilTest, CreateDirectoryMakesParents) {
  FilePath deep = Path(L"a\\b\\c");
  int error = -1;
  EXPECT_TRUE(CreateDirectoryAndGetError(deep, &error));
  EXPECT_TRUE(DirectoryExists(deep));
  EXPECT_TRUE(CreateDirectoryAndGetError(deep, &error));
  // A file in the way.
  ASSERT_TRUE(WriteFile(Path(L"file"), std::string_view("x")));
  EXPECT_FALSE(CreateDirectoryAndGetError(Path(L"file\\sub"), &error));
  EXPECT_NE(error, 0);
  EXPECT_FALSE(DirectoryExists(Path(L"file")));
  EXPECT_TRUE(PathExists(Path(L"file")));
}

TEST_F(FileUtilTest, CopyFileRefusesLongAndParentPaths) {
  FilePath from = Path(L"from.txt");
  ASSERT_TRUE(WriteFile(from, std::string_view("copy me")));

  // Pad a target name so the whole path is exactly 260 characters.
  std::wstring base = temp_.path().value() + L"\\";
  ASSERT_LT(base.size(), 250u);
  FilePath too_long(base + std::wstring(260 - base.size(), L'n'));
  ASSERT_EQ(too_long.value().size(), 260u);
  EXPECT_FALSE(CopyFile(from, too_long));
  EXPECT_FALSE(CopyFile(too_long, from));
  EXPECT_FALSE(CopyFile(from, Path(L"sub\\..\\to.txt")));
  EXPECT_FALSE(CopyFile(Path(L"x\\..\\from.txt"), Path(L"to.txt")));
  // Nothing was touched: the source is still the only entry.
  EXPECT_EQ(CountEntries(temp_.path()), 1);
  std::string read;
  ASSERT_TRUE(ReadFileToString(from, &read));
  EXPECT_EQ(read, "copy me");

  FilePath just_fits(base + std::wstring(259 - base.size(), L'n'));

  // 259 characters is still fine (the component itself is short enough).
  if (259 - base.size() <= 255) {
    EXPECT_TRUE(CopyFile(from, just_fits));
    EXPECT_TRUE(PathExists(just_fits));
  }
}

TEST_F(FileUtilTest, CopyFileOverwritesAndClearsReadOnly) {
  FilePath from = Path(L"ro.txt");
  FilePath to = Path(L"target.txt");
  ASSERT_TRUE(WriteFile(from, std::string_view("new")));
  ASSERT_TRUE(WriteFile(to, std::string_view("old")));
  ASSERT_TRUE(::SetFileAttributesW(from.value().c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(CopyFile(from, to));
  std::string read;
  ASSERT_TRUE(ReadFileToString(to, &read));
  EXPECT_EQ(read, "new");
  EXPECT_EQ(::GetFileAttributesW(to.value().c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  // The target can be written again.
  EXPECT_TRUE(WriteFile(to, std::string_view("again")));
  EXPECT_FALSE(CopyFile(Path(L"missing"), to));
}

TEST_F(FileUtilTest, ReplaceFileWithAndWithoutTarget) {
  FilePath from = Path(L"from");
  FilePath to = Path(L"to");
  std::string read;
  ASSERT_TRUE(WriteFile(from, std::string_view("one")));
  // No target yet: moved.
  EXPECT_TRUE(ReplaceFile(from, to));
  EXPECT_FALSE(PathExists(from));
  ASSERT_TRUE(ReadFileToString(to, &read));
  EXPECT_EQ(read, "one");
  // Target present: replaced.
  ASSERT_TRUE(WriteFile(from, std::string_view("two")));
  EXPECT_TRUE(ReplaceFile(from, to));
  ASSERT_TRUE(ReadFileToString(to, &read));
  EXPECT_EQ(read, "two");
  int error = 0;
  EXPECT_FALSE(ReplaceFile(Path(L"missing"), to, &error));
  EXPECT_NE(error, 0);
}

TEST_F(FileUtilTest, DeleteFile) {
  // Not there: success.
  EXPECT_TRUE(DeleteFile(Path(L"missing"), false));
  EXPECT_TRUE(DeleteFile(Path(L"missing\\below"), true));

  FilePath file = Path(L"readonly.txt");
  ASSERT_TRUE(WriteFile(file, std::string_view("x")));
  ASSERT_TRUE(::SetFileAttributesW(file.value().c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(DeleteFile(file, false));
  EXPECT_FALSE(PathExists(file));

  FilePath tree = Path(L"tree");
  ASSERT_TRUE(CreateDirectory(tree.Append(L"a\\b")));
  ASSERT_TRUE(WriteFile(tree.Append(L"a\\b\\leaf.txt"), std::string_view("x")));
  ASSERT_TRUE(WriteFile(tree.Append(L"top.txt"), std::string_view("x")));
  ASSERT_TRUE(::SetFileAttributesW(tree.Append(L"a\\b\\leaf.txt").value().c_str(),
                                   FILE_ATTRIBUTE_READONLY));
  // Not recursive: a full directory stays.
  EXPECT_FALSE(DeleteFile(tree, false));
  EXPECT_TRUE(PathExists(tree.Append(L"top.txt")));
  EXPECT_TRUE(DeleteFile(tree, true));
  EXPECT_FALSE(PathExists(tree));
}

TEST_F(FileUtilTest, FileInfoAndTempDir) {
  FilePath file = Path(L"sized");
  ASSERT_TRUE(WriteFile(file, std::string(1234, 'x')));
  FileInfo info;
  ASSERT_TRUE(GetFileInfo(file, &info));
  EXPECT_EQ(info.size, 1234);
  EXPECT_FALSE(info.is_directory);
  EXPECT_FALSE(info.last_modified.is_null());
  EXPECT_LE(info.last_modified, Time::Now());
  ASSERT_TRUE(GetFileInfo(temp_.path(), &info));
  EXPECT_TRUE(info.is_directory);
  EXPECT_FALSE(GetFileInfo(Path(L"missing"), &info));

  FilePath temp;
  ASSERT_TRUE(GetTempDir(&temp));
  EXPECT_FALSE(temp.EndsWithSeparator());
  EXPECT_TRUE(DirectoryExists(temp));
}

TEST_F(FileUtilTest, PreReadFileBothWays) {
  FilePath file = Path(L"big.bin");
  // Over two chunks.
  ASSERT_TRUE(WriteFile(file, std::string(static_cast<size_t>(kPreReadChunkSize) * 2 + 77, 'p')));
  for (bool without_prefetch : {false, true}) {
    SCOPED_TRACE(without_prefetch);
    SetPreReadWithoutPrefetchForTesting(without_prefetch);
    EXPECT_TRUE(PreReadFile(file, 0));
    EXPECT_TRUE(PreReadFile(file, 1000));
    EXPECT_TRUE(PreReadFile(file, kPreReadChunkSize * 10));
    EXPECT_FALSE(PreReadFile(Path(L"missing"), 0));
  }
  SetPreReadWithoutPrefetchForTesting(false);
  ASSERT_TRUE(WriteFile(Path(L"empty"), std::string_view()));
  EXPECT_TRUE(PreReadFile(Path(L"empty"), 0));
}

}  // namespace
}  // namespace corvane
