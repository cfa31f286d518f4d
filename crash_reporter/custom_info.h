#ifndef CRASH_REPORTER_CUSTOM_INFO_H_
#define CRASH_REPORTER_CUSTOM_INFO_H_

#include <cstdint>

namespace crash_reporter {

// Name and value units of one custom-information entry, terminator
// included. The reporter reads these from the crashed process.
inline constexpr int kCustomInfoUnits = 64;

struct CustomInfoEntry {
  wchar_t name[kCustomInfoUnits];
  wchar_t value[kCustomInfoUnits];
};

// Where a client keeps its entries; both fields are read by the reporter
// from the client's memory, so they are fixed-size.
struct CustomClientInfo {
  uint64_t entries;  // address of the first CustomInfoEntry
  uint64_t count;
};

}  // namespace crash_reporter

#endif  // CRASH_REPORTER_CUSTOM_INFO_H_
