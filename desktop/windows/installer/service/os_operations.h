#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_OS_OPERATIONS_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_OS_OPERATIONS_H_

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "base/files/file_path.h"
#include "base/win/windows_version.h"

namespace base {
class CommandLine;
}

class DriveEnumerator;
class InstallationStatus;
class RegistryKeyNode;
class Transaction;

// What the browser registration needs to know of the settings (filled by
// the caller from them).
struct BrowserRegistrationRequest {
  bool copy_only = false;
  bool default_browser = false;
  bool all_users = false;
  // The installer runs silently.
  bool silent = false;
  // The chosen installation folder and whether its existing installation
  // already handles http (both from the folder details).
  base::FilePath folder;
  bool folder_is_http_handler = false;
  // The registry writes join this transaction (borrowed) when given, so
  // that the installation's rollback undoes them; without, they are
  // committed at once.
  Transaction* transaction = nullptr;
};

// What an association-service call is about.
enum class AssociationKind {
  kFileExtension,
  kUrlProtocol,
  kStartMenuClient,
};

// The operating-system services the settings, the status loader and the
// registration use, behind one replaceable process-wide object: default
// browser and handler registration, registry key walks, command output and
// drives. Everything that asks the association service, the shell or the
// Windows version for the default-browser decisions goes through here too,
// so that those decisions can be tested where the services answer
// nothing useful (Wine). Used on the calling thread, which has COM.
class OSOperations {
 public:
  // Makes the process-wide instance.
  using Factory = std::unique_ptr<OSOperations> (*)();

  virtual ~OSOperations() = default;

  // The process-wide instance, made by the factory on first use (the
  // default makes an OSOperationsImpl) and destroyed at exit.
  static OSOperations* GetInstance();
  // Replaces the factory; call before the first GetInstance().
  static void SetFactory(Factory factory);
  // Drops the instance and puts the default factory back.
  static void ResetForTesting();
  // Makes `operations` the instance until ResetForTesting().
  static void SetInstanceForTesting(std::unique_ptr<OSOperations> operations);

  // Registers the installation in `request.folder` as default browser or
  // file handler as the request says, then tells the system that
  // associations changed. `status` (may be null) describes the
  // installation when known.
  virtual void SetUpBrowserRegistration(const BrowserRegistrationRequest& request,
                                        const InstallationStatus* status) = 0;
  // Never null; the caller asks IsValid().
  virtual std::unique_ptr<RegistryKeyNode> OpenRegistryKey(HKEY root, const std::wstring& path,
                                                           uint32_t access) = 0;
  // Runs `command_line` and collects its standard output; false when it
  // could not be run (or did not end in time).
  virtual bool GetCommandOutput(const base::CommandLine& command_line, std::string* output) = 0;
  virtual std::unique_ptr<DriveEnumerator> CreateDriveEnumerator() = 0;

  // Whether default associations can be changed through the association
  // registration's interfaces (Internet Explorer's route).
  virtual bool IsInternetExplorerAvailable() = 0;
  // Makes `app_registration_name` the handler of `association` through
  // those interfaces.
  virtual bool SetDefaultAssociation(const std::wstring& app_registration_name,
                                     const std::wstring& product_name,
                                     const std::wstring& association) = 0;

  // The running Windows release.
  virtual base::win::Version GetWindowsVersion() = 0;
  // IApplicationAssociationRegistration::QueryAppIsDefault at the
  // effective level; false when the service fails.
  virtual bool QueryAppIsDefault(const std::wstring& app_registration_name,
                                 const std::wstring& association, AssociationKind kind) = 0;
  // IApplicationAssociationRegistration::SetAppAsDefault.
  virtual bool SetAppAsDefault(const std::wstring& app_registration_name,
                               const std::wstring& association, AssociationKind kind) = 0;
  // The shell's Open With dialog for `association`, asking the user to
  // choose its handler.
  virtual bool ShowOpenWithDialog(const std::wstring& association) = 0;
  // SHChangeNotify(SHCNE_ASSOCCHANGED).
  virtual void NotifyAssociationsChanged() = 0;
  // Activates the packaged application `app_id` with `arguments`.
  virtual bool ActivateApplication(const std::wstring& app_id, const std::wstring& arguments) = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_OS_OPERATIONS_H_
