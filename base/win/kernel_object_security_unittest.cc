#include "base/win/kernel_object_security.h"

#include <windows.h>

#include <string>

#include "base/win/scoped_handle.h"
#include "base/win/test_support/kernel_object_dacl.h"
#include "gtest/gtest.h"
#include "testing/test_child_process.h"

namespace {

TEST(KernelObjectSecurityTest, OnlyTheUserSystemAndAdministrators) {
  KernelObjectSecurity security;
  SECURITY_ATTRIBUTES* attributes = security.Get(/*inheritable=*/true);
  ASSERT_NE(nullptr, attributes);
  EXPECT_TRUE(attributes->bInheritHandle);
  EXPECT_FALSE(security.Get(/*inheritable=*/false)->bInheritHandle);
  base::win::ScopedHandle event(CreateEventW(attributes, TRUE, FALSE, nullptr));
  ASSERT_TRUE(event.IsValid());
  EXPECT_TRUE(IsOpenOnlyToTheUser(event.Get()));
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

// Named events and mutexes under "Local\" get the same owner-only access
// list; the user's other programs still open them, an event planted by
// another account is refused and one an earlier run left set is cleared.
TEST(KernelObjectSecurityTest, OwnNamedObjects) {
  const std::wstring prefix = L"Local\\TarvoTest/" + std::to_wstring(GetCurrentProcessId());
  const std::wstring event_name = prefix + L"/Event";
  base::win::ScopedHandle event(
      KernelObjectSecurity::CreateOwnEvent(event_name, /*manual_reset=*/false));
  ASSERT_TRUE(event.IsValid());
  EXPECT_TRUE(IsOpenOnlyToTheUser(event.Get()));
  // Another program of the user sets it.
  EXPECT_EQ(0, testing_support::RunTestChild("set_named_event", L"--event=" + event_name));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(event.Get(), 0));
  // Left set by an earlier run of the user: taken, not set.
  SetEvent(event.Get());
  base::win::ScopedHandle again(
      KernelObjectSecurity::CreateOwnEvent(event_name, /*manual_reset=*/false));
  ASSERT_TRUE(again.IsValid());
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(again.Get(), 0));

  const std::wstring planted_name = prefix + L"/Planted";
  base::win::ScopedHandle planted(CreateEventW(nullptr, TRUE, TRUE, planted_name.c_str()));
  ASSERT_TRUE(SetObjectOwner(planted.Get(), L"S-1-5-21-1-2-3-1001"));
  EXPECT_EQ(nullptr, KernelObjectSecurity::CreateOwnEvent(planted_name, /*manual_reset=*/true));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());

  base::win::ScopedHandle mutex(KernelObjectSecurity::CreateOwnMutex(prefix + L"/Mutex"));
  ASSERT_TRUE(mutex.IsValid());
  EXPECT_TRUE(IsOpenOnlyToTheUser(mutex.Get()));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(mutex.Get(), 0));
  ReleaseMutex(mutex.Get());

  // Objects that low-integrity programs of the user may write: the same
  // accounts.
  KernelObjectSecurity low(KernelObjectSecurity::Integrity::kLowMayWrite);
  base::win::ScopedHandle low_event(CreateEventW(low.Get(/*inheritable=*/false), TRUE, FALSE,
                                                 (prefix + L"/Low").c_str()));
  ASSERT_TRUE(low_event.IsValid());
  EXPECT_TRUE(IsOpenOnlyToTheUser(low_event.Get()));
}

}  // namespace
