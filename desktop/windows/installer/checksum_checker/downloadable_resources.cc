#include "desktop/windows/installer/checksum_checker/downloadable_resources.h"

#include "base/base64.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/checksum_checker/file_sha1_checker.h"
#include "desktop/windows/installer/utils/relative_path.h"

namespace {

constexpr char kLocalizationFolder[] = "localization/";

const char* ScaleFactorPack(int id) {
  switch (id) {
    case kScale125:
      return "tarvo_125_percent.pak";
    case kScale150:
      return "tarvo_150_percent.pak";
    case kScale200:
      return "tarvo_200_percent.pak";
    case kScale250:
      return "tarvo_250_percent.pak";
    default:
      return nullptr;
  }
}

// Language codes are letters, digits and hyphens ("de", "es-419").
bool IsLanguageCode(const std::string& language) {
  for (char c : language) {
    if (!(c >= 'a' && c <= 'z') && !(c >= 'A' && c <= 'Z') && !(c >= '0' && c <= '9') && c != '-')
      return false;
  }
  return !language.empty();
}

base::FilePath ResourceFile(const base::FilePath& folder, const std::string& relative_path) {
  std::wstring wide = base::UTF8ToWide(relative_path);
  for (wchar_t& c : wide) {
    if (c == L'/')
      c = L'\\';
  }
  return folder.Append(wide);
}

}  // namespace

bool DecodeResourcePath(const DownloadableResource& resource, std::string* path) {
  std::string decoded;
  if (!base::Base64Decode(resource.path_base64, &decoded) || !IsSafeRelativePath(decoded))
    return false;
  *path = std::move(decoded);
  return true;
}

std::vector<std::string> GetResourceFilesToFetch(const std::string& language,
                                                 const std::set<int>& scale_factor_ids) {
  std::vector<std::string> names;
  if (!language.empty()) {
    // The language comes from the command line or the registry: it must not
    // lead the download out of the localization folder.
    const std::string pack = kLocalizationFolder + language + ".pak";
    if (IsLanguageCode(language) && IsSafeRelativePath(pack))
      names.push_back(pack);
    else
      LOG(ERROR) << "No language pack to fetch for the language \"" << language << "\"";
  }
  for (int id : scale_factor_ids) {
    if (const char* pack = ScaleFactorPack(id))
      names.push_back(pack);
  }
  return names;
}

std::vector<std::string> FindMissingDownloadableResources(const base::FilePath& install_folder) {
  std::vector<std::string> missing;
  for (const DownloadableResource& resource : GetDownloadableResources()) {
    std::string path;
    if (!DecodeResourcePath(resource, &path))
      continue;
    if (!base::PathExists(ResourceFile(install_folder, path)))
      missing.push_back(std::move(path));
  }
  return missing;
}

bool VerifyDownloadableResource(const base::FilePath& folder,
                                const DownloadableResource& resource,
                                std::string* error) {
  std::string path;
  if (!DecodeResourcePath(resource, &path)) {
    *error = "Bad downloadable resource path";
    return false;
  }
  return VerifyFileSha1(ResourceFile(folder, path), resource.sha1_base64, error);
}
