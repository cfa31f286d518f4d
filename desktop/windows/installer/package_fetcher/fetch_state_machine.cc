#include "desktop/windows/installer/package_fetcher/fetch_state_machine.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "base/bind.h"
#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/process/launch.h"
#include "base/strings/stringprintf.h"
#include "base/strings/utf_string_conversions.h"
#include "base/values.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"
#include "desktop/windows/installer/avro_stats/installer_events.h"
#include "desktop/windows/installer/checksum_checker/checksum_checker.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_delegate.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_parts.h"
#include "desktop/windows/installer/utils/test_hooks.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_ui_proxy.h"
#include "desktop/windows/installer/package_fetcher/payload_manager.h"
#include "desktop/windows/installer/package_fetcher/service_request.h"
#include "desktop/windows/installer/service/prefs/json_pref_store_factory.h"
#include "desktop/windows/installer/signature_checker/signature_checker.h"
#include "desktop/windows/installer/utils/installer_error_record.h"
#include "desktop/windows/installer/utils/installer_session.h"
#include "desktop/windows/installer/utils/private_folder.h"
#include "desktop/windows/installer/utils/relative_path.h"
#include "desktop/windows/installer/wininet/chunked_fetch_statistics_collector.h"
#include "desktop/windows/installer/utils/cracked_url.h"
#include "desktop/windows/installer/wininet/fetch_statistics_collector.h"
#include "desktop/windows/installer/wininet/file_response_writer.h"
#include "desktop/windows/installer/wininet/string_response_writer.h"
#include "desktop/windows/installer/wininet/wininet_downloader.h"

namespace {

constexpr wchar_t kPackageFileName[] = L"tarvo_package";
constexpr wchar_t kAdditionalTempName[] = L"additional_file.tmp";
constexpr uint64_t kLargeDownloadBytes = 0x400000;
constexpr uint32_t kMaxFileRetries = 3;
// A component's self-extracting archive gets this long to finish.
constexpr base::TimeDelta kArchiveWait = base::TimeDelta::FromMinutes(10);

base::FilePath RunningExecutable() {
  wchar_t path[MAX_PATH * 4] = {};
  DWORD length = GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
  return base::FilePath(std::wstring(path, length));
}

// An unsigned installer (a local build) accepts unsigned downloads.
bool IsSignatureRequired() {
  return RunningImageHasCertificateTable();
}

std::string LastErrorDetail() {
  uint32_t code = 0;
  std::string detail;
  std::wstring message;
  GetInstallerError(&code, &detail, &message);
  return detail;
}

}  // namespace

FetchStateMachine::FetchStateMachine(PackageFetcherUIProxy* proxy,
                                     PayloadManager* payload_manager,
                                     std::unique_ptr<PackageFetcherParts> parts,
                                     const base::FilePath& package_folder,
                                     const base::FilePath& assistant_folder,
                                     uint32_t architecture, std::string post_payload)
    : proxy_(proxy),
      payload_manager_(payload_manager),
      parts_(std::move(parts)),
      package_folder_(package_folder),
      assistant_folder_(assistant_folder),
      architecture_(architecture),
      post_payload_(std::move(post_payload)),
      command_line_(InstallerSession::GetInstance()->command_line()),
      download_timeout_(GetTestSwitchSeconds(TestHook::kDownloadTimeout, command_line_)) {
  needed_resources_.reserve(6);
}

FetchStateMachine::~FetchStateMachine() = default;

void FetchStateMachine::Initialize(base::scoped_refptr<base::SingleThreadTaskRunner> worker) {
  worker_ = std::move(worker);
  downloader_ = std::make_unique<WininetDownloader>(proxy_, proxy_);
  if (!download_timeout_.is_zero()) {
    WininetDownloader::Limits limits = downloader_->limits();
    limits.request_timeout = download_timeout_;
    downloader_->set_limits(limits);
  }
  InitInstallerErrorRecord();
}

void FetchStateMachine::Shutdown() {
  if (downloader_ && downloader_->state() != WininetDownloader::kFailed)
    downloader_->Stop();
  for (const base::FilePath& folder : attempt_folders_)
    base::DeleteFile(folder, /*recursive=*/true);
  if (package_folder_made_)
    base::DeleteFile(package_folder_, /*recursive=*/true);
  if (assistant_folder_made_)
    base::DeleteFile(assistant_folder_, /*recursive=*/true);
  step_factory_.InvalidateWeakPtrs();
  downloader_.reset();
  FreeInstallerErrorRecord();
}

