#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCHER_SWITCHES_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCHER_SWITCHES_H_

// Switches that name other services for the requests (the staging one, a
// developer's machine). Unlike the test hooks (test_hooks.h) every build
// takes them: the URL must still be of an allowed host, and a signed build
// checks the signer of every package it fetches from there.
// The whole download-URL request URL; without a value, the staging service.
inline constexpr char kInternalPackageServer[] = "internal-package-server";
// The preference-overrides URL; without a value, a server on this machine.
inline constexpr char kLocalPrefDefaultOverridesServer[] = "local-pref-default-overrides-server";

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCHER_SWITCHES_H_
