#ifndef CRASH_REPORTER_CLIENT_KEYS_H_
#define CRASH_REPORTER_CLIENT_KEYS_H_

#include <map>
#include <string>
#include <vector>

#include "crash_reporter/custom_info.h"

namespace crash_reporter {

using CrashParameters = std::map<std::wstring, std::wstring>;

// The highest chunk number taken from a client.
inline constexpr unsigned kMaxChunkNumber = 1024;

// The valid keys of a crashed client's custom information. The entries
// come from the crashed process and are not trusted: a name is 1 to 63
// characters of ASCII letters, digits, ".", "-" and "_" (not
// "unspecified-crash-key") and a value ends within its 64 units; anything
// else is dropped. "name-N" entries are chunks of "name" (unless "name"
// came whole) and are joined in chunk order; earlier entries win.
CrashParameters ParseClientKeys(const std::vector<CustomInfoEntry>& entries);

}  // namespace crash_reporter

#endif  // CRASH_REPORTER_CLIENT_KEYS_H_
