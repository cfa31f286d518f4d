#include "base/win/test_support/kernel_object_dacl.h"

#include <aclapi.h>
#include <sddl.h>

namespace {

std::wstring SidText(PSID sid) {
  wchar_t* text = nullptr;
  if (!ConvertSidToStringSidW(sid, &text))
    return std::wstring();
  std::wstring result(text);
  LocalFree(text);
  return result;
}

}  // namespace

std::set<std::wstring> AllowedAccounts(HANDLE object, bool* only_allowed) {
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  std::set<std::wstring> accounts;
  *only_allowed = true;
  if (GetSecurityInfo(object, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                      &dacl, nullptr, &descriptor) != ERROR_SUCCESS || !dacl) {
    *only_allowed = false;
    return accounts;
  }
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    ACE_HEADER* header = nullptr;
    GetAce(dacl, i, reinterpret_cast<void**>(&header));
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) {
      *only_allowed = false;
      continue;
    }
    auto* ace = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
    accounts.insert(SidText(&ace->SidStart));
  }
  LocalFree(descriptor);
  return accounts;
}

std::wstring CurrentUserSid() {
  HANDLE token = nullptr;
  OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
  BYTE buffer[256];
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, buffer, sizeof(buffer), &size);
  CloseHandle(token);
  return SidText(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid);
}

bool SetObjectOwner(HANDLE object, const wchar_t* sid_text) {
  PSID sid = nullptr;
  if (!ConvertStringSidToSidW(sid_text, &sid))
    return false;
  const bool set = SetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, sid,
                                   nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  LocalFree(sid);
  return set;
}

::testing::AssertionResult IsOpenOnlyToTheUser(HANDLE object) {
  bool only_allowed = false;
  const std::set<std::wstring> allowed = AllowedAccounts(object, &only_allowed);
  const std::set<std::wstring> own = {L"S-1-5-18", L"S-1-5-32-544", CurrentUserSid()};
  if (only_allowed && allowed == own)
    return ::testing::AssertionSuccess();
  std::wstring names;
  for (const std::wstring& name : allowed)
    names += L" " + name;
  return ::testing::AssertionFailure()
         << "allowed:" << std::string(names.begin(), names.end())
         << (only_allowed ? "" : " (or a denial, or no DACL)");
}
