// The launcher's error codes, grouped by the thousand that names the area.
// Every unit that records a failure takes its code from here. The numbers go
// to the report server and must never change.

#ifndef LAUNCHER_LAUNCH_ERROR_CODES_H_
#define LAUNCHER_LAUNCH_ERROR_CODES_H_

#include <cstdint>

namespace corvane {

enum LaunchErrorCode : int32_t {
  // Configuration file: every syntax error is 1; the file reader's own
  // codes 1000-1003 pass through unchanged.
  kErrorConfigInvalidJson = 1,
  kErrorConfigAccessDenied = 1000,
  kErrorConfigReadFailed = 1001,
  kErrorConfigLocked = 1002,
  kErrorConfigNotExist = 1003,
  kErrorConfigSchema = 1010,
  kErrorConfigToJsonFailed = 1011,
  // Launching the client.
  kErrorMainExeNotExist = 2000,
  kErrorLaunchAppFailed = 2001,
  kErrorFlagFileFound = 2004,
  kErrorUserChoseRepair = 2007,
  kErrorUserChoseSecondButton = 2008,
  kErrorUserClosedDialog = 2009,
  kErrorLaunchCancelledByUser = 2010,
  kErrorInstallCheckFileFailed = 2011,
  kErrorLaunchFennicFailed = 2012,
  // Update before launch.
  kErrorUpdaterNotExist = 3000,
  kErrorLaunchUpdaterFailed = 3002,
  kErrorLaunchNewVersionFailed = 3003,
  kErrorLaunchRollbackFailed = 3005,
  kErrorElevationServiceLaunchFailed = 3008,
  // Binary update before launch.
  kErrorBinUpdaterNotExist = 4000,
  kErrorBinUpdateServiceLaunchFailed = 4001,
  kErrorBinUpdateLaunchFailed = 4002,
  // Launcher API; 5005 and 5006 are also the configuration write's codes.
  kErrorNoCommandLine = 5000,
  kErrorUpdateConfigLaunchFailed = 5001,
  kErrorApiInstallerRunning = 5002,
  kErrorApiNeedUpdateNoForceEdit = 5003,
  kErrorElevatedRelaunchFailed = 5004,
  kErrorConfigWriteFailed = 5005,
  kErrorConfigReplaceFailed = 5006,
  kErrorElevatedRelaunchExitCode = 5007,
  kErrorUpdateDisplayVersionFailed = 5008,
  kErrorElevationServiceNotExist = 5009,
};

}  // namespace corvane

#endif  // LAUNCHER_LAUNCH_ERROR_CODES_H_
