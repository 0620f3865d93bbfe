// Program entry: prepares the process-wide state in a fixed order, runs the
// launcher once and hands its result back as the exit code.

#include <windows.h>

#include <string>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/logging.h"
#include "base/process/launch.h"
#include "base/strings/utf_string_conversions.h"
#include "common/reg_utils.h"
#include "launcher/install_tree_path.h"
#include "launcher/launcher.h"
#include "launcher/launcher_constants.h"
#include "launcher/launcher_dir.h"
#include "launcher/localized_texts.h"
#include "launcher/signature_gate.h"
#include "launcher/starting_speed_data.h"
#include "utils/crash_handler.h"

namespace {

constexpr int kLocalizedArchiveId = 100;

// The switch parser splits the process command line itself; a command line
// the system cannot split leaves it unset.
void InitCurrentCommandLine() {
  if (!corvane::CommandLine::Init(0, nullptr)) OutputDebugStringW(L"cmd argv init error!");
}

// Any later fatal error reaches the product's crash reporter with the
// installed version; the device identity and the handler's own thread
// follow once the client's start has been checked.
void SetUpCrashReporting() {
  corvane::InstallCrashHandler(corvane::crash_reporter_product_id(),
                               corvane::crash_reporter_app_name().c_str());
  std::wstring version;
  int view = 0;
  corvane::ReadUninstallValue(corvane::product_display_name(), L"DisplayVersion", &version, &view,
                              corvane::uninstaller_reg_root());
  const std::string version_utf8 = corvane::WideToUTF8(version);
  corvane::SetCrashReportInfo(version_utf8.c_str(), nullptr, nullptr);
  corvane::FilePath dir = corvane::LauncherDir();
  // The registry value becomes a directory the reporter is started from: it
  // names a version directory below the launcher's or none.
  if (corvane::IsInstallTreePath(version, corvane::InstallTreePathKind::kName)) {
    dir = dir.Append(version);
  } else {
    LOG(ERROR) << "DisplayVersion is no version directory name: " << version;
  }
  corvane::SetCrashReporterDir(dir.AsUTF8Unsafe().c_str());
}

}  // namespace

#if defined(CORVANE_CRASH_TRIGGER)
// Launchers built for crash tests only: fail at the entry or once the run is
// over when the environment asks.
namespace corvane::test {
void CrashIfAsked(bool run_over);
}  // namespace corvane::test
#endif

// Shared handle-tracking hook of the base layer; this program keeps no
// tracker, so there is nothing to share.
extern "C" __declspec(dllexport) void* GetHandleVerifier() { return nullptr; }

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  corvane::StartingSpeedData::GetInstance()->RecordWmain();
  InitCurrentCommandLine();
  corvane::logging::SetupLauncherLogging();

  corvane::SetResourceArchive(GetModuleHandleW(nullptr), kLocalizedArchiveId);
  corvane::InitLocalizedTexts(corvane::ArchiveHasFile, corvane::ArchiveReadFile);

  corvane::LoadProductConstants();
  if (corvane::use_crash_reporter()) SetUpCrashReporting();
  // Every start from here on asks the signature gate; it decides whether it
  // is on only at the first start that gives elevated rights.
  corvane::SetLaunchAdmission(&corvane::AdmitPrivilegedStart);

  // The shell identity follows before the launcher's first window
  // (SetShellIdentity).

#if defined(CORVANE_CRASH_TRIGGER)
  corvane::test::CrashIfAsked(false);
#endif

  int result = 0;
  {
    corvane::Launcher launcher;
    result = launcher.Run();
    corvane::ClearLocalizedTexts();
  }
#if defined(CORVANE_CRASH_TRIGGER)
  corvane::test::CrashIfAsked(true);
#endif
  return result;
}
