#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_FIREWALL_FIREWALL_RULE_HANDLE_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_FIREWALL_FIREWALL_RULE_HANDLE_H_

#include <string>

// One rule of the firewall's rule collection.
class FirewallRuleHandle {
 public:
  virtual ~FirewallRuleHandle() = default;
  virtual bool GetName(std::wstring* name) = 0;
  // Empty for a rule bound to no program.
  virtual bool GetApplicationName(std::wstring* path) = 0;
  virtual bool SetName(const std::wstring& name) = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_FIREWALL_FIREWALL_RULE_HANDLE_H_
