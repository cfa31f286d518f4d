#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PREF_DEFAULT_OVERRIDES_FETCHER_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PREF_DEFAULT_OVERRIDES_FETCHER_H_

#include <memory>
#include <string>

#include "base/callback.h"
#include "base/files/file_path.h"

namespace base {
class CommandLine;
}

class UICallbackRunner;
class WininetDownloader;

// Asks the preferences service for the default preference overrides of this
// installation's tracking data and keeps the reply as
// <folder>\pref_default_overrides. Nothing is reported to the user: a failed
// fetch leaves no file behind, nor does one cut short by the fetcher's
// destruction. Lives on the controller's thread.
class PrefDefaultOverridesFetcher {
 public:
  PrefDefaultOverridesFetcher(const base::FilePath& folder, UICallbackRunner* controller);
  // Abandons a request under way: its file is closed and removed, and its
  // |done| does not run.
  ~PrefDefaultOverridesFetcher();
  PrefDefaultOverridesFetcher(const PrefDefaultOverridesFetcher&) = delete;
  PrefDefaultOverridesFetcher& operator=(const PrefDefaultOverridesFetcher&) = delete;

  // |done| runs exactly once: at once when the feature is off or the request
  // cannot start, else when the request ended.
  void Fetch(const std::string& tracking_data, base::OnceClosure done);

  // The service URL; empty when it is refused (plain HTTP to another
  // machine that no test switch of `command_line`, the installer's own,
  // named).
  static std::string BuildUrl(const base::CommandLine& command_line);

  WininetDownloader* downloader_for_testing() { return downloader_.get(); }

 private:
  void OnFetched();
  void Finish();

  const base::FilePath target_path_;
  std::unique_ptr<WininetDownloader> downloader_;
  base::OnceClosure done_;
  // The file is open for a request that has not ended.
  bool fetching_ = false;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PREF_DEFAULT_OVERRIDES_FETCHER_H_
