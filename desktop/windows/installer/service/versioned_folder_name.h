#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_VERSIONED_FOLDER_NAME_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_VERSIONED_FOLDER_NAME_H_

#include <string>

// Whether `name` is one of a versioned subfolder of an installation folder
// ("51.0.2802.0", or "51.0.2802.0_3" beside an earlier one): split at "."
// into non-empty parts with white space trimmed, four or five parts made
// only of digits and "_", the first one a number, which `major` receives.
bool ParseVersionedFolderName(const std::wstring& name, int* major);

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_VERSIONED_FOLDER_NAME_H_
