#include "test/scenario/scenario_support.h"

#include <windows.h>

#include <algorithm>

#include "base/environment.h"
#include "base/files/file_util.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "test/support/refusing_mutex.h"
#include "utils/device_id.h"

namespace corvane {
namespace scenario {

namespace {

// Generous bound for one launcher run (lock retries, 3 s check, report).
constexpr DWORD kProgramRunLimitMs = 120000;
constexpr DWORD kPollMs = 50;

std::wstring WindowText(HWND window) {
  wchar_t buffer[2048] = {};
  GetWindowTextW(window, buffer, static_cast<int>(sizeof(buffer) / sizeof(buffer[0])));
  return buffer;
}

std::wstring ClassOf(HWND window) {
  wchar_t buffer[256] = {};
  GetClassNameW(window, buffer, 256);
  return buffer;
}

struct FindBoxState {
  DWORD pid = 0;
  HWND found = nullptr;
};

BOOL CALLBACK FindBoxProc(HWND window, LPARAM param) {
  auto* state = reinterpret_cast<FindBoxState*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == state->pid && IsWindowVisible(window) && ClassOf(window) == L"#32770") {
    state->found = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK CollectChildProc(HWND child, LPARAM param) {
  auto* seen = reinterpret_cast<DialogSeen*>(param);
  const std::wstring cls = ToLowerASCII(ClassOf(child));
  if (cls == L"button") {
    seen->buttons.push_back(WindowText(child));
  } else if (cls == L"static") {
    const std::wstring text = WindowText(child);
    if (!text.empty()) seen->text += text;
  }
  return TRUE;
}

HWND FindMessageBoxOf(DWORD pid) {
  FindBoxState state;
  state.pid = pid;
  EnumWindows(FindBoxProc, reinterpret_cast<LPARAM>(&state));
  return state.found;
}

void Answer(HWND box, DialogAction action) {
  int id = 0;
  switch (action) {
    case DialogAction::kFail:
    case DialogAction::kClose: {
      // Sent, not posted: the launcher notices the close command in a hook
      // that only sees sent messages.
      DWORD_PTR ignored = 0;
      SendMessageTimeoutW(box, WM_CLOSE, 0, 0, SMTO_NORMAL, 5000, &ignored);
      return;
    }
    case DialogAction::kPressOk:
      id = IDOK;
      break;
    case DialogAction::kPressRetry:
      id = IDRETRY;
      break;
    case DialogAction::kPressCancel:
      id = IDCANCEL;
      break;
  }
  HWND button = GetDlgItem(box, id);
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

void PumpPending() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace

FilePath FromBuildPath(const char* path) {
  std::wstring wide = UTF8ToWide(path);
  if (!wide.empty() && wide[0] == L'/') wide = L"Z:" + wide;
  std::replace(wide.begin(), wide.end(), L'/', L'\\');
  return FilePath(wide);
}

std::vector<nlohmann::json> ReadCollectorRequests(const FilePath& collector_dir,
                                                  const std::string& token) {
  std::vector<nlohmann::json> found;
  std::string text;
  if (!ReadFileToString(collector_dir.Append(L"requests.jsonl"), &text)) return found;
  for (const std::string& line : SplitString(text, '\n')) {
    if (line.find(token) == std::string::npos) continue;
    nlohmann::json record = nlohmann::json::parse(line, nullptr, false);
    if (!record.is_object() || !record.contains("body") || !record["body"].is_string()) continue;
    if (record["body"].get<std::string>().find(token) == std::string::npos) continue;
    std::string bytes;
    if (record.contains("body_file") && record["body_file"].is_string()) {
      ReadFileToString(collector_dir.Append(UTF8ToWide(record["body_file"].get<std::string>())),
                       &bytes);
    }
    record["body_bytes"] = bytes;
    found.push_back(record);
  }
  return found;
}

ProgramRun RunProgram(const std::wstring& command_line, const FilePath& current_dir,
                      DialogAction action) {
  ProgramRun run;
  std::wstring buffer = command_line;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(nullptr, &buffer[0], nullptr, nullptr, FALSE, 0, nullptr,
                      current_dir.empty() ? nullptr : current_dir.value().c_str(), &startup,
                      &info)) {
    return run;
  }
  run.started = true;
  CloseHandle(info.hThread);
  const ULONGLONG deadline = GetTickCount64() + kProgramRunLimitMs;
  HWND answered = nullptr;
  while (GetTickCount64() < deadline) {
    const DWORD wait = MsgWaitForMultipleObjects(1, &info.hProcess, FALSE, kPollMs, QS_ALLINPUT);
    if (wait == WAIT_OBJECT_0) {
      run.finished = true;
      break;
    }
    PumpPending();
    HWND box = FindMessageBoxOf(info.dwProcessId);
    if (!box || box == answered) continue;
    // Give the box's own set-up (button texts) time to finish.
    Sleep(300);
    DialogSeen seen;
    seen.caption = WindowText(box);
    EnumChildWindows(box, CollectChildProc, reinterpret_cast<LPARAM>(&seen));
    run.dialogs.push_back(seen);
    answered = box;
    Answer(box, action);
  }
  if (!run.finished) {
    TerminateProcess(info.hProcess, 1);
    WaitForSingleObject(info.hProcess, 5000);
  }
  DWORD code = 0;
  GetExitCodeProcess(info.hProcess, &code);
  run.exit_code = code;
  CloseHandle(info.hProcess);
  return run;
}

HeldMutex::HeldMutex(const std::wstring& name, bool refuse_others) {
  handle_ =
      refuse_others ? test::CreateRefusingMutex(name) : CreateMutexW(nullptr, FALSE, name.c_str());
}

HeldMutex::~HeldMutex() {
  if (handle_) CloseHandle(static_cast<HANDLE>(handle_));
}

std::string DeviceIdText() {
  char buffer[kDeviceIdLength + 1] = {};
  if (!GetDeviceId(buffer, sizeof(buffer))) return std::string();
  return buffer;
}

}  // namespace scenario
}  // namespace corvane
