#include "desktop/windows/installer/service/test_support/fake_existing_installation_reader.h"

FakeExistingInstallationReader::FakeExistingInstallationReader() : scoped_(this) {}

FakeExistingInstallationReader::~FakeExistingInstallationReader() = default;

void FakeExistingInstallationReader::Read(std::unique_ptr<InstallationStatus>* status,
                                          const base::FilePath&) {
  ++read_count;
  status->reset(answer ? new InstallationStatus(*answer) : nullptr);
}

std::vector<base::FilePath> FakeExistingInstallationReader::ListRegisteredFolders() {
  return registered_folders;
}
