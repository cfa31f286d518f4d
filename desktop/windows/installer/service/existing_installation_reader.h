#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_EXISTING_INSTALLATION_READER_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_EXISTING_INSTALLATION_READER_H_

#include <memory>
#include <vector>

#include "base/files/file_path.h"
class InstallationStatus;

// Rebuilds the status record of an installation that left no usable status
// file, from its uninstall entry, its files, shortcuts and registrations.
class ExistingInstallationReader {
 public:
  using Factory = std::unique_ptr<ExistingInstallationReader> (*)();

  virtual ~ExistingInstallationReader() = default;

  // `status` receives a record of source "fully_recovered", or null when
  // the folder does not hold a recognisable installation.
  virtual void Read(std::unique_ptr<InstallationStatus>* status, const base::FilePath& folder) = 0;

  // The folders that this product's uninstall entries (the current user's,
  // and both views of the machine's) name as their installations'.
  virtual std::vector<base::FilePath> ListRegisteredFolders() = 0;

  // The process-wide reader, made on first use by the factory and kept
  // until the process ends.
  static ExistingInstallationReader* GetInstance();
  // Replaces the factory; takes effect only before the first GetInstance.
  static void SetFactory(Factory factory);
};

// Makes `reader` the process-wide one for its lifetime (tests).
class ScopedExistingInstallationReaderForTesting {
 public:
  explicit ScopedExistingInstallationReaderForTesting(ExistingInstallationReader* reader);
  ~ScopedExistingInstallationReaderForTesting();
  ScopedExistingInstallationReaderForTesting(const ScopedExistingInstallationReaderForTesting&) =
      delete;
  ScopedExistingInstallationReaderForTesting& operator=(
      const ScopedExistingInstallationReaderForTesting&) = delete;

 private:
  ExistingInstallationReader* previous_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_EXISTING_INSTALLATION_READER_H_
