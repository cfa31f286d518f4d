#include "base/win/registry.h"

#include <string>
#include <vector>

#include "base/guid.h"
#include "base/strings/utf_string_conversions.h"
#include "gtest/gtest.h"

namespace base {
namespace win {
namespace {

// Each test works under its own key of the real HKCU (shared by both
// views) so that test processes running side by side do not collide.
class RegistryTest : public testing::Test {
 protected:
  void SetUp() override {
    root_path_ = L"Software\\TarvoRegistryTest\\" + UTF8ToWide(GenerateGUID());
    ASSERT_EQ(ERROR_SUCCESS, root_.Create(HKEY_CURRENT_USER, root_path_.c_str(), KEY_ALL_ACCESS));
  }
  void TearDown() override {
    root_.Close();
    RegKey parent(HKEY_CURRENT_USER, L"Software\\TarvoRegistryTest", KEY_ALL_ACCESS);
    std::wstring name = root_path_.substr(root_path_.rfind(L'\\') + 1);
    parent.DeleteKey(name.c_str());
  }

  std::wstring root_path_;
  RegKey root_;
};

TEST_F(RegistryTest, DeleteKeyRemovesTheWholeTreeAndRefusesAnEmptyName) {
  RegKey deep(root_.Handle(), L"tree\\a\\b\\c", KEY_ALL_ACCESS);
  ASSERT_TRUE(deep.Valid());
  ASSERT_EQ(ERROR_SUCCESS, deep.WriteValue(L"v", 1u));
  RegKey side(root_.Handle(), L"tree\\side", KEY_ALL_ACCESS);
  ASSERT_EQ(ERROR_SUCCESS, side.WriteValue(L"s", L"text"));
  deep.Close();
  side.Close();

  EXPECT_EQ(ERROR_INVALID_PARAMETER, root_.DeleteKey(L""));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, root_.DeleteKey(nullptr));
  EXPECT_EQ(ERROR_SUCCESS, root_.DeleteKey(L"tree"));
  RegKey gone;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, gone.Open(root_.Handle(), L"tree", KEY_READ));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, root_.DeleteKey(L"tree"));
  // The key itself is still there.
  EXPECT_EQ(ERROR_SUCCESS, root_.WriteValue(L"after", 2u));
}

TEST_F(RegistryTest, DeleteEmptyKeyKeepsKeysWithContent) {
  RegKey with_value(root_.Handle(), L"with_value", KEY_ALL_ACCESS);
  with_value.WriteValue(L"x", 1u);
  RegKey with_subkey(root_.Handle(), L"with_subkey\\child", KEY_ALL_ACCESS);
  RegKey empty(root_.Handle(), L"empty", KEY_ALL_ACCESS);
  with_value.Close();
  with_subkey.Close();
  empty.Close();

  EXPECT_NE(ERROR_SUCCESS, root_.DeleteEmptyKey(L"with_value"));
  EXPECT_NE(ERROR_SUCCESS, root_.DeleteEmptyKey(L"with_subkey"));
  EXPECT_EQ(ERROR_SUCCESS, root_.DeleteEmptyKey(L"empty"));
  RegKey check;
  EXPECT_EQ(ERROR_SUCCESS, check.Open(root_.Handle(), L"with_value", KEY_READ));
  EXPECT_EQ(ERROR_SUCCESS, check.Open(root_.Handle(), L"with_subkey\\child", KEY_READ));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, check.Open(root_.Handle(), L"empty", KEY_READ));
}

