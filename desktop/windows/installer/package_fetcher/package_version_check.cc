#include "desktop/windows/installer/package_fetcher/package_version_check.h"

#include "base/logging.h"
#include "base/version.h"
#include "desktop/windows/installer/common/file_version_utils.h"
#include "desktop/windows/installer/utils/installer_error_record.h"
#include "desktop/windows/installer/utils/installer_result.h"
#include "desktop/windows/installer/utils/product_info_util.h"

namespace {

constexpr uint32_t kOverrideReach = 50;

base::Version GetReferenceVersion(const std::string& allowed_override) {
  base::Version reference(GetProductInfoUtil()->GetInternalVersion());
  base::Version override_version(allowed_override);
  if (override_version.IsValid() && reference.IsValid() &&
      override_version.components()[0] + kOverrideReach >= reference.components()[0]) {
    LOG(INFO) << "Using allowed version override " << allowed_override;
    return override_version;
  }
  return reference;
}

VersionComparison Reject(const std::string& reason) {
  LOG(ERROR) << reason;
  SetInstallerError(RESULT_GENERAL_FAILURE, reason, std::wstring());
  return VERSION_REJECTED;
}

}  // namespace

VersionComparison CompareVersionWithInstaller(FileVersionUtils* utils,
                                              const base::FilePath& path, bool from_output,
                                              std::string* version, std::string* stream,
                                              const std::string& allowed_override) {
  DCHECK(utils);
  DCHECK(version);
  base::Version full;
  base::Version internal;
  const bool read = from_output
                        ? utils->GetVersionFromExeOutput(path, &full, &internal, stream)
                        : utils->GetVersionFromResources(path, &full, &internal, stream);
  if (!read) {
    AppendInstallerError("Version data not present in the file");
    return VERSION_DATA_MISSING;
  }
  *version = full.GetString();
  return JudgeItemVersion(internal, stream, allowed_override);
}

VersionComparison JudgeItemVersion(const base::Version& internal_version,
                                   const std::string* stream,
                                   const std::string& allowed_override) {
  const base::Version reference = GetReferenceVersion(allowed_override);
  LOG(INFO) << "Downloaded item version: " << internal_version.GetString();
  if (!internal_version.IsValid() || internal_version.CompareTo(reference) < 0)
    return Reject("Downloaded item is older than the installer");
  if (stream) {
    LOG(INFO) << "Downloaded item stream: " << *stream;
    if (*stream != GetProductInfoUtil()->GetStreamName())
      return Reject("Downloaded item is of a different stream than the installer");
  }
  return VERSION_ACCEPTED;
}
