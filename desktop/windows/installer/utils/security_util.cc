#include "desktop/windows/installer/utils/security_util.h"

#include <windows.h>
#include <aclapi.h>

#include <algorithm>
#include <atomic>
#include <vector>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/no_destructor.h"
#include "base/win/scoped_handle.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/utils/acl_api.h"
#include "desktop/windows/installer/utils/service_utils.h"

namespace {

std::atomic<SecurityUtil*> g_replacement{nullptr};

constexpr wchar_t kTakeOwnershipPrivilege[] = L"SeTakeOwnershipPrivilege";

struct LocalFreeDeleter {
  void operator()(void* memory) const { ::LocalFree(memory); }
};
template <typename T>
using LocalPtr = std::unique_ptr<std::remove_pointer_t<T>, LocalFreeDeleter>;

bool GetGenericMapping(SE_OBJECT_TYPE type, GENERIC_MAPPING* mapping) {
  switch (type) {
    case SE_FILE_OBJECT:
      *mapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
      return true;
    case SE_REGISTRY_KEY:
    case SE_REGISTRY_WOW64_32KEY:
      *mapping = {KEY_READ, KEY_WRITE, KEY_EXECUTE, KEY_ALL_ACCESS};
      return true;
    default:
      return false;
  }
}

// The specific rights a mask stands for, generic bits included.
ACCESS_MASK MapMask(SE_OBJECT_TYPE type, ACCESS_MASK mask) {
  GENERIC_MAPPING mapping;
  if (!GetGenericMapping(type, &mapping)) return mask;
  ACCESS_MASK mapped = mask;
  ::MapGenericMask(&mapped, &mapping);
  return mask | mapped;
}

bool MakeAdministratorsSid(std::vector<BYTE>* sid) {
  DWORD size = SECURITY_MAX_SID_SIZE;
  sid->resize(size);
  return ::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid->data(), &size) != FALSE;
}

// Keeps the object's own choice of whether its parent's entries flow in.
SECURITY_INFORMATION DaclWriteInfo(PSECURITY_DESCRIPTOR descriptor) {
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  if (descriptor && ::GetSecurityDescriptorControl(descriptor, &control, &revision) &&
      (control & SE_DACL_PROTECTED))
    return DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION;
  return DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION;
}

AclApi* SystemAclApi() {
  static base::NoDestructor<AclApiImpl> api;
  return api.get();
}

// Puts back the attributes a file or folder had before the grant; true
// when there is nothing to put back.
bool RestoreFileAttributes(const SavedSecurityInfo& info) {
  // What SetFileAttributesW accepts; the rest (directory, reparse point,
  // compression) is the file system's.
  constexpr DWORD kSettable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                              FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                              FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE |
                              FILE_ATTRIBUTE_TEMPORARY;
  if (info.object_type != SE_FILE_OBJECT || info.old_file_attributes == INVALID_FILE_ATTRIBUTES)
    return true;
  const DWORD current = ::GetFileAttributesW(info.object_name.c_str());
  if (current == INVALID_FILE_ATTRIBUTES) return false;
  const DWORD wanted = info.old_file_attributes & kSettable;
  if ((current & kSettable) == wanted) return true;
  return ::SetFileAttributesW(info.object_name.c_str(),
                              wanted ? wanted : FILE_ATTRIBUTE_NORMAL) != FALSE;
}

}  // namespace

SecurityUtil::~SecurityUtil() = default;

SecurityUtilImpl::SecurityUtilImpl() : acl_api_(SystemAclApi()) {}

SecurityUtilImpl::SecurityUtilImpl(AclApi* acl_api) : acl_api_(acl_api) {}

