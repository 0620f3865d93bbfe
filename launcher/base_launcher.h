// The base of the launcher object: the configuration, the launch-mode flags
// from the command line, and the questions the run flow decides on.

#ifndef LAUNCHER_BASE_LAUNCHER_H_
#define LAUNCHER_BASE_LAUNCHER_H_

#include <string>
#include <string_view>
#include <vector>

#include "base/files/file_path.h"
#include "launcher/launcher_config.h"

namespace corvane {

class CommandLine;

class BaseLauncher {
 public:
  BaseLauncher();
  BaseLauncher(const BaseLauncher&) = delete;
  BaseLauncher& operator=(const BaseLauncher&) = delete;

  // Slot order matters to derived launchers; keep it.
  virtual ~BaseLauncher();
  virtual int Run() = 0;
  virtual void ParseSwitches();
  virtual bool LoadConfig();
  virtual FilePath GetCurVersionDir() const;
  virtual FilePath GetNewVersionDir() const;
  // True when a launcher API command was given and handled; |exit_code| is
  // the run's exit code then.
  virtual bool RunLauncherApi(int* exit_code) = 0;
  virtual bool RunUpdate();
  virtual bool IsAppRunning();
  virtual bool CheckInstallerRunning();
  virtual bool IsSingleInstanceAppRunning();

  const LauncherConfig& config() const { return config_; }

 protected:
  // ParseSwitches() on an explicit command line; nullptr leaves every flag
  // false and the record untouched.
  void ParseSwitchesFrom(const CommandLine* command_line);

  // The version directory below |launcher_dir| for |mid| and |version|; an
  // empty component is skipped.
  static FilePath VersionDir(const FilePath& launcher_dir, const std::wstring& mid,
                             const std::wstring& version);

  LauncherConfig config_;
  bool cmd_auto_run = false;
  bool cmd_custom_launch = false;
  bool update_relaunch_ = false;
  bool app_running_ = false;

 private:
  // IsAppRunning() searches once per launcher; later calls answer from here.
  bool app_running_checked_ = false;
};

// True when |marker| is not empty and occurs in |arguments| (case-sensitive).
bool ContainsLaunchMarker(std::wstring_view arguments, std::wstring_view marker);

// True when the running client's single-instance window for |app_name| (the
// message-only "Chrome_MessageWindow" titled "<roaming app data>\<app_name>")
// exists. False when the roaming directory cannot be found.
bool FindSingleInstanceWindow(const std::wstring& app_name);

}  // namespace corvane

#endif  // LAUNCHER_BASE_LAUNCHER_H_
