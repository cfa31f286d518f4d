#include "base/win/kernel_object_security.h"

#include <aclapi.h>
#include <sddl.h>

#include <string>
#include <vector>

#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/scoped_handle.h"

namespace {

// The process token's user (TokenUser) or default owner (TokenOwner).
std::vector<BYTE> ReadTokenSid(TOKEN_INFORMATION_CLASS which) {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw))
    return {};
  base::win::ScopedHandle token(raw);
  DWORD size = 0;
  GetTokenInformation(token.Get(), which, nullptr, 0, &size);
  std::vector<BYTE> buffer(size);
  if (size == 0 || !GetTokenInformation(token.Get(), which, buffer.data(), size, &size))
    return {};
  return buffer;
}

PSID SidOf(TOKEN_INFORMATION_CLASS which, const std::vector<BYTE>& buffer) {
  if (buffer.empty())
    return nullptr;
  return which == TokenUser ? reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid
                            : reinterpret_cast<const TOKEN_OWNER*>(buffer.data())->Owner;
}

bool IsWellKnown(PSID sid, WELL_KNOWN_SID_TYPE type) {
  BYTE buffer[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof(buffer);
  return CreateWellKnownSid(type, nullptr, buffer, &size) && EqualSid(sid, buffer);
}

}  // namespace

KernelObjectSecurity::KernelObjectSecurity(Integrity integrity) {
  const std::vector<BYTE> user = ReadTokenSid(TokenUser);
  PSID user_sid = SidOf(TokenUser, user);
  wchar_t* user_text = nullptr;
  if (!user_sid || !ConvertSidToStringSidW(user_sid, &user_text)) {
    LOG(ERROR) << "Cannot name the user for the installer's objects";
    return;
  }
  // Protected: nothing is inherited from a parent object.
  std::wstring sddl = std::wstring(L"D:P(A;;GA;;;SY)(A;;GA;;;BA)(A;;GA;;;") + user_text + L")";
  if (integrity == Integrity::kLowMayWrite)
    sddl += L"S:(ML;;NW;;;S-1-16-4096)";
  LocalFree(user_text);
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                            &descriptor_, nullptr)) {
    PLOG(ERROR) << "Cannot build the installer objects' security";
    descriptor_ = nullptr;
  }
}

KernelObjectSecurity::~KernelObjectSecurity() {
  if (descriptor_)
    LocalFree(descriptor_);
}

SECURITY_ATTRIBUTES* KernelObjectSecurity::Get(bool inheritable) {
  if (!descriptor_)
    return nullptr;
  attributes_ = {sizeof(attributes_), descriptor_, inheritable ? TRUE : FALSE};
  return &attributes_;
}

bool KernelObjectSecurity::HasTrustedOwner(HANDLE object) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                      nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  bool trusted = false;
  if (owner && IsValidSid(owner)) {
    const std::vector<BYTE> user = ReadTokenSid(TokenUser);
    const std::vector<BYTE> default_owner = ReadTokenSid(TokenOwner);
    PSID user_sid = SidOf(TokenUser, user);
    PSID default_sid = SidOf(TokenOwner, default_owner);
    trusted = (user_sid && EqualSid(owner, user_sid)) ||
              (default_sid && EqualSid(owner, default_sid)) ||
              IsWellKnown(owner, WinLocalSystemSid) ||
              IsWellKnown(owner, WinBuiltinAdministratorsSid);
  }
  LocalFree(descriptor);
  return trusted;
}

HANDLE KernelObjectSecurity::CreateOwnEvent(const std::wstring& name, bool manual_reset) {
  KernelObjectSecurity security;
  SECURITY_ATTRIBUTES* attributes = security.Get(/*inheritable=*/false);
  if (!attributes)
    return nullptr;
  base::win::ScopedHandle event(CreateEventW(attributes, manual_reset, FALSE, name.c_str()));
  if (!event.IsValid() || GetLastError() != ERROR_ALREADY_EXISTS)
    return event.Take();
  if (!HasTrustedOwner(event.Get())) {
    LOG(ERROR) << "The event " << base::WideToUTF8(name) << " belongs to someone else";
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  LOG(WARNING) << "The event " << base::WideToUTF8(name) << " was left by an earlier run";
  ResetEvent(event.Get());
  return event.Take();
}

HANDLE KernelObjectSecurity::CreateOwnMutex(const std::wstring& name) {
  KernelObjectSecurity security;
  SECURITY_ATTRIBUTES* attributes = security.Get(/*inheritable=*/false);
  return attributes ? CreateMutexW(attributes, FALSE, name.c_str()) : nullptr;
}
