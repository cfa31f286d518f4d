#include "desktop/windows/installer/utils/kernel_object_security.h"

#include <windows.h>

#include <set>
#include <string>

#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/utils/test_support/kernel_object_dacl.h"
#include "gtest/gtest.h"

namespace {

TEST(KernelObjectSecurityTest, OnlyTheUserSystemAndAdministrators) {
  KernelObjectSecurity security;
  SECURITY_ATTRIBUTES* attributes = security.Get(/*inheritable=*/true);
  ASSERT_NE(nullptr, attributes);
  EXPECT_TRUE(attributes->bInheritHandle);
  EXPECT_FALSE(security.Get(/*inheritable=*/false)->bInheritHandle);
  base::win::ScopedHandle event(CreateEventW(attributes, TRUE, FALSE, nullptr));
  ASSERT_TRUE(event.IsValid());
  bool only_allowed = false;
  EXPECT_EQ((std::set<std::wstring>{L"S-1-5-18", L"S-1-5-32-544", CurrentUserSid()}),
            AllowedAccounts(event.Get(), &only_allowed));
  EXPECT_TRUE(only_allowed);
}

// An object found existing is the user's own (an earlier installer's) only
// when the user, SYSTEM or the Administrators own it.
TEST(KernelObjectSecurityTest, PlantedObjectsAreTold) {
  KernelObjectSecurity security;
  base::win::ScopedHandle event(
      CreateEventW(security.Get(/*inheritable=*/false), TRUE, FALSE, nullptr));
  ASSERT_TRUE(event.IsValid());
  EXPECT_TRUE(KernelObjectSecurity::HasTrustedOwner(event.Get()));
  // Another user's: Wine lets the owner be set to anyone.
  ASSERT_TRUE(SetObjectOwner(event.Get(), L"S-1-5-21-1-2-3-1001"));
  EXPECT_FALSE(KernelObjectSecurity::HasTrustedOwner(event.Get()));
  ASSERT_TRUE(SetObjectOwner(event.Get(), L"S-1-5-18"));
  EXPECT_TRUE(KernelObjectSecurity::HasTrustedOwner(event.Get()));
  ASSERT_TRUE(SetObjectOwner(event.Get(), CurrentUserSid().c_str()));
  EXPECT_TRUE(KernelObjectSecurity::HasTrustedOwner(event.Get()));
  EXPECT_FALSE(KernelObjectSecurity::HasTrustedOwner(nullptr));
}

}  // namespace
