#include <windows.h>

#include <gtest/gtest.h>

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/json/json_file_reader.h"
#include "base/process/launch.h"
#include "base/strings/utf_string_conversions.h"
#include "test/support/scoped_temp_dir.h"
#include "test/support/test_child.h"
#include "base/win/scoped_handle.h"

namespace corvane {
namespace {

class JsonFileReaderTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(temp_.IsValid()); }
  FilePath Path(const wchar_t* name) const { return temp_.path().Append(name); }

  void ExpectError(const FilePath& path, int code, const char* message) {
    JsonFileReader reader(path, JSON_PARSE_EXTENDED_TRAILING_COMMAS);
    nlohmann::json value = 1;
    EXPECT_FALSE(reader.Read(&value));
    EXPECT_EQ(reader.error_code(), code);
    EXPECT_EQ(reader.error_message(), message);
    EXPECT_TRUE(value.is_null());
    int function_code = 0;
    std::string function_message;
    EXPECT_FALSE(ReadJsonFile(path, JSON_PARSE_EXTENDED_TRAILING_COMMAS, nullptr, &function_code,
                              &function_message));
    EXPECT_EQ(function_code, code);
    EXPECT_EQ(function_message, message);
  }

  test::ScopedTempDir temp_;
};

TEST_F(JsonFileReaderTest, ReadsBothDialects) {
  FilePath file = Path(L"config.json");
  ASSERT_TRUE(WriteFile(file, std::string_view("{ // launcher\n \"a\": [1, 2,], }")));
  nlohmann::json value;
  JsonFileReader config(file, JSON_PARSE_EXTENDED_TRAILING_COMMAS);
  ASSERT_TRUE(config.Read(&value));
  EXPECT_EQ(value, nlohmann::json::parse(R"({"a": [1, 2]})"));
  EXPECT_EQ(config.error_code(), 0);

  JsonFileReader shell(file, JSON_PARSE_EXTENDED);
  EXPECT_FALSE(shell.Read(&value));
  EXPECT_EQ(shell.error_code(), JSON_TRAILING_COMMA);
  EXPECT_EQ(shell.error_message(), "Trailing comma not allowed.");
  EXPECT_EQ(shell.error().line, 2);
}

TEST_F(JsonFileReaderTest, MissingFile) {
  ExpectError(Path(L"absent.json"), 1003, "File doesn't exist.");
  ExpectError(Path(L"no\\dir\\absent.json"), 1003, "File doesn't exist.");
}

TEST_F(JsonFileReaderTest, FileLockedByAnotherHandle) {
  FilePath file = Path(L"locked.json");
  ASSERT_TRUE(WriteFile(file, std::string_view("{}")));
  // Held open without any sharing, as another program would.
  win::ScopedHandle holder(::CreateFileW(file.value().c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(holder.IsValid());
  ExpectError(file, 1002, "File locked.");
  holder.Close();
  nlohmann::json value;
  EXPECT_TRUE(JsonFileReader(file, JSON_PARSE_RFC).Read(&value));
}

TEST_F(JsonFileReaderTest, FileLockedByAnotherProcess) {
  FilePath file = Path(L"held.json");
  ASSERT_TRUE(WriteFile(file, std::string_view("{}")));
  const std::wstring event_name = L"corvane_json_held_" + std::to_wstring(::GetCurrentProcessId());
  win::ScopedHandle held(::CreateEventW(nullptr, TRUE, FALSE, event_name.c_str()));
  ASSERT_TRUE(held.IsValid());
  nlohmann::json control = {{"hold_file", file.AsUTF8Unsafe()},
                            {"signal_event", WideToUTF8(event_name)},
                            {"delay_ms", 60000}};
  FilePath child = test::InstallTestChild(temp_.path(), L"holder.exe", control.dump());
  Process holder = LaunchProcess(CommandLine(child), LaunchOptions());
  ASSERT_TRUE(holder.IsValid());
  ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(held.Get(), 30000));

  ExpectError(file, 1002, "File locked.");

  EXPECT_TRUE(holder.Terminate(0, true));
  nlohmann::json value;
  EXPECT_TRUE(JsonFileReader(file, JSON_PARSE_RFC).Read(&value));
}

TEST_F(JsonFileReaderTest, DirectoryGivesAccessDenied) {
  // Opening a directory as a file is refused with error 5.
  ASSERT_TRUE(CreateDirectory(Path(L"dir.json")));
  ExpectError(Path(L"dir.json"), 1000, "Access denied.");
}

TEST_F(JsonFileReaderTest, ExistingButUnreadable) {
  // The ".." refusal of the file reader: the file is there, yet not read.
  ASSERT_TRUE(WriteFile(Path(L"real.json"), std::string_view("{}")));
  ASSERT_TRUE(CreateDirectory(Path(L"sub")));
  ExpectError(Path(L"sub\\..\\real.json"), 1001, "Can't read file.");
}

TEST_F(JsonFileReaderTest, ParseErrorsFromFiles) {
  const std::pair<const char*, int> kCases[] = {
      {"", JSON_UNEXPECTED_TOKEN},
      {"{\"a\": ", JSON_UNEXPECTED_TOKEN},
      {"[\"\\q\"]", JSON_INVALID_ESCAPE},
      {"{} x", JSON_UNEXPECTED_DATA_AFTER_ROOT},
  };
  for (const auto& c : kCases) {
    FilePath file = Path(L"bad.json");
    ASSERT_TRUE(WriteFile(file, std::string_view(c.first)));
    JsonFileReader reader(file, JSON_PARSE_EXTENDED_TRAILING_COMMAS);
    EXPECT_FALSE(reader.Read(nullptr)) << c.first;
    EXPECT_EQ(reader.error_code(), c.second) << c.first;
    EXPECT_EQ(reader.error_message(), JsonErrorMessage(c.second));
  }
}

TEST(JsonFileErrorTest, SystemErrorMapping) {
  const struct {
    unsigned long system_error;
    bool exists;
    int code;
  } kCases[] = {
      {ERROR_SHARING_VIOLATION, true, 1002}, {ERROR_LOCK_VIOLATION, true, 1002},
      {ERROR_ACCESS_DENIED, true, 1000},     {ERROR_ACCESS_DENIED, false, 1000},
      {ERROR_FILE_NOT_FOUND, false, 1003},   {ERROR_READ_FAULT, true, 1001},
      {ERROR_PATH_NOT_FOUND, false, 1003},
  };
  for (const auto& c : kCases)
    EXPECT_EQ(JsonFileErrorFromSystemError(c.system_error, c.exists), c.code) << c.system_error;
}

}  // namespace
}  // namespace corvane
