#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_SECURITY_UTIL_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_SECURITY_UTIL_H_

#include <windows.h>
#include <accctrl.h>

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/files/file_path.h"

#include "desktop/windows/installer/utils/object_writers.h"
#include "desktop/windows/installer/utils/saved_security_info.h"

class AclApi;

// The installer's questions about rights, and grants of access on files,
// folders and registry keys. Object names and types are those of
// GetNamedSecurityInfoW: SE_FILE_OBJECT (1), SE_REGISTRY_KEY (4) and
// SE_REGISTRY_WOW64_32KEY (12) with names like "MACHINE\Software\x"
// (see RegistryRootName). Every operation reports failure as false and logs
// nothing; callers decide what it means. Safe to call from any thread.
class SecurityUtil {
 public:
  virtual ~SecurityUtil();

  // False: whether this process runs as an elevated administrator. True:
  // whether the user is an administrator, possibly after elevating.
  virtual bool IsUserAdmin(bool consider_linked_token) = 0;
  // Whether this process has `desired_access` (generic rights allowed) on
  // the object. Types other than the three above answer false.
  virtual bool HasAccess(const std::wstring& object_name, SE_OBJECT_TYPE object_type,
                         ACCESS_MASK desired_access) = 0;
  // False for an elevated administrator; otherwise whether an all-users
  // installation is asked for or the folder is not writable.
  virtual bool NeedsElevation(bool all_users, bool has_write_access) = 0;
  // Enables or disables a privilege ("SeTakeOwnershipPrivilege") of the
  // process token; false also when the token does not hold it.
  virtual bool EnablePrivilege(const std::wstring& privilege_name, bool enable) = 0;
  // Grants the current user `access_mask` on the object, inherited by files
  // and folders below it; the user's deny entries lose those rights. When
  // the access list cannot be read nothing is written. Unless `permanent`,
  // `*saved` receives what RestoreAccess needs to take the grant back.
  // An object without an access list already allows everyone everything:
  // true, nothing written, nothing saved.
  virtual bool GrantAccessToCurrentUser(const std::wstring& object_name,
                                        SE_OBJECT_TYPE object_type, ACCESS_MASK access_mask,
                                        bool permanent,
                                        std::unique_ptr<SavedSecurityInfo>* saved) = 0;
  // Writes the saved access list back and frees `*saved`. False when
  // nothing was saved, when the saved list is missing (an absent list would
  // open the object to everyone, so it is never written), or when the write
  // fails.
  virtual bool RestoreAccess(std::unique_ptr<SavedSecurityInfo>* saved) = 0;
  // Who may change the file or folder at `path` (GetObjectWriters); kOthers
  // when its security cannot be read.
  virtual ObjectWriters GetWriters(const std::wstring& path) = 0;
  // Whose rights every process of the current user has: kAdministrators
  // when it is an administrator whose limited twin (the token UAC splits
  // off) is one too, as under Wine; on Windows a twin never is, and the
  // user is kCurrentUser like anyone who is not an administrator.
  virtual ObjectWriters GetUserClass() = 0;
};

class SecurityUtilImpl : public SecurityUtil {
 public:
  // Uses the system's calls.
  SecurityUtilImpl();
  // Uses `acl_api`, which must outlive this object.
  explicit SecurityUtilImpl(AclApi* acl_api);

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

  // Makes the built-in Administrators group the object's owner, with the
  // take-ownership privilege enabled only for the call.
  bool TakeOwnershipForAdministrators(const std::wstring& object_name, SE_OBJECT_TYPE object_type);

 private:
  // Whether `token` holds the Administrators group enabled.
  bool IsAdministrator(HANDLE token);

  AclApi* const acl_api_;
};

// The process-wide instance (a SecurityUtilImpl unless replaced).
SecurityUtil* GetSecurityUtil();

// The widest writers of `folder` and of those `records` in it that exist:
// whoever can plant a record there can make it say anything.
ObjectWriters GetFolderAndRecordWriters(SecurityUtil* security,
                                        const base::FilePath& folder,
                                        const std::vector<base::FilePath>& records);

// An account a security descriptor names: one of Windows' well-known ones
// (WinLocalSystemSid, WinBuiltinAdministratorsSid, ...) or the user this
// process runs as.
class Account {
 public:
  static constexpr Account CurrentUser() { return Account(); }
  constexpr Account(WELL_KNOWN_SID_TYPE well_known)  // NOLINT: a well-known one is an account
      : well_known_(well_known) {}

  // Its SID; empty when it cannot be told.
  std::vector<BYTE> GetSid() const;

 private:
  constexpr Account() = default;
  std::optional<WELL_KNOWN_SID_TYPE> well_known_;
};

// A security descriptor for what the installer makes: one owner, and an
// access list that allows the entries given and nothing else, protected so
// that it takes nothing from the folder the object lies in. It holds its
// own memory (self-relative).
class ProtectedSecurityDescriptor {
 public:
  struct Entry {
    Account account;
    ACCESS_MASK rights;
    // What a folder passes on to what is made in it (OBJECT_INHERIT_ACE,
    // CONTAINER_INHERIT_ACE, ...); 0 for a file.
    BYTE inheritance = 0;
  };

  // Nothing when an account cannot be named.
  static std::optional<ProtectedSecurityDescriptor> Make(const Account& owner,
                                                         std::span<const Entry> entries);

  PSECURITY_DESCRIPTOR get() const;
  // For a Create...W call while this descriptor lives; not inherited by
  // child processes.
  SECURITY_ATTRIBUTES ForCreation() const;

 private:
  explicit ProtectedSecurityDescriptor(std::vector<BYTE> descriptor);

  std::vector<BYTE> descriptor_;
};

// The security of a record a run keeps for the next run (its journals):
// open only to the accounts of the run's class, SYSTEM and the
// Administrators, who own it, for kAdministrators (a run for all users), and
// for kCurrentUser (a run of the user's own) the user too, who owns it then.
std::optional<ProtectedSecurityDescriptor> MakeRecordSecurity(ObjectWriters writers);

// GetRecordWriters of the file open at `file` (with READ_CONTROL), read
// through that handle, with the current user counted as GetUserClass says;
// kOthers when it cannot be read.
ObjectWriters GetRecordWritersThroughHandle(HANDLE file);

// Replaces the process-wide instance for a test's lifetime.
class ScopedSecurityUtilForTesting {
 public:
  explicit ScopedSecurityUtilForTesting(SecurityUtil* replacement);
  ~ScopedSecurityUtilForTesting();
  ScopedSecurityUtilForTesting(const ScopedSecurityUtilForTesting&) = delete;
  ScopedSecurityUtilForTesting& operator=(const ScopedSecurityUtilForTesting&) = delete;

 private:
  SecurityUtil* previous_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_SECURITY_UTIL_H_
