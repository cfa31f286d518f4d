#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALLATION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALLATION_H_

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "base/files/file_path.h"
#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/service/installation_status_keys.h"

namespace base {
class ListValue;
class Value;
}  // namespace base

class DefaultBrowserRegistrar;
class Transaction;

// The preferences file an installation keeps beside its files.
inline constexpr wchar_t kInstallerPrefsFileName[] = L"installer_prefs.json";
// The browser's launcher, whose presence marks an installation folder.
inline constexpr wchar_t kLauncherExeName[] = L"launcher.exe";

// The ProgId of an installation's file handler class: this, then its app
// id.
inline constexpr wchar_t kProgIdPrefix[] = L"TarvoSoftware.TarvoWebBrowser.";

// One browser installation on disk: its folder, the installer preferences
// kept beside it, its status record (read on first need), its profile
// paths, the names it registers under and its default-browser registration.
//
// GetInstance() describes the installation the running installer belongs
// to; ExistingInstallation describes any other folder. Used on one thread,
// except that the status may be loaded from any (it never changes after).
class Installation {
 public:
  // Makes the process-wide instance.
  using Factory = std::unique_ptr<Installation> (*)();

  // The running executable's installation: its folder, or the folder's
  // parent when only the parent holds "launcher.exe" (a run from the
  // versioned subfolder).
  Installation();
  // The installation in (or, as above, above) `folder`.
  explicit Installation(const base::FilePath& folder);
  // As above with the status record already known: it counts as loaded and
  // the status file is never read. A null record stands for an empty one.
  Installation(const base::FilePath& folder, std::unique_ptr<InstallationStatus> status);
  Installation(const Installation&) = delete;
  Installation& operator=(const Installation&) = delete;
  virtual ~Installation();

  // The process-wide instance, made by the factory on first use and
  // destroyed at exit.
  static Installation* GetInstance();
  // Replaces the factory; call before the first GetInstance().
  static void SetFactory(Factory factory);
  // Drops the instance (the next GetInstance() makes a new one) and puts
  // the default factory back.
  static void ResetForTesting();
  // Makes `installation` the process-wide instance until ResetForTesting().
  static void SetInstanceForTesting(std::unique_ptr<Installation> installation);

  // Preferences, looked up by dotted path ("a.b": key "b" of dictionary
  // "a"). True only when the value exists with the type asked for.
  virtual bool GetPrefBoolean(std::string_view path, bool* value) const;
  virtual bool GetPrefString16(std::string_view path, std::wstring* value) const;
  virtual bool GetPrefString(std::string_view path, std::string* value) const;
  // Reads a string preference and parses it as a decimal number. True
  // whenever the value is a string, also for a text that is not a whole
  // number ("12abc"), which gives 0. A JSON number gives false.
  virtual bool GetPrefInt64(std::string_view path, int64_t* value) const;
  virtual bool GetPrefList(std::string_view path, const base::ListValue** value) const;

  virtual const base::FilePath& GetFolder() const;
  // The status record as it stands, without reading the status file: an
  // empty record until something loaded it.
  virtual const InstallationStatus& GetStatusIfLoaded() const;
  virtual bool IsCopyOnly();

  // Default-browser state and registration. `all_users` chooses
  // HKEY_LOCAL_MACHINE (true) or HKEY_CURRENT_USER (false). An association
  // is a protocol ("http") or a file extension (".html").
  virtual bool IsHttpHandler();
  // The open command of the association's current handler.
  virtual bool GetAssociationCommand(const std::wstring& association, bool all_users,
                                     std::wstring* command);
  // Whether the current user's handler of `association` runs this
  // installation's launcher.
  virtual bool IsHandlerFor(const std::wstring& association);
  virtual bool IsDefaultBrowser();

  // The preference "single_profile": the profile lives inside the folder.
  virtual bool IsSingleProfile() const;

