#include "base/command_line.h"

#include <windows.h>

#include <algorithm>

#include "base/logging.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"

namespace base {

CommandLine* CommandLine::current_process_commandline_ = nullptr;

namespace {

SRWLOCK g_current_lock = SRWLOCK_INIT;

constexpr wchar_t kSwitchTerminator[] = L"--";

// Length of the switch prefix of `arg` ("--", "-" or "/"), 0 for none.
size_t SwitchPrefixLength(std::wstring_view arg) {
  if (StartsWith(arg, L"--", CompareCase::SENSITIVE)) return 2;
  if (!arg.empty() && (arg[0] == L'-' || arg[0] == L'/')) return 1;
  return 0;
}

// Splits "--name=value"; false when `arg` is no switch (no prefix, or
// nothing or only "=..." after the prefix).
bool ParseSwitch(std::wstring_view arg, std::string* name, std::wstring* value) {
  const size_t prefix = SwitchPrefixLength(arg);
  if (prefix == 0 || arg.size() == prefix) return false;
  const std::wstring_view rest = arg.substr(prefix);
  const size_t eq = rest.find(L'=');
  if (eq == 0) return false;
  *name = ToLowerASCII(WideToUTF8(rest.substr(0, eq)));
  *value = eq == std::wstring_view::npos ? std::wstring() : std::wstring(rest.substr(eq + 1));
  return true;
}

bool LooksLikeSwitchOrTerminator(std::wstring_view arg) {
  std::string name;
  std::wstring value;
  return arg == kSwitchTerminator || ParseSwitch(arg, &name, &value);
}

bool NeedsQuotes(std::wstring_view arg) {
  return arg.empty() || arg.find_first_of(L" \t\n\v\"") != std::wstring_view::npos;
}

std::wstring QuoteProgram(const std::wstring& program) {
  // The program is parsed without backslash escapes; a path cannot hold a
  // quotation mark, so plain quotes suffice.
  if (program.find_first_of(L" \t") == std::wstring::npos) return program;
  return L"\"" + program + L"\"";
}

}  // namespace

std::wstring QuoteForCommandLineToArgvW(std::wstring_view arg) {
  if (!NeedsQuotes(arg)) return std::wstring(arg);
  std::wstring out = L"\"";
  for (size_t i = 0; i < arg.size(); ++i) {
    if (arg[i] == L'\\') {
      size_t end = i + 1;
      while (end < arg.size() && arg[end] == L'\\') ++end;
      size_t count = end - i;
      // Backslashes are literal unless a quotation mark follows them: then
      // each must be doubled (the closing quote counts).
      if (end == arg.size() || arg[end] == L'"') count *= 2;
      out.append(count, L'\\');
      i = end - 1;
    } else if (arg[i] == L'"') {
      out.append(L"\\\"");
    } else {
      out.push_back(arg[i]);
    }
  }
  out.push_back(L'"');
  return out;
}

CommandLine::CommandLine(NoProgram) {}

CommandLine::CommandLine(const FilePath& program) { SetProgram(program); }

CommandLine::CommandLine(int argc, const CharType* const* argv) {
  StringVector args;
  for (int i = 0; i < argc; ++i) args.emplace_back(argv[i]);
  InitFromArgv(args);
}

CommandLine::CommandLine(const StringVector& argv) { InitFromArgv(argv); }

CommandLine::CommandLine(const CommandLine&) = default;
CommandLine& CommandLine::operator=(const CommandLine&) = default;
CommandLine::~CommandLine() = default;

bool CommandLine::Init(int, const char* const*) {
  AcquireSRWLockExclusive(&g_current_lock);
  const bool created = current_process_commandline_ == nullptr;
  if (created) {
    current_process_commandline_ = new CommandLine(NO_PROGRAM);
    current_process_commandline_->ParseFromString(GetCommandLineW());
  }
  ReleaseSRWLockExclusive(&g_current_lock);
  return created;
}

void CommandLine::Reset() {
  AcquireSRWLockExclusive(&g_current_lock);
  delete current_process_commandline_;
  current_process_commandline_ = nullptr;
  ReleaseSRWLockExclusive(&g_current_lock);
}

CommandLine* CommandLine::ForCurrentProcess() {
  if (!current_process_commandline_) Init(0, nullptr);
  return current_process_commandline_;
}

bool CommandLine::InitializedForCurrentProcess() { return current_process_commandline_ != nullptr; }

CommandLine CommandLine::FromString(std::wstring_view command_line) {
  CommandLine cmd(NO_PROGRAM);
  cmd.ParseFromString(command_line);
  return cmd;
}

// Splits a command line by the rules of CommandLineToArgvW. Done here rather
// than by calling it: shell32 pulls in user32 and gdi32, which would make
// every start of the installer, even `--version`, pay for loading them.
std::vector<std::wstring> SplitCommandLine(std::wstring_view line) {
  std::vector<std::wstring> argv;
  size_t i = 0;
  const size_t n = line.size();
  auto is_blank = [](wchar_t c) { return c == L' ' || c == L'\t'; };

  // The program path: quotes group, backslashes are plain characters.
  std::wstring program;
  if (i < n && line[i] == L'"') {
    ++i;
    while (i < n && line[i] != L'"')
      program += line[i++];
    if (i < n)
      ++i;
  } else {
    while (i < n && !is_blank(line[i]))
      program += line[i++];
  }
  argv.push_back(program);
  while (i < n && is_blank(line[i]))
    ++i;

  std::wstring arg;
  bool in_arg = false;
  int quotes = 0;       // Quote state; 0 outside quotes.
  size_t backslashes = 0;
  while (i < n) {
    wchar_t c = line[i];
    if (is_blank(c) && quotes == 0) {
      argv.push_back(arg);
      arg.clear();
      in_arg = false;
      backslashes = 0;
      while (i < n && is_blank(line[i]))
        ++i;
      continue;
    }
    in_arg = true;
    if (c == L'\\') {
      arg += c;
      ++backslashes;
      ++i;
      continue;
    }
    if (c == L'"') {
      if (backslashes % 2 == 0) {
        // 2n backslashes and a quote: n backslashes, and the quote toggles.
        arg.resize(arg.size() - backslashes / 2);
        ++quotes;
      } else {
        // 2n+1 backslashes and a quote: n backslashes and a literal quote.
        arg.resize(arg.size() - backslashes / 2 - 1);
        arg += L'"';
      }
      ++i;
      backslashes = 0;
      // Runs of quotes: every third one is literal.
      while (i < n && line[i] == L'"') {
        if (++quotes == 3) {
          arg += L'"';
          quotes = 0;
        }
        ++i;
      }
      if (quotes == 2)
        quotes = 0;
      continue;
    }
    arg += c;
    backslashes = 0;
    ++i;
  }
  if (in_arg)
    argv.push_back(arg);
  return argv;
}

void CommandLine::ParseFromString(std::wstring_view command_line) {
  // An empty line has no program; CommandLineToArgvW would name ours.
  if (TrimWhitespace(command_line, TRIM_ALL).empty()) {
    InitFromArgv(StringVector());
    return;
  }
  InitFromArgv(SplitCommandLine(command_line));
}

void CommandLine::InitFromArgv(const StringVector& argv) {
  program_.clear();
  switch_order_.clear();
  switches_.clear();
  args_.clear();
  if (argv.empty()) return;
  program_ = argv[0];
  AppendSwitchesAndArguments(argv, 1);
}

void CommandLine::AppendSwitchesAndArguments(const StringVector& argv, size_t first) {
  bool parse_switches = true;
  for (size_t i = first; i < argv.size(); ++i) {
    const std::wstring& arg = argv[i];
    if (parse_switches && arg == kSwitchTerminator) {
      parse_switches = false;
      continue;
    }
    std::string name;
    std::wstring value;
    if (parse_switches && ParseSwitch(arg, &name, &value))
      StoreSwitch(name, value);
    else
      args_.push_back(arg);
  }
}

bool CommandLine::AddSwitch(std::string_view name_with_prefix, std::wstring_view value) {
  std::string_view name = name_with_prefix;
  if (StartsWith(name, "--", CompareCase::SENSITIVE) && name.size() > 2)
    name.remove_prefix(2);
  else if (name.size() > 1 && (name[0] == '-' || name[0] == '/'))
    name.remove_prefix(1);
  if (name.empty() || name.find('=') != std::string_view::npos) {
    LOG(ERROR) << "Refusing bad switch name \"" << std::string(name_with_prefix) << "\"";
    return false;
  }
  StoreSwitch(ToLowerASCII(name), value);
  return true;
}

void CommandLine::StoreSwitch(const std::string& key, std::wstring_view value) {
  // Only the last of duplicates is kept, which is also what a re-parse of
  // the written command line gives.
  switch_order_.erase(std::remove_if(switch_order_.begin(), switch_order_.end(),
                                     [&key](const SwitchEntry& e) { return e.name == key; }),
                      switch_order_.end());
  switch_order_.push_back({key, std::wstring(value)});
  switches_[key] = std::wstring(value);
}

bool CommandLine::NeedsTerminator() const {
  return std::any_of(args_.begin(), args_.end(),
                     [](const std::wstring& arg) { return LooksLikeSwitchOrTerminator(arg); });
}

CommandLine::StringType CommandLine::GetCommandLineString() const {
  StringType result = QuoteProgram(program_);
  const StringType params = GetArgumentsString();
  if (!params.empty()) {
    result.push_back(L' ');
    result.append(params);
  }
  return result;
}

CommandLine::StringType CommandLine::GetArgumentsString() const {
  StringVector parts;
  for (const SwitchEntry& entry : switch_order_) {
    const std::wstring name = UTF8ToWide(entry.name);
    std::wstring token;
    if (NeedsQuotes(name)) {
      token = L"--" + name;
      if (!entry.value.empty()) token += L"=" + entry.value;
      token = QuoteForCommandLineToArgvW(token);
    } else {
      token = L"--" + name;
      if (!entry.value.empty()) token += L"=" + QuoteForCommandLineToArgvW(entry.value);
    }
    parts.push_back(std::move(token));
  }
  if (NeedsTerminator()) parts.push_back(kSwitchTerminator);
  for (const std::wstring& arg : args_) parts.push_back(QuoteForCommandLineToArgvW(arg));
  return JoinString(parts, L" ");
}

CommandLine::StringVector CommandLine::argv() const {
  StringVector result;
  result.push_back(program_);
  for (const SwitchEntry& entry : switch_order_) {
    std::wstring token = L"--" + UTF8ToWide(entry.name);
    if (!entry.value.empty()) token += L"=" + entry.value;
    result.push_back(std::move(token));
  }
  if (NeedsTerminator()) result.push_back(kSwitchTerminator);
  result.insert(result.end(), args_.begin(), args_.end());
  return result;
}

FilePath CommandLine::GetProgram() const { return FilePath(program_); }

void CommandLine::SetProgram(const FilePath& program) {
  program_ = std::wstring(TrimWhitespace(program.value(), TRIM_ALL));
}

bool CommandLine::HasSwitch(std::string_view switch_string) const {
  return switches_.find(ToLowerASCII(switch_string)) != switches_.end();
}

std::string CommandLine::GetSwitchValueASCII(std::string_view switch_string) const {
  const StringType value = GetSwitchValueNative(switch_string);
  if (!IsStringASCII(value)) {
    LOG(ERROR) << "Value of switch (" << std::string(switch_string) << ") must be ASCII.";
    return std::string();
  }
  return WideToUTF8(value);
}

FilePath CommandLine::GetSwitchValuePath(std::string_view switch_string) const {
  return FilePath(GetSwitchValueNative(switch_string));
}

CommandLine::StringType CommandLine::GetSwitchValueNative(std::string_view switch_string) const {
  const auto it = switches_.find(ToLowerASCII(switch_string));
  return it == switches_.end() ? StringType() : it->second;
}

void CommandLine::AppendSwitch(std::string_view switch_string) {
  AddSwitch(switch_string, std::wstring_view());
}

void CommandLine::AppendSwitchPath(std::string_view switch_string, const FilePath& path) {
  AddSwitch(switch_string, path.value());
}

void CommandLine::AppendSwitchNative(std::string_view switch_string, std::wstring_view value) {
  AddSwitch(switch_string, value);
}

void CommandLine::AppendSwitchASCII(std::string_view switch_string, std::string_view value) {
  AddSwitch(switch_string, UTF8ToWide(value));
}

void CommandLine::RemoveSwitch(std::string_view switch_string) {
  const std::string key = ToLowerASCII(switch_string);
  switches_.erase(key);
  switch_order_.erase(std::remove_if(switch_order_.begin(), switch_order_.end(),
                                     [&key](const SwitchEntry& e) { return e.name == key; }),
                      switch_order_.end());
}

void CommandLine::CopySwitchesFrom(const CommandLine& source, const char* const switches[],
                                   size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (source.HasSwitch(switches[i]))
      AppendSwitchNative(switches[i], source.GetSwitchValueNative(switches[i]));
  }
}

void CommandLine::AppendArg(std::string_view value) { args_.push_back(UTF8ToWide(value)); }

void CommandLine::AppendArgPath(const FilePath& value) { args_.push_back(value.value()); }

void CommandLine::AppendArgNative(std::wstring_view value) { args_.emplace_back(value); }

void CommandLine::AppendArguments(const CommandLine& other, bool include_program) {
  if (include_program) program_ = other.program_;
  for (const SwitchEntry& entry : other.switch_order_) StoreSwitch(entry.name, entry.value);
  args_.insert(args_.end(), other.args_.begin(), other.args_.end());
}

}  // namespace base
