#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_PACKAGE_PREPARER_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_PACKAGE_PREPARER_H_

#include <cstddef>
#include <memory>
#include <string>

#include "base/files/file_path.h"
#include "desktop/windows/installer/lzma_util/unpack_progress_observer.h"

namespace base {
class CommandLine;
}

class FileVersionUtils;
class InstallerStepContext;
class LzmaUtil;
class PackageVerifier;

// Puts the package's files into a new versioned subfolder of the
// installation folder, so that the installer found there can take over:
// by unpacking the package archive, or, when this installer runs from an
// unpacked package, by copying the listed files. Every change goes through
// the context's transaction. Progress is reported as "direct_unpacking".
class PackagePreparer : public UnpackProgressObserver {
 public:
  class Delegate {
   public:
    virtual ~Delegate() = default;
    virtual void OnFilesToUnpackCounted(size_t count) = 0;
    virtual void OnUnpackProgressChanged(const std::string& name, size_t count) = 0;
  };

  // `context` and `delegate` are not owned and outlive the preparer. Only
  // an archive `verifier` accepts is unpacked.
  PackagePreparer(std::unique_ptr<FileVersionUtils> version_utils,
                  std::unique_ptr<LzmaUtil> lzma_util,
                  std::unique_ptr<PackageVerifier> verifier, InstallerStepContext* context,
                  Delegate* delegate);
  ~PackagePreparer() override;
  PackagePreparer(const PackagePreparer&) = delete;
  PackagePreparer& operator=(const PackagePreparer&) = delete;

  // Adds the subfolder to `command_line` (the installer process to start
  // from it) as "install-subfolder". Failures are in the error record.
  bool Prepare(base::CommandLine* command_line);
  // Only the subfolder: made (through the transaction) and added to
  // `command_line`, unless the operation needs none or it has one already.
  bool CreateInstallSubfolder(base::CommandLine* command_line);

  // UnpackProgressObserver.
  void OnFilesToUnpackCounted(size_t count) override;
  void OnUnpackProgressChanged(size_t count) override;

 private:
  // The subfolder's name: the package's version, else the installer's.
  bool GetSubfolderName(std::wstring* name);
  bool CopyUnpackedFiles();
  bool UnpackArchive(const base::FilePath& destination);
  // The folder that receives the files.
  base::FilePath GetInstallFolder();

  std::unique_ptr<FileVersionUtils> version_utils_;
  std::unique_ptr<LzmaUtil> lzma_util_;
  std::unique_ptr<PackageVerifier> verifier_;
  InstallerStepContext* const context_;
  Delegate* const delegate_;
  // The subfolder made by this object; empty when it made none.
  base::FilePath created_folder_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_PACKAGE_PREPARER_H_
