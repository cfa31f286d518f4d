// The engine's one entry: decides the role of this process, builds the
// process-wide services in a fixed order, runs the role and maps its result
// to the exit code.

#include <windows.h>

#include <memory>

#include "base/at_exit.h"
#include "base/bind.h"
#include "base/command_line.h"
#include "base/environment.h"
#include "base/features/command_line_feature_reader.h"
#include "base/features/feature_registry.h"
#include "base/features/list_feature_reader.h"
#include "base/files/file_path.h"
#include "base/logging.h"
#include "base/message_loop/message_loop.h"
#include "base/path_service.h"
#include "base/run_loop.h"
#include "base/strings/utf_string_conversions.h"
#include "base/task_scheduler/scheduler_worker_pool_params.h"
#include "base/task_scheduler/task_scheduler.h"
#include "base/time/time.h"
#include "base/values.h"
#include "base/win/scoped_com_initializer.h"
#include "base/win/windows_version.h"
#include "crash_reporter/crash_client_setup.h"
#include "crash_reporter/crash_in_reporter.h"
#include "crash_reporter/crash_reporter_server.h"
#include "desktop/windows/installer/avro_stats/stats_reporting.h"
#include "desktop/windows/installer/controller/silent_installer_controller.h"
#include "desktop/windows/installer/corrupted_payload_box.h"
#include "desktop/windows/installer/crash_product_setup.h"
#include "desktop/windows/installer/download_folder.h"
#include "desktop/windows/installer/dpi_util.h"
#include "desktop/windows/installer/installation_folder_details_fetcher_impl.h"
#include "desktop/windows/installer/installation_folder_details_impl.h"
#include "desktop/windows/installer/installer_logging.h"
#include "desktop/windows/installer/installer_usage.h"
#include "desktop/windows/installer/package_fetcher/payload_manager_impl.h"
#include "desktop/windows/installer/runner/backend_process_installer_runner_impl.h"
#include "desktop/windows/installer/runner/main_process_installer_runner_impl.h"
#include "desktop/windows/installer/service/installation.h"
#include "desktop/windows/installer/service/prefs/json_pref_store_factory.h"
#include "desktop/windows/installer/settings/settings_impl.h"
#include "desktop/windows/installer/settings/settings_validation.h"
#include "desktop/windows/installer/steps/folder_permission_helper.h"
#include "desktop/windows/installer/ui/installer_ui_controller.h"
#include "desktop/windows/installer/ui/progress_calculator_impl.h"
#include "desktop/windows/installer/ui/win32_dialog_dispatcher.h"
#include "desktop/windows/installer/utils/installer_architecture.h"
#include "desktop/windows/installer/utils/installer_error_record.h"
#include "desktop/windows/installer/utils/installer_features.h"
#include "desktop/windows/installer/utils/installer_result.h"
#include "desktop/windows/installer/utils/installer_session.h"
#include "desktop/windows/installer/utils/installer_switches.h"
#include "desktop/windows/installer/utils/installer_utils.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "desktop/windows/installer/utils/server_tracking_blob.h"

