#include <windows.h>

#include "base/command_line.h"
#include "base/environment.h"
#include "base/files/file_path.h"
#include "base/logging.h"
#include "base/process/process_iterator.h"
#include "base/path_service.h"
#include "base/process/process.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/scoped_handle.h"
#include "data_reporter/ulmet_reporter.h"
#include "launcher/launcher_constants.h"
#include "launcher/starting_speed_data.h"
#include "nlohmann/json.hpp"
#include "utils/boot_flag.h"
#include "utils/disk.h"

namespace corvane {

namespace {

constexpr wchar_t kBootFlagName[] = L"VolatileLauncher";

bool Enabled() { return is_enabled_report_starting_speed(); }

std::wstring MsText(Time time) { return ASCIIToWide(std::to_string(TimeToReportMs(time))); }

Time LauncherCreationTime() { return Process::Current().CreationTime(); }

std::string ParentExecutableName() {
  const DWORD self = GetCurrentProcessId();
  DWORD parent = 0;
  ForEachProcess([&](const ProcessEntry& process) {
    if (process.pid != self) return true;
    parent = process.parent_pid;
    return false;
  });
  // The image name through the kernel, not the parent's module list: that
  // one cannot be read from a 32-bit launcher into a 64-bit parent such as
  // the shell, nor from an elevated one without more rights than needed.
  win::ScopedHandle process(parent ? OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, parent)
                                   : nullptr);
  if (!process.IsValid()) {
    LOG(ERROR) << "Parent process handle is null";
    return std::string();
  }
  wchar_t path[MAX_PATH] = {};
  DWORD length = MAX_PATH;
  if (!QueryFullProcessImageNameW(process.Get(), 0, path, &length)) length = 0;
  if (length == 0) {
    LOG(ERROR) << "GetModuleFileNameEx error";
    return std::string();
  }
  const std::wstring text(path, length);
  const size_t slash = text.find_last_of(L'\\');
  if (slash == std::wstring::npos) {
    LOG(ERROR) << "Parse parent exe name error";
    return std::string();
  }
  return WideToUTF8(text.substr(slash + 1));
}

}  // namespace

StartingSpeedData* StartingSpeedData::GetInstance() {
  static StartingSpeedData* instance = new StartingSpeedData();
  return instance;
}

void StartingSpeedData::RecordWmain() { fields_.wmain = Time::Now(); }

void StartingSpeedData::SetAppVersion(const std::string& version) { fields_.app_version = version; }

void StartingSpeedData::OnCreateSubProcessBegin() {
  if (!Enabled()) return;
  fields_.create_sub_begin = Time::Now();
  const std::wstring begin = MsText(fields_.create_sub_begin);
  if (!SetEnvVar(kClientParentCreateVar, begin))
    LOG(ERROR) << "Setting DREL_ELECTRON_PARENT_CREATE_PROCESS error";
  if (!SetEnvVar(kTrayParentCreateVar, begin))
    LOG(ERROR) << "Setting TRAY_PARENT_CREATE_PROCESS error";
  if (!SetEnvVar(kLauncherCreationVar, MsText(LauncherCreationTime())))
    LOG(ERROR) << "Setting LAUNCHER_PROCESS_CREATION_TIME error";
}

void StartingSpeedData::OnFennicProcessBegin() {
  if (!Enabled()) return;
  fields_.fennic_create_begin = Time::Now();
  if (!SetEnvVar(kFennicCreationVar, MsText(fields_.fennic_create_begin)))
    LOG(ERROR) << "Setting FENNIC_PROCESS_CREATION_TIME error";
}

void StartingSpeedData::OnCreateSubProcessEnd() {
  if (Enabled()) fields_.create_sub_end = Time::Now();
}

void StartingSpeedData::SetSubProcessPid(uint32_t pid) {
  if (Enabled()) fields_.sub_process_pid = pid;
}

void StartingSpeedData::SetSubProcessName(const std::string& name) {
  if (Enabled()) fields_.sub_process_name = name;
}

void StartingSpeedData::SetCreateSubSuccess(bool success) {
  if (Enabled()) fields_.create_sub_suc = success;
}

void StartingSpeedData::CheckFirstStart() {
  if (!Enabled()) return;
  fields_.is_exe_first_start = !BootFlagExists(kBootFlagName);
  CreateBootFlag(kBootFlagName);
}

void StartingSpeedData::ReportStartingSpeedData() {
  if (Enabled()) DoReportStartingSpeedData();
}

void StartingSpeedData::DoReportStartingSpeedData() {
  const CommandLine* command_line = CommandLine::ForCurrentProcess();
  fields_.cmd_line = command_line ? WideToUTF8(command_line->GetCommandLineString()) : "";
  fields_.pid = GetCurrentProcessId();

  FilePath exe;
  std::wstring volume;
  if (!GetPath(FILE_EXE, &exe)) {
    LOG(ERROR) << "Failed to get executable path.";
  } else if (exe.value().size() >= 2 && exe.value()[1] == L':') {
    volume = exe.value().substr(0, 2);
  } else {
    LOG(ERROR) << "Failed to extract drive letter.";
    volume = exe.value();
  }
  fields_.is_disk_ssd = IsDiskSsd(volume);
  fields_.system_uptime = std::to_string(GetTickCount64());
  fields_.parent_proc_name = ParentExecutableName();

  std::wstring parent_text;
  fields_.has_parent_create_time = GetEnvVar(kParentCreateVar, &parent_text);
  if (fields_.has_parent_create_time) {
    int64_t ms = 0;
    if (!StringToInt64(parent_text, &ms)) ms = 0;
    fields_.parent_create_time = Time::FromMillisecondsSinceUnixEpoch(ms);
  } else {
    LOG(ERROR) << "Getting LAUNCHER_PARENT_CREATE_PROCESS error";
  }
  fields_.process_created = LauncherCreationTime();
  if (fields_.process_created.is_null()) LOG(ERROR) << "Failed to get process creation time.";

  const nlohmann::json dictionary = StartingSpeedDictionary(fields_);
  std::string text;
  try {
    text = dictionary.dump();
  } catch (const nlohmann::json::exception&) {
    LOG(ERROR) << "DoReportStartingSpeedData write json str failed!";
    return;
  }
  LOG(INFO) << "starting speed data: " << text;
  ProductReporter reporter(ProductReportIdentity(fields_.app_version));
  reporter.Report(kStartSpeedEvent, nlohmann::json::parse(text));
}

}  // namespace corvane
