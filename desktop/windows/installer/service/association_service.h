#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_ASSOCIATION_SERVICE_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_ASSOCIATION_SERVICE_H_

#include <string>

#include "desktop/windows/installer/service/os_operations.h"

// Windows' application-association service and the shell calls that
// change default handlers. COM must be initialised on the calling thread.
// Under Wine most of them fail (E_NOTIMPL, E_NOINTERFACE, missing exports).
namespace association_service {

// Builds above this one route default changes through the handler
// enumeration instead of the older private registration interfaces.
inline constexpr int kHandlerRouteMinBuild = 17036;

bool IsInternetExplorerAvailable(int windows_build);
bool SetDefaultAssociation(int windows_build, const std::wstring& app_registration_name,
                           const std::wstring& product_name, const std::wstring& association);
bool QueryAppIsDefault(const std::wstring& app_registration_name,
                       const std::wstring& association, AssociationKind kind);
bool SetAppAsDefault(const std::wstring& app_registration_name, const std::wstring& association,
                     AssociationKind kind);
// SHOpenWithDialog without owner, with OAIF_URL_PROTOCOL,
// OAIF_FORCE_REGISTRATION and OAIF_REGISTER_EXT; looked up at run time.
bool ShowOpenWithDialog(const std::wstring& association);
// IApplicationActivationManager::ActivateApplication after allowing the
// activated application to take the foreground.
bool ActivateApplication(const std::wstring& app_id, const std::wstring& arguments);

}  // namespace association_service

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_ASSOCIATION_SERVICE_H_