bool SecurityUtilImpl::IsUserAdmin(bool consider_linked_token) {
  HANDLE raw = nullptr;
  if (!acl_api_->OpenProcessToken(TOKEN_QUERY | TOKEN_DUPLICATE, &raw)) return false;
  base::win::ScopedHandle token(raw);
  if (consider_linked_token && base::win::GetVersion() >= base::win::VERSION_VISTA) {
    TOKEN_ELEVATION_TYPE type;
    if (!acl_api_->QueryElevationType(token.Get(), &type)) return false;
    if (type == TokenElevationTypeLimited) {
      HANDLE linked = nullptr;
      if (!acl_api_->QueryLinkedToken(token.Get(), &linked)) return false;
      token.Set(linked);
    }
  }
  return IsAdministrator(token.Get());
}

ObjectWriters SecurityUtilImpl::GetUserClass() {
  HANDLE raw = nullptr;
  if (!acl_api_->OpenProcessToken(TOKEN_QUERY | TOKEN_DUPLICATE, &raw))
    return ObjectWriters::kCurrentUser;
  base::win::ScopedHandle token(raw);
  TOKEN_ELEVATION_TYPE type;
  HANDLE linked = nullptr;
  if (!IsAdministrator(token.Get()) || !acl_api_->QueryElevationType(token.Get(), &type) ||
      type != TokenElevationTypeFull || !acl_api_->QueryLinkedToken(token.Get(), &linked)) {
    return ObjectWriters::kCurrentUser;
  }
  base::win::ScopedHandle twin(linked);
  return IsAdministrator(twin.Get()) ? ObjectWriters::kAdministrators : ObjectWriters::kCurrentUser;
}

bool SecurityUtilImpl::IsAdministrator(HANDLE token) {
  HANDLE duplicate = nullptr;
  if (!acl_api_->DuplicateForIdentification(token, &duplicate)) return false;
  base::win::ScopedHandle identification(duplicate);
  std::vector<BYTE> administrators;
  bool is_member = false;
  return MakeAdministratorsSid(&administrators) &&
         acl_api_->IsTokenMember(identification.Get(), administrators.data(), &is_member) &&
         is_member;
}

bool SecurityUtilImpl::HasAccess(const std::wstring& object_name, SE_OBJECT_TYPE object_type,
                                 ACCESS_MASK desired_access) {
  GENERIC_MAPPING mapping;
  if (!GetGenericMapping(object_type, &mapping)) return false;
  HANDLE raw = nullptr;
  if (!acl_api_->OpenProcessToken(TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_IMPERSONATE, &raw))
    return false;
  base::win::ScopedHandle token(raw);
  HANDLE duplicate = nullptr;
  if (!acl_api_->DuplicateForIdentification(token.Get(), &duplicate)) return false;
  base::win::ScopedHandle identification(duplicate);

  PSID owner = nullptr;
  PSID group = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR raw_descriptor = nullptr;
  const DWORD error = acl_api_->ReadNamedSecurity(
      object_name, object_type,
      OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
      &group, &dacl, &raw_descriptor);
  LocalPtr<PSECURITY_DESCRIPTOR> descriptor(raw_descriptor);
  if (error != ERROR_SUCCESS || !descriptor) return false;

  // The check refuses generic rights: map them first.
  ACCESS_MASK desired = desired_access;
  ::MapGenericMask(&desired, &mapping);
  bool allowed = false;
  return acl_api_->CheckAccess(descriptor.get(), identification.Get(), desired, mapping,
                               &allowed) &&
         allowed;
}

bool SecurityUtilImpl::NeedsElevation(bool all_users, bool has_write_access) {
  if (IsUserAdmin(false)) return false;
  return all_users || !has_write_access;
}

bool SecurityUtilImpl::EnablePrivilege(const std::wstring& privilege_name, bool enable) {
  HANDLE raw = nullptr;
  if (!acl_api_->OpenProcessToken(TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw)) return false;
  base::win::ScopedHandle token(raw);
  LUID luid;
  if (!acl_api_->LookupPrivilege(privilege_name, &luid)) return false;
  return acl_api_->AdjustPrivilege(token.Get(), luid, enable) == ERROR_SUCCESS;
}

