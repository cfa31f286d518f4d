#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALLATION_FOLDER_DETAILS_FETCHER_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALLATION_FOLDER_DETAILS_FETCHER_H_

#include <memory>

#include "base/callback.h"
#include "base/memory/ref_counted.h"

namespace base {
class FilePath;
}
class InstallationFolderDetails;

// Computes the details of one folder away from the calling thread and hands
// them back on the calling sequence.
class InstallationFolderDetailsFetcher
    : public base::RefCountedThreadSafe<InstallationFolderDetailsFetcher> {
 public:
  using Callback = base::OnceCallback<void(std::unique_ptr<InstallationFolderDetails>)>;

  // Starts the work; `callback` receives the initialised details on the
  // sequence that called, unless Cancel came first.
  virtual void FetchStatus(Callback callback) = 0;
  // Drops the callback: a pending answer is destroyed instead.
  virtual void Cancel() = 0;

 protected:
  friend class base::RefCountedThreadSafe<InstallationFolderDetailsFetcher>;
  virtual ~InstallationFolderDetailsFetcher() = default;
};

// Makes a fetcher for (folder, recovery switch).
using InstallationFolderDetailsFetcherFactory = base::RepeatingCallback<base::scoped_refptr<
    InstallationFolderDetailsFetcher>(const base::FilePath& folder, bool recovery)>;

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALLATION_FOLDER_DETAILS_FETCHER_H_
