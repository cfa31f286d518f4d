#ifndef CRASH_REPORTER_CRASH_KEYS_H_
#define CRASH_REPORTER_CRASH_KEYS_H_

#include <cstddef>
#include <string>
#include <vector>

namespace crash_reporter {

struct CrashKey {
  const char* name;
  size_t max_length;
};

// Values longer than one chunk are split over several entries.
inline constexpr size_t kCrashKeyChunkLength = 63;

// The installer's 75 keys in registration order.
const std::vector<CrashKey>& GetInstallerCrashKeys();
// How many leading keys of that list travel in the custom information.
inline constexpr size_t kReportedCrashKeyCount = 44;

// The entry names of `key`: its own name when its value fits in one chunk,
// else "name-1" to "name-N".
std::vector<std::string> GetChunkedKeyNames(const CrashKey& key, size_t chunk_length);

}  // namespace crash_reporter

#endif  // CRASH_REPORTER_CRASH_KEYS_H_
