#include "desktop/windows/installer/utils/security_util.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <deque>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/utils/acl_api.h"
#include "desktop/windows/installer/utils/test_support/fake_security_util.h"
#include "gtest/gtest.h"

namespace {

std::wstring SidText(PSID sid) {
  wchar_t* text = nullptr;
  if (!::ConvertSidToStringSidW(sid, &text)) return L"?";
  std::wstring result(text);
  ::LocalFree(text);
  return result;
}

std::wstring CurrentUserSidText() {
  HANDLE raw = nullptr;
  EXPECT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw));
  base::win::ScopedHandle token(raw);
  BYTE buffer[512];
  DWORD size = 0;
  EXPECT_TRUE(::GetTokenInformation(token.Get(), TokenUser, buffer, sizeof(buffer), &size));
  return SidText(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid);
}

struct Ace {
  BYTE type;
  BYTE flags;
  ACCESS_MASK mask;
  std::wstring sid;
  bool operator==(const Ace&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Ace& ace) {
  return out << "{type " << int(ace.type) << " flags " << int(ace.flags) << " mask 0x" << std::hex
             << ace.mask << std::dec << " " << std::string(ace.sid.begin(), ace.sid.end()) << "}";
}

// Allow and deny entries of an access list, in order, read with GetAce.
std::vector<Ace> AcesOf(PACL acl) {
  std::vector<Ace> aces;
  if (!acl) return aces;
  for (DWORD i = 0; i < acl->AceCount; ++i) {
    void* raw = nullptr;
    EXPECT_TRUE(::GetAce(acl, i, &raw));
    const auto* header = static_cast<ACE_HEADER*>(raw);
    // Allowed and denied entries share one layout.
    const auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(raw);
    aces.push_back({header->AceType, header->AceFlags, ace->Mask,
                    SidText(const_cast<DWORD*>(&ace->SidStart))});
  }
  return aces;
}

// A copy of an access list that outlives the caller's buffer.
std::vector<BYTE> CopyAcl(PACL acl) {
  if (!acl) return {};
  const BYTE* bytes = reinterpret_cast<const BYTE*>(acl);
  return std::vector<BYTE>(bytes, bytes + acl->AclSize);
}

// The system's calls, except where a test scripts the answer.
class ScriptedAclApi : public AclApiImpl {
 public:
  struct Write {
    SECURITY_INFORMATION info;
    std::wstring owner;
    std::vector<BYTE> dacl;
  };

  // Objects then read as this descriptor (SDDL), whatever their name.
  void SetDescriptor(const wchar_t* sddl) { sddl_ = sddl; }

  DWORD ReadNamedSecurity(const std::wstring& name, SE_OBJECT_TYPE type, SECURITY_INFORMATION info,
                          PSID* owner, PSID* group, PACL* dacl,
                          PSECURITY_DESCRIPTOR* descriptor) override {
    ++reads;
    if (!read_errors.empty()) {
      const DWORD error = read_errors.front();
      read_errors.pop_front();
      *descriptor = nullptr;
      return error;
    }
    if (read_gives_no_descriptor) {
      *descriptor = nullptr;
      return ERROR_SUCCESS;
    }
    if (null_dacl) {
      // A descriptor whose access list is absent (Wine's SDDL parser makes
      // an empty one of "NO_ACCESS_CONTROL").
      SECURITY_DESCRIPTOR absolute;
      ::InitializeSecurityDescriptor(&absolute, SECURITY_DESCRIPTOR_REVISION);
      ::SetSecurityDescriptorDacl(&absolute, TRUE, nullptr, FALSE);
      DWORD size = 0;
      ::MakeSelfRelativeSD(&absolute, nullptr, &size);
      *descriptor = ::LocalAlloc(LPTR, size);
      EXPECT_TRUE(::MakeSelfRelativeSD(&absolute, *descriptor, &size));
      if (dacl) *dacl = nullptr;
      return ERROR_SUCCESS;
    }
    if (sddl_.empty())
      return AclApiImpl::ReadNamedSecurity(name, type, info, owner, group, dacl, descriptor);
    EXPECT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(
        sddl_.c_str(), SDDL_REVISION_1, descriptor, nullptr));
    BOOL present = FALSE, defaulted = FALSE;
    if (dacl) {
      ::GetSecurityDescriptorDacl(*descriptor, &present, dacl, &defaulted);
      if (!present) *dacl = nullptr;
    }
    if (owner) ::GetSecurityDescriptorOwner(*descriptor, owner, &defaulted);
    if (group) ::GetSecurityDescriptorGroup(*descriptor, group, &defaulted);
    return ERROR_SUCCESS;
  }

