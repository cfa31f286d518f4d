#include "desktop/windows/installer/package_fetcher/pref_default_overrides_fetcher.h"

#include <utility>

#include "base/bind.h"
#include "base/command_line.h"
#include "base/features/feature_registry.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_switches.h"
#include "desktop/windows/installer/package_fetcher/service_request.h"
#include "desktop/windows/installer/utils/installer_features.h"
#include "desktop/windows/installer/utils/installer_session.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "desktop/windows/installer/wininet/download_observer.h"
#include "desktop/windows/installer/wininet/file_response_writer.h"
#include "desktop/windows/installer/wininet/wininet_downloader.h"

namespace {

constexpr wchar_t kOverridesFileName[] = L"pref_default_overrides";
constexpr char kDevelopmentServer[] = "http://localhost:3001/";

}  // namespace

PrefDefaultOverridesFetcher::PrefDefaultOverridesFetcher(const base::FilePath& folder,
                                                         UICallbackRunner* controller)
    : target_path_(folder.Append(kOverridesFileName)),
      downloader_(std::make_unique<WininetDownloader>(controller, nullptr)) {}

PrefDefaultOverridesFetcher::~PrefDefaultOverridesFetcher() {
  // The writer holds the file open (and unshared) until the downloader goes.
  downloader_.reset();
  if (fetching_ && base::DeleteFile(target_path_, /*recursive=*/false))
    LOG(INFO) << "Default prefs overrides fetch abandoned";
}

// static
std::string PrefDefaultOverridesFetcher::BuildUrl(const base::CommandLine& command_line) {
  const bool from_switch = command_line.HasSwitch(kLocalPrefDefaultOverridesServer);
  std::string url;
  if (from_switch) {
    url = command_line.GetSwitchValueASCII(kLocalPrefDefaultOverridesServer);
    if (url.empty())
      url = kDevelopmentServer;
  } else {
    url = ProductInfo::GetUrl("autoupdate");
    if (url.empty())
      return std::string();
    if (url.back() != '/')
      url += '/';
    url += "api/prefs/?product=" + ProductInfo::GetProductName() +
           "&version=" + product_info::GetVersionString();
  }
  return ServiceRequest::IsAcceptableUrl(url, from_switch) ? url : std::string();
}

void PrefDefaultOverridesFetcher::Fetch(const std::string& tracking_data,
                                        base::OnceClosure done) {
  done_ = std::move(done);
  if (!features::IsFeatureEnabled(kInstallerPrefDefaultOverridesSupport)) {
    Finish();
    return;
  }
  LOG(INFO) << "Fetching default prefs overrides to " << target_path_.value()
            << " with tracking data " << tracking_data;
  downloader_->SetAllowedHosts(ServiceRequest::AllowedHosts());
  // One connectivity retry, then the installer goes on without overrides.
  downloader_->set_retry_limit(0);
  const std::string url = BuildUrl(InstallerSession::GetInstance()->command_line());
  auto writer = std::make_unique<FileResponseWriter>();
  if (url.empty() || !writer->Open(target_path_.value()) ||
      !downloader_->Start(base::UTF8ToWide(url), tracking_data,
                          base::BindOnce(&PrefDefaultOverridesFetcher::OnFetched,
                                         base::Unretained(this)),
                          std::move(writer), std::make_unique<DownloadObserver>())) {
    LOG(ERROR) << "Failed sending request for default prefs overrides";
    base::DeleteFile(target_path_, /*recursive=*/false);
    Finish();
    return;
  }
  fetching_ = true;
}

void PrefDefaultOverridesFetcher::OnFetched() {
  fetching_ = false;
  if (downloader_->state() != WininetDownloader::kCompleted) {
    base::DeleteFile(target_path_, /*recursive=*/false);
    LOG(ERROR) << "Failed fetching default prefs overrides";
  } else {
    LOG(INFO) << "Default prefs overrides fetched successfully";
  }
  Finish();
}

void PrefDefaultOverridesFetcher::Finish() {
  if (done_)
    std::move(done_).Run();
}
