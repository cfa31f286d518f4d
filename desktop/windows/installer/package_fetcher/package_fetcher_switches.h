#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCHER_SWITCHES_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCHER_SWITCHES_H_

#include "base/time/time.h"

namespace base {
class CommandLine;
}

// Test switches of the service requests.
// The whole download-URL request URL; without a value, the staging service.
inline constexpr char kInternalPackageServer[] = "internal-package-server";
// The preference-overrides URL; without a value, a server on this machine.
inline constexpr char kLocalPrefDefaultOverridesServer[] = "local-pref-default-overrides-server";
// A folder whose files stand in for the downloadable resources.
inline constexpr char kTestDownloadableResourcesDir[] = "test-downloadable-resources-dir";
// Seconds: the time-out of each download request, in place of a minute.
inline constexpr char kTestDownloadTimeout[] = "test-download-timeout";
// Seconds: how long a silent run lets a fetch go without new bytes, in
// place of ten minutes.
inline constexpr char kTestFetchStallLimit[] = "test-fetch-stall-limit";

// The whole positive number of seconds a test switch gives, else zero.
base::TimeDelta GetTestSwitchSeconds(const base::CommandLine& command_line, const char* name);

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCHER_SWITCHES_H_