// static
base::FilePath FetchStateMachine::AttemptFolderPath(const base::FilePath& package_folder,
                                                    uint32_t attempt) {
  return base::FilePath(package_folder.value() + L"_attempt" + std::to_wstring(attempt));
}

base::WeakPtr<FetchStateMachine> FetchStateMachine::StepPtr() {
  return step_factory_.GetWeakPtr();
}

void FetchStateMachine::PostStep(const char* name, base::OnceClosure step) {
  worker_->PostTask(base::Location(name, __FILE__, __LINE__), std::move(step));
}

void FetchStateMachine::Restart() {
  step_factory_.InvalidateWeakPtrs();
  if (downloader_)
    downloader_->Stop();
  Start();
}

void FetchStateMachine::StartWithDelay(base::TimeDelta delay) {
  // Bound like a step: a restart before the delay has passed must not be
  // followed by this start, which would delete what the restart fetched.
  worker_->PostDelayedTask(base::Location("Start", __FILE__, __LINE__),
                           base::BindOnce(&FetchStateMachine::Start, StepPtr()), delay);
}

bool FetchStateMachine::CanRetry() const {
  base::AutoLock lock(lock_);
  uint32_t limit = 6;
  if (byte_total_ >= kLargeDownloadBytes || http_204_counter_ >= 3)
    limit = 3;
  return attempt_counter_ < limit;
}

void FetchStateMachine::Start() {
  step_factory_.InvalidateWeakPtrs();
  LOG(INFO) << "Starting the package fetcher";
  proxy_->NotifyStatusChanged(PackageFetcherDelegate::kStarted);
  if (!PrepareAttemptFolder())
    return;
  if (payload_manager_ && payload_manager_->GetPayloadType() == PAYLOAD_TYPE_FULL_PACKAGE) {
    const base::FilePath package = attempt_folder_.Append(kPackageFileName);
    // A full disk must not become a ready package.
    if (!payload_manager_->WritePayloadToFile(package)) {
      LocalError(PackageFetcherDelegate::kFetchError, "Unable to write the payload package");
      return;
    }
    PostStep("CheckVersion", base::BindOnce(&FetchStateMachine::CheckVersion, StepPtr(), package));
    return;
  }
  PostStep("FetchDownloadUrl", base::BindOnce(&FetchStateMachine::FetchDownloadUrl, StepPtr()));
}

bool FetchStateMachine::PrepareAttemptFolder() {
  if (!attempt_folder_.empty()) {
    if (base::DeleteFile(attempt_folder_, /*recursive=*/true)) {
      ForgetAttemptFolder();
    } else {
      // Kept in the list: the shutdown tries again.
      LOG(ERROR) << "Unable to delete " << attempt_folder_.value();
      attempt_folder_.clear();
    }
  }
  if (package_folder_made_) {
    if (!base::DeleteFile(package_folder_, /*recursive=*/true)) {
      LocalError(PackageFetcherDelegate::kFolderError, "Unable to remove the package folder");
      return false;
    }
    package_folder_made_ = false;
  }
  uint32_t attempt = 0;
  {
    base::AutoLock lock(lock_);
    attempt = attempt_counter_;
  }
  // Never a folder somebody else made, or one of an earlier attempt that
  // could not be removed: a new one, under another name if need be.
  base::FilePath folder;
  if (!CreateFreshPrivateFolder(AttemptFolderPath(package_folder_, attempt), &folder)) {
    LocalError(PackageFetcherDelegate::kFolderError, "Could not create unpacking folder");
    return false;
  }
  attempt_folder_ = folder;
  attempt_folders_.push_back(folder);
  VLOG(1) << "Attempt folder " << folder.value();
  return true;
}

bool FetchStateMachine::MoveAttemptFolderIntoPlace() {
  if (!parts_->MovePreparedPackage(attempt_folder_, package_folder_))
    return false;
  package_folder_made_ = true;
  ForgetAttemptFolder();
  return true;
}

void FetchStateMachine::ForgetAttemptFolder() {
  // The name is free now: whatever appears under it later is not ours.
  attempt_folders_.erase(
      std::remove(attempt_folders_.begin(), attempt_folders_.end(), attempt_folder_),
      attempt_folders_.end());
  attempt_folder_.clear();
}

