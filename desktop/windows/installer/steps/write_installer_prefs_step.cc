#include "desktop/windows/installer/steps/write_installer_prefs_step.h"

#include <memory>
#include <string>

#include "base/command_line.h"
#include "base/features/feature_registry.h"
#include "base/files/file_util.h"
#include "base/json/json_writer.h"
#include "base/logging.h"
#include "base/values.h"
#include "desktop/windows/installer/service/installation.h"
#include "desktop/windows/installer/service/prefs/json_pref_file_reader.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/service/transactions/write_file_operation.h"
#include "desktop/windows/installer/settings/settings.h"
#include "desktop/windows/installer/utils/installer_features.h"
#include "desktop/windows/installer/utils/installer_session.h"
#include "desktop/windows/installer/utils/installer_switches.h"
#include "desktop/windows/installer/utils/server_tracking_blob.h"

namespace {

constexpr wchar_t kIncludeFileName[] = L"installer_prefs_include.json";
// The dictionary in `path`; an empty one when the file is missing or holds
// no JSON dictionary (the new file then replaces it, undoably).
std::unique_ptr<base::DictionaryValue> ReadDictionary(const base::FilePath& path) {
  std::unique_ptr<base::DictionaryValue> dictionary = ReadPreferenceFileOnly(path);
  return dictionary ? std::move(dictionary) : std::make_unique<base::DictionaryValue>();
}

// "name@1" for a feature that is on, "name@2" for one that is off.
std::string ExperimentEntry(const InstallerFeature& feature, bool enabled) {
  return std::string(feature.name) + (enabled ? "@1" : "@2");
}

void SetExperimentPrefs(base::DictionaryValue* prefs) {
  size_t count = 0;
  const InstallerFeature* table = GetInstallerFeatureTable(&count);
  auto changed = std::make_unique<base::ListValue>();
  auto all = std::make_unique<base::ListValue>();
  for (size_t i = 0; i < count; ++i) {
    const bool enabled = features::IsFeatureEnabled(table[i].name);
    if (enabled != IsFeatureAvailableForStream(table[i]))
      changed->AppendString(ExperimentEntry(table[i], enabled));
    all->AppendString(ExperimentEntry(table[i], enabled));
  }
  prefs->SetWithoutPathExpansion("installer-experiments", std::move(changed));
  prefs->SetWithoutPathExpansion("all-installer-experiments", std::move(all));
}

}  // namespace

WriteInstallerPrefsStep::WriteInstallerPrefsStep(InstallerStepContext* context)
    : InstallerStep("write_installer_prefs", context) {}

WriteInstallerPrefsStep::~WriteInstallerPrefsStep() = default;

StepResult WriteInstallerPrefsStep::Run(int /*attempt*/) {
  const base::FilePath path =
      GetContext()->GetBaseInstallFolder().Append(kInstallerPrefsFileName);
  LOG(INFO) << "Writing installer prefs to" << path;
  std::unique_ptr<base::DictionaryValue> prefs = ReadDictionary(path);
  std::unique_ptr<base::DictionaryValue> include =
      ReadDictionary(GetPackageFolder().Append(kIncludeFileName));

  std::string welcome_url;
  if (include->GetStringWithoutPathExpansion("welcome-url", &welcome_url)) {
    VLOG(1) << "Writing welcome page url pref";
    prefs->SetStringWithoutPathExpansion("welcome-url", welcome_url);
  }
  SetSessionPrefs(prefs.get());
  SetChoicePrefs(prefs.get());

  std::string text;
  std::string error;
  if (!base::JSONWriter::Write(*prefs, &text) ||
      !GetContext()->GetTransaction()->Execute(
          std::make_unique<WriteFileOperation>(path, std::move(text)), &error)) {
    // Preferences never fail the operation.
    LOG(ERROR) << "Cannot write installer prefs: " << error;
  }
  return StepResult(STEP_OK);
}

void WriteInstallerPrefsStep::SetSessionPrefs(base::DictionaryValue* prefs) {
  Settings* settings = GetSettings();
  prefs->SetBooleanWithoutPathExpansion("single_profile", settings->GetSingleProfile());
  const base::FilePath profile = settings->GetProfileFolder();
  if (!profile.empty()) {
    VLOG(1) << "Writing profile folder pref";
    prefs->SetStringWithoutPathExpansion("profile_path", profile.value());
  }
  const std::wstring language = settings->GetLanguage();
  if (!language.empty()) {
    VLOG(1) << "Writing install language pref";
    prefs->SetStringWithoutPathExpansion("language", language);
  }
  const std::string guid = InstallerSession::GetInstance()->GetSessionGuid();
  if (!guid.empty())
    prefs->SetStringWithoutPathExpansion("last_installation_guid", guid);
  std::string installer_id;
  ServerTrackingBlob* tracking = GetSessionTrackingData();
  if (tracking && tracking->Get("uuid", &installer_id) && !installer_id.empty()) {
    VLOG(1) << "Writing NIUID";
    prefs->SetStringWithoutPathExpansion("installer_id", installer_id);
  }
  SetExperimentPrefs(prefs);
  const base::CommandLine* command_line = &GetContext()->GetCommandLine();
  if (command_line->HasSwitch(switches::kTempFolder)) {
    VLOG(1) << "Writing temp folder pref";
    prefs->SetStringWithoutPathExpansion(
        "temp_folder", command_line->GetSwitchValueNative(switches::kTempFolder));
  }
}

void WriteInstallerPrefsStep::SetChoicePrefs(base::DictionaryValue* prefs) {
  VLOG(1) << "Writing autoupdate pref";
  const bool autoupdate = IsAutoupdate();
  prefs->SetBooleanWithoutPathExpansion("autoupdate", autoupdate);
  if (autoupdate)
    return;
  VLOG(1) << "Writing import browser data and enables stats prefs.";
  Settings* settings = GetSettings();
  prefs->SetBooleanWithoutPathExpansion("import_browser_data", settings->GetImportBrowserData());
  prefs->SetBooleanWithoutPathExpansion("enable_stats", settings->GetEnableBrowserStats());
}
