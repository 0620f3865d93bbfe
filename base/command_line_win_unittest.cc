#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "base/command_line.h"
#include "test/support/scoped_command_line.h"

namespace corvane {
namespace {

using StringVector = CommandLine::StringVector;

// The real system splitter, without any of our own code in between.
StringVector SplitWithSystem(const std::wstring& text) {
  int count = 0;
  LPWSTR* args = ::CommandLineToArgvW(text.c_str(), &count);
  StringVector out;
  if (!args) return out;
  for (int i = 0; i < count; ++i) out.emplace_back(args[i]);
  ::LocalFree(args);
  return out;
}

// --- The writing rules, restated independently for the property test. ---

struct Segment {
  std::wstring text;
  bool quoted;
};

bool NeedsQuotes(const std::wstring& text) {
  return text.empty() || text.find_first_of(L" \t\\\"") != std::wstring::npos;
}

Segment ValueSegment(const std::wstring& text) { return {text, NeedsQuotes(text)}; }

size_t PrefixLength(const std::wstring& arg) {
  if (arg.size() > 2 && arg.compare(0, 2, L"--") == 0) return 2;
  if (arg.size() > 1 && (arg[0] == L'-' || arg[0] == L'/')) return 1;
  return 0;
}

// How one argument is written: bare or quoted pieces, in order.
std::vector<Segment> WrittenSegments(const std::wstring& arg, bool switches_allowed) {
  if (switches_allowed && PrefixLength(arg) != 0) {
    size_t equals = arg.find(L'=');
    std::wstring text = arg.substr(0, equals);
    std::wstring value = equals == std::wstring::npos ? L"" : arg.substr(equals + 1);
    std::vector<Segment> out;
    out.push_back({text, text.find_first_of(L" \t\"") != std::wstring::npos});
    // The '=' stays for an empty key or a text ending in white space.
    constexpr std::wstring_view kTrimmed = L" \t\n\v\f\r\u00a0\u3000";
    if (!value.empty() || text.size() == PrefixLength(arg) ||
        kTrimmed.find(text.back()) != std::wstring_view::npos) {
      out.push_back({L"=", false});
    }
    if (!value.empty()) out.push_back(ValueSegment(value));
    return out;
  }
  return {ValueSegment(arg)};
}

// What the system splitter gives back for the segments of one argument: a
// tab outside quotes would separate (the writer quotes every tab).
StringVector ExpectedTokens(const std::vector<Segment>& segments) {
  StringVector out;
  std::wstring current;
  bool started = false;
  for (const Segment& segment : segments) {
    if (segment.quoted) {
      current += segment.text;
      started = true;
      continue;
    }
    for (wchar_t c : segment.text) {
      if (c == L'\t') {
        if (started) out.push_back(current);
        current.clear();
        started = false;
      } else {
        current.push_back(c);
        started = true;
      }
    }
  }
  if (started) out.push_back(current);
  return out;
}

class ArgumentGenerator {
 public:
  explicit ArgumentGenerator(uint32_t seed) : random_(seed) {}

  std::wstring Text(int max_fragments) {
    static const wchar_t* const kFragments[] = {
        L" ",          L"\t", L"\"", L"\\",  L"\\\\",      L"\\\\\\",
        L"--",         L"-",  L"/",  L"=",   L"\u00E9",    L"\u4E2D",
        L"\U0001F600", L"a",  L"Z",  L"x y", L"C:\\dir\\", L"\\\"",
    };
    std::wstring out;
    int count = Below(max_fragments + 1);
    for (int i = 0; i < count; ++i) out += kFragments[Below(std::size(kFragments))];
    return out;
  }

  std::string Key() {
    static const char kLetters[] = "abcXYZ09_.";
    std::string out(1, "aBc"[Below(3)]);
    int extra = Below(4);
    for (int i = 0; i < extra; ++i) out.push_back(kLetters[Below(sizeof(kLetters) - 1)]);
    if (Below(4) == 0) out += "\xC3\xA9";  // é
    return out;
  }

  int Below(size_t n) {
    return static_cast<int>(std::uniform_int_distribution<size_t>(0, n - 1)(random_));
  }

