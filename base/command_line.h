#ifndef BASE_COMMAND_LINE_H_
#define BASE_COMMAND_LINE_H_

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/files/file_path.h"

namespace base {

namespace test {
class ScopedCommandLine;
}

// A program, its switches and its arguments, with the Windows rules:
// switches start with "--", "-" or "/"; their names are ASCII-lower-cased;
// "--name=value" splits at the first "="; the last of duplicate switches
// wins; a lone "--" ends switch parsing, so everything after it is an
// argument.
class CommandLine {
 public:
  using StringType = std::wstring;
  using CharType = wchar_t;
  using StringVector = std::vector<StringType>;
  using SwitchMap = std::map<std::string, StringType>;

  enum NoProgram { NO_PROGRAM };
  explicit CommandLine(NoProgram);
  explicit CommandLine(const FilePath& program);
  // argv[0] is the program.
  CommandLine(int argc, const CharType* const* argv);
  explicit CommandLine(const StringVector& argv);
  CommandLine(const CommandLine&);
  CommandLine& operator=(const CommandLine&);
  ~CommandLine();

  // The process instance. Init builds it from GetCommandLineW() (argc and
  // argv are ignored on Windows) and returns false when it already exists.
  static bool Init(int argc, const char* const* argv);
  // Drops the process instance (for tests and shutdown).
  static void Reset();
  // Builds it on first use when Init was never called.
  static CommandLine* ForCurrentProcess();
  static bool InitializedForCurrentProcess();

  // Parses a whole command line as CommandLineToArgvW does; the first
  // token is the program.
  static CommandLine FromString(std::wstring_view command_line);
  void ParseFromString(std::wstring_view command_line);

  // Quoted so that CommandLineToArgvW and this parser give back exactly
  // this program, these switches and these arguments. Arguments that look
  // like switches are written after a "--" so they stay arguments.
  StringType GetCommandLineString() const;
  // The same without the program.
  StringType GetArgumentsString() const;

  // program, switches in order of appending, then arguments (with the "--"
  // terminator before them when one is needed to keep them arguments).
  StringVector argv() const;

  FilePath GetProgram() const;
  void SetProgram(const FilePath& program);

  // `switch_string` is matched ASCII-case-insensitively, without prefix.
  bool HasSwitch(std::string_view switch_string) const;
  // Empty when absent or when the value is not ASCII.
  std::string GetSwitchValueASCII(std::string_view switch_string) const;
  FilePath GetSwitchValuePath(std::string_view switch_string) const;
  StringType GetSwitchValueNative(std::string_view switch_string) const;
  // Sorted by switch name.
  const SwitchMap& GetSwitches() const { return switches_; }

  // A switch name must not be empty nor contain "="; it may carry its own
  // prefix. A bad name is refused (logged) and nothing is added.
  void AppendSwitch(std::string_view switch_string);
  void AppendSwitchPath(std::string_view switch_string, const FilePath& path);
  void AppendSwitchNative(std::string_view switch_string, std::wstring_view value);
  void AppendSwitchASCII(std::string_view switch_string, std::string_view value);
  void RemoveSwitch(std::string_view switch_string);
  // Copies the named switches (with values) that `source` has.
  void CopySwitchesFrom(const CommandLine& source, const char* const switches[], size_t count);

  StringVector GetArgs() const { return args_; }
  void AppendArg(std::string_view value);  // UTF-8
  void AppendArgPath(const FilePath& value);
  void AppendArgNative(std::wstring_view value);

  // Appends the switches and arguments of `other` (not its program).
  void AppendArguments(const CommandLine& other, bool include_program);

 private:
  struct SwitchEntry {
    std::string name;  // lower-case, without prefix
    StringType value;
  };

  void InitFromArgv(const StringVector& argv);
  void AppendSwitchesAndArguments(const StringVector& argv, size_t first);
  bool AddSwitch(std::string_view name_with_prefix, std::wstring_view value);
  void StoreSwitch(const std::string& key, std::wstring_view value);
  bool NeedsTerminator() const;

  StringType program_;
  std::vector<SwitchEntry> switch_order_;
  SwitchMap switches_;
  StringVector args_;

  static CommandLine* current_process_commandline_;
  friend class test::ScopedCommandLine;
};

// Quotes one argument for CommandLineToArgvW: unchanged when it needs no
// quotes; otherwise in quotes, with inner quotes and the backslashes
// before them (or before the closing quote) escaped.
std::wstring QuoteForCommandLineToArgvW(std::wstring_view arg);

}  // namespace base

#endif  // BASE_COMMAND_LINE_H_
