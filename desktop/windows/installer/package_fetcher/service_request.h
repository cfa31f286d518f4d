#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_SERVICE_REQUEST_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_SERVICE_REQUEST_H_

#include <stddef.h>

#include <string>
#include <vector>

// What the requests to the update and preference services share: the hosts
// they may reach and the rule for their URLs. Their replies are the only
// guard of the components that carry no signature, so plain HTTP is refused
// except on this machine or when a test switch named the URL.
class ServiceRequest {
 public:
  // Suffixes of the hosts a service request (and its redirects) may reach.
  static std::vector<std::wstring> AllowedHosts();
  static bool IsAcceptableUrl(const std::string& url, bool from_test_switch);
  // |text| cut to at most |max_size| bytes for a log line or an event, with
  // "..." when it was longer.
  static std::string Abbreviate(const std::string& text, size_t max_size = 4096);
};

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_SERVICE_REQUEST_H_
