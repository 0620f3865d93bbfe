#include "test/support/test_child.h"

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/path_service.h"
#include "base/process/launch.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"

namespace corvane {
namespace test {

namespace {

FilePath SideFile(const FilePath& exe, const wchar_t* suffix) {
  return FilePath(exe.RemoveExtension().value() + suffix);
}

}  // namespace

FilePath TestChildPath() {
  FilePath dir;
  GetPath(DIR_EXE, &dir);
  return dir.Append(L"test_child.exe");
}

bool PlaceTestChild(const FilePath& exe, const std::string& control_json) {
  if (!CreateDirectory(exe.DirName()) || !CopyFile(TestChildPath(), exe)) return false;
  return control_json.empty() || WriteFile(SideFile(exe, L".control.json"), control_json);
}

FilePath InstallTestChild(const FilePath& directory, const std::wstring& name,
                          const std::string& control_json) {
  const FilePath exe = directory.Append(name);
  return PlaceTestChild(exe, control_json) ? exe : FilePath();
}

std::string ReadChildRecordText(const FilePath& exe) {
  std::string text;
  ReadFileToString(SideFile(exe, L".record.jsonl"), &text);
  return text;
}

std::vector<nlohmann::json> ReadChildRecords(const FilePath& exe) {
  std::vector<nlohmann::json> records;
  for (const std::string& line : SplitString(ReadChildRecordText(exe), '\n')) {
    nlohmann::json record = nlohmann::json::parse(line, nullptr, false);
    if (record.is_object()) records.push_back(std::move(record));
  }
  return records;
}

ScopedChildEvent::ScopedChildEvent() {
  static int counter = 0;
  name_ = L"CorvaneTestChildEvent_" + NumberToWString(static_cast<int>(::GetCurrentProcessId())) +
          L"_" + NumberToWString(++counter);
  handle_.Set(::CreateEventW(nullptr, TRUE, FALSE, name_.c_str()));
}

bool ScopedChildEvent::Wait() const {
  return ::WaitForSingleObject(handle_.Get(), 30000) == WAIT_OBJECT_0;
}

ScopedChildProcess::ScopedChildProcess(const FilePath& exe)
    : process_(LaunchProcess(CommandLine(exe), LaunchOptions())) {}

ScopedChildProcess::~ScopedChildProcess() { End(); }

void ScopedChildProcess::End() {
  if (process_.IsValid()) process_.Terminate(0, true);
  process_.Close();
}

}  // namespace test
}  // namespace corvane