bool SecurityUtilImpl::TakeOwnershipForAdministrators(const std::wstring& object_name,
                                                      SE_OBJECT_TYPE object_type) {
  std::vector<BYTE> administrators;
  if (!MakeAdministratorsSid(&administrators)) return false;
  EnablePrivilege(kTakeOwnershipPrivilege, /*enable=*/true);
  const DWORD error = acl_api_->WriteNamedSecurity(object_name, object_type,
                                                   OWNER_SECURITY_INFORMATION,
                                                   administrators.data(), nullptr);
  EnablePrivilege(kTakeOwnershipPrivilege, /*enable=*/false);
  return error == ERROR_SUCCESS;
}

bool SecurityUtilImpl::GrantAccessToCurrentUser(const std::wstring& object_name,
                                                SE_OBJECT_TYPE object_type,
                                                ACCESS_MASK access_mask, bool permanent,
                                                std::unique_ptr<SavedSecurityInfo>* saved) {
  saved->reset();
  std::wstring user;
  if (!acl_api_->ReadUserName(&user)) return false;

  PACL old_dacl = nullptr;
  PSECURITY_DESCRIPTOR raw_descriptor = nullptr;
  DWORD error = acl_api_->ReadNamedSecurity(object_name, object_type, DACL_SECURITY_INFORMATION,
                                            nullptr, nullptr, &old_dacl, &raw_descriptor);
  if (error == ERROR_ACCESS_DENIED) {
    if (!TakeOwnershipForAdministrators(object_name, object_type)) return false;
    raw_descriptor = nullptr;
    old_dacl = nullptr;
    error = acl_api_->ReadNamedSecurity(object_name, object_type, DACL_SECURITY_INFORMATION,
                                        nullptr, nullptr, &old_dacl, &raw_descriptor);
  }
  LocalPtr<PSECURITY_DESCRIPTOR> old_descriptor(raw_descriptor);
  const DWORD old_attributes = object_type == SE_FILE_OBJECT
                                   ? ::GetFileAttributesW(object_name.c_str())
                                   : INVALID_FILE_ATTRIBUTES;
  // Writing without knowing the old list would replace it: refuse.
  if (error != ERROR_SUCCESS || !old_descriptor) return false;
  if (!old_dacl) return true;  // no list: everyone may do everything already

  ULONG entry_count = 0;
  PEXPLICIT_ACCESS_W raw_entries = nullptr;
  if (::GetExplicitEntriesFromAclW(old_dacl, &entry_count, &raw_entries) != ERROR_SUCCESS)
    return false;
  LocalPtr<PEXPLICIT_ACCESS_W> entries(raw_entries);

  // Deny entries that hit this user would still win over the grant.
  const ACCESS_MASK granted_rights = MapMask(object_type, access_mask);
  std::vector<EXPLICIT_ACCESS_W> kept;
  for (ULONG i = 0; i < entry_count; ++i) {
    EXPLICIT_ACCESS_W entry = raw_entries[i];
    if (entry.grfAccessMode == DENY_ACCESS && entry.Trustee.TrusteeForm == TRUSTEE_IS_SID) {
      bool is_member = false;
      if (acl_api_->IsTokenMember(nullptr, reinterpret_cast<PSID>(entry.Trustee.ptstrName),
                                  &is_member) &&
          is_member) {
        entry.grfAccessPermissions &= ~granted_rights;
        if (entry.grfAccessPermissions == 0) continue;  // denies nothing any more
      }
    }
    kept.push_back(entry);
  }

  EXPLICIT_ACCESS_W grant = {};
  ::BuildExplicitAccessWithNameW(&grant, user.data(), access_mask, GRANT_ACCESS,
                                 OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
  PACL raw_user_acl = nullptr;
  if (::SetEntriesInAclW(1, &grant, nullptr, &raw_user_acl) != ERROR_SUCCESS) return false;
  LocalPtr<PACL> user_acl(raw_user_acl);
  PACL raw_new_acl = nullptr;
  if (::SetEntriesInAclW(static_cast<ULONG>(kept.size()), kept.empty() ? nullptr : kept.data(),
                         user_acl.get(), &raw_new_acl) != ERROR_SUCCESS)
    return false;
  LocalPtr<PACL> new_acl(raw_new_acl);

  const SECURITY_INFORMATION write_info = DaclWriteInfo(old_descriptor.get());
  error = acl_api_->WriteNamedSecurity(object_name, object_type, write_info, nullptr,
                                       new_acl.get());
  if (error == ERROR_ACCESS_DENIED && TakeOwnershipForAdministrators(object_name, object_type)) {
    error = acl_api_->WriteNamedSecurity(object_name, object_type, write_info, nullptr,
                                         new_acl.get());
  }
  if (error != ERROR_SUCCESS) return false;
  if (!permanent) {
    *saved = std::make_unique<SavedSecurityInfo>(object_name, object_type, old_dacl,
                                                 old_descriptor.release());
    (*saved)->old_file_attributes = old_attributes;
  }
  return true;
}

bool SecurityUtilImpl::RestoreAccess(std::unique_ptr<SavedSecurityInfo>* saved) {
  if (!*saved) return false;
  std::unique_ptr<SavedSecurityInfo> info = std::move(*saved);
  if (!info->old_dacl || !info->old_descriptor) return false;
  const bool restored = acl_api_->WriteNamedSecurity(info->object_name, info->object_type,
                                                     DaclWriteInfo(info->old_descriptor), nullptr,
                                                     info->old_dacl) == ERROR_SUCCESS;
  return RestoreFileAttributes(*info) && restored;
}

ObjectWriters SecurityUtilImpl::GetWriters(const std::wstring& path) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR raw_descriptor = nullptr;
  const DWORD error = acl_api_->ReadNamedSecurity(
      path, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
      nullptr, &dacl, &raw_descriptor);
  LocalPtr<PSECURITY_DESCRIPTOR> descriptor(raw_descriptor);
  if (error != ERROR_SUCCESS)
    return ObjectWriters::kOthers;
  return GetObjectWriters(descriptor.get(), GetCurrentUserSid());
}