 private:
  std::mt19937 random_;
};

std::string ToLower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::wstring Widen(const std::string& utf8) {
  int size =
      ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &out[0], size);
  return out;
}

TEST(CommandLineWinTest, WrittenLineSplitsBackAsTheRulesSay) {
  constexpr int kCases = 2000;
  ArgumentGenerator generate(20240611);
  const std::wstring program = L"C:\\Program Files\\Corvane Test\\child.exe";
  int switch_count = 0;
  int terminator_count = 0;
  for (int n = 0; n < kCases; ++n) {
    CommandLine cl{FilePath(program)};
    // The model: switches in order, then loose arguments in order.
    StringVector model_switches;
    StringVector model_loose;
    bool terminated = false;
    int count = generate.Below(7);
    for (int i = 0; i < count; ++i) {
      int kind = generate.Below(10);
      if (kind < 4) {
        std::string key = generate.Key();
        std::wstring value = generate.Below(5) == 0 ? L"" : generate.Text(5);
        cl.AppendSwitchNative(key, value);
        model_switches.push_back(L"--" + Widen(ToLower(key)) +
                                 (value.empty() ? L"" : L"=" + value));
        ++switch_count;
      } else if (kind == 4 && !terminated) {
        cl.AppendArgNative(L"--");
        model_loose.push_back(L"--");
        terminated = true;
        ++terminator_count;
      } else {
        std::wstring loose = generate.Text(6);
        cl.AppendArgNative(loose);
        model_loose.push_back(loose);
      }
    }

    std::wstring written = cl.GetCommandLineString();
    SCOPED_TRACE(testing::Message() << "case " << n << ": " << testing::PrintToString(written));
    StringVector expected;
    expected.push_back(program);
    bool switches_allowed = true;
    for (const std::wstring& arg : model_switches) {
      for (const std::wstring& token : ExpectedTokens(WrittenSegments(arg, true)))
        expected.push_back(token);
    }
    for (const std::wstring& arg : model_loose) {
      if (arg == L"--") switches_allowed = false;
      for (const std::wstring& token : ExpectedTokens(WrittenSegments(arg, switches_allowed)))
        expected.push_back(token);
    }
    ASSERT_EQ(SplitWithSystem(written), expected);
  }
  // The generator really produced both kinds.
  EXPECT_GT(switch_count, kCases);
  EXPECT_GT(terminator_count, kCases / 4);
}

TEST(CommandLineWinTest, ParsedBackSwitchesMatch) {
  // Where neither tabs nor outer white space are involved, parsing the
  // written line again gives the same switch map.
  ArgumentGenerator generate(7);
  int checked = 0;
  for (int n = 0; n < 500; ++n) {
    CommandLine cl{FilePath(L"C:\\p.exe")};
    int count = generate.Below(5) + 1;
    for (int i = 0; i < count; ++i) {
      std::wstring value = generate.Text(4);
      // Parsing trims each argument, so outer white space is no value a
      // parsed line can hold.
      if (!value.empty() && (value.front() == L' ' || value.back() == L' ' ||
                             value.front() == L'\t' || value.back() == L'\t')) {
        continue;
      }
      cl.AppendSwitchNative(generate.Key(), value);
    }
    CommandLine parsed = CommandLine::FromString(cl.GetCommandLineString());
    EXPECT_EQ(parsed.GetSwitches(), cl.GetSwitches())
        << testing::PrintToString(cl.GetCommandLineString());
    EXPECT_EQ(parsed.GetProgram(), cl.GetProgram());
    ++checked;
  }
  EXPECT_EQ(checked, 500);
}

// Lines the launcher holds after parsing its own: written and parsed again,
// each gives back the same program, switches and loose arguments.
TEST(CommandLineWinTest, ParsedLinesSurviveTheirRoundTrip) {
  const wchar_t* const kLines[] = {
      L"\"C:\\dir\\app.exe\" \"--v=a\tb\" --w=1",
      L"C:\\p.exe --= --launcher_api=edit_config --cur_path=2.0.1",
      L"C:\\p.exe -= /= --after=1",
      L"C:\\p.exe \"--a b \" --c=1 loose",
      L"\"C:\\dir with space\\\" --x=1",
      L"\"C:\\dir\\\" --x=1 \"tab\there\"",
  };
  for (const wchar_t* line : kLines) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(line)));
    const CommandLine first = CommandLine::FromString(line);
    CommandLine again = CommandLine::FromString(first.GetCommandLineString());
    for (int round = 0; round < 2; ++round) {
      EXPECT_EQ(again.GetProgram(), first.GetProgram());
      EXPECT_EQ(again.GetSwitches(), first.GetSwitches());
      EXPECT_EQ(again.GetArgs(), first.GetArgs());
      EXPECT_EQ(again.argv(), first.argv());
      again = CommandLine::FromString(again.GetCommandLineString());
    }
  }
  // An empty key keeps the switches after it switches.
  const CommandLine relaunch = CommandLine::FromString(
      CommandLine::FromString(L"l.exe --= --launcher_api=edit_config").GetCommandLineString());
  EXPECT_EQ(relaunch.GetSwitchValueNative("launcher_api"), L"edit_config");
}