bool FetchStateMachine::PrepareTargetFolder(const base::FilePath& folder) {
  if (folder != assistant_folder_)
    return package_folder_made_ && folder == package_folder_;
  if (assistant_folder_made_)
    return true;
  // Its name was handed to the backend already: it cannot change.
  if (!CreateNewPrivateFolder(assistant_folder_))
    return false;
  assistant_folder_made_ = true;
  return true;
}

void FetchStateMachine::FetchDownloadUrl() {
  proxy_->NotifyStatusChanged(PackageFetcherDelegate::kFetchingDownloadUrl);
  Send(std::make_unique<FetchingDownloadUrlEvent>(1));
  const std::string url = DownloadUrlRequest::BuildUrl(command_line_, architecture_, needed_resources_);
  LOG(INFO) << "Fetching the download URL";
  downloader_->SetAllowedHosts(ServiceRequest::AllowedHosts());
  download_bytes_counted_ = false;
  if (url.empty() ||
      !downloader_->Start(base::UTF8ToWide(url), post_payload_,
                          base::BindOnce(&FetchStateMachine::OnDownloadUrlFetched, StepPtr()),
                          std::make_unique<StringResponseWriter>(&reply_text_),
                          std::make_unique<FetchStatisticsCollector>())) {
    NetworkError("Failed starting fetching the download URL");
  }
}

void FetchStateMachine::OnDownloadUrlFetched() {
  if (downloader_->state() != WininetDownloader::kCompleted) {
    NetworkError(base::StringPrintf("Failed fetching the download URL with state %d",
                                    static_cast<int>(downloader_->state())));
    return;
  }
  proxy_->NotifyStatusChanged(PackageFetcherDelegate::kDownloadUrlReceived);
  LOG(INFO) << "Parsing the fetched URL";
  std::string error;
  if (!request_.ParseReply(reply_text_, &error)) {
    JsonError(error);
    return;
  }
  components_ = AdditionalComponent::Choose(request_.components(), !assistant_folder_.empty(),
                                            needed_resources_);
  std::wstring test_folder_value;
  GetTestSwitch(TestHook::kDownloadableResourcesDir, command_line_, &test_folder_value);
  const base::FilePath test_folder(test_folder_value);
  if (!test_folder.empty()) {
    for (AdditionalComponent& component :
         AdditionalComponent::FromTestFolder(test_folder, needed_resources_)) {
      components_.push_back(std::move(component));
    }
  }
  if (resources_only_) {
    if (!MoveAttemptFolderIntoPlace()) {
      LocalError(PackageFetcherDelegate::kVersionError,
                 "Cannot move the prepared package to the final destination");
      return;
    }
    FetchAdditionalContent();
    return;
  }
  if (!request_.ChoosePackage(needed_resources_, &error)) {
    JsonError(error);
    return;
  }
  minimal_package_ = request_.minimal_package();
  DownloadPackage();
}

void FetchStateMachine::DownloadPackage() {
  LOG(INFO) << "Preparing to fetch the installer";
  auto writer = std::make_unique<FileResponseWriter>();
  if (!writer->Open(attempt_folder_.Append(kPackageFileName).value())) {
    LocalError(PackageFetcherDelegate::kFetchError,
               "Failed initializing the file to use as download destination");
    return;
  }
  Send(std::make_unique<FetchingPrimaryPackageEvent>(request_.package_url(),
                                                     downloader_->GetFetchDetails(), 1));
  // The package may lie on any host: its checksum comes from the reply.
  downloader_->SetAllowedHosts({});
  download_bytes_counted_ = false;
  if (!downloader_->Start(base::UTF8ToWide(request_.package_url()), std::string(),
                          base::BindOnce(&FetchStateMachine::VerifyChecksumAndSignature, StepPtr(),
                                         request_.package_checksum()),
                          std::move(writer), std::make_unique<ChunkedFetchStatisticsCollector>())) {
    NetworkError("Failed starting downloading the Tarvo package");
  }
}

