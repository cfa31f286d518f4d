#include "desktop/windows/installer/steps/install_helper_step.h"

#include <windows.h>

#include <memory>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/service/transactions/copy_file_operation.h"
#include "desktop/windows/installer/service/transactions/delete_file_operation.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/steps/recorded_files.h"

namespace {

constexpr wchar_t kHelper32[] = L"installer_helper.exe";
constexpr wchar_t kHelper64[] = L"installer_helper_64.exe";

bool IsNativeX64() {
  SYSTEM_INFO info = {};
  ::GetNativeSystemInfo(&info);
  return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
}

InstallHelperStep::IsNativeX64Function g_is_native_x64 = &IsNativeX64;

}  // namespace

InstallHelperStep::InstallHelperStep(InstallerStepContext* context)
    : InstallerStep("install_helper", context) {}

InstallHelperStep::~InstallHelperStep() = default;

void InstallHelperStep::SetIsNativeX64ForTesting(IsNativeX64Function function) {
  g_is_native_x64 = function ? function : &IsNativeX64;
}

StepResult InstallHelperStep::Run(int /*attempt*/) {
  const bool x64 = g_is_native_x64();
  const base::FilePath helper(x64 ? kHelper64 : kHelper32);
  Transaction* transaction = GetContext()->GetTransaction();
  if (GetContext()->HasPackageDir()) {
    const base::FilePath helper32 = GetInstallFolder().Append(kHelper32);
    if (x64 && base::PathExists(helper32) &&
        !transaction->Execute(
            std::make_unique<DeleteFileOperation>(helper32, /*check_in_use=*/false,
                                                  /*remove_empty_parents=*/false),
            nullptr)) {
      return StepResult(STEP_RETRY_THEN_IGNORE);
    }
    // The package's file list put the 32-bit helper in place and on record;
    // an x64 machine keeps only its own.
    if (x64)
      ForgetFile(&GetInstallationStatus()->files, base::FilePath(kHelper32));
  } else if (!transaction->Execute(
                 std::make_unique<CopyFileOperation>(GetPackageFolder().Append(helper),
                                                     GetInstallFolder().Append(helper)),
                 nullptr)) {
    return StepResult(STEP_RETRY_THEN_IGNORE);
  }
  RecordFileOnce(&GetInstallationStatus()->files, helper);
  return StepResult(STEP_OK);
}
