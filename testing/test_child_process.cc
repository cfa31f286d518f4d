#include "testing/test_child_process.h"

#include <windows.h>

#include <map>

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
  std::wstring command_line = L"\"" + std::wstring(exe, length) + L"\" " + kRoleSwitch +
                              std::wstring(role.begin(), role.end());
  if (!args.empty())
    command_line += L" " + args;
  return command_line;
}

int RunTestChild(const std::string& role, const std::wstring& args) {
  std::wstring line = GetTestChildCommandLine(role, args);
  STARTUPINFOW startup = {sizeof(startup)};
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return -1;
  }
  CloseHandle(process.hThread);
  DWORD exit_code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, static_cast<UINT>(-1));
    exit_code = static_cast<DWORD>(-1);
  } else if (!GetExitCodeProcess(process.hProcess, &exit_code)) {
    exit_code = static_cast<DWORD>(-1);
  }
  CloseHandle(process.hProcess);
  return static_cast<int>(exit_code);
}

}  // namespace testing_support
