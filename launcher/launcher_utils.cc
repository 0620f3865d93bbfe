#include "launcher/launcher_utils.h"

#include <string>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/utf_string_conversions.h"
#include "launcher/launch_result.h"
#include "launcher/launcher_constants.h"
#include "launcher/local_product_dir.h"

namespace corvane {

const char kLocalFixFlagContent[] = "local fix";

namespace {

constexpr wchar_t kInstallCheckFailedFlag[] = L"install_check_file_failed.flag";
constexpr wchar_t kCheckingFileFlag[] = L"checking_file.flag";
constexpr wchar_t kExecutableFlagSuffix[] = L".flag";
constexpr wchar_t kLocalFixDirPrefix[] = L"corvane_temp_";
constexpr wchar_t kLocalFixFlagName[] = L"local_fix_btn.flag";
constexpr wchar_t kRepairerName[] = L"app_repairer";
constexpr wchar_t kDownloaderName[] = L"installer_downloader";
constexpr wchar_t kDownloaderCopyPrefix[] = L"installer_downloader_";
constexpr wchar_t kExeExtension[] = L"exe";

// Only a regular file is a flag: a directory of that name is somebody
// else's, and could never be consumed.
bool IsFlagFile(const FilePath& path) { return PathExists(path) && !DirectoryExists(path); }

// Remembers a flag that could not be deleted, so that it is reported once and
// not on every launch.
FilePath ReportedMarkerPath(const FilePath& flag) { return FilePath(flag.value() + L".reported"); }

// Tells one flag file from a later one of the same name.
std::string FlagIdentity(const FilePath& flag) {
  FileInfo info;
  if (!GetFileInfo(flag, &info)) return std::string();
  return NumberToString(info.size) + " " + NumberToString(info.last_modified.ToInternalValue()) +
         " " + NumberToString(info.creation_time.ToInternalValue());
}

// Records one flag file: its code, its head, then it is gone. False, with
// nothing recorded, for a flag reported before.
bool ConsumeFlagFile(const FilePath& flag, int32_t code, LaunchResult* result) {
  const FilePath marker = ReportedMarkerPath(flag);
  const std::string identity = FlagIdentity(flag);
  std::string reported;
  if (!identity.empty() && ReadFileToString(marker, &reported) && reported == identity) {
    // Reported before: it goes quietly once it can.
    if (DeleteFile(flag, false)) DeleteFile(marker, false);
    return false;
  }
  result->error_codes.push_back(code);
  // A longer file still yields its head, an unreadable one nothing.
  std::string head;
  ReadFileToStringWithMaxSize(flag, &head, kFlagHeadSize);
  result->AppendNote(head);
  if (DeleteFile(flag, false)) {
    DeleteFile(marker, false);
  } else {
    LOG(ERROR) << "delete flag file failed: " << flag.AsUTF8Unsafe();
    WriteFile(marker, identity);
  }
  return true;
}

// True when |flag| counts on this run. One that is gone (or never was a
// file) takes its marker with it.
bool TakeFlag(const FilePath& flag, int32_t code, LaunchResult* result) {
  if (!IsFlagFile(flag)) {
    DeleteFile(ReportedMarkerPath(flag), false);
    return false;
  }
  return ConsumeFlagFile(flag, code, result);
}

}  // namespace

RecoverySettings::RecoverySettings() = default;
RecoverySettings::RecoverySettings(const RecoverySettings&) = default;
RecoverySettings& RecoverySettings::operator=(const RecoverySettings&) = default;
RecoverySettings::~RecoverySettings() = default;

RecoverySettings CurrentRecoverySettings() {
  RecoverySettings settings;
  if (!GetPath(DIR_TEMP, &settings.temp_dir)) settings.temp_dir = FilePath();
  settings.app_id = app_id();
  settings.crash_reporter_app_name = crash_reporter_app_name();
  settings.main_exe_names = main_exe_names();
  settings.download_page_url = download_page_url();
  settings.installer_mutex_name = installer_mutex_name();
  settings.texts.title = error_msg_title();
  settings.texts.fix_or_download_hint = error_msg_fix_or_download_hint();
  settings.texts.download_hint = error_msg_download_hint();
  settings.texts.button_fix = error_msg_btn_fix();
  settings.texts.button_download = error_msg_btn_download();
  settings.texts.app_lost_file = error_msg_str_app_lost_file();
  return settings;
}

FilePath FlagDirectory(const RecoverySettings& settings) {
  return settings.temp_dir.Append(UTF8ToWide(settings.crash_reporter_app_name));
}

FilePath InstallCheckFailedFlagPath(const RecoverySettings& settings) {
  return FlagDirectory(settings).Append(kInstallCheckFailedFlag);
}

FilePath ExecutableFlagPath(const RecoverySettings& settings, std::wstring_view exe_name) {
  std::wstring name(exe_name);
  name += kExecutableFlagSuffix;
  return FlagDirectory(settings).Append(name);
}

FilePath CheckingFileFlagPath(const RecoverySettings& settings) {
  return FlagDirectory(settings).Append(kCheckingFileFlag);
}

FilePath LocalFixFlagPath(const RecoverySettings& settings) {
  std::wstring dir_name(kLocalFixDirPrefix);
  dir_name += NumberToWString(settings.app_id);
  return settings.temp_dir.Append(dir_name).Append(kLocalFixFlagName);
}

FilePath RepairerPath(const RecoverySettings& settings) {
  const FilePath dir = settings.local_product_dir.empty()
                           ? LocalProductDir(NumberToString(settings.app_id))
                           : settings.local_product_dir;
  // "Adding" the extension: the base name has none to replace.
  return dir.Append(std::wstring(kRepairerName) + L"." + kExeExtension);
}

FilePath DownloaderPath(const FilePath& version_dir) {
  return version_dir.Append(std::wstring(kDownloaderName) + L"." + kExeExtension);
}

FilePath DownloaderCopyPath(const RecoverySettings& settings) {
  std::wstring name(kDownloaderCopyPrefix);
  name += NumberToWString(settings.app_id);
  name += L".";
  name += kExeExtension;
  return settings.temp_dir.Append(name);
}

FilePath FindRepairTool(const RecoverySettings& settings, const FilePath& version_dir,
                        FileHold* copy_hold) {
  const FilePath repairer = RepairerPath(settings);
  if (PathExists(repairer)) {
    LOG(INFO) << "app repairer path: " << repairer;
    return repairer;
  }
  const FilePath downloader = DownloaderPath(version_dir);
  if (!PathExists(downloader)) return FilePath();
  // The downloader is never run in place: it would lock the version directory
  // that it may have to rewrite. The copy is started elevated, so only one
  // this launcher made and holds will do.
  const FilePath copy = DownloaderCopyPath(settings);
  if (!CopyFileAndHold(downloader, copy, copy_hold)) {
    LOG(ERROR) << "copy installer downloader failed: " << copy;
    return FilePath();
  }
  LOG(INFO) << "downloader path: " << copy;
  return copy;
}

int ShowErrorDialog(const RecoverySettings& settings, std::wstring_view message,
                    const FilePath& version_dir, LaunchResult* result) {
  FileHold copy_hold;
  const FilePath tool = FindRepairTool(settings, version_dir, &copy_hold);
  const FilePath local_fix_flag = LocalFixFlagPath(settings);
  const bool repair_offered = !tool.empty() && PathExists(tool) && !PathExists(local_fix_flag);
  const bool has_download_page = !settings.download_page_url.empty();

  const ErrorDialogContent content =
      ComposeErrorDialog(message, repair_offered, has_download_page, settings.texts);
  bool closed_by_close_command = false;
  const int box_result =
      ShowHookedMessageBox(content, settings.texts, has_download_page, &closed_by_close_command);
  const ErrorDialogOutcome outcome = DecideErrorDialogOutcome(box_result, closed_by_close_command,
                                                              repair_offered, has_download_page);

  if (outcome.open_download_page) OpenDownloadPage(settings.download_page_url);
  if (outcome.start_repair_tool) {
    // Failures here are not reported: the tool is worth starting regardless.
    int error = 0;
    CreateDirectoryAndGetError(local_fix_flag.DirName(), &error);
    WriteFile(local_fix_flag, std::string_view(kLocalFixFlagContent));

    result->repairer_launch_result = StartRepairTool(tool);
    // Started from the held copy; the copy may go now.
    copy_hold.Release();
  }
  result->user_btn_choice = outcome.choice;
  return outcome.code;
}

int ShowErrorDialog(std::wstring_view message, const FilePath& version_dir) {
  return ShowErrorDialog(CurrentRecoverySettings(), message, version_dir, &GetLaunchResult());
}

bool ConsumeCrashFlag(const RecoverySettings& settings, LaunchResult* result) {
  if (TakeFlag(InstallCheckFailedFlagPath(settings), kErrorInstallCheckFileFailed, result))
    return true;
  for (const std::wstring& name : settings.main_exe_names) {
    if (TakeFlag(ExecutableFlagPath(settings, name), kErrorFlagFileFound, result)) return true;
  }
  if (IsFlagFile(CheckingFileFlagPath(settings)))
    result->AppendNote("[crash reporter checking file]");
  return false;
}

bool CheckCrashFlag(const RecoverySettings& settings, const FilePath& version_dir,
                    LaunchResult* result) {
  if (settings.temp_dir.empty()) return false;
  if (!ConsumeCrashFlag(settings, result)) return true;
  result->error_codes.push_back(
      ShowErrorDialog(settings, settings.texts.app_lost_file, version_dir, result));
  return false;
}

bool CheckCrashFlag(const FilePath& version_dir) {
  return CheckCrashFlag(CurrentRecoverySettings(), version_dir, &GetLaunchResult());
}

bool IsInstallerRunning() { return IsInstallerRunning(installer_mutex_name()); }

}  // namespace corvane
