#ifndef BASE_PROCESS_LAUNCH_H_
#define BASE_PROCESS_LAUNCH_H_

#include <functional>

#include "base/command_line.h"
#include "base/files/file_hold.h"
#include "base/files/file_path.h"
#include "base/process/process.h"

namespace corvane {

struct LaunchOptions {
  // Block until the started process ends.
  bool wait = false;
  // Empty: inherit the launcher's. Not applied on the elevated path.
  FilePath current_directory;
  bool start_hidden = false;
  // Start through the shell's "runas" verb.
  bool elevated = false;
  // No busy cursor while the process starts (STARTF_FORCEOFFFEEDBACK).
  bool feedback_cursor_off = false;
};

// CreateProcessW with the command-line string of |cmdline|, no handle
// inheritance, the inherited environment and the options' directory. With
// |elevated| set this is LaunchElevatedProcess. On failure (also a start the
// admission refused) the Process is invalid and GetLastError holds the
// reason.
Process LaunchProcess(const CommandLine& cmdline, const LaunchOptions& options);

// ShellExecuteExW "runas" with the program as file and the arguments string
// as parameters, owner GetActiveWindow(), no directory. A declined prompt
// gives an invalid Process with last error 1223 (ERROR_CANCELLED).
Process LaunchElevatedProcess(const CommandLine& cmdline, const LaunchOptions& options);

// Asked before every start once set (the launcher's signature gate): may
// |program| be started, elevated when |elevated| (the consent prompt, or a
// privileged service that starts it)? False refuses the start, the answer
// having set the last error; |hold| keeps the file unchanged from the check
// until the start has happened. Null: every start is admitted.
using LaunchAdmission =
    std::function<bool(const FilePath& program, bool elevated, FileHold* hold)>;
void SetLaunchAdmission(LaunchAdmission admission);
// The admission's answer for |program| (true when none is set).
bool AdmitLaunch(const FilePath& program, bool elevated, FileHold* hold);

// Whether the process token is elevated (TokenElevation). False, after an
// ERROR line, when the token cannot be opened.
bool IsCurrentProcessElevated();

// Test seam: the shell's elevation prompt cannot be declined (or answered at
// all) under the test system. When set, LaunchElevatedProcess calls |hook|
// with the file and parameters it would hand to the shell instead of
// ShellExecuteExW; the hook returns the process handle (nullptr = failure,
// after setting the last error itself). Pass nullptr to restore.
using ElevatedLaunchHook =
    std::function<HANDLE(const std::wstring& file, const std::wstring& parameters, int show)>;
void SetElevatedLaunchHookForTesting(ElevatedLaunchHook hook);

// Test seam for IsCurrentProcessElevated: every process is an administrator
// under the test system. When set, the hook's answer replaces the token
// query; it returns false to simulate a token that cannot be opened (it sets
// the last error itself). |elevated| receives the answer.
using ElevationQueryHook = std::function<bool(bool* elevated)>;
void SetElevationQueryHookForTesting(ElevationQueryHook hook);

}  // namespace corvane

#endif  // BASE_PROCESS_LAUNCH_H_
