#include "desktop/windows/installer/package_fetcher/download_url_request.h"

#include <algorithm>

#include "base/command_line.h"
#include "base/json/json_reader.h"
#include "base/logging.h"
#include "base/strings/string_util.h"
#include "base/values.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_switches.h"
#include "desktop/windows/installer/package_fetcher/service_request.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "desktop/windows/installer/wininet/string_response_writer.h"

namespace {

constexpr char kStagingServiceBase[] = "http://autoupdate-staging.tarvo.net/";

// Whether |value| is a non-empty string; |out| gets it.
bool GetNonEmptyString(const base::DictionaryValue& dictionary, const char* key,
                       std::string* out) {
  return dictionary.GetStringWithoutPathExpansion(key, out) && !out->empty();
}

}  // namespace

// static
std::string DownloadUrlRequest::BuildUrl(const base::CommandLine& command_line,
                                         uint32_t architecture,
                                         const std::vector<std::string>& needed) {
  LOG(INFO) << "Preparing to fetch the download URL";
  const bool from_switch = command_line.HasSwitch(kInternalPackageServer);
  std::string url = from_switch ? command_line.GetSwitchValueASCII(kInternalPackageServer) : "";
  if (url.empty()) {
    url = from_switch ? kStagingServiceBase : ProductInfo::GetUrl("autoupdate");
    if (url.empty())
      return std::string();
    if (url.back() != '/')
      url += '/';
    url += "v2/netinstaller/" + product_info::GetChannelName();
    if (architecture == 1)
      url += "/windows/x64/";
  }
  if (!needed.empty()) {
    url += url.find('?') == std::string::npos ? '?' : '&';
    url += "additional_files=" + base::JoinString(needed, ",");
  }
  if (!ServiceRequest::IsAcceptableUrl(url, from_switch)) {
    LOG(ERROR) << "Refusing the download URL service at " << url;
    return std::string();
  }
  return url;
}

DownloadUrlRequest::DownloadUrlRequest() = default;
DownloadUrlRequest::~DownloadUrlRequest() = default;

bool DownloadUrlRequest::ParseReply(const std::string& reply, std::string* error) {
  reply_.reset();
  // The writer already refuses more; checked again for replies from elsewhere.
  std::unique_ptr<base::Value> value;
  if (reply.size() <= StringResponseWriter::kDefaultMaxSize)
    value = base::JSONReader::Read(reply);
  if (!value) {
    *error = "Invalid JSON";
    return false;
  }
  if (!value->is_dict()) {
    *error = "Content is not a dictionary";
    return false;
  }
  reply_.reset(static_cast<base::DictionaryValue*>(value.release()));
  return true;
}

const base::ListValue* DownloadUrlRequest::components() const {
  const base::ListValue* list = nullptr;
  if (reply_)
    reply_->GetListWithoutPathExpansion("components", &list);
  return list;
}

bool DownloadUrlRequest::OffersAll(const std::vector<std::string>& needed) const {
  const base::ListValue* list = components();
  if (!list)
    return false;
  std::vector<std::string> offered;
  for (const base::Value& item : list->GetList()) {
    const base::DictionaryValue* component = nullptr;
    std::string type, filename;
    if (item.GetAsDictionary(&component) &&
        component->GetStringWithoutPathExpansion("type", &type) &&
        type == "downloadable_resource" &&
        component->GetStringWithoutPathExpansion("filename", &filename)) {
      offered.push_back(filename);
    }
  }
  return std::all_of(needed.begin(), needed.end(), [&](const std::string& name) {
    return std::find(offered.begin(), offered.end(), name) != offered.end();
  });
}

bool DownloadUrlRequest::ChoosePackage(const std::vector<std::string>& needed,
                                       std::string* error) {
  DCHECK(reply_);
  minimal_package_ = false;
  if (!needed.empty() && OffersAll(needed) &&
      GetNonEmptyString(*reply_, "minimal_installer", &package_url_) &&
      GetNonEmptyString(*reply_, "minimal_installer_checksum", &package_checksum_)) {
    minimal_package_ = true;
    return true;
  }
  const base::Value* url = reply_->FindKey("installer");
  if (!url) {
    *error = "Missing full package url";
    return false;
  }
  if (!url->is_string()) {
    *error = "Full package url is not a string";
    return false;
  }
  const base::Value* checksum = reply_->FindKey("installer_checksum");
  if (!checksum) {
    *error = "Missing full package checksum";
    return false;
  }
  if (!checksum->is_string()) {
    *error = "Full package checksum is not a string";
    return false;
  }
  package_url_ = url->GetString();
  package_checksum_ = checksum->GetString();
  return true;
}
