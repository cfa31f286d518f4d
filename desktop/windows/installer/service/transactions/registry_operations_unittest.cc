#include <windows.h>

#include <sddl.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/win/registry.h"
#include "desktop/windows/installer/service/transactions/change_reg_value_operation.h"
#include "desktop/windows/installer/service/transactions/create_reg_key_operation.h"
#include "desktop/windows/installer/service/transactions/delete_reg_key_operation.h"
#include "desktop/windows/installer/service/transactions/test_support/scratch_snapshot.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/utils/security_util.h"
#include "desktop/windows/installer/utils/test_support/fake_security_util.h"
#include "gtest/gtest.h"
#include "testing/registry_checks.h"
#include "testing/registry_override.h"

namespace {

using testing_support::KeyExists;

constexpr wchar_t kScratch[] = L"Software\\TarvoTx";

class RegistryOperationsTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(override_.OverrideRegistry(HKEY_CURRENT_USER));
    base::win::RegKey key;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, kScratch, KEY_ALL_ACCESS), ERROR_SUCCESS);
  }

  std::wstring Key(const wchar_t* relative) const {
    return std::wstring(kScratch) + L"\\" + relative;
  }
  void WriteString(const std::wstring& key_path, const wchar_t* name, const wchar_t* value) {
    base::win::RegKey key;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, key_path.c_str(), KEY_ALL_ACCESS), ERROR_SUCCESS);
    ASSERT_EQ(key.WriteValue(name, value), ERROR_SUCCESS);
  }
  std::map<std::wstring, std::string> Snapshot() {
    return SnapshotRegistryKey(HKEY_CURRENT_USER, kScratch);
  }
  bool Run(Transaction* transaction, std::unique_ptr<Operation> operation) {
    return transaction->Execute(std::move(operation), nullptr);
  }
  std::unique_ptr<Operation> SetString(const std::wstring& key_path,
                                       const wchar_t* name,
                                       const wchar_t* value) {
    return std::make_unique<ChangeRegValueOperation>(
        HKEY_CURRENT_USER, key_path, name, value,
        REG_SZ, static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)), 0);
  }
  std::unique_ptr<Operation> DeleteValue(const std::wstring& key_path, const wchar_t* name) {
    return std::make_unique<ChangeRegValueOperation>(
        HKEY_CURRENT_USER, key_path, name, nullptr, ChangeRegValueOperation::kDeleteValue, 0, 0);
  }

  std::unique_ptr<Operation> DeleteKey(const std::wstring& key_path, REGSAM access_flags = 0) {
    return std::make_unique<DeleteRegKeyOperation>(HKEY_CURRENT_USER, key_path, access_flags);
  }

  FakeSecurityUtil security_;
  ScopedSecurityUtilForTesting scoped_security_{&security_};
  registry_util::RegistryOverrideManager override_;
};

TEST_F(RegistryOperationsTest, ValueWriteOverwriteAndDeleteRollBackExactly) {
  WriteString(Key(L"app"), L"kept", L"old");
  base::win::RegKey key(HKEY_CURRENT_USER, Key(L"app").c_str(), KEY_ALL_ACCESS);
  ASSERT_EQ(key.WriteValue(L"number", 7), ERROR_SUCCESS);
  const auto before = Snapshot();

  Transaction transaction;
  ASSERT_TRUE(Run(&transaction, SetString(Key(L"app"), L"kept", L"new")));
  ASSERT_TRUE(Run(&transaction, SetString(Key(L"app"), L"number", L"now a string")));
  ASSERT_TRUE(Run(&transaction, SetString(Key(L"app"), L"", L"default")));
  ASSERT_TRUE(Run(&transaction, DeleteValue(Key(L"app"), L"kept")));
  EXPECT_FALSE(key.HasValue(L"kept"));
  std::wstring text;
  EXPECT_EQ(key.ReadValue(L"", &text), ERROR_SUCCESS);
  EXPECT_EQ(text, L"default");
  transaction.Rollback();
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(RegistryOperationsTest, DeletingAbsentValuesChangesNothing) {
  const auto before = Snapshot();
  Transaction transaction;
  ASSERT_TRUE(Run(&transaction, DeleteValue(Key(L"missing\\deeper"), L"v")));
  ASSERT_TRUE(Run(&transaction, DeleteValue(kScratch, L"absent")));
  EXPECT_EQ(Snapshot(), before);
  transaction.Rollback();
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(RegistryOperationsTest, ValueUnderMissingKeyCreatesItAndRollbackRemovesTheNewKeys) {
  WriteString(Key(L"a"), L"keep", L"1");
  const auto before = Snapshot();
  Transaction transaction;
  ASSERT_TRUE(Run(&transaction, SetString(Key(L"a\\b\\c\\d"), L"v", L"x")));
  // The key creation runs as a sub-operation before the value change.
  EXPECT_EQ(transaction.size(), 2u);
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Key(L"a\\b\\c\\d")));
  transaction.Rollback();
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Key(L"a\\b")));
  EXPECT_EQ(Snapshot(), before);
}

