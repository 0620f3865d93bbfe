#include <windows.h>

#include <sddl.h>

#include <string>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/json/json_file_reader.h"
#include "base/path_service.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/scoped_handle.h"
#include "gtest/gtest.h"
#include "launcher/launch_error_codes.h"
#include "launcher/launcher_config.h"
#include "launcher/launcher_constants.h"
#include "test/support/scoped_temp_dir.h"

namespace corvane {
namespace {

class LauncherConfigFileTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.IsValid());
    dir_ = temp_.path();
    path_ = dir_.Append(kLauncherConfigFileName);
  }

  void Write(const std::string& text) { ASSERT_TRUE(WriteFile(path_, text)); }
  std::string Contents(const FilePath& path) {
    std::string text;
    return ReadFileToString(path, &text) ? text : "<unreadable>";
  }
  FilePath NewFile() const { return FilePath(path_.value() + L".new"); }
  FilePath BackupFile() const { return FilePath(path_.value() + L".backup"); }

  bool Read(LauncherConfig* config, int* code, std::string* message) {
    return ReadLauncherConfigFile(path_, L"shortname", config, code, message);
  }

  win::ScopedHandle Hold(const FilePath& path, DWORD access, DWORD share) {
    return win::ScopedHandle(::CreateFileW(path.value().c_str(), access, share, nullptr,
                                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  }

  test::ScopedTempDir temp_;
  FilePath dir_;
  FilePath path_;
};

TEST_F(LauncherConfigFileTest, FileErrors) {
  LauncherConfig config;
  config.cur_path = L"kept";
  int code = 0;
  std::string message;
  EXPECT_FALSE(Read(&config, &code, &message));
  EXPECT_EQ(1003, code);
  EXPECT_EQ("File doesn't exist.", message);

  Write(R"({"cur_path":"1.0"})");
  {
    // Held open without sharing by another writer.
    win::ScopedHandle holder = Hold(path_, GENERIC_READ | GENERIC_WRITE, 0);
    ASSERT_TRUE(holder.IsValid());
    EXPECT_FALSE(Read(&config, &code, &message));
    EXPECT_EQ(1002, code);
    EXPECT_EQ("File locked.", message);
  }
  EXPECT_EQ(L"kept", config.cur_path);

  // Outputs are optional.
  EXPECT_TRUE(Read(&config, nullptr, nullptr));
  EXPECT_EQ(L"1.0", config.cur_path);
}

TEST_F(LauncherConfigFileTest, AccessDenied) {
  Write(R"({"cur_path":"1.0"})");
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(
      L"D:(D;;FR;;;WD)(A;;FA;;;WD)", SDDL_REVISION_1, &descriptor, nullptr));
  const bool acl_set =
      ::SetFileSecurityW(path_.value().c_str(), DACL_SECURITY_INFORMATION, descriptor) != 0;
  ::LocalFree(descriptor);
  win::ScopedHandle probe(::CreateFileW(path_.value().c_str(), GENERIC_READ, FILE_SHARE_READ,
                                        nullptr, OPEN_EXISTING, 0, nullptr));
  const DWORD probe_error = ::GetLastError();
  if (acl_set && !probe.IsValid()) {
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), probe_error);
  } else {
    // Wine turns a file's access list into Unix permission bits, which the
    // root user of the build machines passes. Opening a directory as a file
    // fails with the same system error 5, for real.
    probe.Close();
    ASSERT_TRUE(::DeleteFileW(path_.value().c_str()));
    ASSERT_TRUE(::CreateDirectoryW(path_.value().c_str(), nullptr));
  }

  LauncherConfig config;
  int code = 0;
  std::string message;
  EXPECT_FALSE(Read(&config, &code, &message));
  EXPECT_EQ(1000, code);
  EXPECT_EQ("Access denied.", message);
  EXPECT_TRUE(config.cur_path.empty());
}

