#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_DOWNLOAD_URL_REQUEST_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_DOWNLOAD_URL_REQUEST_H_

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

namespace base {
class CommandLine;
class DictionaryValue;
class ListValue;
}  // namespace base

// The request that asks the update service where the package lies, and its
// JSON reply.
class DownloadUrlRequest {
 public:
  // The URL for this product stream and |architecture| (1: x64), with the
  // needed downloadable resources as a query. Empty when the URL is refused
  // (plain HTTP to another machine, not named by the test switch of
  // `command_line`, the installer's own).
  static std::string BuildUrl(const base::CommandLine& command_line, uint32_t architecture,
                              const std::vector<std::string>& needed);

  DownloadUrlRequest();
  ~DownloadUrlRequest();
  DownloadUrlRequest(const DownloadUrlRequest&) = delete;
  DownloadUrlRequest& operator=(const DownloadUrlRequest&) = delete;

  // Parses the reply: false with the JSON error text ("Invalid JSON",
  // "Content is not a dictionary").
  bool ParseReply(const std::string& reply, std::string* error);
  // Chooses the minimal package when resources are needed, all of them are
  // offered and the reply names a minimal package; else the full one. False
  // with the JSON error text when the full package is not given.
  bool ChoosePackage(const std::vector<std::string>& needed, std::string* error);

  const base::DictionaryValue* reply() const { return reply_.get(); }
  // The "components" list, or null.
  const base::ListValue* components() const;
  const std::string& package_url() const { return package_url_; }
  const std::string& package_checksum() const { return package_checksum_; }
  bool minimal_package() const { return minimal_package_; }

 private:
  bool OffersAll(const std::vector<std::string>& needed) const;

  std::unique_ptr<base::DictionaryValue> reply_;
  std::string package_url_;
  std::string package_checksum_;
  bool minimal_package_ = false;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_DOWNLOAD_URL_REQUEST_H_
