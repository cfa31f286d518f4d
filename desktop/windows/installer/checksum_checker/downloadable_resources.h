#ifndef DESKTOP_WINDOWS_INSTALLER_CHECKSUM_CHECKER_DOWNLOADABLE_RESOURCES_H_
#define DESKTOP_WINDOWS_INSTALLER_CHECKSUM_CHECKER_DOWNLOADABLE_RESOURCES_H_

#include <set>
#include <span>
#include <string>
#include <vector>

#include "base/files/file_path.h"

// A resource file that a minimal package leaves out and the installer
// fetches or repairs: its relative path in the installation folder (forward
// slashes) and the SHA-1 of its expected contents, both base64-encoded.
struct DownloadableResource {
  const char* path_base64;
  const char* sha1_base64;
};

// The table of the release: each language pack under "localization/" and
// each scale-factor pack in the folder's root, each followed by its ".info"
// companion.
std::span<const DownloadableResource> GetDownloadableResources();

// The decoded relative path of `resource`; false (and `path` untouched)
// when it does not decode to a safe relative path.
bool DecodeResourcePath(const DownloadableResource& resource, std::string* path);

// Scale-factor ids of the packs that can be requested.
enum ScaleFactorId { kScale125 = 1, kScale150 = 2, kScale200 = 3, kScale250 = 4 };

// The names to fetch for a new installation: the language pack of
// `language` (when not empty and a language code: letters, digits, hyphens), then the pack of each id of
// `scale_factor_ids` in ascending order; unknown ids have none.
std::vector<std::string> GetResourceFilesToFetch(const std::string& language,
                                                 const std::set<int>& scale_factor_ids);

// The relative paths, in table order, of the resources that do not exist
// below `install_folder`.
std::vector<std::string> FindMissingDownloadableResources(const base::FilePath& install_folder);

// Checks the file of `resource` below `folder` against its digest; on
// failure `error` says why (unreadable, mismatch or a bad table row).
bool VerifyDownloadableResource(const base::FilePath& folder,
                                const DownloadableResource& resource,
                                std::string* error);

#endif  // DESKTOP_WINDOWS_INSTALLER_CHECKSUM_CHECKER_DOWNLOADABLE_RESOURCES_H_