std::vector<BYTE> Account::GetSid() const {
  if (well_known_) {
    DWORD size = SECURITY_MAX_SID_SIZE;
    std::vector<BYTE> sid(size);
    if (!::CreateWellKnownSid(*well_known_, nullptr, sid.data(), &size)) return {};
    sid.resize(size);
    return sid;
  }
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return {};
  base::win::ScopedHandle token(raw);
  DWORD size = 0;
  ::GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
  std::vector<BYTE> buffer(size);
  if (size == 0 || !::GetTokenInformation(token.Get(), TokenUser, buffer.data(), size, &size))
    return {};
  const PSID user = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
  const BYTE* bytes = static_cast<const BYTE*>(user);
  return std::vector<BYTE>(bytes, bytes + ::GetLengthSid(user));
}

// static
std::optional<ProtectedSecurityDescriptor> ProtectedSecurityDescriptor::Make(
    const Account& owner, std::span<const Entry> entries) {
  std::vector<BYTE> owner_sid = owner.GetSid();
  std::vector<std::vector<BYTE>> sids;
  DWORD acl_size = sizeof(ACL);
  for (const Entry& entry : entries) {
    sids.push_back(entry.account.GetSid());
    if (sids.back().empty()) return std::nullopt;
    acl_size += sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + sids.back().size();
  }
  std::vector<BYTE> acl(acl_size);
  SECURITY_DESCRIPTOR absolute;
  if (owner_sid.empty() ||
      !::InitializeAcl(reinterpret_cast<PACL>(acl.data()), acl_size, ACL_REVISION))
    return std::nullopt;
  for (size_t i = 0; i < sids.size(); ++i) {
    if (!::AddAccessAllowedAceEx(reinterpret_cast<PACL>(acl.data()), ACL_REVISION,
                                 entries[i].inheritance, entries[i].rights, sids[i].data()))
      return std::nullopt;
  }
  DWORD size = 0;
  if (!::InitializeSecurityDescriptor(&absolute, SECURITY_DESCRIPTOR_REVISION) ||
      !::SetSecurityDescriptorOwner(&absolute, owner_sid.data(), FALSE) ||
      !::SetSecurityDescriptorDacl(&absolute, TRUE, reinterpret_cast<PACL>(acl.data()), FALSE) ||
      !::SetSecurityDescriptorControl(&absolute, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
    return std::nullopt;
  ::MakeSelfRelativeSD(&absolute, nullptr, &size);
  std::vector<BYTE> descriptor(size);
  if (size == 0 || !::MakeSelfRelativeSD(&absolute, descriptor.data(), &size))
    return std::nullopt;
  return ProtectedSecurityDescriptor(std::move(descriptor));
}

ProtectedSecurityDescriptor::ProtectedSecurityDescriptor(std::vector<BYTE> descriptor)
    : descriptor_(std::move(descriptor)) {}

PSECURITY_DESCRIPTOR ProtectedSecurityDescriptor::get() const {
  return const_cast<BYTE*>(descriptor_.data());
}

SECURITY_ATTRIBUTES ProtectedSecurityDescriptor::ForCreation() const {
  return {sizeof(SECURITY_ATTRIBUTES), get(), FALSE};
}

std::optional<ProtectedSecurityDescriptor> MakeRecordSecurity(ObjectWriters writers) {
  DCHECK(writers != ObjectWriters::kOthers);
  using Entry = ProtectedSecurityDescriptor::Entry;
  const Entry entries[] = {{WinLocalSystemSid, FILE_ALL_ACCESS},
                           {WinBuiltinAdministratorsSid, FILE_ALL_ACCESS},
                           {Account::CurrentUser(), FILE_ALL_ACCESS}};
  if (writers == ObjectWriters::kAdministrators)
    return ProtectedSecurityDescriptor::Make(WinBuiltinAdministratorsSid,
                                             std::span(entries).first(2));
  return ProtectedSecurityDescriptor::Make(Account::CurrentUser(), entries);
}

ObjectWriters GetRecordWritersThroughHandle(HANDLE file) {
  PSECURITY_DESCRIPTOR raw_descriptor = nullptr;
  if (::GetSecurityInfo(file, SE_FILE_OBJECT,
                        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr, nullptr,
                        nullptr, nullptr, &raw_descriptor) != ERROR_SUCCESS) {
    return ObjectWriters::kOthers;
  }
  LocalPtr<PSECURITY_DESCRIPTOR> descriptor(raw_descriptor);
  return GetRecordWriters(descriptor.get(), GetCurrentUserSid(),
                          GetSecurityUtil()->GetUserClass());
}

SecurityUtil* GetSecurityUtil() {
  if (SecurityUtil* replacement = g_replacement.load()) return replacement;
  static base::NoDestructor<SecurityUtilImpl> instance;
  return instance.get();
}

ScopedSecurityUtilForTesting::ScopedSecurityUtilForTesting(SecurityUtil* replacement)
    : previous_(g_replacement.exchange(replacement)) {}

ScopedSecurityUtilForTesting::~ScopedSecurityUtilForTesting() {
  g_replacement.store(previous_);
}

ObjectWriters GetFolderAndRecordWriters(SecurityUtil* security,
                                        const base::FilePath& folder,
                                        const std::vector<base::FilePath>& records) {
  ObjectWriters writers = security->GetWriters(folder.value());
  for (const base::FilePath& record : records) {
    if (base::PathExists(record))
      writers = std::max(writers, security->GetWriters(record.value()));
  }
  return writers;
}