// The operation reports exactly the keys it made; its rollback takes back
// the new key whole but an ancestor it made only while that is empty, so a
// key another process put there meanwhile stays.
TEST_F(RegistryOperationsTest, CreatedKeysAreReportedAndTheirNewNeighboursSurviveRollback) {
  const auto before = Snapshot();
  Transaction transaction;
  RegKeyCreation creation;
  ASSERT_TRUE(Run(&transaction, std::make_unique<CreateRegKeyOperation>(
                                    HKEY_CURRENT_USER, Key(L"a\\b\\c"), 0,
                                    CreateRegKeyOperation::ExistingKey::kAccept, &creation)));
  EXPECT_FALSE(creation.existed);
  EXPECT_EQ((std::vector<std::wstring>{Key(L"a"), Key(L"a\\b"), Key(L"a\\b\\c")}),
            creation.created);
  WriteString(Key(L"a\\b\\c\\below"), L"v", L"in the new key");
  WriteString(Key(L"a\\other"), L"v", L"another program's");
  transaction.Rollback();
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Key(L"a\\b")));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Key(L"a\\other")));
  ASSERT_EQ(ERROR_SUCCESS,
            base::win::RegKey(HKEY_CURRENT_USER, kScratch, KEY_ALL_ACCESS).DeleteKey(L"a"));
  EXPECT_EQ(Snapshot(), before);
}

// A key that must be new: one already there fails the creation, which
// leaves it and its values as they are, also after a rollback.
TEST_F(RegistryOperationsTest, AKeyThatMustBeNewIsNeverTakenOver) {
  WriteString(Key(L"taken"), L"owner", L"first");
  const auto before = Snapshot();
  Transaction transaction;
  RegKeyCreation creation;
  std::string error;
  EXPECT_FALSE(transaction.Execute(
      std::make_unique<CreateRegKeyOperation>(HKEY_CURRENT_USER, Key(L"taken"), 0,
                                              CreateRegKeyOperation::ExistingKey::kRefuse,
                                              &creation),
      &error));
  EXPECT_TRUE(creation.existed);
  EXPECT_TRUE(creation.created.empty());
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(transaction.empty());
  transaction.Rollback();
  EXPECT_EQ(Snapshot(), before);

  RegKeyCreation fresh;
  ASSERT_TRUE(Run(&transaction, std::make_unique<CreateRegKeyOperation>(
                                    HKEY_CURRENT_USER, Key(L"taken1"), 0,
                                    CreateRegKeyOperation::ExistingKey::kRefuse, &fresh)));
  EXPECT_FALSE(fresh.existed);
  EXPECT_EQ(std::vector<std::wstring>{Key(L"taken1")}, fresh.created);
  transaction.Rollback();
  EXPECT_EQ(Snapshot(), before);
}

