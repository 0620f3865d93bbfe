// The two update steps of the run: each ends with a started client and the
// report, whatever the updater did.

#include <string>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/time.h"
#include "launcher/launch_error_codes.h"
#include "launcher/launch_result.h"
#include "launcher/launcher.h"
#include "utils/crash_handler.h"

namespace corvane {

bool Launcher::UpdateBeforeLaunch() {
  LaunchResult& result = GetLaunchResult();
  const FilePath updater = GetNewVersionDir().Append(kUpdaterExeName);
  if (PathExists(updater)) {
    const Time begin = Time::Now();
    const bool switched = RunSilenceUpdate(SilenceUpdateMode::kBeforeLaunch, updater);
    result.update_before_launch_time =
        std::to_string((Time::Now().ToInternalValue() - begin.ToInternalValue()) / 1000);
    if (switched) {
      const bool launched = LaunchApp(GetNewVersionDir(), true);
      result.is_launch_success = launched;
      result.is_update_success = launched;
      LOG(INFO) << "New version launch result: " << (launched ? 1 : 0);
      if (launched) {
        // A later crash finds the new version's reporter.
        SetCrashReporterDir(GetNewVersionDir().AsUTF8Unsafe().c_str());
        ReportLaunchResult(*this);
        // The updater cleans up once the new version runs.
        if (PathExists(updater)) RunSilenceUpdate(SilenceUpdateMode::kAfterLaunch, updater);
        return true;
      }
      result.error_codes.push_back(kErrorLaunchNewVersionFailed);
      result.is_launch_success = LaunchApp(GetCurVersionDir(), false);
      RunSilenceUpdate(SilenceUpdateMode::kUpdateRollback,
                       GetCurVersionDir().Append(kUpdaterExeName));
      ReportLaunchResult(*this);
      return false;
    }
    LOG(ERROR) << "Version switch before launch failed!";
  } else {
    LOG(ERROR) << "Updater not exist!";
    result.error_codes.push_back(kErrorUpdaterNotExist);
  }
  result.is_update_success = false;
  LaunchCurrentOrWaitingVersion();
  ReportLaunchResult(*this);
  return false;
}

bool Launcher::BinUpdateBeforeLaunch() {
  LaunchResult& result = GetLaunchResult();
  const FilePath updater = GetCurVersionDir().Append(kUpdaterExeName);
  bool updated = false;
  if (PathExists(updater)) {
    updated = RunBinUpdate(updater);
    if (!updated) LOG(ERROR) << "bin update before launch failed!";
  } else {
    result.error_codes.push_back(kErrorBinUpdaterNotExist);
  }
  result.bin_update_success = updated;
  LaunchCurrentVersion();
  ReportLaunchResult(*this);
  return updated;
}

}  // namespace corvane
