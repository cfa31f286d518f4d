#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_VERSION_CHECK_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_VERSION_CHECK_H_

#include <string>

#include "base/files/file_path.h"
#include "base/version.h"

class FileVersionUtils;

enum VersionComparison {
  // The item's version could not be read.
  VERSION_DATA_MISSING = 0,
  // Older than the installer, or of another stream.
  VERSION_REJECTED = 1,
  VERSION_ACCEPTED = 2,
};

// A build-time override of the oldest accepted version; empty: none.
inline constexpr char kAllowedVersionOverride[] = "";

// Compares the internal version of `path` (from its version resource, or
// from its output when `from_output`) with the installer's own, and its
// stream when `stream` is not null. `version` receives the item's full
// version. The reason of a refusal is left in the thread's error record.
// `allowed_override` replaces the installer's version when it is valid and
// its first number plus 50 reaches the installer's first number.
VersionComparison CompareVersionWithInstaller(
    FileVersionUtils* utils, const base::FilePath& path, bool from_output,
    std::string* version, std::string* stream,
    const std::string& allowed_override = kAllowedVersionOverride);

// The same rule for an item whose versions were read already: accepted, or
// rejected (never VERSION_DATA_MISSING) with the reason in the error record.
// `stream` null: the stream is not compared.
VersionComparison JudgeItemVersion(const base::Version& internal_version,
                                   const std::string* stream,
                                   const std::string& allowed_override = kAllowedVersionOverride);

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_VERSION_CHECK_H_
