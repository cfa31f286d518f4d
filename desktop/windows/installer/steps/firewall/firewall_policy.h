#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_FIREWALL_FIREWALL_POLICY_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_FIREWALL_FIREWALL_POLICY_H_

#include <memory>
#include <string>
#include <vector>

#include "desktop/windows/installer/steps/firewall/firewall_rule_handle.h"

// What a new rule holds.
struct FirewallRuleSpec {
  std::wstring name;
  std::wstring description;
  std::wstring application;
  long protocol = 0;
  // NET_FW_RULE_DIRECTION.
  int direction = 0;
  bool enabled = false;
  std::wstring local_ports;
  std::wstring grouping;
  long profiles = 0;
  // NET_FW_ACTION.
  int action = 0;
};

// The Windows Firewall calls under FirewallManager, one call a method, so
// that which rules are touched is decided (and tested) above them.
class FirewallPolicy {
 public:
  virtual ~FirewallPolicy() = default;

  // Every rule of the collection that is an object and a rule.
  virtual bool ListRules(std::vector<std::unique_ptr<FirewallRuleHandle>>* rules) = 0;
  virtual bool AddRule(const FirewallRuleSpec& rule) = 0;
  // Removes the rules of that name.
  virtual bool RemoveRule(const std::wstring& name) = 0;
  // A rule of that name, or null when there is none or the firewall cannot
  // look rules up by name.
  virtual std::unique_ptr<FirewallRuleHandle> FindRule(const std::wstring& name) = 0;
  virtual bool CountRules(long* count) = 0;
  // NET_FW_PROFILE_TYPE2 bits.
  virtual bool GetCurrentProfileTypes(long* profiles) = 0;
  virtual bool IsFirewallEnabled(long profile, bool* enabled) = 0;
};

// The system's firewall policy and its rule collection, or null when either
// cannot be had. Replaceable for tests.
using FirewallPolicyFactory = std::unique_ptr<FirewallPolicy> (*)();
std::unique_ptr<FirewallPolicy> CreateFirewallPolicy();
void SetFirewallPolicyFactoryForTesting(FirewallPolicyFactory factory);

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_FIREWALL_FIREWALL_POLICY_H_