void FetchStateMachine::VerifyChecksumAndSignature(std::string checksum) {
  Send(std::make_unique<PrimaryPackageFetchedEvent>(downloader_->GetFetchDetails(), 1));
  if (downloader_->state() != WininetDownloader::kCompleted) {
    NetworkError(base::StringPrintf("Failed downloading the Tarvo package with state %d",
                                    static_cast<int>(downloader_->state())));
    return;
  }
  const base::FilePath package = attempt_folder_.Append(kPackageFileName);
  std::string actual;
  uint64_t length = 0;
  if (!VerifyChecksum(package, checksum, nullptr, &actual, &length)) {
    LocalError(PackageFetcherDelegate::kFetchError,
               base::StringPrintf(
                   "Checksum incorrect for the downloaded package, actual %s, expected %s, "
                   "file length %llu",
                   actual.c_str(), ServiceRequest::Abbreviate(checksum, 128).c_str(),
                   static_cast<unsigned long long>(length)));
    return;
  }
  Send(std::make_unique<ChecksumVerifiedEvent>(1));
  std::string signature_error;
  if (IsSignatureRequired() && !VerifyFileSignature(package, &signature_error)) {
    LOG(ERROR) << signature_error;
    LocalError(PackageFetcherDelegate::kFetchError,
               "Signature incorrect for the downloaded package");
    return;
  }
  Send(std::make_unique<SignatureVerifiedEvent>(1));
  PostStep("CheckVersion", base::BindOnce(&FetchStateMachine::CheckVersion, StepPtr(), package));
}

void FetchStateMachine::CheckVersion(base::FilePath package_file) {
  SetInstallerError(0, std::string(), std::wstring());
  bool ok = parts_->CheckMainComponentVersion(package_file, payload_manager_);
  if (ok) {
    parts_->WriteServerTrackingData(attempt_folder_, post_payload_);
    ok = MoveAttemptFolderIntoPlace();
  }
  if (!ok) {
    VersionCheckError();
    return;
  }
  PostStep("WriteWelcomeUrlPref",
           base::BindOnce(&FetchStateMachine::WriteWelcomeUrlPref, StepPtr()));
}

void FetchStateMachine::WriteWelcomeUrlPref() {
  std::string welcome_url;
  if (request_.reply() &&
      request_.reply()->GetStringWithoutPathExpansion("url_welcome", &welcome_url)) {
    LOG(INFO) << "Writing welcome page url pref";
    // Written here rather than on the preference pool: the package is
    // reported ready next, and the backend may read the file at once.
    std::unique_ptr<JsonPrefStore> prefs =
        CreateJsonPrefStore(nullptr, package_folder_.Append(L"installer_prefs_include.json"));
    prefs->SetValue("welcome-url", std::make_unique<base::Value>(welcome_url));
    prefs->CommitPendingWrite(base::BindOnce([](bool written) {
      if (!written)
        LOG(ERROR) << "Failed writing the welcome page url pref";
    }));
  }
  FetchAdditionalContent();
}

void FetchStateMachine::PackageReady() {
  CountDownloadedBytes();
  LOG(INFO) << "Package ready.";
  Send(std::make_unique<PackageReadyEvent>(1));
  if (resources_only_ &&
      !base::CopyFile(RunningExecutable(), package_folder_.Append(L"installer.exe"))) {
    LocalError(PackageFetcherDelegate::kFetchError, "Unable to copy installer.exe to download dir");
    return;
  }
  proxy_->NotifyStatusChanged(PackageFetcherDelegate::kPackageReady);
}

void FetchStateMachine::LocalError(uint32_t kind, const std::string& message) {
  LOG(ERROR) << message;
  Send(std::make_unique<PackageFetcherLocalErrorEvent>(message, 1));
  NotifyError(kind, message, {});
}

void FetchStateMachine::NetworkError(const std::string& message) {
  const std::string text = message + "\n" + downloader_->GetErrorMessage();
  LOG(ERROR) << text;
  std::vector<FetchStatistics> details = downloader_->GetFetchDetails();
  Send(std::make_unique<PackageFetcherNetworkErrorEvent>(ServiceRequest::Abbreviate(text), details,
                                                         1));
  NotifyError(PackageFetcherDelegate::kFetchError, text, std::move(details));
}

void FetchStateMachine::JsonError(const std::string& message) {
  // The reply may be large: events and messages carry its start only.
  const std::string text =
      "Failed parsing json reply: " + message + " " + ServiceRequest::Abbreviate(reply_text_);
  LOG(ERROR) << text;
  Send(std::make_unique<ErrorEvent>(text, 1));
  NotifyError(PackageFetcherDelegate::kFetchError, text, {});
}

