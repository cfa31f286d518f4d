#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCHER_PARTS_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCHER_PARTS_IMPL_H_

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_parts.h"

class FileVersionUtils;
class LzmaUtil;

class PackageFetcherPartsImpl : public PackageFetcherParts {
 public:
  PackageFetcherPartsImpl(std::unique_ptr<FileVersionUtils> version_utils,
                          std::unique_ptr<LzmaUtil> lzma_util);
  ~PackageFetcherPartsImpl() override;
  PackageFetcherPartsImpl(const PackageFetcherPartsImpl&) = delete;
  PackageFetcherPartsImpl& operator=(const PackageFetcherPartsImpl&) = delete;

  bool CheckMainComponentVersion(const base::FilePath& package_file,
                                 PayloadManager* payload_manager) override;
  bool CheckAdditionalFileVersion(const base::FilePath& folder, const std::string& name) override;
  void WriteServerTrackingData(const base::FilePath& folder, const std::string& data) override;
  bool MovePreparedPackage(const base::FilePath& from, const base::FilePath& to) override;

  // The package's version from its resource or, for an older package, from
  // the output of the installer.exe inside it, which then is written to
  // "package_version" beside the package.
  bool CheckPackageVersion(const base::FilePath& package_file, std::string* version,
                           std::string* stream);

 private:
  bool LegacyVersionCheck(const base::FilePath& package_file, std::string* version,
                          std::string* stream);
  // Unpacks the entries `names` of `archive` into the archive's folder;
  // `written` receives the files made, also on failure.
  bool UnpackArchive(const base::FilePath& archive, const std::set<std::wstring>& names,
                     std::vector<base::FilePath>* written);

  std::unique_ptr<FileVersionUtils> version_utils_;
  std::unique_ptr<LzmaUtil> lzma_util_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCHER_PARTS_IMPL_H_
