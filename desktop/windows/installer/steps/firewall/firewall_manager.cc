#include "desktop/windows/installer/steps/firewall/firewall_manager.h"

#include <windows.h>
#include <netfw.h>

#include <algorithm>

#include "base/guid.h"
#include "base/logging.h"
#include "base/strings/stringprintf.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/steps/firewall/browser_name_provider.h"

namespace {

constexpr wchar_t kMdnsRuleSuffix[] = L" (mDNS-In)";
constexpr wchar_t kMdnsRuleDescription[] = L"Inbound rule to allow mDNS traffic.";
constexpr unsigned kMdnsPort = 5353;
constexpr long kUdpProtocol = 17;
constexpr long kAllProfiles = 0x7fffffff;

bool HasName(FirewallRuleHandle* rule, const std::wstring& name) {
  std::wstring rule_name;
  return rule->GetName(&rule_name) && rule_name == name;
}

}  // namespace

std::unique_ptr<FirewallManager> FirewallManager::Create(const BrowserNameProvider* name_provider,
                                                         const base::FilePath& application_path) {
  std::unique_ptr<FirewallPolicy> policy = CreateFirewallPolicy();
  if (!policy)
    return nullptr;
  return std::unique_ptr<FirewallManager>(
      new FirewallManager(name_provider->GetDisplayName(), application_path, std::move(policy)));
}

FirewallManager::FirewallManager(std::wstring display_name, base::FilePath application_path,
                                 std::unique_ptr<FirewallPolicy> policy)
    : display_name_(std::move(display_name)),
      application_path_(std::move(application_path)),
      policy_(std::move(policy)) {}

FirewallManager::~FirewallManager() = default;

bool FirewallManager::AreRulesInPlace() {
  long current = 0;
  bool all_off = policy_->GetCurrentProfileTypes(&current);
  for (long profile : {NET_FW_PROFILE2_PUBLIC, NET_FW_PROFILE2_PRIVATE, NET_FW_PROFILE2_DOMAIN}) {
    if (!all_off || !(current & profile))
      continue;
    bool enabled = true;
    if (!policy_->IsFirewallEnabled(profile, &enabled) || enabled)
      all_off = false;
  }
  return all_off || !GetRules().empty();
}

bool FirewallManager::AddMdnsRule() {
  return AddCheckedMdnsRule() == FirewallRuleAddition::kAdded;
}

FirewallRuleAddition FirewallManager::AddCheckedMdnsRule() {
  return AddRule(display_name_ + kMdnsRuleSuffix, kMdnsRuleDescription, kMdnsPort);
}

void FirewallManager::RemoveAllRules() {
  for (const std::unique_ptr<FirewallRuleHandle>& rule : GetRules())
    DeleteRule(rule.get());
}

std::vector<std::unique_ptr<FirewallRuleHandle>> FirewallManager::GetRules() {
  std::vector<std::unique_ptr<FirewallRuleHandle>> all;
  std::vector<std::unique_ptr<FirewallRuleHandle>> ours;
  if (!policy_->ListRules(&all))
    return ours;
  for (std::unique_ptr<FirewallRuleHandle>& rule : all) {
    if (IsOurs(rule.get()))
      ours.push_back(std::move(rule));
  }
  return ours;
}

bool FirewallManager::IsOurs(FirewallRuleHandle* rule) const {
  std::wstring application;
  return rule->GetApplicationName(&application) && !application.empty() &&
         base::FilePath::CompareEqualIgnoreCase(application, application_path_.value());
}

FirewallRuleAddition FirewallManager::AddRule(const std::wstring& name,
                                              const std::wstring& description, unsigned port) {
  DeleteRulesNamed(name);
  long count_before = 0;
  if (!policy_->CountRules(&count_before))
    count_before = -1;
  FirewallRuleSpec rule;
  rule.name = name;
  rule.description = description;
  rule.application = application_path_.value();
  rule.protocol = kUdpProtocol;
  rule.direction = NET_FW_RULE_DIR_IN;
  rule.enabled = true;
  rule.local_ports = base::StringPrintf(L"%u", port);
  rule.grouping = display_name_;
  rule.profiles = kAllProfiles;
  rule.action = NET_FW_ACTION_ALLOW;
  if (!policy_->AddRule(rule))
    return FirewallRuleAddition::kFailed;
  return IsRuleKept(name, count_before) ? FirewallRuleAddition::kAdded
                                        : FirewallRuleAddition::kNotKept;
}

bool FirewallManager::IsRuleKept(const std::wstring& name, long count_before) {
  std::unique_ptr<FirewallRuleHandle> found = policy_->FindRule(name);
  if (found && IsOurs(found.get()))
    return true;
  std::vector<std::unique_ptr<FirewallRuleHandle>> all;
  if (policy_->ListRules(&all)) {
    return std::any_of(all.begin(), all.end(), [&](const auto& rule) {
      return IsOurs(rule.get()) && HasName(rule.get(), name);
    });
  }
  // Neither looked up nor listed: a count that did not grow tells at least
  // that nothing was added.
  long count_after = 0;
  return count_before < 0 || !policy_->CountRules(&count_after) || count_after > count_before;
}

void FirewallManager::DeleteRulesNamed(const std::wstring& name) {
  for (const std::unique_ptr<FirewallRuleHandle>& rule : GetRules()) {
    if (HasName(rule.get(), name))
      DeleteRule(rule.get());
  }
}

void FirewallManager::DeleteRule(FirewallRuleHandle* rule) {
  // The collection removes by name: a unique name first, so that another
  // program's rule of the same name stays.
  const std::wstring unique_name = base::UTF8ToWide(base::GenerateGUID());
  if (rule->SetName(unique_name))
    policy_->RemoveRule(unique_name);
}

void AddFirewallRule(const base::FilePath& application_path, FirewallRuleChange change) {
  std::unique_ptr<FirewallManager> manager =
      FirewallManager::Create(BrowserNameProvider::GetInstance(), application_path);
  if (!manager) {
    LOG(ERROR) << "Failed creating a FirewallManager.";
    return;
  }
  if (change == FirewallRuleChange::kRemove) {
    manager->RemoveAllRules();
    return;
  }
  switch (manager->AddCheckedMdnsRule()) {
    case FirewallRuleAddition::kAdded:
      break;
    case FirewallRuleAddition::kNotKept:
      LOG(WARNING) << "Cannot add the firewall rule: the system's firewall accepted it but "
                      "keeps no such rule";
      break;
    case FirewallRuleAddition::kFailed:
      LOG(ERROR) << "Failed creating a firewall rules.";
      break;
  }
}
