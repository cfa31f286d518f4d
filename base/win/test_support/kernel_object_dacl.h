#ifndef BASE_WIN_TEST_SUPPORT_KERNEL_OBJECT_DACL_H_
#define BASE_WIN_TEST_SUPPORT_KERNEL_OBJECT_DACL_H_

#include <windows.h>

#include <set>
#include <string>

#include "gtest/gtest.h"

// The accounts (SIDs as text) that `object`'s DACL allows; `only_allowed`
// is false when it denies anything or cannot be read.
std::set<std::wstring> AllowedAccounts(HANDLE object, bool* only_allowed);
std::wstring CurrentUserSid();
// Success when `object`'s DACL allows exactly the user, SYSTEM and the
// Administrators and denies nothing.
::testing::AssertionResult IsOpenOnlyToTheUser(HANDLE object);
// Wine lets the owner be set to any account: a test plants another user's
// object this way.
bool SetObjectOwner(HANDLE object, const wchar_t* sid_text);

#endif  // BASE_WIN_TEST_SUPPORT_KERNEL_OBJECT_DACL_H_
