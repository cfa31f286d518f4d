#include "desktop/windows/installer/service/own_registry_entries.h"

#include <cwchar>
#include <iterator>
#include <map>
#include <utility>

#include "base/strings/string_split.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/service/browser_registration_table.h"
#include "desktop/windows/installer/service/default_browser_registrar.h"
#include "desktop/windows/installer/service/default_browser_rules.h"
#include "desktop/windows/installer/service/installation.h"
#include "desktop/windows/installer/service/transactions/registry_key_safety.h"
#include "desktop/windows/installer/service/transactions/registry_rule.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "desktop/windows/installer/utils/service_utils.h"

namespace {

// Stands for the text of a placeholder that varies from run to run (an app
// id, a version): any non-empty text without a separator. A character of
// the private-use area, which no name of ours holds.
constexpr wchar_t kAnyText = L'\xE000';

// Placeholder values; names it does not know stay as they are.
class Binding : public RegistryRuleHost {
 public:
  explicit Binding(std::map<std::wstring, std::wstring> values) : values_(std::move(values)) {}

  std::wstring GetValue(const std::wstring& name) override {
    auto it = values_.find(name);
    return it == values_.end() ? name : it->second;
  }
  std::vector<StatusRegistryKey>* GetRegistryRecord(HKEY /*root*/) override { return nullptr; }

 private:
  const std::map<std::wstring, std::wstring> values_;
};

bool Matches(std::wstring_view pattern, std::wstring_view text) {
  const size_t any = pattern.find(kAnyText);
  if (any == std::wstring_view::npos)
    return pattern == text;
  if (text.size() <= any || text.compare(0, any, pattern.substr(0, any)) != 0)
    return false;
  // At least one character for the varying part, then the rest.
  for (size_t end = any + 1; end <= text.size(); ++end) {
    if (Matches(pattern.substr(any + 1), text.substr(end)))
      return true;
  }
  return false;
}

std::vector<std::wstring> ComparableComponents(const std::wstring& key) {
  return base::SplitString(GetComparableRegistryKey(key), L"\\", base::KEEP_WHITESPACE,
                           base::SPLIT_WANT_NONEMPTY);
}

// Whether the first `count` components of `key` match those of `pattern`.
bool MatchesLeading(const std::vector<std::wstring>& pattern,
                    const std::vector<std::wstring>& key,
                    size_t count) {
  if (key.size() < count || pattern.size() < count)
    return false;
  for (size_t i = 0; i < count; ++i) {
    if (!Matches(pattern[i], key[i]))
      return false;
  }
  return true;
}

bool Mentions(const RegistryRuleRow& row, const wchar_t* placeholder) {
  return (row.key && wcsstr(row.key, placeholder)) ||
         (row.value_name && wcsstr(row.value_name, placeholder));
}

std::wstring Join(const std::vector<std::wstring>& components, size_t count) {
  std::wstring joined;
  for (size_t i = 0; i < count; ++i)
    joined += (i ? L"\\" : L"") + components[i];
  return joined;
}

}  // namespace

OwnRegistryEntries::OwnRegistryEntries(const base::FilePath& folder) : folder_(folder) {
  AddRows(GetRegistrationTable());
  AddRows(GetFileHandlerRules());
  AddRows(GetFileExtensionRules());
  AddRows(GetProtocolRules());
  AddRows(GetStartMenuInternetRules());
  // The last installation folder and the previous default browser.
  Add({nullptr, ComparableComponents(GetCompanyRegistryKey()), std::wstring(),
       /*any_value=*/true, 0});
}

OwnRegistryEntries::~OwnRegistryEntries() = default;