namespace {

constexpr char kTaskSchedulerName[] = "installer";
constexpr wchar_t kInstallerPrefsFile[] = L"installer_prefs.json";
constexpr char kInstallerExperimentsPref[] = "installer-experiments";
constexpr int kSuggestedReclaimSeconds = 30;
// The statistics flush bounds itself well within this; a folder check stuck
// on an unreachable drive would not, and must not keep the process alive.
constexpr base::TimeDelta kSchedulerShutdownLimit = base::TimeDelta::FromSeconds(30);

void StartTaskScheduler() {
  base::TaskScheduler::Create(kTaskSchedulerName);
  const base::SchedulerWorkerPoolParams pool(
      1, base::TimeDelta::FromSeconds(kSuggestedReclaimSeconds));
  base::TaskScheduler::InitParams params(pool, pool, pool, pool);
  params.foreground_blocking_com_sta = true;
  base::TaskScheduler::GetInstance()->Start(params);
}

// x64 only with the feature on, and then when the full package (the one
// this 64-bit installer belongs to) is present or the system is 64-bit.
int ChooseArchitecture(bool full_package) {
  if (!features::IsFeatureEnabled(kInstallerSupportX64Download))
    return INSTALLER_ARCHITECTURE_X86;
  const bool system_64_bit =
      base::win::OSInfo::GetInstance()->architecture() == base::win::OSInfo::X64_ARCHITECTURE;
  return full_package || system_64_bit ? INSTALLER_ARCHITECTURE_X64 : INSTALLER_ARCHITECTURE_X86;
}

void LogPayload(const PayloadManager& payload_manager) {
  switch (payload_manager.GetPayloadType()) {
    case PAYLOAD_TYPE_NONE:
      LOG(WARNING) << "Failed reading payload";
      break;
    case PAYLOAD_TYPE_TRACKING_DATA:
      LOG(INFO) << "Tracking data: " << payload_manager.GetPayload();
      break;
    case PAYLOAD_TYPE_EXTERNAL_TRACKING_DATA:
      LOG(ERROR) << "External should only ever be reported after calling"
                 << "SetPayload";
      break;
    case PAYLOAD_TYPE_FULL_PACKAGE:
      LOG(INFO) << "Found full package";
      break;
    default:
      break;
  }
}

// The executable's headers are unreadable: the run ends with result 18. The
// interactive installer says so in a box first; a silent run or a backend
// has nobody to answer a box and would wait for ever, so only the log tells.
InstallerResult ReportCorruptedPayload(const base::CommandLine& command_line, bool interactive) {
  if (!interactive || features::IsFeatureEnabledByValue("vemo-library")) {
    LOG(ERROR) << "Corrupted payload";
    return RESULT_CORRUPTED_PAYLOAD;
  }
  ShowCorruptedPayloadBox(command_line.GetSwitchValueNative(switches::kLanguage));
  return RESULT_CORRUPTED_PAYLOAD;
}

void LogRoleFlag(const char* label, bool value) {
  LOG(INFO) << label << (value ? 1 : 0);
}

InstallerResult RunBackend(const InstallerSession& session, SettingsImpl& settings,
                           const PayloadManager* payload_manager) {
  VLOG(2) << "Running backend";
  // The payload tells the backend which package it may unpack.
  BackendProcessInstallerRunnerImpl runner(session.command_line(), payload_manager);
  return runner.Run(&settings);
}

// Waits a bounded time for running work; later calls do nothing.
void ShutDownTaskScheduler() {
  static bool shut_down = false;
  if (shut_down)
    return;
  shut_down = true;
  if (!base::TaskScheduler::GetInstance()->ShutdownWithin(kSchedulerShutdownLimit))
    LOG(WARNING) << "Background work still running at exit is left behind";
  VLOG(1) << "Task scheduler shut down";
}

// Starts `controller` and runs this thread's `run_loop` until the
// controller quits it; the task scheduler ends with the loop, while the
// controller, the settings and the payload manager are still there.
InstallerResult RunController(InstallerController& controller,
                              PayloadManager* payload_manager,
                              const base::FilePath& download_folder,
                              base::RunLoop& run_loop) {
  controller.SetMonitorScaleIds(GetMonitorDpis());
  const InstallerResult started =
      controller.Start(payload_manager, download_folder, run_loop.QuitClosure());
  if (started != RESULT_SUCCESS)
    return started;
  run_loop.Run();
  ShutDownTaskScheduler();
  return controller.result();
}

// The silent role: the controller runs the installation on this thread's
// run loop until it quits it.
InstallerResult RunSilentController(MainProcessInstallerRunnerImpl& runner,
                             SettingsImpl& settings,
                             PayloadManager* payload_manager,
                             const base::FilePath& download_folder) {
  VLOG(2) << "Running silent controller";
  base::RunLoop run_loop;
  SilentInstallerController controller(&runner, &settings);
  return RunController(controller, payload_manager, download_folder, run_loop);
}

// The interactive role: the dialog dispatcher drives the run loop, so that
// the window's keyboard navigation works, until the controller quits it.
InstallerResult RunUIController(MainProcessInstallerRunnerImpl& runner,
                         SettingsImpl& settings,
                         PayloadManager* payload_manager,
                         const base::FilePath& download_folder) {
  VLOG(2) << "Running UI controller";
  base::RunLoop run_loop(Win32DialogDispatcher::GetInstance());
  InstallerUIController controller(
      &runner,
      std::make_unique<ProgressCalculatorImpl>(&runner,
                                               ProgressCalculatorImpl::GetDefaultPhaseWeights()),
      &settings);
  return RunController(controller, payload_manager, download_folder, run_loop);
}

// The UI or silent process: a download folder, then the runner and the
// controller.
InstallerResult RunFrontEnd(const InstallerSession& session,
                     SettingsImpl& settings,
                     const base::FilePath& own_path,
                     PayloadManager* payload_manager) {
  base::FilePath download_folder;
  InstallerResult result = ChooseDownloadFolder(session.command_line(), own_path, &download_folder);
  if (result == RESULT_SUCCESS) {
    MainProcessInstallerRunnerImpl runner;
    if (session.IsSilentSwitch()) {
      result = RunSilentController(runner, settings, payload_manager, download_folder);
    } else {
      result = RunUIController(runner, settings, payload_manager, download_folder);
    }
  }
  RemoveDownloadFolderIfEmpty(download_folder);
  return result;
}

// Experiments, own path, payload, architecture, statistics, settings and
// the role itself.
InstallerResult RunRole(const InstallerSession& session, bool backend, bool uninstall,
                 bool inside_package) {
  const base::CommandLine& command_line = session.command_line();
  // The readers, and the store whose list one reads, live for the run.
  std::unique_ptr<JsonPrefStore> installation_prefs;
  std::unique_ptr<features::FeatureReader> experiments;
  if (uninstall) {
    // An uninstall never reads "with-feature:" switches: only the list the
    // installation kept counts.
    VLOG(1) << "Retrieving experiment states from installation folder...";
    installation_prefs = CreateJsonPrefStore(
        nullptr, Installation::GetInstance()->GetFolder().Append(kInstallerPrefsFile));
    const base::Value* list = nullptr;
    const base::ListValue* experiment_list = nullptr;
    if (installation_prefs->GetValue(kInstallerExperimentsPref, &list) &&
        list->GetAsList(&experiment_list)) {
      experiments = std::make_unique<features::ListFeatureReader>(*experiment_list);
      VLOG(1) << "Retrieved experiment states from installation folder";
    }
  } else {
    experiments = std::make_unique<features::CommandLineFeatureReader>(command_line);
    VLOG(1) << "Obtained experiment states from command line";
  }
  if (experiments)
    features::FeatureRegistry::GetInstance()->AddReader(experiments.get());
  if (features::IsFeatureEnabled(kInstallerExperimentTest))
    LOG(INFO) << "Test experiment is enabled";

  base::FilePath own_path;
  if (!base::PathService::Get(base::FILE_EXE, &own_path)) {
    LOG(ERROR) << "Cannot find own file path";
    return RESULT_GENERAL_FAILURE;
  }

  // Inside a package the full package is there and no payload is read.
  std::unique_ptr<PayloadManager> payload_manager;
  bool full_package = inside_package;
  if (!inside_package) {
    payload_manager = std::make_unique<PayloadManagerImpl>(own_path);
    const PayloadType payload_type = payload_manager->GetPayloadType();
    if (payload_type == PAYLOAD_TYPE_CORRUPTED)
      return ReportCorruptedPayload(command_line, /*interactive=*/!backend && !session.IsSilentSwitch());
    full_package = payload_type == PAYLOAD_TYPE_FULL_PACKAGE;
    LogPayload(*payload_manager);
    if (payload_type == PAYLOAD_TYPE_TRACKING_DATA && !session.GetTrackingData()->HasData())
      session.GetTrackingData()->Parse(payload_manager->GetPayload());
  }
  const int architecture = ChooseArchitecture(full_package);
  InitializeStatsReporting(session);
  VLOG(1) << "Installer architecture: " << ArchitectureToString(architecture);

  VLOG(2) << "Instantiating settings";
  auto settings = std::make_unique<SettingsImpl>(
      &session, command_line.GetSwitchValuePath(switches::kInstallFolder), architecture,
      payload_manager.get(), GetInstallationFolderDetailsFetcherFactory());
  const InstallerResult result = backend ? RunBackend(session, *settings, payload_manager.get())
                                  : RunFrontEnd(session, *settings, own_path, payload_manager.get());
  // The settings go before the payload manager they were given.
  settings.reset();
  return result;
}

// Everything after the print modes and the helper roles, with logging and
// the message loop in place, up to the exit code.
uint32_t RunInstallerRole(base::CommandLine* command_line) {

  ApplyVerbosityFromEnvironment(command_line);
  base::Time::Exploded start_time;
  base::Time::Now().LocalExplode(&start_time);
  InitInstallerLogging(*command_line, GetLogFilePath(start_time));
  EnableDpiAwareness();

  std::string starting;
  FormatWithProductName(&starting, "%s installer starting - version ", false);
  LOG(INFO) << starting << product_info::GetVersion() << " " << product_info::GetChannelName();
  LOG(INFO) << "Command line: " << command_line->GetCommandLineString();

  // Every role flag comes from the session, made here from this command
  // line; "inside package" is the file check in every role.
  const InstallerSession& session = *InstallerSession::CreateForProcess(command_line);
  const bool backend = session.IsBackendRole();
  const bool uninstall = session.IsUninstallSwitch();
  const bool silent = session.IsSilentSwitch();
  const bool autoupdate = session.IsAutoupdateSwitch();
  const bool inside_package = session.IsInPackageFolder();
  if (command_line->HasSwitch(switches::kInstallFolder)) {
    LOG(INFO) << "Install folder from command line: "
              << command_line->GetSwitchValuePath(switches::kInstallFolder);
  }
  LogRoleFlag("Uninstall:", uninstall);
  LogRoleFlag("Silent:", silent);
  LogRoleFlag("Run Immediately", session.IsRunImmediatelySwitch());
  LogRoleFlag("Backend", backend);
  LogRoleFlag("Inside package", inside_package);
  LogRoleFlag("Autoupdate:", autoupdate);

  const bool ui_loop = !backend && !silent;
  VLOG(1) << (ui_loop ? "Using UI message loop" : "Using default message loop");
  auto message_loop = std::make_unique<base::MessageLoop>(
      ui_loop ? base::MessageLoop::TYPE_UI : base::MessageLoop::TYPE_DEFAULT);
  StartTaskScheduler();

  InstallerResult result = RunRole(session, backend, uninstall, inside_package);

  // Where no controller's run loop ran (the backend, a run that ended
  // before it), the task scheduler ends here, before the message loop.
  ShutDownTaskScheduler();
  message_loop.reset();
  return RunInstallerExitCode(result);
}

}  // namespace

