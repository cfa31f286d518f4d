#include "desktop/windows/installer/steps/setup_file_and_protocol_handlers_step.h"

#include "base/command_line.h"
#include "base/logging.h"
#include "desktop/windows/installer/service/installation_folder_details.h"
#include "desktop/windows/installer/service/os_operations.h"
#include "desktop/windows/installer/settings/settings.h"
#include "desktop/windows/installer/utils/installer_session.h"
#include "desktop/windows/installer/utils/installer_switches.h"

SetupFileAndProtocolHandlersStep::SetupFileAndProtocolHandlersStep(InstallerStepContext* context)
    : InstallerStep("setup_file_and_protocol_handlers", context) {}

SetupFileAndProtocolHandlersStep::~SetupFileAndProtocolHandlersStep() = default;

StepResult SetupFileAndProtocolHandlersStep::Run(int /*attempt*/) {
  VLOG(1) << "Setting up protocol handlers.";
  OSOperations* operations = OSOperations::GetInstance();
  // Where only the Settings application can change defaults, the elevated
  // copy (started with the parent's id) leaves that to the user's own
  // process. A parent pid of another kind (the folder-permission helper's)
  // does not count: that backend is the user's own process.
  if (operations->GetWindowsVersion() >= base::win::VERSION_WIN10 &&
      !operations->IsInternetExplorerAvailable() &&
      GetContext()->GetCommandLine().HasSwitch(switches::kParentPid)) {
    return StepResult(STEP_OK);
  }
  const Settings* settings = GetSettings();
  const InstallationFolderDetails* details = GetFolderDetails();
  BrowserRegistrationRequest request;
  request.copy_only = settings->GetCopyOnly();
  request.default_browser = settings->GetDefaultBrowser();
  request.all_users = settings->GetAllUsers();
  request.silent = IsSilent();
  request.folder = details ? details->GetPath() : settings->GetInstallFolderPath();
  request.folder_is_http_handler = details && details->IsHttpHandler();
  // Like every change of a step, undone when the installation fails later.
  request.transaction = GetContext()->GetTransaction();
  operations->SetUpBrowserRegistration(request, GetInstallationStatus());
  return StepResult(STEP_OK);
}