  DWORD WriteNamedSecurity(const std::wstring& name, SE_OBJECT_TYPE type,
                           SECURITY_INFORMATION info, PSID owner, PACL dacl) override {
    writes.push_back({info, owner ? SidText(owner) : L"", CopyAcl(dacl)});
    if (!write_errors.empty()) {
      const DWORD error = write_errors.front();
      write_errors.pop_front();
      return error;
    }
    if (!sddl_.empty() || null_dacl) return ERROR_SUCCESS;  // scripted objects are not real
    return AclApiImpl::WriteNamedSecurity(name, type, info, owner, dacl);
  }

  bool QueryElevationType(HANDLE token, TOKEN_ELEVATION_TYPE* type) override {
    if (!elevation_type_readable) return false;
    if (!scripted_elevation_type) return AclApiImpl::QueryElevationType(token, type);
    *type = *scripted_elevation_type;
    return true;
  }

  bool QueryLinkedToken(HANDLE token, HANDLE* linked) override {
    // Any real token will do; its handle marks it as the linked one.
    if (!::DuplicateHandle(::GetCurrentProcess(), token, ::GetCurrentProcess(), linked, 0, FALSE,
                           DUPLICATE_SAME_ACCESS))
      return false;
    linked_ = *linked;
    return true;
  }

  bool DuplicateForIdentification(HANDLE token, HANDLE* duplicate) override {
    if (!AclApiImpl::DuplicateForIdentification(token, duplicate)) return false;
    if (token == linked_) linked_duplicate_ = *duplicate;
    return true;
  }

  bool IsTokenMember(HANDLE token, PSID sid, bool* is_member) override {
    const std::wstring text = SidText(sid);
    if (text == L"S-1-5-32-544" && admin_membership) {
      *is_member = token && token == linked_duplicate_ ? linked_is_admin : process_is_admin;
      return true;
    }
    if (scripted_groups) {
      *is_member = member_of.count(text) != 0;
      return true;
    }
    return AclApiImpl::IsTokenMember(token, sid, is_member);
  }

  DWORD AdjustPrivilege(HANDLE token, const LUID& luid, bool enable) override {
    privilege_changes.push_back(enable);
    if (adjust_result) return *adjust_result;
    return AclApiImpl::AdjustPrivilege(token, luid, enable);
  }

  int reads = 0;
  bool read_gives_no_descriptor = false;
  bool null_dacl = false;
  std::deque<DWORD> read_errors;
  std::deque<DWORD> write_errors;
  std::vector<Write> writes;
  bool elevation_type_readable = true;
  std::optional<TOKEN_ELEVATION_TYPE> scripted_elevation_type;
  bool admin_membership = false;  // script the Administrators answers
  bool process_is_admin = false;
  bool linked_is_admin = false;
  bool scripted_groups = false;
  std::set<std::wstring> member_of;
  std::optional<DWORD> adjust_result;
  std::vector<bool> privilege_changes;

 private:
  std::wstring sddl_;
  HANDLE linked_ = nullptr;
  HANDLE linked_duplicate_ = nullptr;
};

