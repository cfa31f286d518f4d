// One source for every program of the test browser package (the browser, the
// launcher, the pinning helpers, the component installer). PACKAGE_PROGRAM_NAME
// is the program's own base name ("launcher"), fixed at build time so that a
// renamed copy (the pinning helper runs as "explorer.exe") keeps its record.
//
// Each run appends its full command line, UTF-8, as one line ending in "\n",
// to %TARVO_PACKAGE_RECORD_DIR%\<name>.txt (nothing when the variable is
// unset) and exits with the integer in TARVO_PACKAGE_EXIT_CODE_<NAME> (the
// name upper-cased, other characters than letters and digits as "_"), 0 when
// unset or not a number. With the switch "version" or "stream" it also prints
// its version or stream, without a line end, as the installer expects of the
// component installers. With TARVO_PACKAGE_STAY_SECONDS_<NAME> set it stays
// running that many seconds (at most 120) before it exits, so that a test can
// find it in use.

#include <windows.h>

#include <cstdlib>
#include <cwctype>
#include <string>

#ifndef PACKAGE_PROGRAM_NAME
#error PACKAGE_PROGRAM_NAME must be defined
#endif
#ifndef PACKAGE_VERSION
#error PACKAGE_VERSION must be defined
#endif
#ifndef PACKAGE_STREAM
#error PACKAGE_STREAM must be defined
#endif

namespace {

#define WIDEN2(x) L##x
#define WIDEN(x) WIDEN2(x)

constexpr wchar_t kProgramName[] = WIDEN(PACKAGE_PROGRAM_NAME);

std::string ToUtf8(const std::wstring& text) {
  if (text.empty())
    return std::string();
  int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                 nullptr, 0, nullptr, nullptr);
  if (size <= 0)
    return std::string();
  std::string out(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

bool GetEnv(const wchar_t* name, std::wstring* value) {
  DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0)
    return false;
  value->assign(size, L'\0');
  DWORD length = GetEnvironmentVariableW(name, value->data(), size);
  if (length == 0 || length >= size)
    return false;
  value->resize(length);
  return true;
}

void AppendRecord(const std::wstring& command_line) {
  std::wstring folder;
  if (!GetEnv(L"TARVO_PACKAGE_RECORD_DIR", &folder) || folder.empty())
    return;
  if (folder.back() != L'\\' && folder.back() != L'/')
    folder += L'\\';
  std::wstring path = folder + kProgramName + L".txt";
  std::string line = ToUtf8(command_line);
  for (char& c : line) {
    if (c == '\r' || c == '\n')
      c = ' ';
  }
  line += '\n';
  // FILE_APPEND_DATA: each write lands at the end even when several copies
  // of the program run at once.
  HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return;
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(file);
}

std::wstring VariableFor(const wchar_t* prefix) {
  std::wstring variable = prefix;
  for (const wchar_t* p = kProgramName; *p; ++p) {
    wchar_t c = *p;
    bool alnum = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9');
    variable += alnum ? static_cast<wchar_t>(std::towupper(c)) : L'_';
  }
  return variable;
}

// The whole text must be a decimal integer (optional sign); anything else 0.
unsigned int ChosenExitCode() {
  std::wstring variable = VariableFor(L"TARVO_PACKAGE_EXIT_CODE_");
  std::wstring value;
  if (!GetEnv(variable.c_str(), &value) || value.empty())
    return 0;
  size_t i = 0;
  bool negative = false;
  if (value[0] == L'-' || value[0] == L'+') {
    negative = value[0] == L'-';
    i = 1;
  }
  if (i == value.size())
    return 0;
  unsigned long long number = 0;
  for (; i < value.size(); ++i) {
    if (value[i] < L'0' || value[i] > L'9')
      return 0;
    number = number * 10 + (value[i] - L'0');
    if (number > 0xFFFFFFFFull)
      return 0;
  }
  return static_cast<unsigned int>(negative ? 0u - number : number);
}

// "version" and "stream" as the engine's command line writes them: a
// "--", "-" or "/" prefix.
bool HasSwitch(int argc, wchar_t** argv, const wchar_t* name) {
  for (int i = 1; i < argc; ++i) {
    const wchar_t* arg = argv[i];
    if (arg[0] == L'-' && arg[1] == L'-')
      arg += 2;
    else if (arg[0] == L'-' || arg[0] == L'/')
      arg += 1;
    else
      continue;
    if (wcscmp(arg, name) == 0)
      return true;
  }
  return false;
}

void Print(const char* text) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (!out || out == INVALID_HANDLE_VALUE)
    return;
  DWORD written = 0;
  WriteFile(out, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
}

void StayIfAsked() {
  std::wstring value;
  if (!GetEnv(VariableFor(L"TARVO_PACKAGE_STAY_SECONDS_").c_str(), &value))
    return;
  unsigned long seconds = wcstoul(value.c_str(), nullptr, 10);
  if (seconds > 120)
    seconds = 120;
  Sleep(static_cast<DWORD>(seconds * 1000));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  AppendRecord(GetCommandLineW());
  if (HasSwitch(argc, argv, L"version"))
    Print(PACKAGE_VERSION);
  else if (HasSwitch(argc, argv, L"stream"))
    Print(PACKAGE_STREAM);
  StayIfAsked();
  return static_cast<int>(ChosenExitCode());
}
