#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_SUPPORT_FAKE_EXISTING_INSTALLATION_READER_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_SUPPORT_FAKE_EXISTING_INSTALLATION_READER_H_

#include <atomic>
#include <memory>

#include "desktop/windows/installer/service/existing_installation_reader.h"
#include "desktop/windows/installer/service/installation_status.h"

// Becomes the process-wide reader for its lifetime and answers every Read
// with a copy of `answer` (null by default), counting the calls. Keeps
// tests away from the machine's registry and shortcuts.
class FakeExistingInstallationReader : public ExistingInstallationReader {
 public:
  FakeExistingInstallationReader();
  ~FakeExistingInstallationReader() override;

  void Read(std::unique_ptr<InstallationStatus>* status, const base::FilePath& folder) override;
  std::vector<base::FilePath> ListRegisteredFolders() override;

  std::unique_ptr<InstallationStatus> answer;
  std::vector<base::FilePath> registered_folders;
  std::atomic<int> read_count{0};

 private:
  ScopedExistingInstallationReaderForTesting scoped_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_SUPPORT_FAKE_EXISTING_INSTALLATION_READER_H_