class SecurityUtilTest : public testing::Test {
 protected:
  ScriptedAclApi api_;
  SecurityUtilImpl util_{&api_};
};

TEST_F(SecurityUtilTest, HasAccessOnlyForFilesAndKeys) {
  EXPECT_FALSE(util_.HasAccess(L"Spooler", SE_SERVICE, GENERIC_READ));
  EXPECT_FALSE(util_.HasAccess(L"x", SE_UNKNOWN_OBJECT_TYPE, GENERIC_READ));
  EXPECT_EQ(0, api_.reads);
}

TEST_F(SecurityUtilTest, HasAccessFollowsTheAccessList) {
  const std::wstring me = CurrentUserSidText();
  api_.SetDescriptor((L"O:BAG:BAD:(A;;FR;;;" + me + L")").c_str());
  EXPECT_TRUE(util_.HasAccess(L"C:\\x", SE_FILE_OBJECT, FILE_GENERIC_READ));
  // Generic rights are mapped before the check, which refuses them as such.
  EXPECT_TRUE(util_.HasAccess(L"C:\\x", SE_FILE_OBJECT, GENERIC_READ));
  EXPECT_FALSE(util_.HasAccess(L"C:\\x", SE_FILE_OBJECT, GENERIC_WRITE));
  // Denying write data and append data leaves reading alone.
  api_.SetDescriptor((L"O:BAG:BAD:(D;;0x6;;;" + me + L")(A;;FA;;;" + me + L")").c_str());
  EXPECT_FALSE(util_.HasAccess(L"C:\\x", SE_FILE_OBJECT, 0x130116));
  EXPECT_TRUE(util_.HasAccess(L"C:\\x", SE_FILE_OBJECT, FILE_GENERIC_READ));
  api_.SetDescriptor((L"O:BAG:BAD:(A;;KR;;;" + me + L")").c_str());
  EXPECT_TRUE(util_.HasAccess(L"CURRENT_USER\\Software", SE_REGISTRY_KEY, GENERIC_READ));
  EXPECT_FALSE(util_.HasAccess(L"CURRENT_USER\\Software", SE_REGISTRY_WOW64_32KEY, KEY_WRITE));
}

TEST_F(SecurityUtilTest, HasAccessIsFalseWhenTheDescriptorIsMissing) {
  api_.read_gives_no_descriptor = true;
  EXPECT_FALSE(util_.HasAccess(L"MACHINE\\Software", SE_REGISTRY_WOW64_32KEY, KEY_READ));
  api_.read_gives_no_descriptor = false;
  api_.read_errors = {ERROR_FILE_NOT_FOUND};
  EXPECT_FALSE(util_.HasAccess(L"C:\\missing", SE_FILE_OBJECT, FILE_GENERIC_READ));
}

TEST_F(SecurityUtilTest, WritersComeFromTheDescriptorAndAreOthersWhenUnread) {
  api_.SetDescriptor(L"O:BAD:(A;;FA;;;SY)");
  EXPECT_EQ(ObjectWriters::kAdministrators, util_.GetWriters(L"C:\\x"));
  api_.SetDescriptor(L"O:BAD:(A;;FA;;;SY)(A;;0x1301bf;;;AU)");
  EXPECT_EQ(ObjectWriters::kOthers, util_.GetWriters(L"C:\\x"));
  api_.read_errors = {ERROR_ACCESS_DENIED};
  EXPECT_EQ(ObjectWriters::kOthers, util_.GetWriters(L"C:\\x"));
}