TEST_F(LauncherConfigFileTest, SyntaxAndContent) {
  struct Case {
    std::string text;
    bool ok;
    int code;  // On failure.
  };
  const std::string deep_nesting = "{\"cur_path\":\"1\",\"x\":" + std::string(100000, '[') + "}";
  const Case kCases[] = {
      {"{\"cur_path\":\"1.0\",}", true, 0},
      {"// comment\n{\"cur_path\":\"1.0\" /* block */, \"app_name\":\"a\",}\n", true, 0},
      {"{\"cur_path\":\"1\\x41\\v\",\"need_update\":false,}", true, 0},
      {"{\"cur_path\":\"raw\ttab\"}", true, 0},
      {"\xEF\xBB\xBF{\"cur_path\":\"1.0\"}", true, 0},
      {"", false, kErrorConfigInvalidJson},
      {"{\"cur_path\":\"1.0\"", false, kErrorConfigInvalidJson},
      {"{\"cur_path\":\"1.", false, kErrorConfigInvalidJson},
      {"{\"cur_path\":\"1.0\"}}", false, kErrorConfigInvalidJson},
      {"{\"cur_path\":\"1.0\"}{}", false, kErrorConfigInvalidJson},
      {std::string("\x00\x01\x02\xff\xfe\x80", 6), false, kErrorConfigInvalidJson},
      {std::string("{\"cur_path\":\"\xff\xfe\"}"), false, kErrorConfigInvalidJson},
      {"{cur_path:\"1.0\"}", false, kErrorConfigInvalidJson},
      {deep_nesting, false, kErrorConfigInvalidJson},
      {"{\"cur_path\":5}", false, kErrorConfigSchema},
      {"[]", false, kErrorConfigSchema},
      {"{\"cur_path\":\"1\",\"need_update\":true}", false, kErrorConfigSchema},
  };
  const std::string invalid_text = WideToUTF8(error_msg_str_config_invalid());
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.text.substr(0, 60));
    Write(c.text);
    LauncherConfig config;
    int code = -1;
    std::string message = "none";
    EXPECT_EQ(c.ok, Read(&config, &code, &message));
    if (c.ok) {
      EXPECT_EQ(-1, code);
      EXPECT_EQ("none", message);
      continue;
    }
    EXPECT_EQ(c.code, code);
    if (c.code == kErrorConfigSchema) {
      EXPECT_EQ(invalid_text, message);
    } else {
      EXPECT_FALSE(message.empty());
    }
  }

  // Nesting is bounded rather than followed until the stack runs out.
  Write(deep_nesting);
  LauncherConfig config;
  std::string message;
  EXPECT_FALSE(Read(&config, nullptr, &message));
  EXPECT_EQ("Too much nesting.", message);
}

TEST_F(LauncherConfigFileTest, LargeFiles) {
  // Just under the bound: a long unknown member around a valid record.
  std::string text = "{\"pad\":\"";
  text.append(static_cast<size_t>(kMaxJsonFileSize) - 300000, 'x');
  text.append("\",\"cur_path\":\"7.0\",\"list\":[");
  for (int i = 0; i < 50000; ++i) text.append("1,");
  text.append("]}");
  ASSERT_LE(text.size(), static_cast<size_t>(kMaxJsonFileSize));
  Write(text);
  LauncherConfig config;
  int code = 0;
  std::string message;
  EXPECT_TRUE(Read(&config, &code, &message)) << code << " " << message;
  EXPECT_EQ(L"7.0", config.cur_path);

  text.resize(text.size() - 1);  // Truncated.
  Write(text);
  EXPECT_FALSE(Read(&config, &code, &message));
  EXPECT_EQ(kErrorConfigInvalidJson, code);

  // One byte over the bound, and far over it: refused unread.
  for (size_t size : {static_cast<size_t>(kMaxJsonFileSize) + 1, size_t{64} << 20}) {
    std::string big = "{\"cur_path\":\"7.0\",\"pad\":\"";
    big.append(size - big.size() - 2, 'x');
    big.append("\"}");
    Write(big);
    EXPECT_FALSE(Read(&config, &code, &message)) << size;
    EXPECT_EQ(kErrorConfigReadFailed, code);
    EXPECT_EQ("File too large.", message);
  }
}

