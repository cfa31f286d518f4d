#include "desktop/windows/installer/steps/verify_downloadable_resources_step.h"

#include <algorithm>
#include <string>

#include "base/files/file_util.h"
#include "desktop/windows/installer/checksum_checker/downloadable_resources.h"

VerifyDownloadableResourcesStep::VerifyDownloadableResourcesStep(InstallerStepContext* context)
    : InstallerStep("verify_downloadable_resources", context) {}

VerifyDownloadableResourcesStep::~VerifyDownloadableResourcesStep() = default;

StepResult VerifyDownloadableResourcesStep::Run(int /*attempt*/) {
  if (!GetContext()->IsMinimalInstall())
    return StepResult(STEP_OK);
  const base::FilePath folder = GetPackageFolder();
  for (const DownloadableResource& resource : GetDownloadableResources()) {
    std::string path;
    if (!DecodeResourcePath(resource, &path))
      continue;
    std::wstring relative = base::FilePath::FromUTF8Unsafe(path).value();
    std::replace(relative.begin(), relative.end(), L'/', L'\\');
    const base::FilePath file = folder.Append(relative);
    if (!base::PathExists(file))
      continue;
    std::string error;
    if (!VerifyDownloadableResource(folder, resource, &error)) {
      return StepResult(STEP_FAILED, RESULT_GENERAL_FAILURE, file.value(),
                        "Downloadable resource checksum validation error: " + error);
    }
  }
  return StepResult(STEP_OK);
}
