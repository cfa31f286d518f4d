#include "desktop/windows/installer/steps/finalize/uninstall_finalize_step.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <memory>

#include "base/base_paths.h"
#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/registry.h"
#include "base/win/windows_version.h"
#include "base/win/wmi.h"
#include "desktop/common/autoupdate/updatechecker/global_storage.h"
#include "desktop/windows/installer/service/installation.h"
#include "desktop/windows/installer/service/installation_folder_details.h"
#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/service/os_operations.h"
#include "desktop/windows/installer/service/transactions/delete_file_operation.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/settings/settings.h"
#include "desktop/windows/installer/steps/firewall/firewall_manager.h"
#include "desktop/windows/installer/utils/installer_switches.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "desktop/windows/installer/utils/security_util.h"
#include "desktop/windows/installer/utils/service_utils.h"

namespace {

constexpr wchar_t kIeInstallInfoKey[] =
    L"SOFTWARE\\Clients\\StartMenuInternet\\IEXPLORE.EXE\\InstallInfo";
constexpr wchar_t kInternetExplorer[] = L"Internet Explorer";

bool LaunchWithWmi(const std::wstring& command_line) {
  return base::win::WmiLaunchProcess(command_line, nullptr);
}

UninstallFinalizeStep::SurveyLauncher g_survey_launcher = &LaunchWithWmi;

// Runs Internet Explorer's own reinstall command and waits for it.
bool RunIeReinstallCommand() {
  base::win::RegKey key(HKEY_LOCAL_MACHINE, kIeInstallInfoKey, KEY_READ);
  std::wstring command;
  if (!key.Valid() || key.ReadValue(L"ReinstallCommand", &command) != ERROR_SUCCESS)
    return false;
  std::wstring program;
  std::wstring parameters;
  if (!command.empty() && command[0] == L'"') {
    const size_t end = command.find(L'"', 1);
    program = command.substr(1, end == std::wstring::npos ? end : end - 1);
    if (end != std::wstring::npos && end + 1 < command.size())
      parameters = command.substr(end + 1);
  } else {
    const size_t space = command.find(L' ');
    program = command.substr(0, space);
    if (space != std::wstring::npos)
      parameters = command.substr(space + 1);
  }
  PVOID redirection = nullptr;
  BOOL wow64 = FALSE;
  const bool redirected = IsWow64Process(GetCurrentProcess(), &wow64) && wow64 &&
                          Wow64DisableWow64FsRedirection(&redirection);
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpFile = program.c_str();
  info.lpParameters = parameters.c_str();
  info.nShow = SW_HIDE;
  const bool started = ShellExecuteExW(&info) != FALSE;
  if (redirected)
    Wow64RevertWow64FsRedirection(redirection);
  if (!started)
    return false;
  if (info.hProcess) {
    // Internet Explorer's own set-up: ours to wait for, but not forever.
    WaitForSingleObject(info.hProcess, 5 * 60 * 1000);
    CloseHandle(info.hProcess);
  }
  return true;
}

}  // namespace

std::wstring BuildSurveyCommandLine(const base::FilePath& browser, const std::string& url,
                                    bool private_window) {
  std::string escaped;
  for (char c : url) {
    if (c == '"')
      escaped += "%22";
    else
      escaped.push_back(c);
  }
  std::wstring command_line = L"\"" + browser.value() + L"\"";
  if (private_window)
    command_line += L" -private";
  return command_line + L" \"" + base::UTF8ToWide(escaped) + L"\"";
}

void UninstallFinalizeStep::SetSurveyLauncherForTesting(SurveyLauncher launcher) {
  g_survey_launcher = launcher ? launcher : &LaunchWithWmi;
}

UninstallFinalizeStep::UninstallFinalizeStep(InstallerStepContext* context)
    : InstallerStep("uninstall_finalize", context) {}

UninstallFinalizeStep::~UninstallFinalizeStep() = default;

