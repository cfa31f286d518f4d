#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_INSTALLER_UTILS_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_INSTALLER_UTILS_H_

#include <list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace base {
class FilePath;
}

// Services several places need: whether the running installer is the one
// inside an unpacked package or installation folder, a package's file list,
// and the user text for a lack of disk space. Replaceable for tests.
class InstallerUtils {
 public:
  using VolumeSpace = std::pair<std::wstring, uint64_t>;  // {volume root, MB needed}

  virtual ~InstallerUtils() = default;

  static InstallerUtils* GetInstance();
  // Replaces the process-wide instance; nullptr restores the default.
  static void SetInstanceForTesting(InstallerUtils* utils);

  virtual bool IsInsidePackageImpl() = 0;
  virtual bool ReadFilesListImpl(const base::FilePath& path, std::list<std::string>* files) = 0;
  virtual std::wstring GetDiskSpaceMessageImpl(const std::vector<VolumeSpace>& volumes) = 0;

  static bool IsInsidePackage() { return GetInstance()->IsInsidePackageImpl(); }
  static bool ReadFilesList(const base::FilePath& path, std::list<std::string>* files) {
    return GetInstance()->ReadFilesListImpl(path, files);
  }
  static std::wstring GetDiskSpaceMessage(const std::vector<VolumeSpace>& volumes) {
    return GetInstance()->GetDiskSpaceMessageImpl(volumes);
  }
};

class InstallerUtilsImpl : public InstallerUtils {
 public:
  bool IsInsidePackageImpl() override;
  bool ReadFilesListImpl(const base::FilePath& path, std::list<std::string>* files) override;
  std::wstring GetDiskSpaceMessageImpl(const std::vector<VolumeSpace>& volumes) override;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_INSTALLER_UTILS_H_
