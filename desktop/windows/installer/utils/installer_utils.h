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

class Settings;

// Services several places need: whether the running installer is the one
// inside an unpacked package or installation folder, a package's file list,
// the user text for a lack of disk space, and the check of the settings
// before an installation starts. Replaceable for tests.
class InstallerUtils {
 public:
  using VolumeSpace = std::pair<std::wstring, uint64_t>;  // {volume root, MB needed}
  // Checks settings for ValidateSettings. The settings live in a layer
  // above this one, so the check is registered from there at start-up.
  using SettingsValidator = bool (*)(const Settings& settings);

  virtual ~InstallerUtils() = default;

  static InstallerUtils* GetInstance();
  // Replaces the process-wide instance; nullptr restores the default.
  static void SetInstanceForTesting(InstallerUtils* utils);
  // Registers the check behind the default ValidateSettings; returns the
  // previous one (null when none).
  static SettingsValidator SetSettingsValidator(SettingsValidator validator);

  // `uninstall`: the process uninstalls, for which the browser beside the
  // installer, or a copy of it moved aside, is enough (the session passes
  // its own switch).
  virtual bool IsInsidePackageImpl(bool uninstall) = 0;
  virtual bool ReadFilesListImpl(const base::FilePath& path, std::list<std::string>* files) = 0;
  virtual std::wstring GetDiskSpaceMessageImpl(const std::vector<VolumeSpace>& volumes) = 0;
  // True when the settings have decided their operation. False records the
  // reason in the thread's error record, always with a code that is not 0
  // (success), so a caller never reports a refused start as success.
  virtual bool ValidateSettingsImpl(const Settings& settings) = 0;

  static bool IsInsidePackage(bool uninstall) {
    return GetInstance()->IsInsidePackageImpl(uninstall);
  }
  static bool ReadFilesList(const base::FilePath& path, std::list<std::string>* files) {
    return GetInstance()->ReadFilesListImpl(path, files);
  }
  static std::wstring GetDiskSpaceMessage(const std::vector<VolumeSpace>& volumes) {
    return GetInstance()->GetDiskSpaceMessageImpl(volumes);
  }
  static bool ValidateSettings(const Settings& settings) {
    return GetInstance()->ValidateSettingsImpl(settings);
  }
};

class InstallerUtilsImpl : public InstallerUtils {
 public:
  bool IsInsidePackageImpl(bool uninstall) override;
  bool ReadFilesListImpl(const base::FilePath& path, std::list<std::string>* files) override;
  std::wstring GetDiskSpaceMessageImpl(const std::vector<VolumeSpace>& volumes) override;
  // The registered validator; without one, a general failure.
  bool ValidateSettingsImpl(const Settings& settings) override;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_INSTALLER_UTILS_H_
