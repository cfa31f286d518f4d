#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_TEST_SUPPORT_STEP_FOLDER_TEST_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_TEST_SUPPORT_STEP_FOLDER_TEST_H_

#include <map>
#include <memory>
#include <string>

#include "base/files/file_path.h"
#include "base/files/scoped_temp_dir.h"
#include "desktop/windows/installer/settings/test_support/fake_settings.h"
#include "desktop/windows/installer/steps/test_support/fake_step_context.h"
#include "gtest/gtest.h"

// A fixture for steps that work on files: a scratch folder holding the
// package folder "pkg" and the installation "root\1.0", and a step context
// with fake settings pointing at them.
class StepFolderTest : public testing::Test {
 protected:
  void SetUp() override;

  base::FilePath Path(const std::wstring& relative) const;
  void Write(const std::wstring& relative, const std::string& contents);
  std::string Read(const std::wstring& relative);
  std::map<std::wstring, std::string> Snapshot();
  InstallationStatus& Status() { return context_->installation_status; }
  void RollBack();
  // Destroying the context commits its transaction.
  void Commit() { context_.reset(); }

  base::ScopedTempDir temp_dir_;
  FakeSettings settings_;
  std::unique_ptr<FakeStepContext> context_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_TEST_SUPPORT_STEP_FOLDER_TEST_H_
