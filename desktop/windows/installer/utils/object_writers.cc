#include "desktop/windows/installer/utils/object_writers.h"

#include <sddl.h>

#include <algorithm>

namespace {

constexpr ACCESS_MASK kChangingRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
                                        FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER |
                                        GENERIC_WRITE | GENERIC_ALL;

constexpr const wchar_t* kWindowsAccounts[] = {
    L"S-1-5-18",      // SYSTEM
    L"S-1-5-32-544",  // Administrators
    L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",  // TrustedInstaller
};
constexpr const wchar_t* kRecordAdministrators[] = {L"S-1-5-18", L"S-1-5-32-544"};
constexpr wchar_t kCreatorOwner[] = L"S-1-3-0";
constexpr wchar_t kOwnerRights[] = L"S-1-3-4";

std::wstring SidText(PSID sid) {
  wchar_t* text = nullptr;
  if (!sid || !::ConvertSidToStringSidW(sid, &text))
    return std::wstring();
  std::wstring result(text);
  ::LocalFree(text);
  return result;
}

ObjectWriters WritersOf(const std::wstring& sid, const std::wstring& current_user) {
  for (const wchar_t* account : kWindowsAccounts) {
    if (sid == account)
      return ObjectWriters::kAdministrators;
  }
  return !current_user.empty() && sid == current_user ? ObjectWriters::kCurrentUser
                                                      : ObjectWriters::kOthers;
}

}  // namespace

ObjectWriters GetObjectWriters(PSECURITY_DESCRIPTOR descriptor, const std::wstring& current_user) {
  PSID owner = nullptr;
  BOOL defaulted = FALSE;
  if (!descriptor || !::GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) || !owner)
    return ObjectWriters::kOthers;
  const std::wstring owner_text = SidText(owner);
  ObjectWriters writers = WritersOf(owner_text, current_user);
  BOOL present = FALSE;
  PACL dacl = nullptr;
  if (!::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !present || !dacl)
    return ObjectWriters::kOthers;
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* raw = nullptr;
    if (!::GetAce(dacl, i, &raw))
      return ObjectWriters::kOthers;
    const auto* header = static_cast<const ACE_HEADER*>(raw);
    // Deny entries only narrow who may write: leaving them out errs on the
    // safe side.
    if ((header->AceType != ACCESS_ALLOWED_ACE_TYPE &&
         header->AceType != ACCESS_ALLOWED_CALLBACK_ACE_TYPE) ||
        (header->AceFlags & INHERIT_ONLY_ACE)) {
      continue;
    }
    const auto* ace = static_cast<const ACCESS_ALLOWED_ACE*>(raw);
    if (!(ace->Mask & kChangingRights))
      continue;
    std::wstring sid = SidText(const_cast<DWORD*>(&ace->SidStart));
    if (sid == kCreatorOwner)
      continue;
    if (sid == kOwnerRights)
      sid = owner_text;
    writers = std::max(writers, WritersOf(sid, current_user));
  }
  return writers;
}

ObjectWriters GetRecordWriters(PSECURITY_DESCRIPTOR descriptor, const std::wstring& current_user,
                               ObjectWriters user_class) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  BOOL defaulted = FALSE;
  BOOL present = FALSE;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  if (!descriptor || !::GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) || !owner ||
      !::GetSecurityDescriptorControl(descriptor, &control, &revision) ||
      !::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !present ||
      !dacl || ((control & SE_DACL_AUTO_INHERITED) && !(control & SE_DACL_PROTECTED))) {
    return ObjectWriters::kOthers;
  }
  auto writers_of = [&](PSID sid) {
    const std::wstring text = SidText(sid);
    for (const wchar_t* account : kRecordAdministrators) {
      if (text == account)
        return ObjectWriters::kAdministrators;
    }
    return !current_user.empty() && text == current_user ? user_class : ObjectWriters::kOthers;
  };
  ObjectWriters writers = writers_of(owner);
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* raw = nullptr;
    if (!::GetAce(dacl, i, &raw))
      return ObjectWriters::kOthers;
    const auto* header = static_cast<const ACE_HEADER*>(raw);
    if (header->AceFlags & INHERITED_ACE)
      return ObjectWriters::kOthers;
    if (header->AceType == ACCESS_DENIED_ACE_TYPE)
      continue;
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE)
      return ObjectWriters::kOthers;
    const auto* ace = static_cast<const ACCESS_ALLOWED_ACE*>(raw);
    writers = std::max(writers, writers_of(const_cast<DWORD*>(&ace->SidStart)));
  }
  return writers;
}

bool CanChangeRegistryRoot(ObjectWriters writers, HKEY root) {
  return writers <= (root == HKEY_CURRENT_USER ? ObjectWriters::kCurrentUser
                                               : ObjectWriters::kAdministrators);
}