class DeleteRegKeyTest : public RegistryOperationsTest {
 protected:
  void SetUp() override {
    RegistryOperationsTest::SetUp();
    base::win::RegKey key;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, Key(L"tree").c_str(), KEY_ALL_ACCESS),
              ERROR_SUCCESS);
    ASSERT_EQ(key.WriteValue(L"", L"default"), ERROR_SUCCESS);
    ASSERT_EQ(key.WriteValue(L"dword", 0xdeadbeef), ERROR_SUCCESS);
    const BYTE binary[] = {0, 1, 2, 0, 0xff};
    ASSERT_EQ(key.WriteValue(L"binary", binary, sizeof(binary), REG_BINARY), ERROR_SUCCESS);
    ASSERT_EQ(key.WriteValue(L"none", nullptr, 0, REG_NONE), ERROR_SUCCESS);
    const wchar_t multi[] = L"a\0bc\0";
    ASSERT_EQ(key.WriteValue(L"multi", multi, sizeof(multi), REG_MULTI_SZ), ERROR_SUCCESS);
    for (int i = 0; i < 3; ++i) {
      const std::wstring child = Key(L"tree\\child") + std::to_wstring(i);
      WriteString(child, L"index", std::to_wstring(i).c_str());
      WriteString(child + L"\\grandchild", L"", L"deep");
    }
    WriteString(Key(L"sibling"), L"keep", L"me");
  }
};

TEST_F(DeleteRegKeyTest, DeleteAndRollbackRestoresKeysValuesAndTypes) {
  const auto before = Snapshot();
  Transaction transaction;
  ASSERT_TRUE(Run(&transaction, DeleteKey(Key(L"tree"))));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Key(L"tree")));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Key(L"sibling")));
  transaction.Rollback();
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(DeleteRegKeyTest, RollbackRestoresGroupAndAccessList) {
  // A protected access list on one subkey must come back as it was.
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(
      L"G:BUD:P(A;CI;KA;;;SY)(A;CI;KR;;;BU)(A;CI;KA;;;BA)", SDDL_REVISION_1, &descriptor, nullptr));
  {
    base::win::RegKey key(HKEY_CURRENT_USER, Key(L"tree\\child1").c_str(), KEY_ALL_ACCESS);
    ASSERT_EQ(::RegSetKeySecurity(key.Handle(),
                                  GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                  descriptor),
              ERROR_SUCCESS);
  }
  ::LocalFree(descriptor);
  auto read_dacl = [this]() {
    base::win::RegKey key(HKEY_CURRENT_USER, Key(L"tree\\child1").c_str(), KEY_READ);
    DWORD size = 0;
    constexpr SECURITY_INFORMATION kWhat = GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    ::RegGetKeySecurity(key.Handle(), kWhat, nullptr, &size);
    std::vector<BYTE> buffer(size);
    EXPECT_EQ(::RegGetKeySecurity(key.Handle(), kWhat, buffer.data(), &size), ERROR_SUCCESS);
    wchar_t* text = nullptr;
    std::wstring sddl;
    if (::ConvertSecurityDescriptorToStringSecurityDescriptorW(buffer.data(), SDDL_REVISION_1,
                                                               kWhat, &text, nullptr)) {
      sddl = text;
      ::LocalFree(text);
    }
    return sddl;
  };
  const std::wstring before = read_dacl();
  ASSERT_EQ(before.rfind(L"G:BUD:P", 0), 0u) << before;

  Transaction transaction;
  ASSERT_TRUE(Run(&transaction, DeleteKey(Key(L"tree"))));
  transaction.Rollback();
  EXPECT_EQ(read_dacl(), before);
}

