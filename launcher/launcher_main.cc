// Program entry: prepares the process-wide state in a fixed order, runs the
// launcher once and hands its result back as the exit code.

#include <windows.h>
#include <shellapi.h>
#include <shobjidl.h>

#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "launcher/launcher.h"
#include "launcher/launcher_constants.h"
#include "launcher/localized_texts.h"
#include "launcher/starting_speed_data.h"

namespace {

constexpr int kLocalizedArchiveId = 100;

// The switch parser re-reads the process command line itself; this split only
// tells whether the system can split it at all.
void InitCurrentCommandLine() {
  int argc = 0;
  wchar_t** wide_argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!wide_argv) {
    OutputDebugStringW(L"cmd argv init error!");
    return;
  }
  std::vector<std::string> utf8_args;
  utf8_args.reserve(static_cast<size_t>(argc));
  for (int i = 0; i < argc; ++i) utf8_args.push_back(corvane::WideToUTF8(wide_argv[i]));
  LocalFree(wide_argv);
  std::vector<const char*> argv;
  argv.reserve(utf8_args.size());
  for (const std::string& arg : utf8_args) argv.push_back(arg.c_str());
  corvane::CommandLine::Init(static_cast<int>(argv.size()), argv.data());
}

}  // namespace

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

  const std::wstring& model_id = corvane::app_user_model_id();
  if (!model_id.empty()) SetCurrentProcessExplicitAppUserModelID(model_id.c_str());

  int result = 0;
  {
    corvane::Launcher launcher;
    result = launcher.Run();
    corvane::ClearLocalizedTexts();
  }
  return result;
}
