#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_TEST_SUPPORT_FAKE_SECURITY_UTIL_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_TEST_SUPPORT_FAKE_SECURITY_UTIL_H_

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "desktop/windows/installer/utils/security_util.h"

// A scripted SecurityUtil for tests of code that asks about rights: Wine
// runs every process as an elevated administrator and enforces no access
// lists, so refusals have to be played. Starts as an elevated administrator
// with access to everything whose grants and restores succeed. Install it
// with ScopedSecurityUtilForTesting. Thread-safe.
//
// Grants are remembered per object: a successful grant gives the object
// access, and restoring a temporary grant takes it back to what it was.
class FakeSecurityUtil : public SecurityUtil {
 public:
  struct Grant {
    std::wstring object_name;
    SE_OBJECT_TYPE object_type;
    ACCESS_MASK access_mask;
    bool permanent;
  };

  FakeSecurityUtil();
  ~FakeSecurityUtil() override;

  // IsUserAdmin(false) answers `elevated`; IsUserAdmin(true) answers
  // `elevated || can_elevate`.
  void SetUser(bool elevated, bool can_elevate);
  // What HasAccess answers for objects not set one by one.
  void SetDefaultAccess(bool has_access);
  // HasAccess for one object (names compared ignoring case).
  void SetAccess(const std::wstring& object_name, bool has_access);
  void SetGrantSucceeds(bool succeeds);
  void SetRestoreSucceeds(bool succeeds);
  void SetPrivilegeSucceeds(bool succeeds);
  // What GetWriters answers for `path` (compared ignoring case);
  // kAdministrators for paths not set.
  void SetWriters(const std::wstring& path, ObjectWriters writers);
  // What GetUserClass answers; kAdministrators, as under Wine, at first.
  void SetUserClass(ObjectWriters user_class);

  // Every grant asked for, successful or not, in order.
  std::vector<Grant> grants() const;
  // Object names of the restores asked for with something saved.
  std::vector<std::wstring> restores() const;
  // Privilege names of successful EnablePrivilege(…, true) calls not yet
  // disabled again.
  std::vector<std::wstring> enabled_privileges() const;

  bool IsUserAdmin(bool consider_linked_token) override;
  bool HasAccess(const std::wstring& object_name, SE_OBJECT_TYPE object_type,
                 ACCESS_MASK desired_access) override;
  bool NeedsElevation(bool all_users, bool has_write_access) override;
  bool EnablePrivilege(const std::wstring& privilege_name, bool enable) override;
  bool GrantAccessToCurrentUser(const std::wstring& object_name, SE_OBJECT_TYPE object_type,
                                ACCESS_MASK access_mask, bool permanent,
                                std::unique_ptr<SavedSecurityInfo>* saved) override;
  bool RestoreAccess(std::unique_ptr<SavedSecurityInfo>* saved) override;
  ObjectWriters GetWriters(const std::wstring& path) override;
  ObjectWriters GetUserClass() override;

 private:
  static std::wstring Key(const std::wstring& object_name);
  bool HasAccessLocked(const std::wstring& key) const;

  mutable std::mutex lock_;
  bool elevated_ = true;
  bool can_elevate_ = true;
  bool default_access_ = true;
  bool grant_succeeds_ = true;
  bool restore_succeeds_ = true;
  bool privilege_succeeds_ = true;
  std::map<std::wstring, bool> access_;
  std::map<std::wstring, ObjectWriters> writers_;
  ObjectWriters user_class_ = ObjectWriters::kAdministrators;
  // What each outstanding temporary grant's object answered before it.
  std::map<const SavedSecurityInfo*, bool> had_access_before_;
  std::vector<Grant> grants_;
  std::vector<std::wstring> restores_;
  std::vector<std::wstring> enabled_privileges_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_TEST_SUPPORT_FAKE_SECURITY_UTIL_H_