// The integrity label and mask of `key_path`, as "S-1-16-4096:1"; empty
// without a label.
std::wstring ReadLabel(const std::wstring& key_path) {
  base::win::RegKey key(HKEY_CURRENT_USER, key_path.c_str(), KEY_READ);
  DWORD size = 0;
  ::RegGetKeySecurity(key.Handle(), LABEL_SECURITY_INFORMATION, nullptr, &size);
  std::vector<BYTE> buffer(size);
  EXPECT_EQ(::RegGetKeySecurity(key.Handle(), LABEL_SECURITY_INFORMATION, buffer.data(), &size),
            ERROR_SUCCESS);
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL sacl = nullptr;
  void* ace = nullptr;
  wchar_t* sid = nullptr;
  if (!::GetSecurityDescriptorSacl(buffer.data(), &present, &sacl, &defaulted) || !present ||
      !sacl || sacl->AceCount == 0 || !::GetAce(sacl, 0, &ace)) {
    return std::wstring();
  }
  auto* label = static_cast<SYSTEM_MANDATORY_LABEL_ACE*>(ace);
  EXPECT_EQ(label->Header.AceType, SYSTEM_MANDATORY_LABEL_ACE_TYPE);
  if (!::ConvertSidToStringSidW(&label->SidStart, &sid))
    return std::wstring();
  const std::wstring text = std::wstring(sid) + L":" + std::to_wstring(label->Mask);
  ::LocalFree(sid);
  return text;
}

TEST_F(DeleteRegKeyTest, RollbackRestoresTheIntegrityLabel) {
  // Low integrity, no write up. The label goes with the access list: Wine
  // refuses it alone.
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(
      L"D:(A;CI;KA;;;BA)(A;CI;KA;;;SY)(A;CI;KR;;;BU)S:(ML;CI;NW;;;LW)", SDDL_REVISION_1,
      &descriptor, nullptr));
  {
    base::win::RegKey key(HKEY_CURRENT_USER, Key(L"tree\\child2").c_str(),
                          KEY_ALL_ACCESS | WRITE_OWNER);
    ASSERT_EQ(::RegSetKeySecurity(
                  key.Handle(), DACL_SECURITY_INFORMATION | LABEL_SECURITY_INFORMATION, descriptor),
              ERROR_SUCCESS);
  }
  ::LocalFree(descriptor);
  const std::wstring label = ReadLabel(Key(L"tree\\child2"));
  ASSERT_EQ(label, L"S-1-16-4096:1");
  const std::wstring unlabelled = ReadLabel(Key(L"tree\\child0"));

  Transaction transaction;
  ASSERT_TRUE(Run(&transaction, DeleteKey(Key(L"tree"))));
  transaction.Rollback();
  EXPECT_EQ(ReadLabel(Key(L"tree\\child2")), label);
  // A key without a label gets none.
  EXPECT_EQ(ReadLabel(Key(L"tree\\child0")), unlabelled);
}

// child1's grandchild cannot be reached: the whole tree is read before any
// key goes, so the deletion fails having deleted nothing.
class HalfWayDeleteRegKeyTest : public DeleteRegKeyTest {
 protected:
  void SetUp() override {
    DeleteRegKeyTest::SetUp();
    security_.SetAccess(L"CURRENT_USER\\" + Key(L"tree\\child1\\grandchild"), false);
    security_.SetGrantSucceeds(false);
  }
  // `snapshot` without the entries of `relative` (below the scratch key)
  // and its subkeys.
  static std::map<std::wstring, std::string> Without(std::map<std::wstring, std::string> snapshot,
                                                     const std::wstring& relative) {
    const std::wstring prefix = L"\\" + relative + L"\\";
    std::erase_if(snapshot, [&](const auto& entry) { return entry.first.starts_with(prefix); });
    return snapshot;
  }
};

TEST_F(HalfWayDeleteRegKeyTest, RollbackLeavesKeysItDidNotDeleteAsTheyAreNow) {
  const auto before = Snapshot();
  auto operation = DeleteKey(Key(L"tree"));
  Transaction sub_operations;
  ASSERT_FALSE(operation->Execute(&sub_operations, nullptr));
  EXPECT_EQ(Snapshot(), before);

  // Meanwhile someone else removes child1 (saved, not deleted by the
  // operation) and changes the tree's default value: the rollback must
  // bring back only what the operation deleted, nothing.
  ASSERT_EQ(::RegDeleteTreeW(HKEY_CURRENT_USER, Key(L"tree\\child1").c_str()), ERROR_SUCCESS);
  WriteString(Key(L"tree"), L"", L"changed by someone else");
  auto expected = Without(before, L"tree\\child1");
  expected[L"\\tree\\:"] = Snapshot()[L"\\tree\\:"];

  operation->Rollback();
  EXPECT_EQ(Snapshot(), expected);
}

