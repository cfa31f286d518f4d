#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_DEFAULT_BROWSER_REGISTRAR_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_DEFAULT_BROWSER_REGISTRAR_H_

#include <string>
#include <vector>

class Installation;
class OSOperations;
class Transaction;

// The default-browser operations of one installation: handler checks,
// handler registration and making it the default in the way each Windows
// version allows. Registry writes go through one transaction per
// operation; the association service, the shell and the Windows version
// are asked through OSOperations. Calls between the operations go through
// the installation, so that its overrides apply. The installation's status
// must be loaded before an operation that needs it.
class DefaultBrowserRegistrar {
 public:
  // `installation` and `os` are borrowed. `app_registration_name` names
  // the browser in the association service's calls. The registry writes
  // join `transaction` when given (borrowed); without, each operation
  // commits its own.
  DefaultBrowserRegistrar(Installation* installation, OSOperations* os,
                          const std::wstring& app_registration_name,
                          Transaction* transaction = nullptr);
  DefaultBrowserRegistrar(const DefaultBrowserRegistrar&) = delete;
  DefaultBrowserRegistrar& operator=(const DefaultBrowserRegistrar&) = delete;
  ~DefaultBrowserRegistrar();

  bool GetAssociationCommand(const std::wstring& association, bool all_users,
                             std::wstring* command);
  bool IsHandlerFor(const std::wstring& association);
  bool IsHttpHandler();
  bool IsDefaultBrowser();
  bool GetPreviousDefaultBrowser(std::wstring* value);
  bool SetPreviousDefaultBrowser(const std::wstring& value, bool all_users);
  void StorePreviousDefaultBrowser(bool all_users);
  bool MakeDefaultBrowser(bool all_users);
  bool RegisterFileHandlers(bool all_users);
  bool SetAsDefaultFor(const std::wstring& association, bool all_users);
  bool SetStartMenuInternetDefault(bool all_users);

 private:
  // The rows for `association` (extension or protocol), for the root.
  bool WriteAssociationRules(const std::wstring& association, bool all_users);
  bool SetAsDefaultOnWindows10(const std::wstring& association);

  Installation* installation_;
  OSOperations* os_;
  std::wstring app_registration_name_;
  Transaction* transaction_;
};

// Every association MakeDefaultBrowser may make this browser the default
// for, protocols and extensions, in the order it does.
std::vector<std::wstring> GetDefaultBrowserAssociations();

// Whether `association` may name registry keys: a protocol or an
// extension, not empty, without separators, control characters or
// placeholders.
bool IsUsableAssociationName(const std::wstring& association);

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_DEFAULT_BROWSER_REGISTRAR_H_
