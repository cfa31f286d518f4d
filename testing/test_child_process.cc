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

}  // namespace

bool RegisterTestChildRole(const char* name, TestChildRole role) {
  Roles()[name] = role;
  return true;
}

TestChildRole FindTestChildRole(const std::wstring& command_line) {
  size_t pos = command_line.find(kRoleSwitch);
  if (pos == std::wstring::npos)
    return nullptr;
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

}  // namespace testing_support