void FetchStateMachine::VersionCheckError() {
  LocalError(PackageFetcherDelegate::kVersionError, LastErrorDetail());
}

void FetchStateMachine::NotifyError(uint32_t kind, const std::string& message,
                                  std::vector<FetchStatistics> details) {
  {
    base::AutoLock lock(lock_);
    ++attempt_counter_;
  }
  CountDownloadedBytes();
  proxy_->NotifyError(kind, message, std::move(details));
}

void FetchStateMachine::CountDownloadedBytes() {
  // A request is counted once, however many errors follow it.
  if (download_bytes_counted_ || !downloader_)
    return;
  download_bytes_counted_ = true;
  base::AutoLock lock(lock_);
  byte_total_ += downloader_->total_written();
  if (downloader_->last_http_status() == 204)
    ++http_204_counter_;
}

// static
void FetchStateMachine::Send(std::unique_ptr<InstallerEvent> event) {
  if (AvroStatsSender* sender = GetAvroStatsSender())
    sender->Send(std::move(event));
}

void FetchStateMachine::FetchAdditionalContent() {
  component_index_ = 0;
  installed_names_.clear();
  if (components_.empty()) {
    PackageReady();
    return;
  }
  LOG(INFO) << "We have additional content";
  file_retries_ = 0;
  proxy_->NotifyStatusChanged(PackageFetcherDelegate::kFetchingAdditionalContent);
  DownloadAdditionalFile();
}

void FetchStateMachine::DownloadAdditionalFile() {
  LOG(INFO) << "Preparing to download an additional file";
  const AdditionalComponent& component = components_[component_index_];
  if (!component.complete) {
    LOG(ERROR) << "Failed parsing additional file part of JSON reply";
    NextAdditionalFile();
    return;
  }
  if (!minimal_package_ && !resources_only_ && component.type == "downloadable_resource") {
    NextAdditionalFile();
    return;
  }
  // The name comes from the reply and partner content carries no signature:
  // it must stay inside the package folder.
  if (!component.archive && !IsSafeRelativePath(component.filename)) {
    LOG(ERROR) << "Refusing the additional file name " << component.filename;
    NextAdditionalFile();
    return;
  }
  const base::FilePath temp = package_folder_.Append(kAdditionalTempName);
  const std::wstring location = base::UTF8ToWide(component.location);
  if (GetTestSwitch(TestHook::kDownloadableResourcesDir, command_line_) &&
      component.location.rfind("file:///", 0) == 0) {
    base::FilePath source(location.substr(8));
    bool copied = base::CopyFile(source, temp);
    LOG(INFO) << "Copying test additional file " << source.value() << ": "
              << (copied ? "copied" : "failed");
    PostStep("OnAdditionalFileDownloaded",
             base::BindOnce(&FetchStateMachine::OnAdditionalFileDownloaded, StepPtr(), copied));
    return;
  }
  CrackedUrl parts;
  if (!CrackUrl(location, &parts)) {
    LOG(ERROR) << "Failed parsing additional file location " << component.location;
    NextAdditionalFile();
    return;
  }
  auto writer = std::make_unique<FileResponseWriter>();
  if (!writer->Open(temp.value())) {
    LOG(ERROR) << "Failed initializing the file to use as download destination";
    // The files installed so far must still be listed.
    FinishAdditionalFiles();
    return;
  }
  Send(std::make_unique<FetchingAdditionalFileEvent>(component.location, 1));
  download_bytes_counted_ = true;
  if (!downloader_->Start(location, std::string(),
                          base::BindOnce(&FetchStateMachine::OnAdditionalFileDownloaded, StepPtr(),
                                         /*copied=*/false),
                          std::move(writer), std::make_unique<ChunkedFetchStatisticsCollector>())) {
    LOG(ERROR) << "Failed downloading additional file";
    base::DeleteFile(temp, /*recursive=*/false);
    NextAdditionalFile();
  }
}

