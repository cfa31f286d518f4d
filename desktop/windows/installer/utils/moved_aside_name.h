#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_MOVED_ASIDE_NAME_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_MOVED_ASIDE_NAME_H_

#include <cstdint>
#include <string>

#include "base/files/file_path.h"

// "<path>.<seconds since 1970>.old": where a file is moved aside until the
// work that deletes or replaces it is final. Only the installer makes such
// names, so a later installation in the folder never owns one.
base::FilePath MakeMovedAsideName(const base::FilePath& path);

// Whether the file name `name` has that form: then `original` is the name
// it had and `seconds` when it was moved. Either may be null.
bool ParseMovedAsideName(const std::wstring& name, std::wstring* original, int64_t* seconds);

// Whether `folder` holds a moved-aside copy of its file `name`.
bool HasMovedAsideCopy(const base::FilePath& folder, const std::wstring& name);

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_MOVED_ASIDE_NAME_H_