// The widest writers win; a record that is not there counts for nothing.
TEST(FolderAndRecordWritersTest, TheWidestWriterOfTheFolderAndItsPresentRecords) {
  base::ScopedTempDir temp;
  ASSERT_TRUE(temp.CreateUniqueTempDir());
  const base::FilePath folder = temp.GetPath();
  const base::FilePath present = folder.Append(L"status.json");
  const base::FilePath absent = folder.Append(L"old_status.json");
  ASSERT_TRUE(base::WriteFile(present, "{}"));
  const struct {
    ObjectWriters folder, present, absent, expected;
  } cases[] = {
      {ObjectWriters::kAdministrators, ObjectWriters::kOthers, ObjectWriters::kAdministrators,
       ObjectWriters::kOthers},
      {ObjectWriters::kCurrentUser, ObjectWriters::kAdministrators, ObjectWriters::kOthers,
       ObjectWriters::kCurrentUser},
      {ObjectWriters::kOthers, ObjectWriters::kAdministrators, ObjectWriters::kAdministrators,
       ObjectWriters::kOthers},
  };
  for (const auto& c : cases) {
    FakeSecurityUtil security;
    security.SetWriters(folder.value(), c.folder);
    security.SetWriters(present.value(), c.present);
    security.SetWriters(absent.value(), c.absent);
    EXPECT_EQ(c.expected, GetFolderAndRecordWriters(&security, folder, {present, absent}));
  }
}

TEST_F(SecurityUtilTest, AdminOfALimitedTokenIsFoundThroughTheLinkedToken) {
  api_.admin_membership = true;
  api_.scripted_elevation_type = TokenElevationTypeLimited;
  api_.process_is_admin = false;
  api_.linked_is_admin = true;
  EXPECT_FALSE(util_.IsUserAdmin(false));
  EXPECT_TRUE(util_.IsUserAdmin(true));
  EXPECT_TRUE(util_.NeedsElevation(false, false));
  EXPECT_TRUE(util_.NeedsElevation(true, true));
  EXPECT_FALSE(util_.NeedsElevation(false, true));

  api_.linked_is_admin = false;
  EXPECT_FALSE(util_.IsUserAdmin(true));
  // A full token has no linked token to look at.
  api_.scripted_elevation_type = TokenElevationTypeFull;
  api_.linked_is_admin = true;
  EXPECT_FALSE(util_.IsUserAdmin(true));
  api_.elevation_type_readable = false;
  api_.process_is_admin = true;
  EXPECT_FALSE(util_.IsUserAdmin(true));
  EXPECT_TRUE(util_.IsUserAdmin(false));
}

TEST_F(SecurityUtilTest, ElevatedAdminNeverNeedsElevation) {
  api_.admin_membership = true;
  api_.process_is_admin = true;
  EXPECT_FALSE(util_.NeedsElevation(true, true));
  EXPECT_FALSE(util_.NeedsElevation(true, false));
  EXPECT_FALSE(util_.NeedsElevation(false, false));
}

TEST_F(SecurityUtilTest, PrivilegeNotHeldIsAFailure) {
  api_.adjust_result = ERROR_NOT_ALL_ASSIGNED;
  EXPECT_FALSE(util_.EnablePrivilege(L"SeTakeOwnershipPrivilege", true));
  api_.adjust_result.reset();
  EXPECT_FALSE(util_.EnablePrivilege(L"SeNoSuchPrivilege", true));
  EXPECT_EQ(1u, api_.privilege_changes.size());  // the unknown name never reached the token
}

// The user counts as an administrator only when no process of theirs can
// run without the group: their elevated token's limited twin holds it too.
TEST_F(SecurityUtilTest, TheUserIsAnAdministratorOnlyWithoutALimitedTwin) {
  api_.admin_membership = true;
  const struct {
    TOKEN_ELEVATION_TYPE type;
    bool admin;
    bool twin_admin;
    ObjectWriters user_class;
  } cases[] = {
      {TokenElevationTypeFull, true, true, ObjectWriters::kAdministrators},  // Wine
      {TokenElevationTypeFull, true, false, ObjectWriters::kCurrentUser},    // UAC
      {TokenElevationTypeDefault, true, true, ObjectWriters::kCurrentUser},
      {TokenElevationTypeLimited, false, true, ObjectWriters::kCurrentUser},
  };
  for (const auto& c : cases) {
    api_.scripted_elevation_type = c.type;
    api_.process_is_admin = c.admin;
    api_.linked_is_admin = c.twin_admin;
    EXPECT_EQ(c.user_class, util_.GetUserClass()) << c.type;
  }
}

