#include "desktop/windows/installer/service/transactions/registry_rule.h"

#include <cstring>

#include "base/logging.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/service/transactions/change_reg_value_operation.h"
#include "desktop/windows/installer/service/transactions/delete_reg_key_operation.h"
#include "desktop/windows/installer/service/transactions/registry_key_safety.h"
#include "desktop/windows/installer/utils/product_info.h"

// A value deletion passed on to the status record must record nothing.
static_assert(ChangeRegValueOperation::kDeleteValue == kDeletedRegistryValueType);

std::wstring ExpandPlaceholders(const RegistryRule& rule, const wchar_t* text) {
  std::wstring result = text ? text : L"";
  size_t position = 0;
  for (;;) {
    const size_t open = result.find(L'{', position);
    if (open == std::wstring::npos)
      break;
    const size_t close = result.find(L'}', open + 1);
    if (close == std::wstring::npos)
      break;
    const std::wstring name = result.substr(open + 1, close - open - 1);
    const std::wstring value = rule.host ? rule.host->GetValue(name) : std::wstring();
    result.replace(open, close - open + 1, value);
    // Continue after the inserted text: a value holding braces (a folder
    // named "{x}") stays as it is, and the scan always ends.
    position = open + value.size();
  }
  return result;
}

void ExpandRulePlaceholders(const RegistryRule& rule,
                            std::wstring* key,
                            std::wstring* value_name) {
  DCHECK(key);
  DCHECK(value_name);
  *key = NormalizeRegistryKeyPath(ExpandPlaceholders(rule, rule.row.key));
  *value_name = ExpandPlaceholders(rule, rule.row.value_name);
}

bool RegistryRuleApplies(const RegistryRuleRow& row, HKEY root) {
  return static_cast<int32_t>(base::win::GetVersion()) >= row.min_windows_version &&
         (!row.root || row.root == root) && row.min_stream <= kStreamId;
}

bool CreateOperationFromRegistryRule(const RegistryRule& rule,
                                     HKEY root,
                                     std::unique_ptr<Operation>* out) {
  DCHECK(out);
  out->reset();
  const RegistryRuleRow& row = rule.row;
  if (!RegistryRuleApplies(row, root))
    return true;

  std::wstring key;
  std::wstring value_name;
  ExpandRulePlaceholders(rule, &key, &value_name);
  if (row.type == kRegistryRuleDeleteKey) {
    if (!IsRegistryKeySafeToDelete(key)) {
      LOG(ERROR) << "Registry rule refused: it would delete the key \"" << key << "\"";
      return false;
    }
    *out = std::make_unique<DeleteRegKeyOperation>(root, key, row.access_flags);
    return true;
  }
  if (row.type < kRegistryRuleDeleteValue || row.type > static_cast<int32_t>(REG_DWORD)) {
    LOG(ERROR) << "Registry rule of unknown type " << row.type;
    return false;
  }

  std::wstring text;
  DWORD dword = 0;
  const void* data = nullptr;
  DWORD size = 0;
  switch (row.type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
      text = ExpandPlaceholders(rule, reinterpret_cast<const wchar_t*>(row.data));
      if (!text.empty()) {
        data = text.c_str();
        size = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
      }
      break;
    case REG_BINARY:
      if (row.data) {
        data = reinterpret_cast<const char*>(row.data);
        size = static_cast<DWORD>(std::strlen(static_cast<const char*>(data)));
      }
      break;
    case REG_DWORD:
      dword = static_cast<DWORD>(row.data);
      data = &dword;
      size = sizeof(dword);
      break;
    default:
      break;
  }

  if (key.empty()) {
    LOG(ERROR) << "Registry rule refused: its key \"" << (row.key ? row.key : L"")
               << "\" expands to nothing";
    return false;
  }
  // The status keeps the depth signed: 0x80000000 and above read back as
  // negative, which means "the recorded values only", so no key is removed
  // and none needs checking.
  int32_t clean = static_cast<int32_t>(row.clean);
  std::wstring key_to_clean;
  if (clean >= 1 && !GetRegistryKeyToClean(key, clean, &key_to_clean)) {
    // The value is written all the same; its removal takes back only the
    // values, never the shared key.
    LOG(WARNING) << "Clean-up depth " << row.clean << " of \"" << key
                 << "\" would remove a shared key: only its values will be removed";
    clean = 0;
  }

  const DWORD type =
      row.type == kRegistryRuleDeleteValue ? ChangeRegValueOperation::kDeleteValue
                                           : static_cast<DWORD>(row.type);
  *out = std::make_unique<ChangeRegValueOperation>(root, key, value_name, data, type, size,
                                                   row.access_flags);
  std::vector<StatusRegistryKey>* record = rule.host ? rule.host->GetRegistryRecord(root) : nullptr;
  if (record) {
    RecordRegistryValueInStatus(record, key, value_name, data, type, size, clean);
  }
  return true;
}
