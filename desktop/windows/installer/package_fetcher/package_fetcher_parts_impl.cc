#include "desktop/windows/installer/package_fetcher/package_fetcher_parts_impl.h"

#include <utility>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/stringprintf.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"
#include "desktop/windows/installer/avro_stats/installer_events.h"
#include "desktop/windows/installer/common/file_version_utils.h"
#include "desktop/windows/installer/lzma_util/lzma_util.h"
#include "desktop/windows/installer/package_fetcher/package_version_check.h"
#include "desktop/windows/installer/package_fetcher/payload_manager.h"
#include "desktop/windows/installer/utils/installer_error_record.h"
#include "desktop/windows/installer/utils/installer_result.h"
#include "desktop/windows/installer/utils/private_folder.h"
#include "desktop/windows/installer/utils/relative_path.h"

namespace {

constexpr wchar_t kInstallerExe[] = L"installer.exe";
constexpr wchar_t kInstallerEngineDll[] = L"installer_engine.dll";
constexpr wchar_t kPackageVersionFile[] = L"package_version";
constexpr wchar_t kServerTrackingDataFile[] = L"server_tracking_data";
constexpr int32_t kEventLevel = 1;

void SendVersionVerified(const std::string& version, const std::string& stream) {
  if (AvroStatsSender* sender = GetAvroStatsSender())
    sender->Send(std::make_unique<VersionVerifiedEvent>(version, stream, kEventLevel));
}

}  // namespace

PackageFetcherPartsImpl::PackageFetcherPartsImpl(std::unique_ptr<FileVersionUtils> version_utils,
                                                 std::unique_ptr<LzmaUtil> lzma_util)
    : version_utils_(std::move(version_utils)), lzma_util_(std::move(lzma_util)) {}

PackageFetcherPartsImpl::~PackageFetcherPartsImpl() = default;

bool PackageFetcherPartsImpl::CheckMainComponentVersion(const base::FilePath& package_file,
                                                        PayloadManager* payload_manager) {
  if (payload_manager && payload_manager->GetPayloadType() == PAYLOAD_TYPE_FULL_PACKAGE)
    return true;
  std::string version;
  std::string stream;
  if (!CheckPackageVersion(package_file, &version, &stream))
    return AppendInstallerError("Main component version check failed");
  SendVersionVerified(version, stream);
  return true;
}

bool PackageFetcherPartsImpl::CheckPackageVersion(const base::FilePath& package_file,
                                                  std::string* version, std::string* stream) {
  switch (CompareVersionWithInstaller(version_utils_.get(), package_file,
                                      /*from_output=*/false, version, stream)) {
    case VERSION_ACCEPTED:
      return true;
    case VERSION_REJECTED:
      return AppendInstallerError("Failed the version check");
    case VERSION_DATA_MISSING:
      break;
  }
  return LegacyVersionCheck(package_file, version, stream);
}

bool PackageFetcherPartsImpl::LegacyVersionCheck(const base::FilePath& package_file,
                                                 std::string* version, std::string* stream) {
  const base::FilePath folder = package_file.DirName();
  const base::FilePath installer = folder.Append(kInstallerExe);
  // The installer answers "--version" only with its engine beside it.
  std::vector<base::FilePath> unpacked;
  bool ok = true;
  if (!UnpackArchive(package_file, {kInstallerExe, kInstallerEngineDll}, &unpacked) ||
      !base::PathExists(installer)) {
    ok = AppendInstallerError("Cannot unpack installer.exe for legacy version check");
  } else if (CompareVersionWithInstaller(version_utils_.get(), installer, /*from_output=*/true,
                                         version, stream) != VERSION_ACCEPTED) {
    ok = AppendInstallerError("Failed the version check");
  } else if (!base::WriteFile(folder.Append(kPackageVersionFile), *version)) {
    ok = SetInstallerError(RESULT_GENERAL_FAILURE, "Cannot write the package version file.",
                           std::wstring());
  }
  // Only what this check unpacked goes again.
  for (const base::FilePath& file : unpacked)
    base::DeleteFile(file, /*recursive=*/false);
  return ok;
}

bool PackageFetcherPartsImpl::CheckAdditionalFileVersion(const base::FilePath& folder,
                                                         const std::string& name) {
  // The name comes from the server's list: one plain file name only.
  const std::string file_name = name + "_installer.exe";
  if (!IsSafeFileName(file_name))
    return AppendInstallerError("Additional file version invalid");
  base::FilePath executable = folder.Append(base::UTF8ToWide(file_name));
  if (name == "suite" && !base::PathExists(executable))
    executable = folder.Append(L"assistant_installer.exe");
  std::string version;
  if (CompareVersionWithInstaller(version_utils_.get(), executable, /*from_output=*/true,
                                  &version, nullptr) != VERSION_ACCEPTED) {
    return AppendInstallerError("Additional file version invalid");
  }
  SendVersionVerified(version, std::string());
  return true;
}

void PackageFetcherPartsImpl::WriteServerTrackingData(const base::FilePath& folder,
                                                      const std::string& data) {
  if (data.empty())
    return;
  if (!base::WriteFile(folder.Append(kServerTrackingDataFile), data))
    PLOG(WARNING) << "Cannot write the server tracking data";
}

bool PackageFetcherPartsImpl::MovePreparedPackage(const base::FilePath& from,
                                                  const base::FilePath& to) {
  // Never into a folder that is there already, whoever made it.
  if (RenameFolderToNewPath(from, to))
    return true;
  return SetInstallerError(RESULT_GENERAL_FAILURE,
                           "Cannot move the prepared package to the final destination",
                           std::wstring());
}

bool PackageFetcherPartsImpl::UnpackArchive(const base::FilePath& archive,
                                            const std::set<std::wstring>& names,
                                            std::vector<base::FilePath>* written) {
  const LzmaUtil::OpenResult open_result = lzma_util_->Open(archive);
  if (open_result != LzmaUtil::kOpenOk) {
    return SetInstallerError(RESULT_GENERAL_FAILURE,
                             base::StringPrintf("Archive opening failed with error %d",
                                                static_cast<int>(open_result)),
                             std::wstring());
  }
  const LzmaUtil::ExtractResult result =
      lzma_util_->Extract(archive.DirName(), &names, nullptr, written, nullptr);
  lzma_util_->Close();
  if (result != LzmaUtil::kOk) {
    return SetInstallerError(RESULT_GENERAL_FAILURE,
                             base::StringPrintf("Archive unpacking failed with error %d",
                                                static_cast<int>(result)),
                             std::wstring());
  }
  return true;
}
