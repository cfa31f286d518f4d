#include "desktop/windows/installer/steps/firewall/firewall_manager.h"

#include <windows.h>
#include <netfw.h>

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
    std::wstring application;
    if (rule->GetApplicationName(&application) && !application.empty() &&
        base::FilePath::CompareEqualIgnoreCase(application, application_path_.value())) {
      ours.push_back(std::move(rule));
    }
  }
  return ours;
}

bool FirewallManager::AddRule(const std::wstring& name, const std::wstring& description,
                              unsigned port) {
  DeleteRulesNamed(name);
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
  return policy_->AddRule(rule);
}

void FirewallManager::DeleteRulesNamed(const std::wstring& name) {
  for (const std::unique_ptr<FirewallRuleHandle>& rule : GetRules()) {
    std::wstring rule_name;
    if (rule->GetName(&rule_name) && rule_name == name)
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
  if (!manager->AddMdnsRule())
    LOG(ERROR) << "Failed creating a firewall rules.";
}
