#include "testing/registry_override.h"

#include <string>

#include "base/guid.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/registry.h"
#include "gtest/gtest.h"
#include "testing/registry_checks.h"

namespace registry_util {
namespace {

using testing_support::KeyExists;

bool ReadString(HKEY root, const std::wstring& path, std::wstring* value) {
  base::win::RegKey key(root, path.c_str(), KEY_READ);
  return key.ReadValue(L"v", value) == ERROR_SUCCESS;
}

void WriteString(HKEY root, const std::wstring& path, const wchar_t* value) {
  base::win::RegKey key(root, path.c_str(), KEY_SET_VALUE);
  ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(L"v", value));
}

class RegistryOverrideTest : public testing::Test {
 protected:
  void SetUp() override {
    path_ = L"Software\\TarvoOverrideTest" + base::UTF8ToWide(base::GenerateGUID());
  }
  void TearDown() override {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
      base::win::RegKey software(root, L"Software", KEY_ALL_ACCESS);
      software.DeleteKey(path_.substr(9).c_str());
    }
  }

  std::wstring path_;
};

TEST_F(RegistryOverrideTest, WritesLandInTheScratchKeyAndVanishAfterwards) {
  std::wstring scratch;
  {
    RegistryOverrideManager manager;
    ASSERT_TRUE(manager.OverrideRegistry(HKEY_CURRENT_USER, &scratch));
    WriteString(HKEY_CURRENT_USER, path_, L"under override");
    std::wstring value;
    EXPECT_TRUE(ReadString(HKEY_CURRENT_USER, path_, &value));
    EXPECT_EQ(L"under override", value);
  }
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, path_));
  // The scratch key went with the manager.
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, scratch));
  EXPECT_EQ(0u, scratch.find(L"Software\\TarvoTest\\"));
}

TEST_F(RegistryOverrideTest, RealHiveIsHiddenAndUntouched) {
  WriteString(HKEY_CURRENT_USER, path_, L"real");
  {
    RegistryOverrideManager manager;
    ASSERT_TRUE(manager.OverrideRegistry(HKEY_CURRENT_USER));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, path_));
    WriteString(HKEY_CURRENT_USER, path_, L"overridden");
    base::win::RegKey software(HKEY_CURRENT_USER, L"Software", KEY_ALL_ACCESS);
    EXPECT_EQ(ERROR_SUCCESS, software.DeleteKey(path_.substr(9).c_str()));
  }
  std::wstring value;
  ASSERT_TRUE(ReadString(HKEY_CURRENT_USER, path_, &value));
  EXPECT_EQ(L"real", value);
}

TEST_F(RegistryOverrideTest, ManagersInSequenceStartEmpty) {
  {
    RegistryOverrideManager first;
    ASSERT_TRUE(first.OverrideRegistry(HKEY_CURRENT_USER));
    WriteString(HKEY_CURRENT_USER, path_, L"first");
  }
  {
    RegistryOverrideManager second;
    ASSERT_TRUE(second.OverrideRegistry(HKEY_CURRENT_USER));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, path_));
  }
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, path_));
}

TEST_F(RegistryOverrideTest, BothHivesTogetherStaySeparate) {
  {
    RegistryOverrideManager manager;
    // HKCU first: HKLM's scratch key must still be made in the real HKCU.
    ASSERT_TRUE(manager.OverrideRegistry(HKEY_CURRENT_USER));
    ASSERT_TRUE(manager.OverrideRegistry(HKEY_LOCAL_MACHINE));
    WriteString(HKEY_CURRENT_USER, path_, L"user");
    WriteString(HKEY_LOCAL_MACHINE, path_, L"machine");
    std::wstring value;
    ASSERT_TRUE(ReadString(HKEY_CURRENT_USER, path_, &value));
    EXPECT_EQ(L"user", value);
    ASSERT_TRUE(ReadString(HKEY_LOCAL_MACHINE, path_, &value));
    EXPECT_EQ(L"machine", value);
    // The scratch keys are not visible inside the overridden HKCU.
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\TarvoTest"));
  }
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, path_));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, path_));
  // The real machine hive is back.
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion"));
}

TEST_F(RegistryOverrideTest, InnerManagerRestoresTheOuterOverride) {
  RegistryOverrideManager outer;
  ASSERT_TRUE(outer.OverrideRegistry(HKEY_CURRENT_USER));
  WriteString(HKEY_CURRENT_USER, path_, L"outer");
  {
    RegistryOverrideManager inner;
    ASSERT_TRUE(inner.OverrideRegistry(HKEY_CURRENT_USER));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, path_));
  }
  std::wstring value;
  ASSERT_TRUE(ReadString(HKEY_CURRENT_USER, path_, &value));
  EXPECT_EQ(L"outer", value);
}

TEST_F(RegistryOverrideTest, OnlyUserAndMachineRootsCanBeOverridden) {
  RegistryOverrideManager manager;
  EXPECT_FALSE(manager.OverrideRegistry(HKEY_CLASSES_ROOT));
  EXPECT_FALSE(manager.OverrideRegistry(HKEY_USERS));
}

}  // namespace
}  // namespace registry_util
