#include "desktop/windows/installer/avro_stats/test_support/registry_os_version.h"

#include <windows.h>

namespace {

constexpr wchar_t kCurrentVersion[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

bool ReadNumber(const wchar_t* name, DWORD* value) {
  DWORD size = sizeof(*value);
  return RegGetValueW(HKEY_LOCAL_MACHINE, kCurrentVersion, name,
                      RRF_RT_REG_DWORD, nullptr, value,
                      &size) == ERROR_SUCCESS;
}

bool ReadText(const wchar_t* name, std::string* value) {
  wchar_t text[64] = {};
  DWORD size = sizeof(text);
  if (RegGetValueW(HKEY_LOCAL_MACHINE, kCurrentVersion, name,
                   RRF_RT_REG_SZ, nullptr, text,
                   &size) != ERROR_SUCCESS) {
    return false;
  }
  value->clear();
  for (const wchar_t* c = text; *c; ++c)
    value->push_back(static_cast<char>(*c));  // Digits only.
  return !value->empty();
}

}  // namespace

std::string GetOsVersionFromRegistry() {
  DWORD major = 0, minor = 0, revision = 0;
  std::string build;
  if (!ReadNumber(L"CurrentMajorVersionNumber", &major) ||
      !ReadNumber(L"CurrentMinorVersionNumber", &minor) ||
      !ReadText(L"CurrentBuildNumber", &build)) {
    return std::string();
  }
  if (!ReadNumber(L"UBR", &revision))
    revision = 0;
  return std::to_string(major) + "." + std::to_string(minor) + "." + build + "." +
         std::to_string(revision);
}
