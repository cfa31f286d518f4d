#include "desktop/windows/installer/steps/install_tracking_data_step.h"

#include <memory>
#include <string>

#include "base/logging.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/service/transactions/write_file_operation.h"
#include "desktop/windows/installer/utils/installer_session.h"
#include "desktop/windows/installer/utils/server_tracking_blob.h"

namespace {

constexpr wchar_t kServerTrackingData[] = L"server_tracking_data";

}  // namespace

InstallTrackingDataStep::InstallTrackingDataStep(InstallerStepContext* context)
    : InstallerStep("install_tracking_data", context) {}

InstallTrackingDataStep::~InstallTrackingDataStep() = default;

StepResult InstallTrackingDataStep::Run(int /*attempt*/) {
  const ServerTrackingBlob* tracking = GetSessionTrackingData();
  const std::string text = tracking ? tracking->Serialize() : std::string();
  if (text.empty())
    return StepResult(STEP_OK);
  std::string error;
  if (!GetContext()->GetTransaction()->Execute(
          std::make_unique<WriteFileOperation>(
              GetContext()->GetBaseInstallFolder().Append(kServerTrackingData), text),
          &error)) {
    LOG(WARNING) << "Cannot keep the tracking data: " << error;
  }
  return StepResult(STEP_OK);
}
