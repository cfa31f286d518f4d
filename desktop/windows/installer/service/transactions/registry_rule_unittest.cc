#include "desktop/windows/installer/service/transactions/registry_rule.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/win/registry.h"
#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/service/transactions/delete_reg_key_operation.h"
#include "desktop/windows/installer/service/transactions/operation.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/utils/security_util.h"
#include "desktop/windows/installer/utils/test_support/fake_security_util.h"
#include "gtest/gtest.h"
#include "testing/registry_override.h"

namespace {

class TestRuleHost : public RegistryRuleHost {
 public:
  std::wstring GetValue(const std::wstring& name) override {
    asked.push_back(name);
    auto it = values.find(name);
    return it == values.end() ? std::wstring() : it->second;
  }
  std::vector<StatusRegistryKey>* GetRegistryRecord(HKEY root) override {
    if (!record)
      return nullptr;
    return root == HKEY_LOCAL_MACHINE ? &hklm : &hkcu;
  }

  std::map<std::wstring, std::wstring> values;
  std::vector<std::wstring> asked;
  bool record = true;
  std::vector<StatusRegistryKey> hklm;
  std::vector<StatusRegistryKey> hkcu;
};

RegistryRuleRow Row(const wchar_t* key,
                    const wchar_t* value_name,
                    int32_t type,
                    uintptr_t data,
                    uint32_t clean = 0) {
  return RegistryRuleRow{key, value_name, type, data, 0, nullptr, 0, clean, 0};
}

class RegistryRuleTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(override_.OverrideRegistry(HKEY_CURRENT_USER));
    host_.values = {{L"ProgID", L"TarvoHTML"}, {L"Folder", L"C:\\{ProgID}\\x"}, {L"Empty", L""}};
  }

  std::unique_ptr<Operation> Make(const RegistryRuleRow& row, HKEY root = HKEY_CURRENT_USER) {
    std::unique_ptr<Operation> operation;
    EXPECT_TRUE(CreateOperationFromRegistryRule(RegistryRule(row, &host_), root, &operation));
    return operation;
  }
  bool Refused(const RegistryRuleRow& row) {
    std::unique_ptr<Operation> operation;
    const bool result =
        CreateOperationFromRegistryRule(RegistryRule(row, &host_), HKEY_CURRENT_USER, &operation);
    return !result && !operation;
  }

  FakeSecurityUtil security_;
  ScopedSecurityUtilForTesting scoped_security_{&security_};
  registry_util::RegistryOverrideManager override_;
  TestRuleHost host_;
};

TEST_F(RegistryRuleTest, PlaceholdersExpandOnceAndInsertedBracesStay) {
  const RegistryRule rule(Row(nullptr, nullptr, REG_SZ, 0), &host_);
  EXPECT_EQ(ExpandPlaceholders(rule, L"Software\\Classes\\{ProgID}\\shell"),
            L"Software\\Classes\\TarvoHTML\\shell");
  // A value holding braces is not expanded again (and cannot loop).
  EXPECT_EQ(ExpandPlaceholders(rule, L"\"{Folder}\" {ProgID}"), L"\"C:\\{ProgID}\\x\" TarvoHTML");
  // The name runs from the first "{" to the next "}": "{ProgID" is unknown.
  EXPECT_EQ(ExpandPlaceholders(rule, L"{{ProgID}}"), L"}");
  EXPECT_EQ(ExpandPlaceholders(rule, L"open { brace"), L"open { brace");
  EXPECT_EQ(ExpandPlaceholders(rule, L"a{Empty}b{}c"), L"abc");
  EXPECT_EQ(ExpandPlaceholders(rule, nullptr), L"");
  // Names go to the host as written; it decides about case.
  host_.asked.clear();
  ExpandPlaceholders(rule, L"{progid}");
  EXPECT_EQ(host_.asked, std::vector<std::wstring>{L"progid"});
}

TEST_F(RegistryRuleTest, RulesThatDoNotApplyGiveNoOperation) {
  RegistryRuleRow other_root = Row(L"Software\\x", L"v", REG_DWORD, RuleDword(1));
  other_root.root = HKEY_LOCAL_MACHINE;
  EXPECT_EQ(Make(other_root, HKEY_CURRENT_USER), nullptr);
  RegistryRuleRow later_stream = Row(L"Software\\x", L"v", REG_DWORD, RuleDword(1));
  later_stream.min_stream = 4;
  EXPECT_EQ(Make(later_stream), nullptr);
  RegistryRuleRow future_windows = Row(L"Software\\x", L"v", REG_DWORD, RuleDword(1));
  future_windows.min_windows_version = 1000;
  EXPECT_EQ(Make(future_windows), nullptr);
  EXPECT_TRUE(host_.hkcu.empty());
}