StepResult UninstallFinalizeStep::Run(int /*attempt*/) {
  VLOG(1) << "Finalizing the uninstallation";
  const base::FilePath status_file =
      GetContext()->GetBaseInstallFolder().Append(kInstallationStatusFileName);
  if (base::PathExists(status_file) &&
      !GetContext()->GetTransaction()->Execute(
          std::make_unique<DeleteFileOperation>(status_file, /*check_in_use=*/false,
                                                /*remove_empty_parents=*/false),
          nullptr)) {
    return StepResult(STEP_FAILED, RESULT_UNINSTALL_FAILED, std::wstring(),
                      "Failed to remove installation status file");
  }
  SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0,
                      reinterpret_cast<LPARAM>(L"Software\\Clients\\StartMenuInternet"),
                      SMTO_ABORTIFHUNG, 0, nullptr);
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
  if (GetSettings()->GetCopyOnly())
    return StepResult(STEP_OK);

  ResetDefaultBrowser();
  const InstallationStatus* existing = GetExistingInstallation();
  if (existing && IsRecordedSubfolderSafe(existing->subfolder) &&
      GetSecurityUtil()->IsUserAdmin(/*consider_linked_token=*/false)) {
    AddFirewallRule(
        GetContext()->GetBaseInstallFolder().Append(existing->subfolder).Append(
            GetBrowserExeName()),
        FirewallRuleChange::kRemove);
  }
  ShowSurvey();
  return StepResult(STEP_OK);
}

void UninstallFinalizeStep::ResetDefaultBrowser() {
  VLOG(1) << "Attempting to reset the default browser to IE.";
  const InstallationFolderDetails* details = GetFolderDetails();
  OSOperations* os = OSOperations::GetInstance();
  if (!details || !details->IsHttpHandler() || os->GetWindowsVersion() < base::win::VERSION_VISTA)
    return;
  if (GetSettings()->GetAllUsers() && !RunIeReinstallCommand())
    return;
  if (os->GetWindowsVersion() == base::win::VERSION_WIN8) {
    if (os->ShowOpenWithDialog(L"http"))
      os->NotifyAssociationsChanged();
    return;
  }
  os->SetAppAsDefault(kInternetExplorer, L".htm", AssociationKind::kFileExtension);
  os->SetAppAsDefault(kInternetExplorer, L".html", AssociationKind::kFileExtension);
  os->SetAppAsDefault(kInternetExplorer, L"http", AssociationKind::kUrlProtocol);
  os->SetAppAsDefault(kInternetExplorer, L"https", AssociationKind::kUrlProtocol);
}

std::string UninstallFinalizeStep::GetSurveyUrl() {
  std::string url = ProductInfo::GetUrl("uninstall_survey");
  if (url.empty())
    return url;
  url += "?version=" + product_info::GetVersionString();
  std::string uuid;
  if (const InstallationStatus* existing = GetExistingInstallation()) {
    ExistingInstallation installation(GetContext()->GetBaseInstallFolder(),
                                      std::make_unique<InstallationStatus>(*existing));
    base::FilePath profile;
    if (installation.GetProfilePath(&profile)) {
      GlobalStorage* storage = GlobalStorage::GetInstance();
      storage->Initialize(profile);
      if (storage->GetValue("UUID", &uuid) != GlobalStorage::kSuccess)
        uuid.clear();
    }
  }
  url += "&uuid=" + uuid;
  if (const InstallationFolderDetails* details = GetFolderDetails()) {
    const std::string& welcome = details->GetWelcomeUrl();
    const size_t question = welcome.find('?');
    if (question != std::string::npos && question > 0 && question + 1 < welcome.size() &&
        welcome.find('?', question + 1) == std::string::npos) {
      url += "&" + welcome.substr(question + 1);
    }
  }
  return url;
}

void UninstallFinalizeStep::ShowSurvey() {
  if (GetContext()->GetCommandLine().HasSwitch(switches::kSilent))
    return;
  const std::string url = GetSurveyUrl();
  if (url.empty())
    return;
  VLOG(1) << "Trying to display the uninstall survey";
  base::FilePath program_files;
  if (!base::PathService::Get(base::DIR_PROGRAM_FILES, &program_files))
    return;
  const base::FilePath browser = program_files.Append(L"Internet Explorer\\iexplore.exe");
  const bool private_window =
      OSOperations::GetInstance()->GetWindowsVersion() >= base::win::VERSION_WIN8;
  if (!g_survey_launcher(BuildSurveyCommandLine(browser, url, private_window)))
    LOG(ERROR) << "Cannot start the uninstall survey";
}
