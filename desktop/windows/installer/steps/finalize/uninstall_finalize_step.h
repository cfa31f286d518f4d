#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_FINALIZE_UNINSTALL_FINALIZE_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_FINALIZE_UNINSTALL_FINALIZE_STEP_H_

#include <string>

#include "base/files/file_path.h"
#include "desktop/windows/installer/steps/installer_step.h"

// Ends an uninstall: the status file goes (the only failure), the default
// browser role goes back to Internet Explorer, the firewall rule goes and
// the uninstall survey is shown.
class UninstallFinalizeStep : public InstallerStep {
 public:
  // Starts the survey browser; replaceable for tests.
  using SurveyLauncher = bool (*)(const std::wstring& command_line);
  static void SetSurveyLauncherForTesting(SurveyLauncher launcher);

  explicit UninstallFinalizeStep(InstallerStepContext* context);
  ~UninstallFinalizeStep() override;

  StepResult Run(int attempt) override;

 private:
  void ResetDefaultBrowser();
  void ShowSurvey();
  std::string GetSurveyUrl();
};

// The browser quoted, then the address as one quoted argument: a '"' in it
// is percent-encoded, so the address cannot end the argument and add
// others. `private_window` puts " -private" before it.
std::wstring BuildSurveyCommandLine(const base::FilePath& browser, const std::string& url,
                                    bool private_window);

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_FINALIZE_UNINSTALL_FINALIZE_STEP_H_
