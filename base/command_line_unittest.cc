#include "base/command_line.h"

#include <windows.h>
#include <shellapi.h>

#include "base/test/scoped_command_line.h"
#include "gtest/gtest.h"

namespace base {
namespace {

std::vector<std::wstring> SystemArgv(const std::wstring& line) {
  int count = 0;
  wchar_t** args = CommandLineToArgvW(line.c_str(), &count);
  std::vector<std::wstring> result(args, args + count);
  LocalFree(args);
  return result;
}

TEST(CommandLineTest, ParsesPrefixesCaseValuesAndDuplicates) {
  const CommandLine cl = CommandLine::FromString(
      L"\"C:\\Program Files\\app.exe\" --Silent -Lang=de /INSTALLFOLDER=C:\\X=Y "
      L"--with-feature:Foo=on --v=1 --v=3 arg1 \"--=x\" - /");
  EXPECT_EQ(L"C:\\Program Files\\app.exe", cl.GetProgram().value());
  EXPECT_TRUE(cl.HasSwitch("silent"));
  EXPECT_TRUE(cl.HasSwitch("SILENT"));
  EXPECT_EQ("de", cl.GetSwitchValueASCII("lang"));
  // Split at the first "=" only; values keep their case.
  EXPECT_EQ(L"C:\\X=Y", cl.GetSwitchValueNative("installfolder"));
  // The colon stays in the name; the name is lower-cased.
  EXPECT_EQ(L"on", cl.GetSwitchValueNative("with-feature:foo"));
  EXPECT_EQ("3", cl.GetSwitchValueASCII("v"));  // last one wins
  const std::vector<std::wstring> expected_args = {L"arg1", L"--=x", L"-", L"/"};
  EXPECT_EQ(expected_args, cl.GetArgs());
  std::vector<std::string> names;
  for (const auto& entry : cl.GetSwitches()) names.push_back(entry.first);
  EXPECT_EQ((std::vector<std::string>{"installfolder", "lang", "silent", "v",
                                      "with-feature:foo"}),
            names);
}

// Our own splitter (the installer must not load shell32 to read its command
// line) against the system's, on the lines where the rules are subtle.
TEST(CommandLineTest, SplitsLikeTheSystem) {
  const std::wstring lines[] = {
      L"p.exe",
      L"\"C:\\a b\\p.exe\" x",
      L"C:\\a\\p.exe\"quoted\" rest",
      L"p.exe a\\\\\"b c\" d",
      L"p.exe a\\\\\\\"b c",
      L"p.exe \"\" \"\"\"\" \"\"\"\"\"\" end",
      L"p.exe \"a\"\"b\" \"c\"\"\"d\"",
      L"p.exe a\\b\\\\ \\\\\\\\",
      L"p.exe \t a\t\tb   ",
      L"p.exe \"unterminated arg",
      L"p.exe --v=\"1 2\" --x=\\\"y\\\"",
  };
  for (const std::wstring& line : lines) {
    CommandLine reparsed(SystemArgv(line));
    EXPECT_EQ(reparsed.GetProgram(), CommandLine::FromString(line).GetProgram()) << line;
    EXPECT_EQ(reparsed.GetArgs(), CommandLine::FromString(line).GetArgs()) << line;
    EXPECT_EQ(reparsed.GetSwitches(), CommandLine::FromString(line).GetSwitches()) << line;
  }
}

TEST(CommandLineTest, TerminatorEndsSwitchParsing) {
  const CommandLine cl = CommandLine::FromString(L"p.exe --a -- --b /c --");
  EXPECT_TRUE(cl.HasSwitch("a"));
  EXPECT_FALSE(cl.HasSwitch("b"));
  EXPECT_EQ((std::vector<std::wstring>{L"--b", L"/c", L"--"}), cl.GetArgs());
}

TEST(CommandLineTest, NonAsciiValueIsEmptyAsASCIIButKeptNative) {
  CommandLine cl(CommandLine::NO_PROGRAM);
  cl.AppendSwitchNative("name", L"\x00FC");
  EXPECT_EQ("", cl.GetSwitchValueASCII("name"));
  EXPECT_EQ(L"\x00FC", cl.GetSwitchValueNative("name"));
  EXPECT_TRUE(cl.HasSwitch("name"));
}

TEST(CommandLineTest, QuotingRoundTripsThroughBothParsers) {
  const std::vector<std::wstring> hostile = {
      L"plain",
      L"with space",
      L"tab\there",
      L"quote\"inside",
      L"\"",
      L"trailing\\",
      L"C:\\dir with space\\",
      L"back\\\\\"slash quote",
      L"--injected",
      L"a\" --evil=1 \"b",
      L"/x",
      L"-",
      L"--",
      L"",
      L"multi\\\\\\",
  };
  for (const std::wstring& value : hostile) {
    CommandLine cl(FilePath(L"C:\\Program Files\\app.exe"));
    cl.AppendSwitchNative("value", value);
    cl.AppendSwitch("flag");
    cl.AppendArgNative(value);
    const std::wstring line = cl.GetCommandLineString();

    const CommandLine reparsed = CommandLine::FromString(line);
    EXPECT_EQ(value, reparsed.GetSwitchValueNative("value")) << line;
    EXPECT_EQ((std::vector<std::wstring>{value}), reparsed.GetArgs()) << line;
    EXPECT_EQ(2u, reparsed.GetSwitches().size()) << line;
    EXPECT_EQ(cl.GetProgram(), reparsed.GetProgram()) << line;

    // What another program reading its argv with the system parser sees.
    const std::vector<std::wstring> argv = SystemArgv(line);
    EXPECT_EQ(cl.argv(), argv) << line;
  }
}

TEST(CommandLineTest, ArgumentsThatLookLikeSwitchesStayArguments) {
  CommandLine cl(FilePath(L"p.exe"));
  cl.AppendArg("file.txt");
  cl.AppendArg("--not-a-switch=1");
  cl.AppendSwitch("real");
  const std::wstring line = cl.GetCommandLineString();
  EXPECT_EQ(L"p.exe --real -- file.txt --not-a-switch=1", line);
  const CommandLine reparsed = CommandLine::FromString(line);
  EXPECT_FALSE(reparsed.HasSwitch("not-a-switch"));
  EXPECT_EQ(cl.GetArgs(), reparsed.GetArgs());
  // Without such arguments no terminator is written.
  CommandLine simple(FilePath(L"p.exe"));
  simple.AppendArg("x");
  EXPECT_EQ(L"p.exe x", simple.GetCommandLineString());
}

TEST(CommandLineTest, AppendSwitchNormalisesAndRefusesBadNames) {
  CommandLine cl(CommandLine::NO_PROGRAM);
  cl.AppendSwitchASCII("--Lang", "fr");
  cl.AppendSwitchASCII("a=b", "c");  // would re-parse as switch "a"
  cl.AppendSwitch("");
  cl.AppendSwitchASCII("lang", "de");
  EXPECT_EQ(L"--lang=de", cl.GetArgumentsString());
  cl.RemoveSwitch("LANG");
  EXPECT_FALSE(cl.HasSwitch("lang"));
  EXPECT_EQ(L"", cl.GetArgumentsString());
}

TEST(CommandLineTest, ArgumentsStringRebuildsTheSameCommandLine) {
  // An elevated relaunch passes only the arguments string as parameters.
  CommandLine cl(FilePath(L"C:\\dir\\setup.exe"));
  cl.AppendSwitchPath("installfolder", FilePath(L"C:\\Program Files\\App\\"));
  cl.AppendSwitchASCII("with-feature:x", "off");
  cl.AppendArg("-looks-like-switch");
  const CommandLine rebuilt =
      CommandLine::FromString(L"\"C:\\dir\\setup.exe\" " + cl.GetArgumentsString());
  EXPECT_EQ(cl.GetSwitches(), rebuilt.GetSwitches());
  EXPECT_EQ(cl.GetArgs(), rebuilt.GetArgs());

  CommandLine copy(CommandLine::NO_PROGRAM);
  const char* const kWanted[] = {"with-feature:x", "absent"};
  copy.CopySwitchesFrom(cl, kWanted, 2);
  EXPECT_EQ(L"--with-feature:x=off", copy.GetArgumentsString());
  copy.AppendArguments(cl, false);
  EXPECT_EQ(2u, copy.GetSwitches().size());
  EXPECT_EQ(cl.GetArgs(), copy.GetArgs());
  EXPECT_TRUE(copy.GetProgram().empty());
}

TEST(CommandLineTest, ScopedCommandLineRestoresProcessInstance) {
  const bool had_instance = CommandLine::InitializedForCurrentProcess();
  const std::wstring before =
      had_instance ? CommandLine::ForCurrentProcess()->GetCommandLineString() : std::wstring();
  {
    test::ScopedCommandLine scoped;
    scoped.GetProcessCommandLine()->AppendSwitch("scoped-test");
    EXPECT_TRUE(CommandLine::ForCurrentProcess()->HasSwitch("scoped-test"));
  }
  EXPECT_EQ(had_instance, CommandLine::InitializedForCurrentProcess());
  if (had_instance) {
    EXPECT_EQ(before, CommandLine::ForCurrentProcess()->GetCommandLineString());
  }
}

}  // namespace
}  // namespace base