TEST_F(RegistryRuleTest, UnknownTypeFails) {
  std::unique_ptr<Operation> operation;
  EXPECT_FALSE(CreateOperationFromRegistryRule(
      RegistryRule(Row(L"Software\\x", L"v", 5, 0), &host_), HKEY_CURRENT_USER, &operation));
  EXPECT_FALSE(CreateOperationFromRegistryRule(
      RegistryRule(Row(L"Software\\x", L"v", -3, 0), &host_), HKEY_CURRENT_USER, &operation));
}

TEST_F(RegistryRuleTest, ValueRulesWriteExpandedDataAndAreRecordedAtOnce) {
  Transaction transaction;
  auto text = Make(Row(L"Software\\Classes\\{ProgID}\\shell\\open\\command", nullptr, REG_SZ,
                       RuleText(L"\"{Folder}\" -- \"%1\""), 2));
  auto binary =
      Make(Row(L"Software\\Classes\\{ProgID}", L"Bin", REG_BINARY, RuleBinary("\x01\xab")));
  auto dword = Make(Row(L"Software\\Classes\\{ProgID}", L"{ProgID}", REG_DWORD, RuleDword(255)));
  auto empty = Make(Row(L"Software\\Classes\\{ProgID}", L"Empty", REG_SZ, RuleText(L"{Empty}")));
  // Recorded when made, before anything is executed.
  ASSERT_EQ(host_.hkcu.size(), 2u);
  EXPECT_EQ(host_.hkcu[0].path, "Software\\Classes\\TarvoHTML\\shell\\open\\command");
  EXPECT_EQ(host_.hkcu[0].clean, 2);
  EXPECT_EQ(host_.hkcu[1].path, "Software\\Classes\\TarvoHTML");
  ASSERT_EQ(host_.hkcu[1].values.size(), 3u);
  EXPECT_EQ(host_.hkcu[1].values[0].data, "01,ab");
  EXPECT_EQ(host_.hkcu[1].values[1].name, "TarvoHTML");
  EXPECT_EQ(host_.hkcu[1].values[1].data, "000000ff");
  EXPECT_TRUE(host_.hklm.empty());

  for (auto* operation : {&text, &binary, &dword, &empty})
    ASSERT_TRUE(transaction.Execute(std::move(*operation), nullptr));
  base::win::RegKey command(HKEY_CURRENT_USER,
                            L"Software\\Classes\\TarvoHTML\\shell\\open\\command", KEY_READ);
  std::wstring value;
  EXPECT_EQ(command.ReadValue(L"", &value), ERROR_SUCCESS);
  EXPECT_EQ(value, L"\"C:\\{ProgID}\\x\" -- \"%1\"");
  base::win::RegKey key(HKEY_CURRENT_USER, L"Software\\Classes\\TarvoHTML", KEY_READ);
  DWORD number = 0;
  EXPECT_EQ(key.ReadValueDW(L"TarvoHTML", &number), ERROR_SUCCESS);
  EXPECT_EQ(number, 255u);
  BYTE bytes[8] = {};
  DWORD size = sizeof(bytes);
  DWORD type = 0;
  EXPECT_EQ(key.ReadValue(L"Bin", bytes, &size, &type), ERROR_SUCCESS);
  EXPECT_EQ(size, 2u);
  EXPECT_EQ(bytes[1], 0xab);
  size = sizeof(bytes);
  EXPECT_EQ(key.ReadValue(L"Empty", bytes, &size, &type), ERROR_SUCCESS);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
}

TEST_F(RegistryRuleTest, DeletionsAreNotRecordedAndHostMayRecordNothing) {
  EXPECT_NE(Make(Row(L"Software\\Classes\\{ProgID}", L"v", kRegistryRuleDeleteValue, 0)), nullptr);
  EXPECT_NE(Make(Row(L"Software\\Classes\\{ProgID}", nullptr, kRegistryRuleDeleteKey, 0)), nullptr);
  EXPECT_TRUE(host_.hkcu.empty());
  // A host without a record still gets a working operation.
  host_.record = false;
  Transaction transaction;
  ASSERT_TRUE(transaction.Execute(
      Make(Row(L"Software\\Classes\\{ProgID}", L"v", REG_DWORD, RuleDword(7))), nullptr));
  base::win::RegKey key(HKEY_CURRENT_USER, L"Software\\Classes\\TarvoHTML", KEY_READ);
  DWORD value = 0;
  EXPECT_EQ(key.ReadValueDW(L"v", &value), ERROR_SUCCESS);
  EXPECT_EQ(value, 7u);
}

