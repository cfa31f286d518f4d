#ifndef TESTING_REGISTRY_CHECKS_H_
#define TESTING_REGISTRY_CHECKS_H_

#include <windows.h>

#include <string>

namespace testing_support {

// Whether `path` below `root` opens for reading, in the registry view
// `view` names (0, KEY_WOW64_32KEY or KEY_WOW64_64KEY).
bool KeyExists(HKEY root, const std::wstring& path, REGSAM view = 0);

}  // namespace testing_support

#endif  // TESTING_REGISTRY_CHECKS_H_
