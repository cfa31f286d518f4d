#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_FIREWALL_FIREWALL_MANAGER_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_FIREWALL_FIREWALL_MANAGER_H_

#include <memory>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "desktop/windows/installer/steps/firewall/firewall_policy.h"

class BrowserNameProvider;

enum class FirewallRuleAddition {
  kAdded,
  // The firewall accepted the rule but does not have it afterwards (Wine's
  // firewall keeps no rules).
  kNotKept,
  kFailed,
};

// The inbound firewall rules of one program.
class FirewallManager {
 public:
  // Null when the firewall policy or its rules cannot be had.
  static std::unique_ptr<FirewallManager> Create(const BrowserNameProvider* name_provider,
                                                 const base::FilePath& application_path);

  virtual ~FirewallManager();

  // True when the firewall is off in every current profile, else whether
  // the program has at least one rule.
  virtual bool AreRulesInPlace();
  // Replaces the program's multicast-DNS rule; true when the firewall took
  // it and, as far as it tells, keeps it.
  virtual bool AddMdnsRule();
  virtual FirewallRuleAddition AddCheckedMdnsRule();
  // Deletes every rule of the program, and only those.
  virtual void RemoveAllRules();

 private:
  FirewallManager(std::wstring display_name, base::FilePath application_path,
                  std::unique_ptr<FirewallPolicy> policy);

  std::vector<std::unique_ptr<FirewallRuleHandle>> GetRules();
  // Whether the rule is bound to this program.
  bool IsOurs(FirewallRuleHandle* rule) const;
  FirewallRuleAddition AddRule(const std::wstring& name, const std::wstring& description,
                               unsigned port);
  // Whether the rule `name` of this program is there, as far as the
  // firewall tells; `count_before` is the number of rules before it was
  // added, or -1.
  bool IsRuleKept(const std::wstring& name, long count_before);
  void DeleteRulesNamed(const std::wstring& name);
  void DeleteRule(FirewallRuleHandle* rule);

  const std::wstring display_name_;
  const base::FilePath application_path_;
  const std::unique_ptr<FirewallPolicy> policy_;
};

// Adds the multicast-DNS rule for `application_path`, or with `remove`
// deletes every rule of it; logs failures and never fails the caller.
enum class FirewallRuleChange { kAdd, kRemove };
void AddFirewallRule(const base::FilePath& application_path, FirewallRuleChange change);

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_FIREWALL_FIREWALL_MANAGER_H_
