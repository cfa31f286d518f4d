#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_PACKAGE_FILES_LIST_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_PACKAGE_FILES_LIST_H_

#include <list>
#include <string>

#include "base/files/file_path.h"

// Reads a package list ("files_list", "root_files_list") and appends its
// entries to `entries`. The package is untrusted: an entry that does not
// name a place strictly inside the folder it will be joined to fails the
// whole read (result 1 in the error record) and nothing is appended.
bool ReadPackageFilesList(const base::FilePath& path, std::list<std::string>* entries);

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_PACKAGE_FILES_LIST_H_