TEST(CommandLineWinTest, FromStringTrimsAndSplits) {
  CommandLine cl =
      CommandLine::FromString(L"  \"C:\\a b\\p.exe\" --X=\"1 2\" loose \"-y\"  -- --z  ");
  EXPECT_EQ(cl.GetProgram().value(), L"C:\\a b\\p.exe");
  EXPECT_EQ(cl.GetSwitchValueNative("x"), L"1 2");
  EXPECT_TRUE(cl.HasSwitch("y"));
  EXPECT_FALSE(cl.HasSwitch("z"));
  EXPECT_EQ(cl.GetArgs(), (StringVector{L"loose", L"--z"}));

  CommandLine empty = CommandLine::FromString(L"   ");
  EXPECT_TRUE(empty.GetProgram().empty());
  EXPECT_TRUE(empty.GetSwitches().empty());
}

TEST(CommandLineWinTest, SplitUsesTheSystemRules) {
  StringVector argv;
  ASSERT_TRUE(CommandLine::SplitCommandLine(L"p.exe \"a\\\\\\\"b\" c\\\\d \"\"", &argv));
  EXPECT_EQ(argv, (StringVector{L"p.exe", L"a\\\"b", L"c\\\\d", L""}));
}

// A program alone is taken as the system splits it; the rest goes to the system.
TEST(CommandLineWinTest, ProgramAloneSplitsAsTheSystemDoes) {
  const std::pair<const wchar_t*, bool> kCases[] = {
      {L"corvane_launcher.exe", true},
      {L"\"C:\\Program Files\\C\\l.exe\"", true},
      {L"\"C:\\dir\\\"", true},  // no escapes in the program: the backslash stays
      {L"\"C:\\a b\\l.exe\" --autorun", false},
      {L"\"C:\\a b\\l.exe\"tail", false},
      {L"\"C:\\a b\\l.exe", false},
      {L"l.exe\tx", false}};
  for (const auto& [text, program_only] : kCases) {
    SCOPED_TRACE(text);
    std::wstring program;
    EXPECT_EQ(CommandLine::SplitProgramOnly(text, &program), program_only);
    StringVector argv;
    ASSERT_TRUE(CommandLine::SplitCommandLine(text, &argv));
    EXPECT_EQ(argv, SplitWithSystem(text));
    EXPECT_TRUE(!program_only || argv == StringVector{program});
  }
}

TEST(CommandLineWinTest, InitOnceForTheProcess) {
  test::ScopedCommandLine none;
  EXPECT_EQ(CommandLine::ForCurrentProcess(), nullptr);
  ASSERT_TRUE(CommandLine::Init(0, nullptr));
  CommandLine* current = CommandLine::ForCurrentProcess();
  ASSERT_NE(current, nullptr);
  // A second call changes nothing.
  EXPECT_FALSE(CommandLine::Init(0, nullptr));
  EXPECT_EQ(CommandLine::ForCurrentProcess(), current);
  StringVector system = SplitWithSystem(::GetCommandLineW());
  ASSERT_FALSE(system.empty());
  EXPECT_EQ(current->GetProgram().value(), system[0]);
}

}  // namespace
}  // namespace corvane