TEST_F(DeleteRegKeyTest, KeyRecreatedMeanwhileKeepsItsNewContent) {
  Transaction transaction;
  ASSERT_TRUE(Run(&transaction, DeleteKey(Key(L"tree"))));
  WriteString(Key(L"tree\\child0"), L"index", L"someone else's");
  transaction.Rollback();
  base::win::RegKey key(HKEY_CURRENT_USER, Key(L"tree\\child0").c_str(), KEY_READ);
  std::wstring value;
  EXPECT_EQ(key.ReadValue(L"index", &value), ERROR_SUCCESS);
  EXPECT_EQ(value, L"someone else's");
  // Only the recreated key itself is left alone; what lay below it and the
  // rest of the tree come back.
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Key(L"tree\\child0\\grandchild")));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Key(L"tree\\child1\\grandchild")));
}

TEST_F(DeleteRegKeyTest, MissingKeyIsNothingToDo) {
  const auto before = Snapshot();
  Transaction transaction;
  ASSERT_TRUE(Run(&transaction, DeleteKey(Key(L"absent"))));
  transaction.Rollback();
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(RegistryOperationsTest, SharedKeysAreNeverDeleted) {
  // Spellings are covered by the key-safety tests; here the operation.
  const wchar_t* shared[] = {
      L"software/CLASSES/applications/",
      L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
      L"",
  };
  for (const wchar_t* path : shared) {
    WriteString(path[0] ? path : L"Software", L"marker", L"x");
    Transaction transaction;
    EXPECT_FALSE(Run(&transaction, DeleteKey(path))) << path;
    base::win::RegKey key(HKEY_CURRENT_USER, path[0] ? path : L"Software", KEY_READ);
    EXPECT_TRUE(key.HasValue(L"marker")) << path;
  }
}

TEST_F(RegistryOperationsTest, MissingRightsAreGrantedTemporarilyAndGivenBack) {
  security_.SetDefaultAccess(false);
  WriteString(Key(L"app"), L"v", L"old");
  WriteString(Key(L"gone\\sub"), L"v", L"x");
  {
    Transaction transaction;
    ASSERT_TRUE(Run(&transaction, SetString(Key(L"app"), L"v", L"new")));
    ASSERT_TRUE(Run(&transaction, DeleteKey(Key(L"gone"), KEY_WOW64_32KEY)));
    ASSERT_EQ(security_.grants().size(), 3u);
    EXPECT_EQ(security_.grants()[0].object_name, L"CURRENT_USER\\" + Key(L"app"));
    EXPECT_EQ(security_.grants()[0].object_type, SE_REGISTRY_KEY);
    EXPECT_EQ(security_.grants()[0].access_mask, static_cast<ACCESS_MASK>(KEY_QUERY_VALUE |
                                                                        KEY_SET_VALUE));
    EXPECT_FALSE(security_.grants()[0].permanent);
    EXPECT_EQ(security_.grants()[2].object_name, L"CURRENT_USER\\" + Key(L"gone\\sub"));
    EXPECT_EQ(security_.grants()[2].object_type, SE_REGISTRY_WOW64_32KEY);
    transaction.Rollback();
  }
  EXPECT_EQ(security_.restores().size(), 3u);
}

TEST_F(RegistryOperationsTest, RefusedGrantFailsWithoutChanges) {
  WriteString(Key(L"app"), L"v", L"old");
  const auto before = Snapshot();
  security_.SetDefaultAccess(false);
  security_.SetGrantSucceeds(false);
  Transaction transaction;
  EXPECT_FALSE(Run(&transaction, SetString(Key(L"app"), L"v", L"new")));
  EXPECT_FALSE(Run(&transaction, SetString(Key(L"new\\key"), L"v", L"new")));
  EXPECT_FALSE(Run(&transaction, DeleteKey(Key(L"app"))));
  EXPECT_EQ(Snapshot(), before);
}

}  // namespace