TEST_F(RegistryTest, TypedReadsCheckTypeAndSize) {
  DWORD four_bytes = 7;
  ASSERT_EQ(ERROR_SUCCESS, root_.WriteValue(L"binary4", &four_bytes, 4, REG_BINARY));
  ASSERT_EQ(ERROR_SUCCESS, root_.WriteValue(L"dword", 42u));
  ASSERT_EQ(ERROR_SUCCESS, root_.WriteValue(L"short_dword", &four_bytes, 2, REG_DWORD));
  ASSERT_EQ(ERROR_SUCCESS, root_.WriteValue(L"sz", L"text"));
  int64_t q = -5;
  ASSERT_EQ(ERROR_SUCCESS, root_.WriteValue(L"qword", &q, sizeof(q), REG_QWORD));

  DWORD dw = 99;
  EXPECT_EQ(ERROR_SUCCESS, root_.ReadValueDW(L"dword", &dw));
  EXPECT_EQ(42u, dw);
  dw = 99;
  EXPECT_EQ(ERROR_CANTREAD, root_.ReadValueDW(L"binary4", &dw));
  EXPECT_EQ(ERROR_CANTREAD, root_.ReadValueDW(L"short_dword", &dw));
  EXPECT_EQ(ERROR_CANTREAD, root_.ReadValueDW(L"sz", &dw));
  EXPECT_EQ(ERROR_CANTREAD, root_.ReadValueDW(L"qword", &dw));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, root_.ReadValueDW(L"missing", &dw));
  EXPECT_EQ(99u, dw);

  int64_t read_q = 0;
  EXPECT_EQ(ERROR_SUCCESS, root_.ReadInt64(L"qword", &read_q));
  EXPECT_EQ(-5, read_q);
  EXPECT_EQ(ERROR_CANTREAD, root_.ReadInt64(L"dword", &read_q));

  std::wstring s = L"kept";
  EXPECT_EQ(ERROR_CANTREAD, root_.ReadValue(L"dword", &s));
  EXPECT_EQ(L"kept", s);
  EXPECT_EQ(ERROR_SUCCESS, root_.ReadValue(L"sz", &s));
  EXPECT_EQ(L"text", s);
}

TEST_F(RegistryTest, StringReadsExpandAndTolerateMissingTerminators) {
  const wchar_t kExpand[] = L"%SystemRoot%\\x";
  ASSERT_EQ(ERROR_SUCCESS,
            root_.WriteValue(L"expand", kExpand, sizeof(kExpand), REG_EXPAND_SZ));
  std::wstring s;
  ASSERT_EQ(ERROR_SUCCESS, root_.ReadValue(L"expand", &s));
  EXPECT_EQ(std::wstring::npos, s.find(L'%'));
  EXPECT_EQ(L"\\x", s.substr(s.size() - 2));

  // Three characters stored without their terminator, and an odd byte count.
  ASSERT_EQ(ERROR_SUCCESS, root_.WriteValue(L"unterminated", L"abc", 6, REG_SZ));
  ASSERT_EQ(ERROR_SUCCESS, root_.ReadValue(L"unterminated", &s));
  EXPECT_EQ(L"abc", s);
  ASSERT_EQ(ERROR_SUCCESS, root_.WriteValue(L"odd", L"abc", 5, REG_SZ));
  ASSERT_EQ(ERROR_SUCCESS, root_.ReadValue(L"odd", &s));
  EXPECT_EQ(L"ab", s);

  // A long value takes more than any fixed buffer.
  std::wstring long_value(20000, L'z');
  ASSERT_EQ(ERROR_SUCCESS, root_.WriteValue(L"long", long_value.c_str()));
  ASSERT_EQ(ERROR_SUCCESS, root_.ReadValue(L"long", &s));
  EXPECT_EQ(long_value, s);
}

TEST_F(RegistryTest, MultiStrings) {
  const wchar_t kMulti[] = L"one\0two\0\0";
  ASSERT_EQ(ERROR_SUCCESS, root_.WriteValue(L"multi", kMulti, sizeof(kMulti), REG_MULTI_SZ));
  std::vector<std::wstring> values;
  ASSERT_EQ(ERROR_SUCCESS, root_.ReadValues(L"multi", &values));
  EXPECT_EQ((std::vector<std::wstring>{L"one", L"two"}), values);
  // Without the final empty string.
  ASSERT_EQ(ERROR_SUCCESS, root_.WriteValue(L"short", L"a\0b", 6, REG_MULTI_SZ));
  ASSERT_EQ(ERROR_SUCCESS, root_.ReadValues(L"short", &values));
  EXPECT_EQ((std::vector<std::wstring>{L"a", L"b"}), values);
  root_.WriteValue(L"sz", L"x");
  EXPECT_EQ(ERROR_CANTREAD, root_.ReadValues(L"sz", &values));
}