TEST_F(RegistryRuleTest, DeleteKeyRuleDeletesTheExpandedKey) {
  base::win::RegKey key;
  ASSERT_EQ(key.Create(HKEY_CURRENT_USER, L"Software\\Classes\\TarvoHTML\\shell", KEY_ALL_ACCESS),
            ERROR_SUCCESS);
  key.Close();
  Transaction transaction;
  ASSERT_TRUE(transaction.Execute(
      Make(Row(L"Software\\Classes\\{ProgID}", nullptr, kRegistryRuleDeleteKey, 0)), nullptr));
  EXPECT_NE(key.Open(HKEY_CURRENT_USER, L"Software\\Classes\\TarvoHTML", KEY_READ), ERROR_SUCCESS);
  EXPECT_EQ(key.Open(HKEY_CURRENT_USER, L"Software\\Classes", KEY_READ), ERROR_SUCCESS);
}

TEST_F(RegistryRuleTest, RulesThatWouldHitSharedKeysAreRefused) {
  // An empty placeholder leaves the shared parent.
  EXPECT_TRUE(Refused(Row(L"Software\\Classes\\{Empty}", nullptr, kRegistryRuleDeleteKey, 0)));
  EXPECT_TRUE(Refused(Row(L"Software\\Clients\\StartMenuInternet\\{Empty}\\", nullptr,
                          kRegistryRuleDeleteKey, 0)));
  EXPECT_TRUE(Refused(Row(L"{Empty}", nullptr, kRegistryRuleDeleteKey, 0)));
  EXPECT_TRUE(Refused(Row(L"{Empty}", L"v", REG_SZ, RuleText(L"x"))));
  EXPECT_TRUE(host_.hkcu.empty());
}

// A value whose clean-up depth would reach a shared key (a file type's own
// key) is written all the same; it is recorded to be taken back alone.
TEST_F(RegistryRuleTest, AWriteIntoASharedKeyIsMadeAndTakesBackOnlyItsValue) {
  const RegistryRuleRow rows[] = {
      Row(L"Software\\Classes\\.tvx", nullptr, REG_SZ, RuleText(L"{ProgID}.Extension"), 1),
      Row(L"Software\\Classes\\{ProgID}", L"v", REG_SZ, RuleText(L"x"), 2),
      Row(L"Software\\Classes\\{Empty}", L"v", REG_SZ, RuleText(L"x"), 1),
      Row(L"Software\\RegisteredApplications", L"Tarvo", REG_SZ, RuleText(L"x"), 1),
  };
  for (const RegistryRuleRow& row : rows) {
    host_.hkcu.clear();
    EXPECT_NE(Make(row), nullptr) << row.key;
    ASSERT_EQ(host_.hkcu.size(), 1u) << row.key;
    EXPECT_EQ(0, host_.hkcu[0].clean) << row.key;
  }
  // Where the depth stays below the shared key, it is kept.
  host_.hkcu.clear();
  EXPECT_NE(Make(Row(L"Software\\Classes\\.tvx\\OpenWithProgIDs", L"{ProgID}", REG_NONE, 0, 1)),
            nullptr);
  ASSERT_EQ(host_.hkcu.size(), 1u);
  EXPECT_EQ(1, host_.hkcu[0].clean);
}

// Depths of 0x80000000 and above are negative in the status, where they
// mean "values only": such a rule is made and recorded, never refused.
TEST_F(RegistryRuleTest, DepthsThatReadBackNegativeMeanValuesOnly) {
  for (uint32_t depth : {0x80000000u, 0xffffffffu}) {
    host_.hkcu.clear();
    EXPECT_NE(Make(Row(L"Software\\RegisteredApplications", L"Tarvo", REG_SZ, RuleText(L"x"),
                       depth)),
              nullptr)
        << depth;
    ASSERT_EQ(host_.hkcu.size(), 1u);
    EXPECT_EQ(host_.hkcu[0].clean, static_cast<int32_t>(depth));
    EXPECT_LT(host_.hkcu[0].clean, 0);
  }
}

}  // namespace
