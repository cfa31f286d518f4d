#include "desktop/windows/installer/utils/object_writers.h"

#include <sddl.h>

#include <string>

#include "desktop/windows/installer/utils/service_utils.h"
#include "gtest/gtest.h"

namespace {

TEST(ObjectWritersTest, OwnerAndWritingEntriesDecide) {
  const std::wstring me = GetCurrentUserSid();
  ASSERT_FALSE(me.empty());
  const std::wstring other = L"S-1-5-21-1-2-3-1001";
  const std::wstring admins_only = L"(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;;0x1200a9;;;BU)";
  const struct {
    std::wstring sddl;
    ObjectWriters writers;
  } cases[] = {
      // Program Files: TrustedInstaller, SYSTEM, Administrators; the users
      // read, CREATOR OWNER only passes on to what is made inside.
      {L"O:S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464D:"
       L"(A;;FA;;;S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464)" +
           admins_only + L"(A;OICIIO;GA;;;CO)(D;;FA;;;WD)",
       ObjectWriters::kAdministrators},
      {L"O:BAD:" + admins_only + L"(A;OICIIO;FA;;;BU)(A;;FA;;;OW)", ObjectWriters::kAdministrators},
      // A folder of the user's profile.
      {L"O:" + me + L"D:(A;OICI;FA;;;SY)(A;OICI;FA;;;" + me + L")(A;;0x1200a9;;;WD)",
       ObjectWriters::kCurrentUser},
      {L"O:" + me + L"D:" + admins_only, ObjectWriters::kCurrentUser},
      // A folder made under C:\ (Authenticated Users may modify), one a
      // user owns or may write, and the owner rights of such an owner.
      {L"O:BAD:" + admins_only + L"(A;OICI;0x1301bf;;;AU)", ObjectWriters::kOthers},
      {L"O:" + other + L"D:" + admins_only, ObjectWriters::kOthers},
      {L"O:BAD:" + admins_only + L"(A;;GW;;;BU)", ObjectWriters::kOthers},
      {L"O:BAD:" + admins_only + L"(A;;DC;;;" + other + L")", ObjectWriters::kOthers},
      {L"O:" + other + L"D:(A;;FA;;;OW)", ObjectWriters::kOthers},
      {L"D:" + admins_only, ObjectWriters::kOthers},
  };
  for (const auto& c : cases) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(
        c.sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        << c.sddl;
    EXPECT_EQ(c.writers, GetObjectWriters(descriptor, me)) << c.sddl;
    ::LocalFree(descriptor);
  }
  EXPECT_EQ(ObjectWriters::kOthers, GetObjectWriters(nullptr, me));
}

// Exactly the run's class, with nothing taken from the folder: anything
// else could have been written by someone else.
TEST(ObjectWritersTest, ARecordIsTheRunsOnlyWhenNothingElseCouldWriteIt) {
  const std::wstring me = GetCurrentUserSid();
  const std::wstring other = L"S-1-5-21-1-2-3-1001";
  const std::wstring admins = L"(A;;FA;;;SY)(A;;FA;;;BA)";
  const std::wstring mine = admins + L"(A;;FA;;;" + me + L")";
  constexpr ObjectWriters kAdmins = ObjectWriters::kAdministrators;
  constexpr ObjectWriters kUser = ObjectWriters::kCurrentUser;
  constexpr ObjectWriters kOthers = ObjectWriters::kOthers;
  const struct {
    std::wstring sddl;
    // As the user counts when an administrator in every process (Wine), and
    // when not (UAC).
    ObjectWriters with_admin_user;
    ObjectWriters with_limited_user;
  } cases[] = {
      // What an all-users and a per-user run make.
      {L"O:BAD:PAI" + admins, kAdmins, kAdmins},
      {L"O:" + me + L"D:PAI" + mine, kAdmins, kUser},
      // What Wine reads back for either: neither protected nor following
      // the folder's list.
      {L"O:" + me + L"D:(A;;FA;;;SY)(A;;FA;;;" + me + L")", kAdmins, kUser},
      // Others: another owner, another writer or even reader, an entry
      // inherited, a list following the folder's, or none.
      {L"O:" + other + L"D:P" + admins, kOthers, kOthers},
      {L"O:BAD:P" + admins + L"(A;;FW;;;AU)", kOthers, kOthers},
      {L"O:BAD:P" + admins + L"(A;;FR;;;WD)", kOthers, kOthers},
      {L"O:BAD:AI(A;ID;FA;;;SY)(A;;FA;;;BA)", kOthers, kOthers},
      {L"O:BAD:AI" + admins, kOthers, kOthers},
      {L"O:BA", kOthers, kOthers},
  };
  for (const auto& c : cases) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(
        c.sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        << c.sddl;
    EXPECT_EQ(c.with_admin_user, GetRecordWriters(descriptor, me, kAdmins)) << c.sddl;
    EXPECT_EQ(c.with_limited_user, GetRecordWriters(descriptor, me, kUser)) << c.sddl;
    ::LocalFree(descriptor);
  }
}

}  // namespace
