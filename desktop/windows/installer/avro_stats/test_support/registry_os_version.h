#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_TEST_SUPPORT_REGISTRY_OS_VERSION_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_TEST_SUPPORT_REGISTRY_OS_VERSION_H_

#include <string>

// "major.minor.build.revision" of the running Windows as the registry's
// CurrentVersion key records it (CurrentMajorVersionNumber,
// CurrentMinorVersionNumber, CurrentBuildNumber, UBR or 0), read with plain
// registry calls: a source apart from the base library's version query.
// Empty when one of the first three values is missing.
std::string GetOsVersionFromRegistry();

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_TEST_SUPPORT_REGISTRY_OS_VERSION_H_
