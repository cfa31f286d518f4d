#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_ACL_API_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_ACL_API_H_

#include <windows.h>
#include <accctrl.h>

#include <string>

// The system calls whose answers depend on the machine's accounts, tokens
// and enforced access lists. SecurityUtilImpl goes through this seam so that
// tests can script denial, which a system that does not enforce access
// lists (Wine) never produces. Errors are Windows error codes; handles
// returned are owned by the caller.
class AclApi {
 public:
  virtual ~AclApi() = default;

  // GetNamedSecurityInfoW; `*descriptor` is freed with LocalFree.
  virtual DWORD ReadNamedSecurity(const std::wstring& name, SE_OBJECT_TYPE type,
                                  SECURITY_INFORMATION info, PSID* owner, PSID* group, PACL* dacl,
                                  PSECURITY_DESCRIPTOR* descriptor) = 0;
  // SetNamedSecurityInfoW with an owner and/or a DACL.
  virtual DWORD WriteNamedSecurity(const std::wstring& name, SE_OBJECT_TYPE type,
                                   SECURITY_INFORMATION info, PSID owner, PACL dacl) = 0;

  virtual bool OpenProcessToken(DWORD access, HANDLE* token) = 0;
  virtual bool QueryElevationType(HANDLE token, TOKEN_ELEVATION_TYPE* type) = 0;
  virtual bool QueryLinkedToken(HANDLE token, HANDLE* linked) = 0;
  // An identification-level duplicate.
  virtual bool DuplicateForIdentification(HANDLE token, HANDLE* duplicate) = 0;
  // CheckTokenMembership; a null token means this thread's or process's.
  virtual bool IsTokenMember(HANDLE token, PSID sid, bool* is_member) = 0;
  // AccessCheck; `*allowed` is the access status.
  virtual bool CheckAccess(PSECURITY_DESCRIPTOR descriptor, HANDLE token, ACCESS_MASK desired,
                           const GENERIC_MAPPING& mapping, bool* allowed) = 0;
  virtual bool LookupPrivilege(const std::wstring& name, LUID* luid) = 0;
  // AdjustTokenPrivileges for one privilege: ERROR_SUCCESS, or the failure,
  // also ERROR_NOT_ALL_ASSIGNED when the token lacks the privilege.
  virtual DWORD AdjustPrivilege(HANDLE token, const LUID& luid, bool enable) = 0;
  // GetUserNameW.
  virtual bool ReadUserName(std::wstring* name) = 0;
};

class AclApiImpl : public AclApi {
 public:
  DWORD ReadNamedSecurity(const std::wstring& name, SE_OBJECT_TYPE type, SECURITY_INFORMATION info,
                          PSID* owner, PSID* group, PACL* dacl,
                          PSECURITY_DESCRIPTOR* descriptor) override;
  DWORD WriteNamedSecurity(const std::wstring& name, SE_OBJECT_TYPE type,
                           SECURITY_INFORMATION info, PSID owner, PACL dacl) override;
  bool OpenProcessToken(DWORD access, HANDLE* token) override;
  bool QueryElevationType(HANDLE token, TOKEN_ELEVATION_TYPE* type) override;
  bool QueryLinkedToken(HANDLE token, HANDLE* linked) override;
  bool DuplicateForIdentification(HANDLE token, HANDLE* duplicate) override;
  bool IsTokenMember(HANDLE token, PSID sid, bool* is_member) override;
  bool CheckAccess(PSECURITY_DESCRIPTOR descriptor, HANDLE token, ACCESS_MASK desired,
                   const GENERIC_MAPPING& mapping, bool* allowed) override;
  bool LookupPrivilege(const std::wstring& name, LUID* luid) override;
  DWORD AdjustPrivilege(HANDLE token, const LUID& luid, bool enable) override;
  bool ReadUserName(std::wstring* name) override;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_ACL_API_H_
