#include "base/win/shortcut.h"

#include <windows.h>

#include <string>

#include "base/guid.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/scoped_com_initializer.h"
#include "base/win/windows_version.h"
#include "gtest/gtest.h"

namespace base {
namespace win {
namespace {

class ShortcutTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(com_.Succeeded());
    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    dir_ = FilePath(temp).Append(L"shortcut_test_" + UTF8ToWide(GenerateGUID()));
    ASSERT_TRUE(CreateDirectoryW(dir_.value().c_str(), nullptr));
    target_ = dir_.Append(L"target.exe");
    HANDLE file = CreateFileW(target_.value().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);
    link_ = dir_.Append(L"link.lnk");
  }
  void TearDown() override {
    DeleteFileW(link_.value().c_str());
    DeleteFileW(target_.value().c_str());
    RemoveDirectoryW(dir_.value().c_str());
  }

  ScopedCOMInitializer com_;
  FilePath dir_;
  FilePath target_;
  FilePath link_;
};

TEST_F(ShortcutTest, CreateResolveAndUpdate) {
  ShortcutProperties properties;
  // Creating needs a target.
  properties.set_arguments(L"--a");
  EXPECT_FALSE(CreateOrUpdateShortcutLink(link_, properties, SHORTCUT_CREATE_ALWAYS));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(link_.value().c_str()));

  properties.set_target(target_);
  properties.set_description(L"first");
  properties.set_working_dir(dir_);
  ASSERT_TRUE(CreateOrUpdateShortcutLink(link_, properties, SHORTCUT_CREATE_ALWAYS));

  FilePath resolved;
  std::wstring args;
  ASSERT_TRUE(ResolveShortcut(link_, &resolved, &args));
  EXPECT_TRUE(FilePath::CompareEqualIgnoreCase(target_.value(), resolved.value()));
  EXPECT_EQ(L"--a", args);

  // Updating touches only what is given.
  ShortcutProperties update;
  update.set_description(L"second");
  ASSERT_TRUE(CreateOrUpdateShortcutLink(link_, update, SHORTCUT_UPDATE_EXISTING));
  ShortcutProperties read;
  ASSERT_TRUE(ResolveShortcutProperties(
      link_, ShortcutProperties::PROPERTIES_ARGUMENTS | ShortcutProperties::PROPERTIES_DESCRIPTION,
      &read));
  EXPECT_EQ(L"--a", read.arguments);
  EXPECT_EQ(L"second", read.description);

  // Replacing keeps the arguments but not the rest.
  ShortcutProperties replace;
  replace.set_target(target_);
  ASSERT_TRUE(CreateOrUpdateShortcutLink(link_, replace, SHORTCUT_REPLACE_EXISTING));
  ASSERT_TRUE(ResolveShortcutProperties(
      link_, ShortcutProperties::PROPERTIES_ARGUMENTS | ShortcutProperties::PROPERTIES_DESCRIPTION,
      &read));
  EXPECT_EQ(L"--a", read.arguments);
  EXPECT_EQ(L"", read.description);
}

TEST_F(ShortcutTest, OperationsOnAMissingShortcutFailWithoutCreatingIt) {
  ShortcutProperties properties;
  properties.set_target(target_);
  EXPECT_FALSE(CreateOrUpdateShortcutLink(link_, properties, SHORTCUT_UPDATE_EXISTING));
  EXPECT_FALSE(CreateOrUpdateShortcutLink(link_, properties, SHORTCUT_REPLACE_EXISTING));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(link_.value().c_str()));
  FilePath resolved;
  EXPECT_FALSE(ResolveShortcut(link_, &resolved, nullptr));
}

TEST_F(ShortcutTest, NoPinningThroughTheShellOnWindows10) {
  {
    ScopedOSInfoForTesting windows7(VERSION_WIN7, OSInfo::X64_ARCHITECTURE);
    EXPECT_TRUE(CanPinShortcutToTaskbar());
  }
  ScopedOSInfoForTesting windows10(VERSION_WIN10, OSInfo::X64_ARCHITECTURE);
  EXPECT_FALSE(CanPinShortcutToTaskbar());
  ShortcutProperties properties;
  properties.set_target(target_);
  ASSERT_TRUE(CreateOrUpdateShortcutLink(link_, properties, SHORTCUT_CREATE_ALWAYS));
  EXPECT_FALSE(TaskbarPinShortcutLink(link_));
}

}  // namespace
}  // namespace win
}  // namespace base