TEST_F(RegistryTest, IteratorsToleratDeletionOfTheCurrentEntry) {
  for (const wchar_t* name : {L"v1", L"v2", L"v3"})
    root_.WriteValue(name, name);
  for (const wchar_t* name : {L"k1", L"k2"})
    RegKey(root_.Handle(), name, KEY_ALL_ACCESS);

  std::vector<std::wstring> seen;
  for (RegistryValueIterator it(HKEY_CURRENT_USER, root_path_.c_str()); it.Valid(); ++it) {
    seen.push_back(it.Name());
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), it.Type());
    EXPECT_STREQ(it.Name(), it.Value());
    EXPECT_EQ(ERROR_SUCCESS, root_.DeleteValue(it.Name()));
  }
  EXPECT_EQ(3u, seen.size());
  EXPECT_EQ(0u, root_.GetValueCount());

  int keys = 0;
  for (RegistryKeyIterator it(HKEY_CURRENT_USER, root_path_.c_str()); it.Valid(); ++it) {
    ++keys;
    EXPECT_EQ(ERROR_SUCCESS, root_.DeleteKey(it.Name()));
  }
  EXPECT_EQ(2, keys);
  EXPECT_FALSE(RegistryKeyIterator(HKEY_CURRENT_USER, L"Software\\NoSuchKeyAnywhere").Valid());
}

// The 32- and 64-bit views of HKLM\Software, on the test prefix's real HKLM.
class RegistryViewTest : public testing::Test {
 protected:
  void SetUp() override {
    name_ = L"TarvoViewTest" + UTF8ToWide(GenerateGUID());
    path_ = L"Software\\" + name_;
  }
  void TearDown() override {
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
      RegKey software(HKEY_LOCAL_MACHINE, L"Software", KEY_ALL_ACCESS | view);
      software.DeleteKey(name_.c_str());
    }
  }

  std::wstring name_;
  std::wstring path_;
};

TEST_F(RegistryViewTest, ViewsAreSeparateAndDeleteKeyHonoursTheView) {
  RegKey key32(HKEY_LOCAL_MACHINE, path_.c_str(), KEY_ALL_ACCESS | KEY_WOW64_32KEY);
  ASSERT_TRUE(key32.Valid());
  ASSERT_EQ(ERROR_SUCCESS, key32.WriteValue(L"bits", 32u));
  // A subkey made through a 32-bit key stays in the 32-bit view.
  ASSERT_EQ(ERROR_SUCCESS, key32.CreateKey(L"sub", KEY_ALL_ACCESS));
  key32.Close();

  RegKey probe;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND,
            probe.Open(HKEY_LOCAL_MACHINE, path_.c_str(), KEY_READ | KEY_WOW64_64KEY));
  std::wstring wow_path = L"Software\\Wow6432Node\\" + name_ + L"\\sub";
  EXPECT_EQ(ERROR_SUCCESS, probe.Open(HKEY_LOCAL_MACHINE, wow_path.c_str(),
                                      KEY_READ | KEY_WOW64_64KEY));

  RegKey key64(HKEY_LOCAL_MACHINE, path_.c_str(), KEY_ALL_ACCESS | KEY_WOW64_64KEY);
  ASSERT_EQ(ERROR_SUCCESS, key64.WriteValue(L"bits", 64u));
  key64.Close();

  // Deleting through the 32-bit view leaves the 64-bit key alone.
  RegKey software32(HKEY_LOCAL_MACHINE, L"Software", KEY_ALL_ACCESS | KEY_WOW64_32KEY);
  ASSERT_EQ(ERROR_SUCCESS, software32.DeleteKey(name_.c_str()));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND,
            probe.Open(HKEY_LOCAL_MACHINE, path_.c_str(), KEY_READ | KEY_WOW64_32KEY));
  ASSERT_EQ(ERROR_SUCCESS,
            probe.Open(HKEY_LOCAL_MACHINE, path_.c_str(), KEY_READ | KEY_WOW64_64KEY));
  DWORD bits = 0;
  EXPECT_EQ(ERROR_SUCCESS, probe.ReadValueDW(L"bits", &bits));
  EXPECT_EQ(64u, bits);

  // Iterators take the view too.
  int count = 0;
  for (RegistryValueIterator it(HKEY_LOCAL_MACHINE, path_.c_str(), KEY_WOW64_32KEY);
       it.Valid(); ++it) {
    ++count;
  }
  EXPECT_EQ(0, count);
  for (RegistryValueIterator it(HKEY_LOCAL_MACHINE, path_.c_str(), KEY_WOW64_64KEY);
       it.Valid(); ++it) {
    ++count;
  }
  EXPECT_EQ(1, count);
}

}  // namespace
}  // namespace win
}  // namespace base