extern "C" unsigned int RunInstaller() {
  // The one read of the process command line: everything past this point is
  // given it, or the session and the settings made from it.
  base::CommandLine::Init(0, nullptr);
  base::CommandLine* const process_command_line = base::CommandLine::ForCurrentProcess();
  const base::CommandLine& command_line = *process_command_line;
  if (command_line.HasSwitch(switches::kVersion)) {
    PrintToConsole("%s", product_info::GetVersion().c_str());
    return RunInstallerExitCodeIdentity(0);
  }
  if (command_line.HasSwitch(switches::kInternalVersion)) {
    PrintToConsole("%s", product_info::GetInternalVersion().c_str());
    return RunInstallerExitCodeIdentity(0);
  }
  if (command_line.HasSwitch(switches::kStream)) {
    PrintToConsole("%s", product_info::GetChannelName().c_str());
    return RunInstallerExitCodeIdentity(0);
  }

  base::AtExitManager at_exit_manager;
  base::win::ScopedCOMInitializer com_initializer;
  InitInstallerErrorRecord();
  // Every folder check of this run makes its details here.
  ScopedInstallationFolderDetailsFactory folder_details_factory(
      base::BindRepeating(&CreateStandardInstallationFolderDetails));
  // ValidateSettings checks settings through the settings layer's check.
  InstallerUtils::SetSettingsValidator(&ValidateInstallationSettings);

  uint32_t exit_code;
  InitCrashProductValues();
  if (command_line.HasSwitch(switches::kCrashReporterParentId)) {
    // The reporter's own result is only logged: this role always ends with 0.
    crash_reporter::InstallCrashInReporterHandlers();
    if (command_line.HasSwitch(switches::kCrashReporterExceptionInfo))
      crash_reporter::RunCrashInCrashReporterMode(command_line);
    else
      crash_reporter::RunCrashReporterServer(command_line);
    exit_code = RunInstallerExitCodeIdentity(0);
  } else {
    // Without a reporter the process runs on without crash handling.
    crash_reporter::DisableExceptionSwallowing();
    if (crash_reporter::EnsureCrashReporter(command_line))
      crash_reporter::InstallCrashHandler();
    crash_reporter::SetInstallerCrashKeys();
    RegisterInstallerFeatures(features::FeatureRegistry::GetInstance());
    if (command_line.HasSwitch(switches::kHelp) || command_line.HasSwitch(switches::kHelpShort)) {
      PrintUsage();
      exit_code = RunInstallerExitCodeIdentity(0);
    } else if (command_line.HasSwitch(switches::kSetFolderPermission)) {
      RunSetFolderPermission(command_line);
      if (command_line.HasSwitch(switches::kRunUninstallBat))
        RunUninstallBat(Installation::GetInstance()->GetFolder());
      exit_code = RunInstallerExitCodeIdentity(0);
    } else {
      exit_code = RunInstallerRole(process_command_line);
    }
  }

  FreeInstallerErrorRecord();
  return exit_code;
}

extern "C" void* GetHandleVerifier() {
  // No handle verifier is active in this engine.
  return nullptr;
}
