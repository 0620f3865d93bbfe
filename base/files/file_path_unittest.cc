#include "base/files/file_path.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

struct PathCase {
  const wchar_t* input;
  const wchar_t* expected;
};

TEST(FilePathTest, DirName) {
  const PathCase kCases[] = {
      {L"C:\\dir\\app.exe", L"C:\\dir"},
      {L"C:/dir/app.exe", L"C:/dir"},
      {L"C:\\dir\\sub\\", L"C:\\dir"},
      {L"C:\\app.exe", L"C:\\"},
      {L"C:\\", L"C:\\"},
      {L"C:", L"C:"},
      {L"C:app.exe", L"C:"},
      {L"app.exe", L"."},
      {L"", L"."},
      {L"\\top", L"\\"},
      {L"a\\\\b", L"a"},
      {L"\\\\server\\share", L"\\\\server"},
  };
  for (const PathCase& c : kCases)
    EXPECT_EQ(FilePath(c.input).DirName().value(), c.expected) << c.input;
}

TEST(FilePathTest, BaseName) {
  const PathCase kCases[] = {
      {L"C:\\dir\\app.exe", L"app.exe"},
      {L"C:\\dir/mixed", L"mixed"},
      {L"C:\\dir\\sub\\", L"sub"},
      {L"C:\\", L"\\"},
      {L"C:app.exe", L"app.exe"},
      {L"app.exe", L"app.exe"},
      {L"", L""},
  };
  for (const PathCase& c : kCases)
    EXPECT_EQ(FilePath(c.input).BaseName().value(), c.expected) << c.input;
}

TEST(FilePathTest, Append) {
  const struct {
    const wchar_t* base;
    const wchar_t* component;
    const wchar_t* expected;
  } kCases[] = {
      {L"C:\\dir", L"file", L"C:\\dir\\file"},
      {L"C:\\dir\\", L"file", L"C:\\dir\\file"},
      {L"C:/dir/", L"file", L"C:/dir/file"},
      {L"", L"file", L"file"},
      {L".", L"file", L"file"},
      {L"C:\\dir", L"", L"C:\\dir"},
      {L"C:\\", L"file", L"C:\\file"},
      {L"dir", L"sub\\file", L"dir\\sub\\file"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(FilePath(c.base).Append(c.component).value(), c.expected)
        << c.base << " + " << c.component;
  }
}

TEST(FilePathTest, ExtensionAndReplaceExtension) {
  const struct {
    const wchar_t* path;
    const wchar_t* extension;
    const wchar_t* replacement;
    const wchar_t* replaced;
  } kCases[] = {
      {L"C:\\dir\\corvane_launcher.exe", L".exe", L"log", L"C:\\dir\\corvane_launcher.log"},
      {L"C:\\dir\\app.exe", L".exe", L".log", L"C:\\dir\\app.log"},
      {L"C:\\dir\\archive.tar.gz", L".gz", L"zip", L"C:\\dir\\archive.tar.zip"},
      {L"C:\\dir.d\\noext", L"", L"txt", L"C:\\dir.d\\noext.txt"},
      {L"name.", L".", L"x", L"name.x"},
      {L"app.exe", L".exe", L"", L"app"},
      {L"..", L"", L"log", L""},
      {L"C:\\dir\\.", L"", L"log", L""},
      {L"", L"", L"log", L""},
      // A trailing separator does not make the new extension a name of its own.
      {L"C:\\dir\\", L"", L"log", L"C:\\dir.log"},
      {L"C:\\dir\\app.exe\\", L".exe", L"log", L"C:\\dir\\app.log"},
      {L"C:\\dir\\sub\\", L"", L"", L"C:\\dir\\sub"},
  };
  for (const auto& c : kCases) {
    FilePath path(c.path);
    EXPECT_EQ(path.Extension(), c.extension) << c.path;
    EXPECT_EQ(path.ReplaceExtension(c.replacement).value(), c.replaced) << c.path;
  }
}

TEST(FilePathTest, ReferencesParent) {
  const std::pair<const wchar_t*, bool> kCases[] = {
      {L"C:\\a\\..\\b", true},
      {L"..\\b", true},
      {L"a/..", true},
      {L"..", true},
      {L"C:\\a\\.. \\b", true},
      {L"C:\\a\\...\\b", true},
      {L"C:\\a\\..b\\c", false},
      {L"C:\\a\\b..\\c", false},
      {L"C:\\a\\.\\b", false},
      {L"C:\\a\\b", false},
      {L"", false},
  };
  for (const auto& c : kCases) EXPECT_EQ(FilePath(c.first).ReferencesParent(), c.second) << c.first;
}

TEST(FilePathTest, Utf8AndAbsolute) {
  FilePath path = FilePath::FromUTF8Unsafe("C:\\\xE4\xB8\xAD\\x");
  EXPECT_EQ(path.value(), L"C:\\\u4E2D\\x");
  EXPECT_EQ(path.AsUTF8Unsafe(), "C:\\\xE4\xB8\xAD\\x");
  EXPECT_TRUE(path.IsAbsolute());
  EXPECT_TRUE(FilePath(L"\\\\server\\share").IsAbsolute());
  EXPECT_FALSE(FilePath(L"C:relative").IsAbsolute());
  EXPECT_FALSE(FilePath(L"relative\\x").IsAbsolute());
}

}  // namespace
}  // namespace corvane