TEST_F(LauncherConfigFileTest, WriteReplacesTheFile) {
  Write(R"({"cur_path":"0.9","need_bin_update":true,"bin_update_file":"b","extra":1})");
  LauncherConfig config;
  config.app_name = L"client";
  config.cur_path = L"1.0";
  int code = 0;
  std::string message;
  ASSERT_TRUE(WriteLauncherConfigFile(path_, config, &code, &message));
  EXPECT_EQ(R"({"app_name":"client","cur_path":"1.0","need_update":false})", Contents(path_));
  EXPECT_FALSE(PathExists(NewFile()));
  EXPECT_FALSE(PathExists(BackupFile()));

  // A record with need_update and no new_path is written, then fails to read.
  config.need_update = true;
  config.mid_path = L"v<1>";
  ASSERT_TRUE(WriteLauncherConfigFile(path_, config, nullptr, nullptr));
  EXPECT_EQ(R"({"app_name":"client","cur_path":"1.0","mid_path":"v\u003C1>","need_update":true})",
            Contents(path_));
  LauncherConfig reread;
  EXPECT_FALSE(Read(&reread, &code, &message));
  EXPECT_EQ(kErrorConfigSchema, code);

  // Leftovers of an interrupted write do not stop the next one.
  ASSERT_TRUE(WriteFile(NewFile(), std::string("stale")));
  ASSERT_TRUE(WriteFile(BackupFile(), std::string("stale")));
  config.new_path = L"2.0";
  ASSERT_TRUE(WriteLauncherConfigFile(path_, config, nullptr, nullptr));
  EXPECT_TRUE(Read(&reread, &code, &message));
  EXPECT_EQ(L"2.0", reread.new_path);
  EXPECT_EQ(L"v<1>", reread.mid_path);
  EXPECT_FALSE(PathExists(NewFile()));
  EXPECT_FALSE(PathExists(BackupFile()));
}

TEST_F(LauncherConfigFileTest, WriteWithoutExistingFileFailsAtBackup) {
  LauncherConfig config;
  config.cur_path = L"1.0";
  int code = 0;
  std::string message;
  EXPECT_FALSE(WriteLauncherConfigFile(path_, config, &code, &message));
  EXPECT_EQ(kErrorConfigReplaceFailed, code);
  EXPECT_EQ("[save backup config info failed]", message);
  EXPECT_FALSE(PathExists(path_));
  EXPECT_FALSE(PathExists(NewFile()));
  EXPECT_FALSE(PathExists(BackupFile()));
}

TEST_F(LauncherConfigFileTest, WriteFailsWhenTheNewFileIsHeld) {
  Write(R"({"cur_path":"0.9"})");
  LauncherConfig config;
  config.cur_path = L"1.0";
  int code = 0;
  std::string message;
  {
    win::ScopedHandle holder = Hold(NewFile(), GENERIC_WRITE, 0);
    ASSERT_TRUE(holder.IsValid());
    EXPECT_FALSE(WriteLauncherConfigFile(path_, config, &code, &message));
  }
  EXPECT_EQ(kErrorConfigWriteFailed, code);
  EXPECT_EQ("[write config info to file failed]", message);
  EXPECT_EQ(R"({"cur_path":"0.9"})", Contents(path_));
  EXPECT_FALSE(PathExists(BackupFile()));
}

TEST_F(LauncherConfigFileTest, FailedReplaceKeepsTheOldFile) {
  const std::string old_text = R"({"cur_path":"0.9"})";
  Write(old_text);
  LauncherConfig config;
  config.cur_path = L"1.0";
  int code = 0;
  std::string message;
  {
    // Readable (so the backup copy works) but neither deletable nor
    // writable, so nothing can be moved over it.
    win::ScopedHandle holder = Hold(path_, GENERIC_READ, FILE_SHARE_READ);
    ASSERT_TRUE(holder.IsValid());
    EXPECT_FALSE(WriteLauncherConfigFile(path_, config, &code, &message));
  }
  EXPECT_EQ(kErrorConfigReplaceFailed, code);
  EXPECT_EQ("[update config file failed]", message);
  EXPECT_EQ(old_text, Contents(path_));
  EXPECT_FALSE(PathExists(NewFile()));
  EXPECT_FALSE(PathExists(BackupFile()));
}

TEST(LauncherConfigExeDirTest, RoundTripBesideTheExecutable) {
  FilePath exe_dir;
  ASSERT_TRUE(GetPath(DIR_EXE, &exe_dir));
  const FilePath path = exe_dir.Append(kLauncherConfigFileName);
  if (PathExists(path)) GTEST_SKIP() << "a configuration file already lies beside the test";
  ASSERT_TRUE(WriteFile(path, std::string("{}")));
  LauncherConfig config;
  config.app_name = L"client";
  config.cur_path = L"3.1";
  config.need_update = true;
  config.new_path = L"3.2";
  const bool written = WriteLauncherConfig(config);
  LauncherConfig read;
  int code = 0;
  std::string message;
  const bool ok = ReadLauncherConfig(&read, &code, &message);
  DeleteFile(path, false);
  ASSERT_TRUE(written);
  ASSERT_TRUE(ok) << code << " " << message;
  EXPECT_EQ(L"client", read.app_name);
  EXPECT_EQ(L"3.2", read.new_path);
  EXPECT_TRUE(read.need_update);
}

}  // namespace
}  // namespace corvane
