#ifndef DESKTOP_WINDOWS_INSTALLER_CHECKSUM_CHECKER_CHECKSUM_CHECKER_H_
#define DESKTOP_WINDOWS_INSTALLER_CHECKSUM_CHECKER_CHECKSUM_CHECKER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/files/file_path.h"
#include "base/values.h"

// Why a checksum check failed, as named values in the order they are
// reported ("detail" first).
using ChecksumDetails = std::vector<std::pair<std::string, base::Value>>;

// SHA-256 of `length` bytes as 64 lowercase hexadecimal characters; empty
// when the system's hash provider fails.
std::string ComputeSha256Hex(const void* data, size_t length);

// Whether the SHA-256 of the file at `path`, as lowercase hexadecimal text,
// equals `expected` exactly (so an upper-case expectation never matches).
// `actual` and `length` receive the file's digest text and size (empty and
// 0 when it cannot be read). On failure `details`, when not null, receives
// the explanation. An empty file hashes as zero bytes.
bool VerifyChecksum(const base::FilePath& path,
                    std::string_view expected,
                    ChecksumDetails* details,
                    std::string* actual,
                    uint64_t* length);

#endif  // DESKTOP_WINDOWS_INSTALLER_CHECKSUM_CHECKER_CHECKSUM_CHECKER_H_
