#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCHER_SWITCHES_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCHER_SWITCHES_H_

// Test switches of the service requests.
// The whole download-URL request URL; without a value, the staging service.
inline constexpr char kInternalPackageServer[] = "internal-package-server";
// The preference-overrides URL; without a value, a server on this machine.
inline constexpr char kLocalPrefDefaultOverridesServer[] = "local-pref-default-overrides-server";
// A folder whose files stand in for the downloadable resources.
inline constexpr char kTestDownloadableResourcesDir[] = "test-downloadable-resources-dir";

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCHER_SWITCHES_H_
