// The command line: any argument vector, written and split again by the
// system's rules, parses to the same arguments and switches, and writing
// that parse gives the same text.

#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/strings/utf_string_conversions.h"
#include "fuzz/fuzz_support.h"

namespace {

using corvane::CommandLine;

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// CommandLineToArgvW's rules for the text this writer produces (the Windows
// tests hold the writer to the real function): the program runs to the
// closing quote or the first blank, without escapes; then 2n backslashes
// before a quote give n and the quote toggles quoting, 2n+1 give n and a
// literal quote, other backslashes are literal; blanks outside quotes split.
CommandLine::StringVector SplitLikeTheSystem(const std::wstring& text) {
  CommandLine::StringVector argv;
  size_t i = 0;
  std::wstring program;
  if (i < text.size() && text[i] == L'"') {
    ++i;
    while (i < text.size() && text[i] != L'"') program.push_back(text[i++]);
    if (i < text.size()) ++i;
  } else {
    while (i < text.size() && !IsBlank(text[i])) program.push_back(text[i++]);
  }
  argv.push_back(program);
  for (;;) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i == text.size()) break;
    std::wstring arg;
    bool quoted = false;
    while (i < text.size() && (quoted || !IsBlank(text[i]))) {
      if (text[i] == L'\\') {
        size_t run = 0;
        while (i < text.size() && text[i] == L'\\') ++run, ++i;
        if (i < text.size() && text[i] == L'"') {
          arg.append(run / 2, L'\\');
          if (run % 2 == 1) {
            arg.push_back(L'"');
            ++i;
          }
        } else {
          arg.append(run, L'\\');
        }
      } else if (text[i] == L'"') {
        quoted = !quoted;
        ++i;
      } else {
        arg.push_back(text[i++]);
      }
    }
    argv.push_back(arg);
  }
  return argv;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  corvane::fuzz::QuietLogging();
  corvane::fuzz::InputReader input(data, size);
  CommandLine::StringVector argv;
  while (!input.empty() && argv.size() < 64) {
    argv.push_back(corvane::UTF8ToWide(input.TakePiece()));
  }
  if (argv.empty()) return 0;
  // A Windows path holds no quote, and the system cannot start a program
  // without a name; a blank first would give the system's empty name.
  const std::wstring& program = argv[0];
  if (program.empty() || program.find(L'"') != std::wstring::npos || IsBlank(program[0]))
    return 0;
  for (const std::wstring& arg : argv) {
    if (arg.find(L'\0') != std::wstring::npos) return 0;
  }

  CommandLine line(argv);
  std::wstring text = line.GetCommandLineString();
  CommandLine again(SplitLikeTheSystem(text));
  FUZZ_CHECK(again.argv() == line.argv());
  FUZZ_CHECK(again.GetSwitches() == line.GetSwitches());
  FUZZ_CHECK(again.GetArgs() == line.GetArgs());
  FUZZ_CHECK(again.GetCommandLineString() == text);
  return 0;
}