  // "Previous Default Browser" under the company key.
  virtual bool GetPreviousDefaultBrowser(std::wstring* value);
  virtual bool SetPreviousDefaultBrowser(const std::wstring& value, bool all_users);
  // Remembers the current http handler unless it is this installation.
  virtual void StorePreviousDefaultBrowser(bool all_users);
  virtual bool MakeDefaultBrowser(bool all_users);
  // Registers the installation's handler class; all or nothing.
  virtual bool RegisterFileHandlers(bool all_users);
  virtual bool SetAsDefaultFor(const std::wstring& association, bool all_users);
  virtual bool SetStartMenuInternetDefault(bool all_users);
  // The transaction the registry writes of the default-browser operations
  // join from now on (borrowed; it must outlive them), so that a rollback
  // of the installation undoes them. Null, as at first: each operation
  // commits its own.
  void SetRegistryTransaction(Transaction* transaction) { registry_transaction_ = transaction; }

  // "TarvoSoftware.TarvoWebBrowser." + the status' app id.
  virtual std::wstring GetProgId();
  // "Autoupdate " + the status' app id.
  virtual std::wstring GetAutoupdateTaskName();

  // The browser profile of the current user for this build's stream.
  virtual bool GetProfilePath(base::FilePath* path);
  // The same, except that a "profile_path" preference ending in the
  // component "<USERNAME>" gives the folder that holds every user's
  // profile. Never delete what this answers without
  // IsSafeProfileFolderToDelete.
  virtual bool GetProfileParentPath(base::FilePath* path);
  // The profile for the stream number `stream` (1 Nightly ... 4 Stable).
  virtual bool GetProfilePathForStream(base::FilePath* path, int stream);
  // Where the installer puts the current user's profile for this build's
  // stream when no "profile_path" preference names one: below the user's
  // roaming application-data folder.
  bool GetDefaultProfilePath(base::FilePath* path) const;
  // The local (not roaming) counterpart of `profile_path`.
  virtual void GetLocalDataPath(const base::FilePath& profile_path, base::FilePath* local_path);

  // Whether `folder` may be removed as profile data: refuses relative
  // paths, drive and share roots, the user's home and its desktop,
  // documents and downloads, the profile root, the application-data
  // roots, Program Files, Windows (and what lies inside it), this
  // installation's folder and every folder above any of these.
  virtual bool IsSafeProfileFolderToDelete(const base::FilePath& folder);

 protected:
  // For fakes: `prefs` taken as the parsed preferences (null: none), no
  // file read. `status` as in the public constructor.
  Installation(const base::FilePath& folder, std::unique_ptr<InstallationStatus> status,
               std::unique_ptr<base::Value> prefs);

  // Reads the status file once, on the first call.
  void LoadStatus();
  const std::wstring& app_registration_name() const { return app_registration_name_; }
  const std::wstring& profile_path_preference() const { return profile_path_; }
  Transaction* registry_transaction() const { return registry_transaction_; }

 private:
  // Looks `path` up through nested dictionaries of the preferences.
  const base::Value* FindPref(std::string_view path) const;
  void LoadPrefs();
  void InitNames();
  // The default-browser operations for this installation.
  DefaultBrowserRegistrar Registrar();
  bool GetProfilePathInternal(base::FilePath* path, bool strip_user_name, int stream);
  bool ExpandProfileTemplate(int stream, base::FilePath* path);
  static bool ExpandDefaultProfileTemplate(int stream, base::FilePath* path);

  std::unique_ptr<base::Value> prefs_;
  base::FilePath folder_;
  std::wstring profile_path_;
  // Guards the one-time status load.
  std::mutex status_lock_;
  bool status_loaded_ = false;
  std::unique_ptr<InstallationStatus> status_;
  // Product name, blank, channel name: the name the browser is registered
  // under with the association service.
  std::wstring app_registration_name_;
  Transaction* registry_transaction_ = nullptr;
};

// An installation in a given folder (not the running installer's).
class ExistingInstallation : public Installation {
 public:
  using Installation::Installation;
  ~ExistingInstallation() override;
};

namespace installation_internal {

// The folder an installation in `folder` describes: `folder`, or its parent
// when only the parent holds "launcher.exe".
base::FilePath ResolveInstallationFolder(const base::FilePath& folder);

}  // namespace installation_internal

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALLATION_H_
