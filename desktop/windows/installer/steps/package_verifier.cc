#include "desktop/windows/installer/steps/package_verifier.h"

#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "base/files/memory_mapped_file.h"
#include "base/logging.h"
#include "base/version.h"
#include "desktop/windows/installer/common/file_version_utils.h"
#include "desktop/windows/installer/lzma_util/in_page_error_guard.h"
#include "desktop/windows/installer/package_fetcher/package_version_check.h"
#include "desktop/windows/installer/package_fetcher/payload_manager.h"
#include "desktop/windows/installer/signature_checker/signature_checker.h"
#include "desktop/windows/installer/utils/installer_error_record.h"
#include "desktop/windows/installer/utils/installer_result.h"

namespace {

// The two byte ranges compared; a page of either that cannot be read ends
// the comparison as a mismatch instead of the process.
struct Comparison {
  std::string_view package;
  std::string_view payload;
  bool equal = false;
};

bool InEither(const void* context, const void* address) {
  const auto* comparison = static_cast<const Comparison*>(context);
  const char* at = static_cast<const char*>(address);
  for (std::string_view range : {comparison->package, comparison->payload}) {
    if (at >= range.data() && at < range.data() + range.size())
      return true;
  }
  return false;
}

void Compare(void* argument) {
  auto* comparison = static_cast<Comparison*>(argument);
  comparison->equal = comparison->package == comparison->payload;
}

constexpr wchar_t kInstallerExe[] = L"installer.exe";

std::string ErrorDetail() {
  std::string detail;
  GetInstallerError(nullptr, &detail, nullptr);
  return detail;
}

bool Refuse(const base::FilePath& archive, const std::string& why) {
  LOG(ERROR) << "Refusing the package " << archive << ": " << why;
  return SetInstallerError(RESULT_GENERAL_FAILURE,
                           "The package " + archive.AsUTF8Unsafe() + " was refused: " + why,
                           std::wstring());
}

}  // namespace

PackageVerifierImpl::PackageVerifierImpl(const PayloadManager* payload, bool signature_required)
    : payload_(payload), signature_required_(signature_required) {}

PackageVerifierImpl::~PackageVerifierImpl() = default;

// static
std::unique_ptr<PackageVerifier> PackageVerifierImpl::ForRunningInstaller(
    const PayloadManager* payload) {
  return std::make_unique<PackageVerifierImpl>(payload, RunningImageHasCertificateTable());
}

bool PackageVerifierImpl::OpenVerified(const base::FilePath& archive, base::File* file) {
  DCHECK(file);
  version_pending_.clear();
  // No write or delete sharing: while this handle is open the file cannot
  // change, and its name cannot be given to another file.
  base::File opened(archive, base::File::FLAG_OPEN | base::File::FLAG_READ |
                                 base::File::FLAG_EXCLUSIVE_WRITE);
  if (!opened.IsValid()) {
    return SetInstallerError(RESULT_GENERAL_FAILURE,
                             "The archive " + archive.AsUTF8Unsafe() + " does not exist.",
                             std::wstring());
  }
  if (payload_ && !payload_->GetFullPackage().empty()) {
    if (!MatchesPayload(opened))
      return Refuse(archive, "it is not the package this installer carries");
    VLOG(1) << "The package is the one this installer carries";
  } else if (signature_required_) {
    std::string error;
    if (!VerifyOpenFileSignature(opened, archive, &error)) {
      LOG(ERROR) << error;
      return Refuse(archive, "its signature is not the expected signer's");
    }
    VLOG(1) << "The package carries the expected signature";
    if (!CheckPackageVersion(opened, archive))
      return false;
  } else {
    LOG(WARNING) << "An unsigned installer: the package is not checked";
  }
  *file = std::move(opened);
  return true;
}

bool PackageVerifierImpl::CheckPackageVersion(const base::File& file,
                                              const base::FilePath& archive) {
  base::Version full;
  base::Version internal;
  std::string stream;
  bool has_version = false;
  {
    // Not a refusal: a package without a version of its own is judged by
    // its installer.
    ScopedInstallerErrorKeeper keeper;
    has_version = GetVersionFromOpenFile(file, &full, &internal, &stream);
    if (!has_version) {
      VLOG(1) << "The package has no version of its own (" << ErrorDetail()
              << "): its installer is judged once unpacked";
    }
  }
  if (!has_version) {
    version_pending_ = archive;
    return true;
  }
  if (JudgeItemVersion(internal, &stream) != VERSION_ACCEPTED)
    return Refuse(archive, "version " + full.GetString() + ": " + ErrorDetail());
  return true;
}

bool PackageVerifierImpl::VerifyUnpacked(const base::FilePath& folder) {
  if (version_pending_.empty())
    return true;
  const base::FilePath installer = folder.Append(kInstallerExe);
  // Held while it is judged: the folder may be the user's.
  const base::File file(installer, base::File::FLAG_OPEN | base::File::FLAG_READ |
                                       base::File::FLAG_EXCLUSIVE_WRITE);
  base::Version full;
  base::Version internal;
  std::string stream;
  if (!file.IsValid() || !GetVersionFromOpenFile(file, &full, &internal, &stream))
    return Refuse(version_pending_, "the version of its installer cannot be read");
  if (JudgeItemVersion(internal, &stream) != VERSION_ACCEPTED) {
    return Refuse(version_pending_,
                  "its installer's version " + full.GetString() + ": " + ErrorDetail());
  }
  return true;
}

bool PackageVerifierImpl::MatchesPayload(const base::File& file) const {
  const std::string_view payload = payload_->GetFullPackage();
  base::MemoryMappedFile package;
  if (!package.Initialize(file.Duplicate()) || package.length() != payload.size())
    return false;
  Comparison comparison;
  comparison.package =
      std::string_view(reinterpret_cast<const char*>(package.data()), package.length());
  comparison.payload = payload;
  InPageErrorGuard guard(&InEither, &comparison);
  return guard.Run(&Compare, &comparison) && comparison.equal;
}
