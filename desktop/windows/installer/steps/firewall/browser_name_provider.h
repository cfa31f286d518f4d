#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_FIREWALL_BROWSER_NAME_PROVIDER_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_FIREWALL_BROWSER_NAME_PROVIDER_H_

#include <string>

// The name the browser's firewall rules are shown and grouped under.
class BrowserNameProvider {
 public:
  // Process-wide, made on first use.
  static BrowserNameProvider* GetInstance();

  virtual ~BrowserNameProvider() = default;
  virtual std::wstring GetDisplayName() const;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_FIREWALL_BROWSER_NAME_PROVIDER_H_
