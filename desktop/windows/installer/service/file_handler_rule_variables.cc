#include "desktop/windows/installer/service/file_handler_rule_variables.h"

#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/utils/product_info.h"

FileHandlerRuleVariables::FileHandlerRuleVariables(const std::wstring& association,
                                                   const base::FilePath& folder,
                                                   const std::wstring& prog_id)
    : association_(association), folder_(folder), prog_id_(prog_id) {}

FileHandlerRuleVariables::~FileHandlerRuleVariables() = default;

std::wstring FileHandlerRuleVariables::GetValue(const std::wstring& name) {
  if (name == L"Protocol" || name == L"Extension") return association_;
  if (name == L"InstallFolder") return folder_.value();
  // The class the handler rows create and the extension rows point to: the
  // installation's ProgId, the name the other registrations use too.
  if (name == L"ProgID") return prog_id_;
  if (name == L"Product") return base::UTF8ToWide(product_info::GetProductName());
  if (name == L"Stream") return base::UTF8ToWide(product_info::GetChannelName());
  return name;
}

std::vector<StatusRegistryKey>* FileHandlerRuleVariables::GetRegistryRecord(HKEY /*root*/) {
  return nullptr;
}
