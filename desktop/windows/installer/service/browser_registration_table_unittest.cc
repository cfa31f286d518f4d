#include "desktop/windows/installer/service/browser_registration_table.h"

#include <string>

#include "base/files/file_path.h"
#include "desktop/windows/installer/service/install_folder_template_variables.h"
#include "gtest/gtest.h"

namespace {

// Every key and value name must expand fully with the folder's variables,
// or the rebuilt status would look for keys that no installation writes.
TEST(BrowserRegistrationTableTest, KeysAndValueNamesUseKnownPlaceholdersOnly) {
  const std::vector<RegistryRuleRow>& table = GetRegistrationTable();
  ASSERT_EQ(58u, table.size());
  InstallFolderTemplateVariables variables(base::FilePath(L"C:\\T"), L"Tarvo 1");
  int uninstall_rows = 0;
  for (const RegistryRuleRow& row : table) {
    std::wstring key;
    std::wstring value_name;
    ExpandRulePlaceholders(RegistryRule(row, &variables), &key, &value_name);
    EXPECT_EQ(std::wstring::npos, key.find_first_of(L"{}")) << key;
    EXPECT_EQ(std::wstring::npos, value_name.find_first_of(L"{}")) << value_name;
    if (std::wstring(row.key) == L"{Uninstall}") {
      ++uninstall_rows;
      EXPECT_EQ(static_cast<uint32_t>(KEY_WOW64_32KEY), row.access_flags) << value_name;
    }
  }
  EXPECT_EQ(11, uninstall_rows);
  EXPECT_EQ(std::wstring(L"SystemComponent"), GetHideFromProgramsAndFeaturesRow().value_name);
}

}  // namespace