// What a run makes its records with is what the next run of its class
// trusts, protected from its folder's list.
TEST(RecordSecurityTest, TheRunsOwnClassProtected) {
  const std::wstring me = CurrentUserSidText();
  for (ObjectWriters writers : {ObjectWriters::kAdministrators, ObjectWriters::kCurrentUser}) {
    const std::optional<ProtectedSecurityDescriptor> security = MakeRecordSecurity(writers);
    ASSERT_TRUE(security);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(::GetSecurityDescriptorControl(security->get(), &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED);
    EXPECT_EQ(writers, GetRecordWriters(security->get(), me, ObjectWriters::kCurrentUser));
  }
}

class GrantTest : public SecurityUtilTest {
 protected:
  void SetUp() override {
    me_ = CurrentUserSidText();
    api_.scripted_groups = true;
    api_.member_of = {L"S-1-5-32-545", L"S-1-1-0"};  // Users, Everyone
  }
  std::wstring me_;
  std::unique_ptr<SavedSecurityInfo> saved_;
};

TEST_F(GrantTest, DenyEntryOfTheUsersGroupLosesExactlyTheGrantedBits) {
  api_.SetDescriptor(L"D:(D;OICI;0x1F01FF;;;BU)(D;;0x1F01FF;;;SY)(A;;FA;;;BA)");
  ASSERT_TRUE(util_.GrantAccessToCurrentUser(L"C:\\Tarvo", SE_FILE_OBJECT, 0x130116, true,
                                            &saved_));
  EXPECT_FALSE(saved_);  // permanent: nothing to take back
  ASSERT_EQ(1u, api_.writes.size());
  const std::vector<Ace> aces = AcesOf(reinterpret_cast<PACL>(api_.writes[0].dacl.data()));
  // Deny entries first, in their old order; the order of allow entries
  // among themselves does not matter.
  ASSERT_EQ(4u, aces.size());
  EXPECT_EQ((Ace{ACCESS_DENIED_ACE_TYPE, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE,
                 0x1F01FF & ~0x130116u, L"S-1-5-32-545"}),
            aces[0]);
  EXPECT_EQ((Ace{ACCESS_DENIED_ACE_TYPE, 0, 0x1F01FF, L"S-1-5-18"}), aces[1]);
  const Ace grant{ACCESS_ALLOWED_ACE_TYPE, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, 0x130116,
                  me_};
  const Ace administrators{ACCESS_ALLOWED_ACE_TYPE, 0, FILE_ALL_ACCESS, L"S-1-5-32-544"};
  EXPECT_TRUE((aces[2] == grant && aces[3] == administrators) ||
              (aces[3] == grant && aces[2] == administrators))
      << aces[2] << aces[3];
  EXPECT_TRUE(api_.writes[0].info & DACL_SECURITY_INFORMATION);
  EXPECT_TRUE(api_.writes[0].info & UNPROTECTED_DACL_SECURITY_INFORMATION);
}

TEST_F(GrantTest, GenericGrantClearsTheMappedRightsOfDenyEntries) {
  api_.SetDescriptor(L"D:P(D;;FW;;;WD)(A;;FA;;;BA)");
  ASSERT_TRUE(util_.GrantAccessToCurrentUser(L"C:\\Tarvo", SE_FILE_OBJECT, GENERIC_ALL, true,
                                            &saved_));
  ASSERT_EQ(1u, api_.writes.size());
  for (const Ace& ace : AcesOf(reinterpret_cast<PACL>(api_.writes[0].dacl.data())))
    EXPECT_NE(ACCESS_DENIED_ACE_TYPE, ace.type) << ace;
  // A protected list stays protected.
  EXPECT_TRUE(api_.writes[0].info & PROTECTED_DACL_SECURITY_INFORMATION);
}

TEST_F(GrantTest, TemporaryGrantIsTakenBackExactly) {
  api_.SetDescriptor(L"D:(A;OICI;FA;;;BA)(A;;FR;;;BU)");
  ASSERT_TRUE(util_.GrantAccessToCurrentUser(L"C:\\Tarvo", SE_FILE_OBJECT, 0x1201BF, false,
                                            &saved_));
  ASSERT_TRUE(saved_);
  EXPECT_EQ(L"C:\\Tarvo", saved_->object_name);
  EXPECT_EQ(SE_FILE_OBJECT, saved_->object_type);
  const std::vector<Ace> before = AcesOf(saved_->old_dacl);
  ASSERT_EQ(2u, before.size());
  ASSERT_TRUE(util_.RestoreAccess(&saved_));
  EXPECT_FALSE(saved_);
  ASSERT_EQ(2u, api_.writes.size());
  EXPECT_EQ(before, AcesOf(reinterpret_cast<PACL>(api_.writes[1].dacl.data())));
  // Nothing left to restore a second time.
  EXPECT_FALSE(util_.RestoreAccess(&saved_));
  EXPECT_EQ(2u, api_.writes.size());
}

TEST_F(GrantTest, UnreadableAccessListWritesNothing) {
  api_.SetDescriptor(L"D:(A;;FA;;;BA)");
  api_.read_errors = {ERROR_FILE_NOT_FOUND};
  EXPECT_FALSE(util_.GrantAccessToCurrentUser(L"C:\\x", SE_FILE_OBJECT, 0x130116, false, &saved_));
  api_.read_gives_no_descriptor = true;
  EXPECT_FALSE(util_.GrantAccessToCurrentUser(L"MACHINE\\Software\\x", SE_REGISTRY_WOW64_32KEY, 3,
                                             false, &saved_));
  EXPECT_TRUE(api_.writes.empty());
  EXPECT_FALSE(saved_);
}

TEST_F(GrantTest, NotOwnerAndCannotTakeOwnershipFails) {
  api_.SetDescriptor(L"D:(A;;FA;;;BA)");
  api_.read_errors = {ERROR_ACCESS_DENIED};
  api_.write_errors = {ERROR_ACCESS_DENIED};
  EXPECT_FALSE(util_.GrantAccessToCurrentUser(L"C:\\x", SE_FILE_OBJECT, 0x130116, false, &saved_));
  ASSERT_EQ(1u, api_.writes.size());  // only the owner was tried
  EXPECT_EQ(DWORD{OWNER_SECURITY_INFORMATION}, api_.writes[0].info);
  EXPECT_EQ(1, api_.reads);
}

TEST_F(GrantTest, AdministratorTakesOwnershipThenGrants) {
  api_.SetDescriptor(L"D:(A;;FA;;;SY)");
  api_.read_errors = {ERROR_ACCESS_DENIED};
  api_.adjust_result = ERROR_SUCCESS;
  ASSERT_TRUE(util_.GrantAccessToCurrentUser(L"C:\\x", SE_FILE_OBJECT, 0x130116, false, &saved_));
  ASSERT_EQ(2u, api_.writes.size());
  EXPECT_EQ(DWORD{OWNER_SECURITY_INFORMATION}, api_.writes[0].info);
  EXPECT_EQ(L"S-1-5-32-544", api_.writes[0].owner);
  EXPECT_TRUE(api_.writes[1].info & DACL_SECURITY_INFORMATION);
  // The privilege was on only for the owner change.
  EXPECT_EQ((std::vector<bool>{true, false}), api_.privilege_changes);
  EXPECT_TRUE(saved_);
}

TEST_F(GrantTest, DeniedWriteRetriesOnceAfterTakingOwnership) {
  api_.SetDescriptor(L"D:(A;;FA;;;SY)");
  api_.adjust_result = ERROR_SUCCESS;
  api_.write_errors = {ERROR_ACCESS_DENIED, ERROR_SUCCESS, ERROR_ACCESS_DENIED};
  EXPECT_FALSE(util_.GrantAccessToCurrentUser(L"C:\\x", SE_FILE_OBJECT, 0x130116, false, &saved_));
  EXPECT_EQ(3u, api_.writes.size());  // DACL, owner, DACL
  EXPECT_FALSE(saved_);
}

TEST_F(GrantTest, ObjectWithoutAccessListIsLeftAlone) {
  api_.null_dacl = true;
  EXPECT_TRUE(util_.GrantAccessToCurrentUser(L"C:\\x", SE_FILE_OBJECT, 0x130116, false, &saved_));
  EXPECT_TRUE(api_.writes.empty());
  EXPECT_FALSE(saved_);
}

TEST_F(GrantTest, RestoreNeverWritesAMissingAccessList) {
  EXPECT_FALSE(util_.RestoreAccess(&saved_));
  saved_ = std::make_unique<SavedSecurityInfo>(L"C:\\x", SE_FILE_OBJECT, nullptr, nullptr);
  EXPECT_FALSE(util_.RestoreAccess(&saved_));
  EXPECT_FALSE(saved_);
  EXPECT_TRUE(api_.writes.empty());
}

// Wine accepts access lists without enforcing them; this checks that the
// real calls fit together on real objects.
TEST(SecurityUtilSystemTest, GrantAndRestoreOnRealObjects) {
  base::ScopedTempDir temp;
  ASSERT_TRUE(temp.CreateUniqueTempDir());
  SecurityUtil* util = GetSecurityUtil();
  std::unique_ptr<SavedSecurityInfo> saved;
  ASSERT_TRUE(util->GrantAccessToCurrentUser(temp.GetPath().value(), SE_FILE_OBJECT, 0x1201BF,
                                             false, &saved));
  ASSERT_TRUE(saved);
  EXPECT_TRUE(util->HasAccess(temp.GetPath().value(), SE_FILE_OBJECT, 0x1201BF));
  EXPECT_TRUE(util->RestoreAccess(&saved));

  const wchar_t kKey[] = L"Software\\TarvoSecurityUtilTest";
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
  ::RegCloseKey(key);
  const std::wstring name = std::wstring(L"CURRENT_USER\\") + kKey;
  EXPECT_TRUE(util->HasAccess(name, SE_REGISTRY_KEY, KEY_READ));
  EXPECT_TRUE(util->GrantAccessToCurrentUser(name, SE_REGISTRY_KEY, 0x3001F, false, &saved));
  EXPECT_TRUE(util->RestoreAccess(&saved));
  EXPECT_TRUE(util->HasAccess(name, SE_REGISTRY_WOW64_32KEY, KEY_READ));
  EXPECT_TRUE(
      util->GrantAccessToCurrentUser(name, SE_REGISTRY_WOW64_32KEY, 0x3001F, false, &saved));
  EXPECT_TRUE(util->RestoreAccess(&saved));
  ::RegDeleteKeyW(HKEY_CURRENT_USER, kKey);
  // The 32-bit view is read through the key itself where the named read
  // gives no descriptor (Wine).
  EXPECT_TRUE(util->HasAccess(L"MACHINE\\Software", SE_REGISTRY_WOW64_32KEY, KEY_READ));
}

TEST(SecurityUtilSystemTest, ProcessWideInstanceIsReplaceable) {
  SecurityUtil* real = GetSecurityUtil();
  EXPECT_EQ(real, GetSecurityUtil());
  FakeSecurityUtil fake;
  {
    ScopedSecurityUtilForTesting replace(&fake);
    EXPECT_EQ(&fake, GetSecurityUtil());
  }
  EXPECT_EQ(real, GetSecurityUtil());
}

}  // namespace
