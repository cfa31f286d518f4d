#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_VERSION_RESOURCE_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_VERSION_RESOURCE_H_

#include <map>
#include <string>
#include <string_view>

// A PE file's version resource read from the file's bytes as they lie on
// disk rather than through the loader, so that a file held open can be
// judged by the very bytes behind the handle. Every offset is checked
// against the bytes given.

// The bytes of the version resource in `image` (the first name and
// language of the type RT_VERSION); false when `image` is no PE file or
// has none. Allocates nothing: it may read a mapped file under an
// InPageErrorGuard.
bool FindVersionResource(std::string_view image, std::string_view* resource);

// The strings of the string table named `table` (such as "000004B0") of
// `resource` ("ProductVersion", "Stream", ...); false when the resource is
// malformed or has no such table.
bool ReadVersionStrings(std::string_view resource, std::wstring_view table,
                        std::map<std::wstring, std::wstring>* strings);

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_VERSION_RESOURCE_H_