void FetchStateMachine::OnAdditionalFileDownloaded(bool copied) {
  const AdditionalComponent& component = components_[component_index_];
  Send(std::make_unique<AdditionalFileFetchedEvent>(downloader_->GetFetchDetails(), 1));
  if (!copied && downloader_->state() != WininetDownloader::kCompleted) {
    LOG(ERROR) << "Failed downloading additional component " << component.type
               << ". Wininet state: " << static_cast<int>(downloader_->state());
    RetryAdditionalFile();
    return;
  }
  const base::FilePath temp = package_folder_.Append(kAdditionalTempName);
  std::string actual;
  uint64_t length = 0;
  if (!VerifyChecksum(temp, component.checksum, nullptr, &actual, &length)) {
    LOG(ERROR) << "Bad checksum for additional component " << component.type << " actual "
               << actual << " expected " << ServiceRequest::Abbreviate(component.checksum, 128)
               << ", file length " << length;
    RetryAdditionalFile();
    return;
  }
  if (InstallAdditionalFile(component, temp)) {
    file_retries_ = 0;
    if (component.type == "partner_content" || component.type == "downloadable_resource")
      installed_names_.push_back(component.filename);
  }
  base::DeleteFile(temp, /*recursive=*/false);
  NextAdditionalFile();
}

bool FetchStateMachine::InstallAdditionalFile(const AdditionalComponent& component,
                                            const base::FilePath& file) {
  const bool in_package = component.type == "partner_content" ||
                          component.type.rfind("downloadable_resource", 0) == 0;
  const base::FilePath folder = in_package ? package_folder_ : assistant_folder_;
  if (folder.empty())
    return false;
  if (component.archive)
    return RunArchive(component, file, folder);
  const base::FilePath target = folder.Append(base::UTF8ToWide(component.filename));
  if (!PrepareTargetFolder(folder) || !base::CreateDirectory(target.DirName()) ||
      !base::Move(file, target)) {
    LOG(ERROR) << "Failed moving additional file into place";
    return false;
  }
  return true;
}

bool FetchStateMachine::RunArchive(const AdditionalComponent& component, const base::FilePath& file,
                                 const base::FilePath& folder) {
  std::string error;
  if (IsSignatureRequired() && !VerifyFileSignature(file, &error)) {
    LOG(ERROR) << "Signature incorrect for additional component " << component.type << ": "
               << error;
    return false;
  }
  Send(std::make_unique<SignatureVerifiedEvent>(1));
  if (!PrepareTargetFolder(folder)) {
    LOG(ERROR) << "Could not create unpacking folder for additional file";
    return false;
  }
  const base::FilePath archive = folder.Append(base::UTF8ToWide(component.type) + L"_sfx.exe");
  if (!base::Move(file, archive)) {
    LOG(ERROR) << "Failed moving additional component SFX into place";
    return false;
  }
  base::LaunchOptions options;
  options.current_directory = folder;
  const base::Process process = base::LaunchProcess(L"\"" + archive.value() + L"\"", options);
  if (!process.IsValid()) {
    LOG(ERROR) << "Failed starting SFX archive";
    return false;
  }
  int exit_code = 1;
  const bool ended = process.WaitForExitWithTimeout(kArchiveWait, &exit_code);
  if (!ended)
    process.Terminate(1, /*wait=*/false);
  if (!ended || exit_code != 0) {
    LOG(ERROR) << "Failed extracting SFX archive";
    return false;
  }
  if (!parts_->CheckAdditionalFileVersion(folder, component.type)) {
    LOG(ERROR) << "Component version didn't pass check";
    return false;
  }
  base::DeleteFile(archive, /*recursive=*/false);
  return true;
}

void FetchStateMachine::RetryAdditionalFile() {
  base::DeleteFile(package_folder_.Append(kAdditionalTempName), /*recursive=*/false);
  const uint32_t tried = file_retries_++;
  if (tried >= kMaxFileRetries || downloader_->retry_count() != 0) {
    LOG(ERROR) << "Giving up downloading this file";
    NextAdditionalFile();
    return;
  }
  LOG(WARNING) << "Retrying additional file download";
  DownloadAdditionalFile();
}

void FetchStateMachine::NextAdditionalFile() {
  file_retries_ = 0;
  if (++component_index_ < components_.size()) {
    PostStep("DownloadAdditionalFile",
             base::BindOnce(&FetchStateMachine::DownloadAdditionalFile, StepPtr()));
    return;
  }
  FinishAdditionalFiles();
}

void FetchStateMachine::FinishAdditionalFiles() {
  if (!AdditionalComponent::AppendToFilesList(package_folder_.Append(L"files_list"),
                                              installed_names_)) {
    LOG(ERROR) << "Failed recording the additional files in files_list";
  }
  PackageReady();
}
