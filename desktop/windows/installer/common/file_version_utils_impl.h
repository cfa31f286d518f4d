#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_FILE_VERSION_UTILS_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_FILE_VERSION_UTILS_IMPL_H_

#include <memory>
#include <string>

#include "desktop/windows/installer/common/file_version_utils.h"

class AppOutputRunner;

class FileVersionUtilsImpl : public FileVersionUtils {
 public:
  explicit FileVersionUtilsImpl(std::unique_ptr<AppOutputRunner> runner);
  ~FileVersionUtilsImpl() override;
  FileVersionUtilsImpl(const FileVersionUtilsImpl&) = delete;
  FileVersionUtilsImpl& operator=(const FileVersionUtilsImpl&) = delete;

  bool GetVersionFromResources(const base::FilePath& path, base::Version* full_version,
                               base::Version* internal_version, std::string* stream) override;
  bool GetVersionFromExeOutput(const base::FilePath& path, base::Version* full_version,
                               base::Version* internal_version, std::string* stream) override;

 private:
  bool RunWithSwitch(const base::FilePath& path, const char* switch_name, std::string* output);

  std::unique_ptr<AppOutputRunner> runner_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_FILE_VERSION_UTILS_IMPL_H_
