#include "base/command_line.h"

#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"

namespace corvane {

namespace {

// Tried in this order, so "--" is one prefix and not "-" twice.
const wchar_t* const kSwitchPrefixes[] = {L"--", L"-", L"/"};
constexpr wchar_t kSwitchTerminator[] = L"--";
constexpr wchar_t kSwitchValueSeparator = L'=';

size_t GetSwitchPrefixLength(std::wstring_view arg) {
  for (const wchar_t* prefix : kSwitchPrefixes) {
    std::wstring_view p(prefix);
    if (arg.size() > p.size() && arg.substr(0, p.size()) == p) return p.size();
  }
  return 0;
}

// Whether a switch without a value still needs its '=': an empty key would
// read back as the terminator or a loose argument, and trailing white space
// would be trimmed away by the parser.
bool KeepsSeparator(std::wstring_view switch_text, size_t prefix_length) {
  return switch_text.size() == prefix_length ||
         TrimWhitespace(switch_text).size() != switch_text.size();
}

// Length of the prefix a name given to AppendSwitch already carries.
size_t GivenPrefixLength(std::wstring_view name) {
  for (const wchar_t* prefix : kSwitchPrefixes) {
    std::wstring_view p(prefix);
    if (name.substr(0, p.size()) == p) return p.size();
  }
  return 0;
}

}  // namespace

CommandLine::CommandLine() : argv_(1) {}

CommandLine::CommandLine(const FilePath& program) : argv_(1) { SetProgram(program); }

CommandLine::CommandLine(const StringVector& argv) : argv_(1) { InitFromArgv(argv); }

void CommandLine::InitFromArgv(const StringVector& argv) {
  argv_ = StringVector(1);
  switches_.clear();
  begin_args_ = 1;
  SetProgram(argv.empty() ? FilePath() : FilePath(argv[0]));
  AppendSwitchesAndArguments(argv);
}

FilePath CommandLine::GetProgram() const { return FilePath(argv_[0]); }

void CommandLine::SetProgram(const FilePath& program) {
  argv_[0] = TrimWhitespace(program.value());
}

bool CommandLine::SplitProgramOnly(std::wstring_view text, std::wstring* program) {
  if (text.empty()) return false;
  if (text.front() == L'"') {
    // The system reads a quoted program up to the next quote, without escapes.
    const size_t close = text.find(L'"', 1);
    if (close != text.size() - 1 || close == 1) return false;
    program->assign(text.substr(1, close - 1));
    return true;
  }
  // Unquoted, the program ends at the first blank; any white space or quote
  // is left to the system.
  if (text.find_first_of(L" \t\n\v\f\r\"") != std::wstring_view::npos) return false;
  program->assign(text);
  return true;
}

bool CommandLine::IsSwitch(std::wstring_view arg, std::wstring* switch_text, std::wstring* value) {
  size_t prefix = GetSwitchPrefixLength(arg);
  if (prefix == 0) return false;
  size_t equals = arg.find(kSwitchValueSeparator);
  std::wstring_view text = arg.substr(0, equals);
  if (switch_text) *switch_text = std::wstring(text);
  if (value) {
    *value =
        equals == std::wstring_view::npos ? std::wstring() : std::wstring(arg.substr(equals + 1));
  }
  return true;
}

bool CommandLine::HasSwitch(std::string_view name) const {
  return switches_.count(ToLowerASCII(name)) != 0;
}

std::string CommandLine::GetSwitchValueASCII(std::string_view name) const {
  std::wstring value = GetSwitchValueNative(name);
  if (!IsStringASCII(value)) return std::string();
  return WideToASCII(value);
}

std::wstring CommandLine::GetSwitchValueNative(std::string_view name) const {
  auto it = switches_.find(ToLowerASCII(name));
  return it == switches_.end() ? std::wstring() : it->second;
}

FilePath CommandLine::GetSwitchValuePath(std::string_view name) const {
  return FilePath(GetSwitchValueNative(name));
}

void CommandLine::AppendSwitch(std::string_view name) { AppendSwitchNative(name, L""); }

void CommandLine::AppendSwitchNative(std::string_view name, std::wstring_view value) {
  std::wstring text = UTF8ToWide(name);
  size_t prefix = GivenPrefixLength(text);
  if (prefix == 0) {
    text.insert(0, kSwitchPrefixes[0]);
    prefix = 2;
  }
  AppendPrefixedSwitch(prefix, text, value);
}

void CommandLine::AppendSwitchASCII(std::string_view name, std::string_view value) {
  AppendSwitchNative(name, ASCIIToWide(value));
}

void CommandLine::AppendSwitchPath(std::string_view name, const FilePath& path) {
  AppendSwitchNative(name, path.value());
}

void CommandLine::AppendPrefixedSwitch(size_t prefix_length, std::wstring_view switch_text,
                                       std::wstring_view value) {
  std::wstring lowered = ToLowerASCII(switch_text);
  switches_[WideToUTF8(std::wstring_view(lowered).substr(prefix_length))] = std::wstring(value);
  std::wstring arg = lowered;
  if (!value.empty() || KeepsSeparator(lowered, prefix_length))
    arg.push_back(kSwitchValueSeparator);
  arg.append(value);
  argv_.insert(argv_.begin() + static_cast<std::ptrdiff_t>(begin_args_), std::move(arg));
  ++begin_args_;
}

void CommandLine::RemoveSwitch(std::string_view name) {
  std::string key = ToLowerASCII(name);
  if (switches_.erase(key) == 0) return;
  for (size_t i = 1; i < begin_args_;) {
    std::wstring text;
    if (IsSwitch(argv_[i], &text, nullptr) &&
        WideToUTF8(std::wstring_view(text).substr(GetSwitchPrefixLength(argv_[i]))) == key) {
      argv_.erase(argv_.begin() + static_cast<std::ptrdiff_t>(i));
      --begin_args_;
    } else {
      ++i;
    }
  }
}

void CommandLine::AppendArg(std::string_view utf8) { AppendArgNative(UTF8ToWide(utf8)); }

void CommandLine::AppendArgNative(std::wstring_view value) { argv_.emplace_back(value); }

void CommandLine::AppendArgPath(const FilePath& path) { AppendArgNative(path.value()); }

CommandLine CommandLine::WithArgumentsOf(const FilePath& program, const CommandLine* other) {
  CommandLine command_line(program);
  if (other) command_line.AppendArguments(*other, false);
  return command_line;
}

void CommandLine::AppendArguments(const CommandLine& other, bool include_program) {
  if (include_program) SetProgram(other.GetProgram());
  AppendSwitchesAndArguments(other.argv());
}

void CommandLine::AppendSwitchesAndArguments(const StringVector& argv) {
  bool parse_switches = true;
  for (size_t i = 1; i < argv.size(); ++i) {
    std::wstring arg = TrimWhitespace(argv[i]);
    std::wstring switch_text;
    std::wstring value;
    parse_switches &= arg != kSwitchTerminator;
    if (parse_switches && IsSwitch(arg, &switch_text, &value)) {
      AppendPrefixedSwitch(GetSwitchPrefixLength(arg), switch_text, value);
    } else {
      AppendArgNative(arg);
    }
  }
}

CommandLine::StringVector CommandLine::GetArgs() const {
  // Everything after the switches, without the first "--" terminator.
  StringVector args(argv_.begin() + static_cast<std::ptrdiff_t>(begin_args_), argv_.end());
  for (auto it = args.begin(); it != args.end(); ++it) {
    if (*it == kSwitchTerminator) {
      args.erase(it);
      break;
    }
  }
  return args;
}

std::wstring CommandLine::QuoteForCommandLine(std::wstring_view arg) {
  // An empty argument written bare would vanish from the line.
  if (arg.empty()) return L"\"\"";
  if (arg.find_first_of(L" \t\\\"") == std::wstring_view::npos) return std::wstring(arg);
  std::wstring out(1, L'"');
  for (size_t i = 0; i < arg.size(); ++i) {
    if (arg[i] == L'\\') {
      size_t end = arg.find_first_not_of(L'\\', i);
      size_t run = (end == std::wstring_view::npos ? arg.size() : end) - i;
      // Backslashes before a quote (the closing one included) are doubled.
      bool before_quote = end == std::wstring_view::npos || arg[end] == L'"';
      out.append(before_quote ? run * 2 : run, L'\\');
      i += run - 1;
    } else if (arg[i] == L'"') {
      out.append(L"\\\"");
    } else {
      out.push_back(arg[i]);
    }
  }
  out.push_back(L'"');
  return out;
}

std::wstring CommandLine::QuoteProgramForCommandLine(std::wstring_view program) {
  if (!program.empty() && program.find_first_of(L" \t\\\"") == std::wstring_view::npos)
    return std::wstring(program);
  return L"\"" + std::wstring(program) + L"\"";
}

std::wstring CommandLine::GetCommandLineString() const {
  std::wstring out = QuoteProgramForCommandLine(argv_[0]);
  std::wstring args = GetArgumentsString();
  if (!args.empty()) {
    out.push_back(L' ');
    out.append(args);
  }
  return out;
}

std::wstring CommandLine::GetArgumentsString() const {
  std::wstring out;
  bool parse_switches = true;
  for (size_t i = 1; i < argv_.size(); ++i) {
    const std::wstring& arg = argv_[i];
    std::wstring switch_text;
    std::wstring value;
    parse_switches &= arg != kSwitchTerminator;
    if (i > 1) out.push_back(L' ');
    if (parse_switches && IsSwitch(arg, &switch_text, &value)) {
      // A switch text holding a space, tab or quote would split (or swallow
      // the rest of the line) unquoted; plain ones stay bare.
      if (switch_text.find_first_of(L" \t\"") != std::wstring::npos)
        out.append(QuoteForCommandLine(switch_text));
      else
        out.append(switch_text);
      if (!value.empty() || KeepsSeparator(switch_text, GetSwitchPrefixLength(arg)))
        out.push_back(kSwitchValueSeparator);
      if (!value.empty()) out.append(QuoteForCommandLine(value));
    } else {
      out.append(QuoteForCommandLine(arg));
    }
  }
  return out;
}

}  // namespace corvane
