#include "desktop/windows/installer/utils/acl_api.h"

#include <windows.h>
#include <aclapi.h>

#include "desktop/windows/installer/utils/service_utils.h"

namespace {

// Some systems (Wine) answer a named read of a 32-bit-view key with success
// and no descriptor; the key opened in that view answers properly.
DWORD ReadWow64KeySecurity(const std::wstring& name, SECURITY_INFORMATION info, PSID* owner,
                           PSID* group, PACL* dacl, PSECURITY_DESCRIPTOR* descriptor) {
  HKEY root;
  std::wstring path;
  if (!SplitRegistryObjectName(name, &root, &path)) return ERROR_INVALID_NAME;
  HKEY key = nullptr;
  const DWORD access = READ_CONTROL | KEY_WOW64_32KEY |
                       ((info & SACL_SECURITY_INFORMATION) ? ACCESS_SYSTEM_SECURITY : 0);
  LSTATUS status = ::RegOpenKeyExW(root, path.c_str(), 0, access, &key);
  if (status != ERROR_SUCCESS) return static_cast<DWORD>(status);
  const DWORD result =
      ::GetSecurityInfo(key, SE_REGISTRY_KEY, info, owner, group, dacl, nullptr, descriptor);
  ::RegCloseKey(key);
  return result;
}

}  // namespace

DWORD AclApiImpl::ReadNamedSecurity(const std::wstring& name, SE_OBJECT_TYPE type,
                                    SECURITY_INFORMATION info, PSID* owner, PSID* group,
                                    PACL* dacl, PSECURITY_DESCRIPTOR* descriptor) {
  *descriptor = nullptr;
  DWORD result = ::GetNamedSecurityInfoW(name.c_str(), type, info, owner, group, dacl, nullptr,
                                         descriptor);
  if (result == ERROR_SUCCESS && !*descriptor && type == SE_REGISTRY_WOW64_32KEY)
    result = ReadWow64KeySecurity(name, info, owner, group, dacl, descriptor);
  return result;
}

DWORD AclApiImpl::WriteNamedSecurity(const std::wstring& name, SE_OBJECT_TYPE type,
                                     SECURITY_INFORMATION info, PSID owner, PACL dacl) {
  return ::SetNamedSecurityInfoW(const_cast<wchar_t*>(name.c_str()), type, info, owner, nullptr,
                                 dacl, nullptr);
}

bool AclApiImpl::OpenProcessToken(DWORD access, HANDLE* token) {
  return ::OpenProcessToken(::GetCurrentProcess(), access, token) != FALSE;
}

bool AclApiImpl::QueryElevationType(HANDLE token, TOKEN_ELEVATION_TYPE* type) {
  DWORD size = 0;
  return ::GetTokenInformation(token, TokenElevationType, type, sizeof(*type), &size) != FALSE;
}

bool AclApiImpl::QueryLinkedToken(HANDLE token, HANDLE* linked) {
  TOKEN_LINKED_TOKEN info = {};
  DWORD size = 0;
  if (!::GetTokenInformation(token, TokenLinkedToken, &info, sizeof(info), &size)) return false;
  *linked = info.LinkedToken;
  return true;
}

bool AclApiImpl::DuplicateForIdentification(HANDLE token, HANDLE* duplicate) {
  return ::DuplicateToken(token, SecurityIdentification, duplicate) != FALSE;
}

bool AclApiImpl::IsTokenMember(HANDLE token, PSID sid, bool* is_member) {
  BOOL member = FALSE;
  if (!::CheckTokenMembership(token, sid, &member)) return false;
  *is_member = member != FALSE;
  return true;
}

bool AclApiImpl::CheckAccess(PSECURITY_DESCRIPTOR descriptor, HANDLE token, ACCESS_MASK desired,
                             const GENERIC_MAPPING& mapping, bool* allowed) {
  // Room for the privileges an access check may use.
  alignas(PRIVILEGE_SET) BYTE privileges[sizeof(PRIVILEGE_SET) + 8 * sizeof(LUID_AND_ATTRIBUTES)];
  DWORD privileges_size = sizeof(privileges);
  DWORD granted = 0;
  BOOL status = FALSE;
  GENERIC_MAPPING generic_mapping = mapping;
  if (!::AccessCheck(descriptor, token, desired, &generic_mapping,
                     reinterpret_cast<PPRIVILEGE_SET>(privileges), &privileges_size, &granted,
                     &status))
    return false;
  *allowed = status != FALSE;
  return true;
}

bool AclApiImpl::LookupPrivilege(const std::wstring& name, LUID* luid) {
  return ::LookupPrivilegeValueW(nullptr, name.c_str(), luid) != FALSE;
}

DWORD AclApiImpl::AdjustPrivilege(HANDLE token, const LUID& luid, bool enable) {
  TOKEN_PRIVILEGES privileges = {};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Luid = luid;
  privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
  if (!::AdjustTokenPrivileges(token, FALSE, &privileges, sizeof(privileges), nullptr, nullptr))
    return ::GetLastError();
  // Success may still mean the token lacks the privilege.
  return ::GetLastError();
}

bool AclApiImpl::ReadUserName(std::wstring* name) {
  return GetCurrentUserName(name);
}
