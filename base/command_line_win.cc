#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <utility>

#include "base/command_line.h"
#include "base/strings/string_util.h"

namespace corvane {

namespace {

CommandLine* g_current_process = nullptr;

using CommandLineToArgvWFunction = LPWSTR*(WINAPI*)(LPCWSTR, int*);

// The downlevel shell module when the system has it, else shell32's export.
CommandLineToArgvWFunction GetCommandLineToArgvW() {
  static CommandLineToArgvWFunction function = [] {
    HMODULE module = ::LoadLibraryExW(L"api-ms-win-downlevel-shell32-l1-1-0.dll", nullptr,
                                      LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module) {
      auto found = reinterpret_cast<CommandLineToArgvWFunction>(
          reinterpret_cast<void*>(::GetProcAddress(module, "CommandLineToArgvW")));
      if (found) return found;
    }
    return &::CommandLineToArgvW;
  }();
  return function;
}

struct LocalFreeDeleter {
  void operator()(LPWSTR* argv) const { ::LocalFree(argv); }
};

}  // namespace

bool CommandLine::SplitCommandLine(std::wstring_view command_line, StringVector* argv) {
  argv->clear();
  std::wstring text = TrimWhitespace(command_line);
  // The system answers an empty text with the path of this executable.
  if (text.empty()) return true;
  std::wstring program;
  if (SplitProgramOnly(text, &program)) {
    argv->push_back(std::move(program));
    return true;
  }
  int count = 0;
  std::unique_ptr<LPWSTR, LocalFreeDeleter> args(GetCommandLineToArgvW()(text.c_str(), &count));
  if (!args) return false;
  for (int i = 0; i < count; ++i) argv->emplace_back(args.get()[i]);
  return true;
}

CommandLine CommandLine::FromString(std::wstring_view command_line) {
  StringVector argv;
  if (!SplitCommandLine(command_line, &argv)) return CommandLine();
  return CommandLine(argv);
}

bool CommandLine::Init(int /*argc*/, const char* const* /*argv*/) {
  if (g_current_process) return false;
  StringVector argv;
  if (!SplitCommandLine(::GetCommandLineW(), &argv)) return false;
  g_current_process = new CommandLine(argv);
  return true;
}

CommandLine* CommandLine::ForCurrentProcess() { return g_current_process; }

void CommandLine::ResetForTesting() {
  delete g_current_process;
  g_current_process = nullptr;
}

}  // namespace corvane
