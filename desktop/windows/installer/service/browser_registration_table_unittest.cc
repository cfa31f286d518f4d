#include "desktop/windows/installer/service/browser_registration_table.h"

#include <string>

#include "base/files/file_path.h"
#include "desktop/windows/installer/service/install_folder_template_variables.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/service/transactions/registry_rule.h"
#include "gtest/gtest.h"

namespace {

// Every key and value name must expand fully with the folder's variables,
// or the rebuilt status would look for keys that no installation writes.
TEST(BrowserRegistrationTableTest, KeysAndValueNamesUseKnownPlaceholdersOnly) {
  const std::vector<RegistryRuleRow>& table = GetRegistrationTable();
  InstallFolderTemplateVariables variables(base::FilePath(L"C:\\T"), L"Tarvo 1");
  for (const RegistryRuleRow& row : table) {
    std::wstring key;
    std::wstring value_name;
    ExpandRulePlaceholders(RegistryRule(row, &variables), &key, &value_name);
    EXPECT_EQ(std::wstring::npos, key.find_first_of(L"{}")) << key;
    EXPECT_EQ(std::wstring::npos, value_name.find_first_of(L"{}")) << value_name;
    if (std::wstring(row.key) == L"{Uninstall}") {
      EXPECT_EQ(static_cast<uint32_t>(KEY_WOW64_32KEY), row.access_flags) << value_name;
    }
  }
  EXPECT_EQ(std::wstring(L"SystemComponent"), GetHideFromProgramsAndFeaturesRow().value_name);
}

// Before Windows Vista only the rows for every supported system are
// written; "microsoft-edge" is registered from Windows 10 on.
TEST(BrowserRegistrationTableTest, RowsFollowTheWindowsVersion) {
  using base::win::OSInfo;
  const struct {
    base::win::Version version;
    bool edge;
  } cases[] = {{base::win::VERSION_XP, false},
               {base::win::VERSION_WIN7, false},
               {base::win::VERSION_WIN10, true}};
  for (const auto& c : cases) {
    base::win::ScopedOSInfoForTesting system(c.version, OSInfo::X64_ARCHITECTURE);
    int written = 0;
    bool edge = false;
    for (const RegistryRuleRow& row : GetRegistrationTable()) {
      if (!RegistryRuleApplies(row, HKEY_LOCAL_MACHINE))
        continue;
      ++written;
      if (c.version < base::win::VERSION_VISTA)
        EXPECT_EQ(1, row.min_windows_version) << row.key;
      edge |= std::wstring(row.value_name ? row.value_name : L"") == L"microsoft-edge";
    }
    EXPECT_GT(written, 0) << c.version;
    EXPECT_EQ(c.edge, edge) << c.version;
  }
}

}  // namespace
