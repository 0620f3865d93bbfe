#ifndef BASE_COMMAND_LINE_H_
#define BASE_COMMAND_LINE_H_

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/files/file_path.h"

namespace corvane {

// The switch model of a command line. argv_[0] is the program; switches
// (with their prefix, as given) come before all loose arguments; the switch
// map holds lower-case keys without prefix and wide values.
class CommandLine {
 public:
  using StringVector = std::vector<std::wstring>;
  using SwitchMap = std::map<std::string, std::wstring>;

  // An empty command line: no program, no arguments.
  CommandLine();
  explicit CommandLine(const FilePath& program);
  // Parses an argument vector (element 0 is the program) by the switch rules.
  explicit CommandLine(const StringVector& argv);

  CommandLine(const CommandLine&) = default;
  CommandLine& operator=(const CommandLine&) = default;
  CommandLine(CommandLine&&) = default;
  CommandLine& operator=(CommandLine&&) = default;

  // Creates the process-wide command line from GetCommandLineW (trimmed, split
  // with CommandLineToArgvW); |argc| and |argv| are not used. Reports false on
  // a second call or when the system cannot split the text (the process-wide
  // instance then stays absent).
  static bool Init(int argc, const char* const* argv);
  // The process-wide command line, nullptr before Init().
  static CommandLine* ForCurrentProcess();
  static void ResetForTesting();

  // Splits |command_line| like the process command line (trim, then
  // CommandLineToArgvW) and parses it. An unsplittable text gives an empty
  // command line.
  static CommandLine FromString(std::wstring_view command_line);

  // |program| with |other|'s switches and loose arguments (not its program),
  // in their order: what a started program gets passed on. Just |program|
  // when |other| is null.
  static CommandLine WithArgumentsOf(const FilePath& program, const CommandLine* other);

  // Argument splitting through CommandLineToArgvW (the downlevel shell module
  // when present, else shell32). False when the system call fails. A text
  // that is a program alone (SplitProgramOnly) is answered without the
  // system: loading the shell module costs milliseconds before the client's
  // start.
  static bool SplitCommandLine(std::wstring_view command_line, StringVector* argv);

  // True when the trimmed |text| is one program and nothing else, in a form
  // whose split CommandLineToArgvW fixes beyond doubt: a quoted non-empty
  // name whose closing quote ends the text, or a name with no white space
  // and no quote. Fills |program| as the system would give argument 0.
  // False for anything else (arguments, a missing closing quote, text after
  // it), which the system must split.
  static bool SplitProgramOnly(std::wstring_view text, std::wstring* program);

  // Replaces everything with the parse of |argv| (element 0 is the program).
  void InitFromArgv(const StringVector& argv);

  FilePath GetProgram() const;
  void SetProgram(const FilePath& program);

  bool HasSwitch(std::string_view name) const;
  // The value as UTF-8 when it is pure ASCII; otherwise, or when absent, "".
  std::string GetSwitchValueASCII(std::string_view name) const;
  std::wstring GetSwitchValueNative(std::string_view name) const;
  FilePath GetSwitchValuePath(std::string_view name) const;
  const SwitchMap& GetSwitches() const { return switches_; }

  // Key lower-cased; "--" put in front unless |name| already starts with a
  // switch prefix; "=value" when the value is not empty. Inserted behind the
  // last switch.
  void AppendSwitch(std::string_view name);
  void AppendSwitchNative(std::string_view name, std::wstring_view value);
  void AppendSwitchASCII(std::string_view name, std::string_view value);
  void AppendSwitchPath(std::string_view name, const FilePath& path);
  // Removes the key from the map and every argument that is that switch.
  void RemoveSwitch(std::string_view name);

  // Loose arguments, appended at the end (no parsing: "--x" stays loose in the
  // model, though it is written like a switch).
  void AppendArg(std::string_view utf8);
  void AppendArgNative(std::wstring_view value);
  void AppendArgPath(const FilePath& path);

  // Optionally takes |other|'s program, then parses |other|'s arguments 1..n
  // as at initialisation and adds them.
  void AppendArguments(const CommandLine& other, bool include_program);

  // The loose arguments (every argument that is not a parsed switch, and all
  // after a "--" terminator, the terminator excluded).
  StringVector GetArgs() const;
  const StringVector& argv() const { return argv_; }

  // Quoted program, then " " and the arguments string when there are any.
  std::wstring GetCommandLineString() const;
  // Arguments 1..n, each written by the writing rules, joined by one space.
  std::wstring GetArgumentsString() const;

  // Writing rules, exposed for tests and for callers that build command-line
  // text themselves.
  // Quotes |arg| when it is empty or holds a space, tab, backslash or double
  // quote, so that the system splits it back as one argument.
  static std::wstring QuoteForCommandLine(std::wstring_view arg);
  // The program as the first argument: the system reads it up to the closing
  // quote without escapes, so it is quoted as QuoteForCommandLine would
  // quote it but its backslashes are kept as they are.
  static std::wstring QuoteProgramForCommandLine(std::wstring_view program);
  // True when |arg| is a switch (prefix "--", "-" or "/", longer than the
  // prefix); fills the switch text (with prefix) and the value (after '=').
  static bool IsSwitch(std::wstring_view arg, std::wstring* switch_text, std::wstring* value);

 private:
  // Adds the arguments 1..n of |argv| by the parsing rules.
  void AppendSwitchesAndArguments(const StringVector& argv);
  // Adds a switch whose text already carries its prefix (|prefix_length|
  // characters of it).
  void AppendPrefixedSwitch(size_t prefix_length, std::wstring_view switch_text,
                            std::wstring_view value);

  StringVector argv_;
  SwitchMap switches_;
  // Index in argv_ where the next switch goes.
  size_t begin_args_ = 1;
};

}  // namespace corvane

#endif  // BASE_COMMAND_LINE_H_
