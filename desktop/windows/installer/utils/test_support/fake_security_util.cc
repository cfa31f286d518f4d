#include "desktop/windows/installer/utils/test_support/fake_security_util.h"

#include <algorithm>

#include "base/strings/string_util.h"

FakeSecurityUtil::FakeSecurityUtil() = default;
FakeSecurityUtil::~FakeSecurityUtil() = default;

void FakeSecurityUtil::SetUser(bool elevated, bool can_elevate) {
  std::lock_guard<std::mutex> hold(lock_);
  elevated_ = elevated;
  can_elevate_ = can_elevate;
}

void FakeSecurityUtil::SetDefaultAccess(bool has_access) {
  std::lock_guard<std::mutex> hold(lock_);
  default_access_ = has_access;
}

void FakeSecurityUtil::SetAccess(const std::wstring& object_name, bool has_access) {
  std::lock_guard<std::mutex> hold(lock_);
  access_[Key(object_name)] = has_access;
}

void FakeSecurityUtil::SetGrantSucceeds(bool succeeds) {
  std::lock_guard<std::mutex> hold(lock_);
  grant_succeeds_ = succeeds;
}

void FakeSecurityUtil::SetRestoreSucceeds(bool succeeds) {
  std::lock_guard<std::mutex> hold(lock_);
  restore_succeeds_ = succeeds;
}

void FakeSecurityUtil::SetPrivilegeSucceeds(bool succeeds) {
  std::lock_guard<std::mutex> hold(lock_);
  privilege_succeeds_ = succeeds;
}

void FakeSecurityUtil::SetWriters(const std::wstring& path, ObjectWriters writers) {
  std::lock_guard<std::mutex> hold(lock_);
  writers_[Key(path)] = writers;
}

void FakeSecurityUtil::SetUserClass(ObjectWriters user_class) {
  std::lock_guard<std::mutex> hold(lock_);
  user_class_ = user_class;
}

ObjectWriters FakeSecurityUtil::GetUserClass() {
  std::lock_guard<std::mutex> hold(lock_);
  return user_class_;
}

std::vector<FakeSecurityUtil::Grant> FakeSecurityUtil::grants() const {
  std::lock_guard<std::mutex> hold(lock_);
  return grants_;
}

std::vector<std::wstring> FakeSecurityUtil::restores() const {
  std::lock_guard<std::mutex> hold(lock_);
  return restores_;
}

std::vector<std::wstring> FakeSecurityUtil::enabled_privileges() const {
  std::lock_guard<std::mutex> hold(lock_);
  return enabled_privileges_;
}

bool FakeSecurityUtil::IsUserAdmin(bool consider_linked_token) {
  std::lock_guard<std::mutex> hold(lock_);
  return elevated_ || (consider_linked_token && can_elevate_);
}

bool FakeSecurityUtil::HasAccess(const std::wstring& object_name, SE_OBJECT_TYPE object_type,
                                 ACCESS_MASK) {
  if (object_type != SE_FILE_OBJECT && object_type != SE_REGISTRY_KEY &&
      object_type != SE_REGISTRY_WOW64_32KEY)
    return false;
  std::lock_guard<std::mutex> hold(lock_);
  return HasAccessLocked(Key(object_name));
}

bool FakeSecurityUtil::NeedsElevation(bool all_users, bool has_write_access) {
  if (IsUserAdmin(false)) return false;
  return all_users || !has_write_access;
}

bool FakeSecurityUtil::EnablePrivilege(const std::wstring& privilege_name, bool enable) {
  std::lock_guard<std::mutex> hold(lock_);
  if (!privilege_succeeds_) return false;
  auto it = std::find(enabled_privileges_.begin(), enabled_privileges_.end(), privilege_name);
  if (enable && it == enabled_privileges_.end()) enabled_privileges_.push_back(privilege_name);
  if (!enable && it != enabled_privileges_.end()) enabled_privileges_.erase(it);
  return true;
}

bool FakeSecurityUtil::GrantAccessToCurrentUser(const std::wstring& object_name,
                                                SE_OBJECT_TYPE object_type,
                                                ACCESS_MASK access_mask, bool permanent,
                                                std::unique_ptr<SavedSecurityInfo>* saved) {
  saved->reset();
  std::lock_guard<std::mutex> hold(lock_);
  grants_.push_back({object_name, object_type, access_mask, permanent});
  if (!grant_succeeds_) return false;
  const std::wstring key = Key(object_name);
  const bool had_access = HasAccessLocked(key);
  access_[key] = true;
  if (!permanent) {
    *saved = std::make_unique<SavedSecurityInfo>(object_name, object_type, nullptr, nullptr);
    had_access_before_[saved->get()] = had_access;
  }
  return true;
}

bool FakeSecurityUtil::RestoreAccess(std::unique_ptr<SavedSecurityInfo>* saved) {
  if (!*saved) return false;
  std::unique_ptr<SavedSecurityInfo> info = std::move(*saved);
  std::lock_guard<std::mutex> hold(lock_);
  restores_.push_back(info->object_name);
  auto before = had_access_before_.find(info.get());
  const bool had_access = before != had_access_before_.end() && before->second;
  if (before != had_access_before_.end()) had_access_before_.erase(before);
  if (!restore_succeeds_) return false;
  access_[Key(info->object_name)] = had_access;
  return true;
}

ObjectWriters FakeSecurityUtil::GetWriters(const std::wstring& path) {
  std::lock_guard<std::mutex> hold(lock_);
  auto it = writers_.find(Key(path));
  return it == writers_.end() ? ObjectWriters::kAdministrators : it->second;
}

std::wstring FakeSecurityUtil::Key(const std::wstring& object_name) {
  return base::ToLowerASCII(object_name);
}

bool FakeSecurityUtil::HasAccessLocked(const std::wstring& key) const {
  auto it = access_.find(key);
  return it == access_.end() ? default_access_ : it->second;
}