void OwnRegistryEntries::AddRows(std::span<const RegistryRuleRow> rows) {
  const std::wstring product = base::UTF8ToWide(product_info::GetProductName());
  const std::wstring any(1, kAnyText);
  std::map<std::wstring, std::wstring> values = {
      {L"InstallFolder", folder_.value()},
      {L"Product", product},
      {L"Stream", base::UTF8ToWide(product_info::GetChannelName())},
      {L"Executable", GetBrowserExeName()},
      {L"Company", base::UTF8ToWide(ProductInfo::GetCompanyName())},
      {L"CompanyRegistryKey", GetCompanyRegistryKey()},
      {L"Version", any},
      {L"Uninstall", GetUninstallRegistryKey(product + L" " + any)}};
  // The registration's own class, or an installation's handler class.
  const std::wstring prog_ids[] = {base::UTF8ToWide(product_info::GetProductNameWithChannel()),
                                   kProgIdPrefix + any};
  for (const RegistryRuleRow& row : rows) {
    std::vector<std::wstring> associations = {std::wstring()};
    if (Mentions(row, L"{Extension}") || Mentions(row, L"{Protocol}")) {
      associations.clear();
      for (const std::wstring& association : GetDefaultBrowserAssociations()) {
        if (IsFileExtension(association) == Mentions(row, L"{Extension}"))
          associations.push_back(association);
      }
    }
    const size_t prog_id_count = Mentions(row, L"{ProgID}") ? std::size(prog_ids) : 1;
    for (size_t i = 0; i < prog_id_count; ++i) {
      for (const std::wstring& association : associations) {
        values[L"ProgID"] = prog_ids[i];
        values[L"Extension"] = association;
        values[L"Protocol"] = association;
        Binding binding(values);
        std::wstring key;
        std::wstring value;
        ExpandRulePlaceholders(RegistryRule(row, &binding), &key, &value);
        Entry entry{row.root, ComparableComponents(key), base::ToLowerASCII(value),
                    /*any_value=*/false, 0};
        if (row.clean >= 1 && entry.key.size() >= row.clean)
          entry.owned = entry.key.size() - (row.clean - 1);
        Add(std::move(entry));
      }
    }
  }
}

void OwnRegistryEntries::Add(Entry entry) {
  if (!entry.key.empty())
    entries_.push_back(std::move(entry));
}

const OwnRegistryEntries::Entry* OwnRegistryEntries::FindOwner(
    HKEY root,
    const std::vector<std::wstring>& key) const {
  for (const Entry& entry : entries_) {
    if ((entry.root && entry.root != root) || !entry.owned ||
        !MatchesLeading(entry.key, key, entry.owned)) {
      continue;
    }
    // The key owned must be one no other program shares, as spelt here.
    if (IsRegistryKeySafeToDelete(Join(key, entry.owned)))
      return &entry;
  }
  return nullptr;
}

bool OwnRegistryEntries::IsOwnValue(HKEY root,
                                    const std::wstring& key,
                                    const std::wstring& name) const {
  const std::vector<std::wstring> components = ComparableComponents(key);
  if (components.empty() || FindOwner(root, components))
    return !components.empty();
  const std::wstring lower_name = base::ToLowerASCII(name);
  for (const Entry& entry : entries_) {
    if ((!entry.root || entry.root == root) && entry.key.size() == components.size() &&
        MatchesLeading(entry.key, components, components.size()) &&
        (entry.any_value || Matches(entry.value, lower_name))) {
      return true;
    }
  }
  return false;
}

bool OwnRegistryEntries::IsOwnKey(HKEY root, const std::wstring& key) const {
  const std::vector<std::wstring> components = ComparableComponents(key);
  return !components.empty() && FindOwner(root, components);
}

bool OwnRegistryEntries::LeadsToOwnEntries(HKEY root, const std::wstring& key) const {
  const std::vector<std::wstring> components = ComparableComponents(key);
  if (components.empty())
    return false;
  for (const Entry& entry : entries_) {
    if ((!entry.root || entry.root == root) &&
        MatchesLeading(entry.key, components, components.size())) {
      return true;
    }
  }
  return false;
}
