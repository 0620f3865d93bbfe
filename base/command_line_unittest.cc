#include "base/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corvane {
namespace {

using StringVector = CommandLine::StringVector;

struct ParseCase {
  StringVector argv;
  // key=value pairs expected in the switch map, in map order.
  std::vector<std::pair<std::string, std::wstring>> switches;
  StringVector args;
  // The argument list after parsing (program excluded).
  StringVector stored;
};

TEST(CommandLineTest, ParsesArgumentVectors) {
  const ParseCase kCases[] = {
      // Upper-case keys are stored lower-case, the prefix stays in the list.
      {{L"p.exe", L"--Foo=Bar"}, {{"foo", L"Bar"}}, {}, {L"--foo=Bar"}},
      // Every prefix; "--" is one prefix, not "-" twice.
      {{L"p.exe", L"-a", L"/b=1", L"--c"},
       {{"a", L""}, {"b", L"1"}, {"c", L""}},
       {},
       {L"-a", L"/b=1", L"--c"}},
      // A prefix alone is no switch.
      {{L"p.exe", L"-", L"/", L"--"}, {}, {L"-", L"/"}, {L"-", L"/", L"--"}},
      // After a lone "--" everything is loose.
      {{L"p.exe", L"--a", L"--", L"--x", L"-y"},
       {{"a", L""}},
       {L"--x", L"-y"},
       {L"--a", L"--", L"--x", L"-y"}},
      // The later value wins; both stay in the list.
      {{L"p.exe", L"--a=1", L"--a=2"}, {{"a", L"2"}}, {}, {L"--a=1", L"--a=2"}},
      // Loose arguments given first end up behind the switches.
      {{L"p.exe", L"loose", L"--s=v", L"two"},
       {{"s", L"v"}},
       {L"loose", L"two"},
       {L"--s=v", L"loose", L"two"}},
      // The value runs from the first '='; it keeps later '=' and its case.
      {{L"p.exe", L"--k=a=B"}, {{"k", L"a=B"}}, {}, {L"--k=a=B"}},
      // Each argument is trimmed before it is looked at.
      {{L"p.exe", L"  --t=x  ", L" \tloose "}, {{"t", L"x"}}, {L"loose"}, {L"--t=x", L"loose"}},
      // Empty value, and an empty key.
      {{L"p.exe", L"--e=", L"--=v"}, {{"", L"v"}, {"e", L""}}, {}, {L"--e", L"--=v"}},
      // Non-ASCII keys and values survive; only ASCII letters are lowered.
      {{L"p.exe", L"--\u00C9T\u00C9=\u4E2D"},
       {{"\xC3\x89t\xC3\x89", L"\u4E2D"}},
       {},
       {L"--\u00C9t\u00C9=\u4E2D"}},
  };
  for (const ParseCase& c : kCases) {
    SCOPED_TRACE(::testing::PrintToString(c.argv.size() > 1 ? c.argv[1] : L""));
    CommandLine cl(c.argv);
    EXPECT_EQ(cl.GetProgram().value(), c.argv[0]);
    std::vector<std::pair<std::string, std::wstring>> switches(cl.GetSwitches().begin(),
                                                               cl.GetSwitches().end());
    EXPECT_EQ(switches, c.switches);
    EXPECT_EQ(cl.GetArgs(), c.args);
    StringVector stored(cl.argv().begin() + 1, cl.argv().end());
    EXPECT_EQ(stored, c.stored);
  }
}

TEST(CommandLineTest, SwitchLookupIgnoresCase) {
  CommandLine cl(StringVector{L"p.exe", L"--Foo=Bar", L"/WIDE=\u00E9t\u00E9"});
  EXPECT_TRUE(cl.HasSwitch("foo"));
  EXPECT_TRUE(cl.HasSwitch("FOO"));
  EXPECT_FALSE(cl.HasSwitch("fo"));
  EXPECT_EQ(cl.GetSwitchValueASCII("Foo"), "Bar");
  EXPECT_EQ(cl.GetSwitchValueNative("foo"), L"Bar");
  // Not ASCII: the ASCII form is empty, the native one is the value.
  EXPECT_EQ(cl.GetSwitchValueASCII("wide"), "");
  EXPECT_EQ(cl.GetSwitchValueNative("wide"), L"\u00E9t\u00E9");
  EXPECT_EQ(cl.GetSwitchValueASCII("absent"), "");
  EXPECT_EQ(cl.GetSwitchValueNative("absent"), L"");
}

struct WriteCase {
  const char* name;
  std::wstring value;
  std::wstring written;
};

TEST(CommandLineTest, WritesSwitchValues) {
  const WriteCase kCases[] = {
      {"plain", L"value", L"--plain=value"},
      {"Upper", L"V", L"--upper=V"},
      {"-single", L"x", L"-single=x"},
      {"/slash", L"", L"/slash"},
      {"empty", L"", L"--empty"},
      // A path ending in a backslash: quoted, final backslash doubled.
      {"path", L"C:\\Program Files\\App\\", L"--path=\"C:\\Program Files\\App\\\\\""},
      {"exe", L"C:\\dir\\app.exe", L"--exe=\"C:\\dir\\app.exe\""},
      {"quote", L"say \"hi\"", L"--quote=\"say \\\"hi\\\"\""},
      // A tab splits like a space, so it is quoted like one.
      {"tab", L"a\tb", L"--tab=\"a\tb\""},
      // Backslashes before a quote are doubled, others kept.
      {"bsq", L"a\\\\\"b\\c", L"--bsq=\"a\\\\\\\\\\\"b\\c\""},
      {"space", L"a b", L"--space=\"a b\""},
      // A name ending in any white space the parser trims keeps its '='
      // (a carriage return was found by the fuzzer).
      {"cr\r", L"", L"--cr\r="},
      {"nbsp\xC2\xA0", L"", L"--nbsp\u00a0="},
  };
  for (const WriteCase& c : kCases) {
    SCOPED_TRACE(c.name);
    CommandLine cl(FilePath(L"p.exe"));
    cl.AppendSwitchNative(c.name, c.value);
    EXPECT_EQ(cl.GetArgumentsString(), c.written);
  }
}

TEST(CommandLineTest, QuotesArguments) {
  const std::pair<std::wstring, std::wstring> kCases[] = {
      {L"plain", L"plain"},
      {L"", L"\"\""},
      {L"a b", L"\"a b\""},
      {L"tab\tonly", L"\"tab\tonly\""},
      {L"back\\slash", L"\"back\\slash\""},
      {L"trail\\", L"\"trail\\\\\""},
      {L"trail\\\\", L"\"trail\\\\\\\\\""},
      {L"q\"", L"\"q\\\"\""},
      {L"\\\"", L"\"\\\\\\\"\""},
      {L"\u4E2D\u6587", L"\u4E2D\u6587"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(CommandLine::QuoteForCommandLine(c.first), c.second)
        << ::testing::PrintToString(c.first);
  }
}

TEST(CommandLineTest, BuildsCommandLineString) {
  CommandLine cl(FilePath(L"C:\\Program Files\\App\\app.exe"));
  EXPECT_EQ(cl.GetCommandLineString(), L"\"C:\\Program Files\\App\\app.exe\"");
  cl.AppendArg("loose one");
  cl.AppendSwitch("first");
  cl.AppendSwitchASCII("Second", "2");
  cl.AppendSwitchPath("dir", FilePath(L"C:\\d\\"));
  // Switches are written ahead of the loose argument added before them.
  EXPECT_EQ(cl.GetArgumentsString(), L"--first --second=2 --dir=\"C:\\d\\\\\" \"loose one\"");
  EXPECT_EQ(cl.GetCommandLineString(),
            L"\"C:\\Program Files\\App\\app.exe\" --first --second=2 --dir=\"C:\\d\\\\\" "
            L"\"loose one\"");
}

TEST(CommandLineTest, LooseArgumentThatLooksLikeASwitch) {
  CommandLine cl(FilePath(L"p.exe"));
  cl.AppendArg("--Repair_Install");
  // Loose in the model, written like a switch (as given).
  EXPECT_FALSE(cl.HasSwitch("repair_install"));
  EXPECT_EQ(cl.GetArgs(), StringVector{L"--Repair_Install"});
  EXPECT_EQ(cl.GetArgumentsString(), L"--Repair_Install");

  // After a "--" nothing is written as a switch: the value part is quoted
  // as a whole.
  CommandLine terminated(FilePath(L"p.exe"));
  terminated.AppendArg("--");
  terminated.AppendArg("--k=a b");
  EXPECT_EQ(terminated.GetArgumentsString(), L"-- \"--k=a b\"");
  // Before it, the switch text stays bare and the value is quoted.
  CommandLine plain(FilePath(L"p.exe"));
  plain.AppendArg("--k=a b");
  EXPECT_EQ(plain.GetArgumentsString(), L"--k=\"a b\"");
}

TEST(CommandLineTest, SwitchTextThatWouldBreakTheLineIsQuoted) {
  // A switch-like loose argument whose key holds a space or a quote would
  // split or swallow the rest of the line if written bare.
  CommandLine cl(FilePath(L"p.exe"));
  cl.AppendArgNative(L"--a b=c");
  cl.AppendArgNative(L"-q\"x");
  cl.AppendArgNative(L"after");
  EXPECT_EQ(cl.GetArgumentsString(), L"\"--a b\"=c \"-q\\\"x\" after");
}

TEST(CommandLineTest, AppendArgumentsParsesTheOther) {
  CommandLine other(StringVector{L"other.exe"});
  other.AppendArgNative(L"--From=Other");
  other.AppendArgNative(L"loose");
  other.AppendArgNative(L"--");
  other.AppendArgNative(L"--late");

  CommandLine cl(FilePath(L"mine.exe"));
  cl.AppendSwitch("mine");
  cl.AppendArguments(other, false);
  EXPECT_EQ(cl.GetProgram().value(), L"mine.exe");
  EXPECT_TRUE(cl.HasSwitch("from"));
  EXPECT_EQ(cl.GetSwitchValueNative("from"), L"Other");
  EXPECT_FALSE(cl.HasSwitch("late"));
  EXPECT_EQ(cl.GetArgs(), (StringVector{L"loose", L"--late"}));
  EXPECT_EQ(cl.GetArgumentsString(), L"--mine --from=Other loose -- --late");

  CommandLine with_program(FilePath(L"mine.exe"));
  with_program.AppendArguments(other, true);
  EXPECT_EQ(with_program.GetProgram().value(), L"other.exe");
}

TEST(CommandLineTest, AppendSwitchKeepsGivenPrefix) {
  CommandLine cl(FilePath(L"p.exe"));
  cl.AppendSwitch("-Short");
  cl.AppendSwitchASCII("/Slash", "v");
  cl.AppendSwitchASCII("a", "1");
  cl.AppendSwitchASCII("A", "2");
  EXPECT_EQ(cl.GetArgumentsString(), L"-short /slash=v --a=1 --a=2");
  EXPECT_EQ(cl.GetSwitchValueASCII("a"), "2");
  EXPECT_TRUE(cl.HasSwitch("short"));
  cl.RemoveSwitch("A");
  EXPECT_FALSE(cl.HasSwitch("a"));
  EXPECT_EQ(cl.GetArgumentsString(), L"-short /slash=v");
}

}  // namespace
}  // namespace corvane
