#ifndef DESKTOP_WINDOWS_INSTALLER_CHECKSUM_CHECKER_FILE_SHA1_CHECKER_H_
#define DESKTOP_WINDOWS_INSTALLER_CHECKSUM_CHECKER_FILE_SHA1_CHECKER_H_

#include <string>
#include <string_view>

#include "base/files/file_path.h"

// Whether the SHA-1 of the file at `path`, base64-encoded, equals
// `expected_base64` exactly. The digest comes from CNG, or from the portable
// SHA-1 when CNG cannot be used. On failure `error` receives why: the file
// cannot be read, or its digest differs.
bool VerifyFileSha1(const base::FilePath& path,
                    std::string_view expected_base64,
                    std::string* error);

#endif  // DESKTOP_WINDOWS_INSTALLER_CHECKSUM_CHECKER_FILE_SHA1_CHECKER_H_
