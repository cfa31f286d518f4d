#include "testing/test_child_process.h"

#include <windows.h>

#include <map>
#include <string>

namespace testing_support {
namespace {

constexpr wchar_t kRoleSwitch[] = L"--test-child-role=";

std::map<std::string, TestChildRole>& Roles() {
  static std::map<std::string, TestChildRole> roles;
  return roles;
}

// A copy of the executable named NAME.exe runs the role "program_NAME", so
// that it can stand in for a system program that others start by name.
TestChildRole FindStandInRole() {
  wchar_t exe[MAX_PATH * 2];
  DWORD length = GetModuleFileNameW(nullptr, exe, MAX_PATH * 2);
  std::wstring path(exe, length);
  std::wstring name = path.substr(path.find_last_of(L'\\') + 1);
  if (name.size() <= 4)
    return nullptr;
  name.resize(name.size() - 4);
  std::string role = "program_";
  for (wchar_t c : name)
    role.push_back(static_cast<char>(c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c));
  auto it = Roles().find(role);
  return it == Roles().end() ? nullptr : it->second;
}

std::wstring CommandLineOf(const std::wstring& exe, const std::string& role,
                           const std::wstring& args) {
  std::wstring command_line =
      L"\"" + exe + L"\" " + kRoleSwitch + std::wstring(role.begin(), role.end());
  if (!args.empty())
    command_line += L" " + args;
  return command_line;
}

// The program's exit code, or -1 when it did not start or did not end
// within 60 seconds.
int RunToItsEnd(std::wstring command_line) {
  STARTUPINFOW startup = {sizeof(startup)};
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return -1;
  }
  CloseHandle(process.hThread);
  DWORD exit_code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, static_cast<UINT>(-1));
    WaitForSingleObject(process.hProcess, 5000);
    exit_code = static_cast<DWORD>(-1);
  } else if (!GetExitCodeProcess(process.hProcess, &exit_code)) {
    exit_code = static_cast<DWORD>(-1);
  }
  CloseHandle(process.hProcess);
  return static_cast<int>(exit_code);
}

}  // namespace

bool RegisterTestChildRole(const char* name, TestChildRole role) {
  Roles()[name] = role;
  return true;
}

TestChildRole FindTestChildRole(const std::wstring& command_line) {
  size_t pos = command_line.find(kRoleSwitch);
  if (pos == std::wstring::npos)
    return FindStandInRole();
  pos += wcslen(kRoleSwitch);
  size_t end = command_line.find_first_of(L" \t\"", pos);
  std::wstring name = command_line.substr(pos, end == std::wstring::npos ? end : end - pos);
  auto it = Roles().find(std::string(name.begin(), name.end()));
  return it == Roles().end() ? nullptr : it->second;
}

std::wstring GetTestChildCommandLine(const std::string& role, const std::wstring& args) {
  wchar_t exe[MAX_PATH * 2];
  DWORD length = GetModuleFileNameW(nullptr, exe, MAX_PATH * 2);
  return CommandLineOf(std::wstring(exe, length), role, args);
}

int RunTestChild(const std::string& role, const std::wstring& args) {
  return RunToItsEnd(GetTestChildCommandLine(role, args));
}

int RunTestChildAsWindows10(const std::string& role) {
  // Wine tells a program the version set for its file name under
  // AppDefaults: a copy with a name of its own is told Windows 10, whatever
  // the prefix says, and nothing else is.
  wchar_t exe[MAX_PATH * 2];
  DWORD length = GetModuleFileNameW(nullptr, exe, MAX_PATH * 2);
  wchar_t temp[MAX_PATH + 1];
  DWORD temp_length = GetTempPathW(MAX_PATH + 1, temp);
  if (length == 0 || temp_length == 0)
    return -1;
  const std::wstring name =
      L"windows10_test_child_" + std::to_wstring(GetCurrentProcessId()) + L".exe";
  const std::wstring copy = std::wstring(temp, temp_length) + name;
  const std::wstring key = L"Software\\Wine\\AppDefaults\\" + name;
  if (!CopyFileW(std::wstring(exe, length).c_str(), copy.c_str(), FALSE))
    return -1;
  int exit_code = -1;
  HKEY settings = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      &settings, nullptr) == ERROR_SUCCESS) {
    constexpr wchar_t kWindows10[] = L"win10";
    const bool set = RegSetValueExW(settings, L"Version", 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(kWindows10),
                                    sizeof(kWindows10)) == ERROR_SUCCESS;
    RegCloseKey(settings);
    if (set)
      exit_code = RunToItsEnd(CommandLineOf(copy, role, std::wstring()));
    RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
  }
  DeleteFileW(copy.c_str());
  return exit_code;
}

}  // namespace testing_support
