#ifndef CRASH_REPORTER_CRASH_KEYS_KEEPER_H_
#define CRASH_REPORTER_CRASH_KEYS_KEEPER_H_

#include <map>
#include <string>
#include <vector>

#include "crash_reporter/crash_keys.h"
#include "crash_reporter/custom_info.h"

namespace crash_reporter {

// Holds the custom information of this process: a few fixed entries and
// the values of the reported crash keys, split into chunks. The entries
// live in one fixed array, so the address handed to the reporter stays
// valid for the life of the process.
class CrashKeysKeeper {
 public:
  static constexpr size_t kMaxEntries = 256;

  // The process-wide keeper, or nullptr before Create.
  static CrashKeysKeeper* GetInstance();
  // Makes the keeper for `process_type` unless one exists.
  static CrashKeysKeeper* Create(const std::string& process_type);

  explicit CrashKeysKeeper(const std::string& process_type);
  CrashKeysKeeper(const CrashKeysKeeper&) = delete;
  CrashKeysKeeper& operator=(const CrashKeysKeeper&) = delete;

  // Adds entries for the first `reported` keys; returns how many keys are
  // known.
  size_t RegisterKeys(const std::vector<CrashKey>& keys, size_t reported, size_t chunk_length);
  // UTF-8 value, cut at the key's maximum length. Unknown or unreported
  // keys are ignored.
  void SetKeyValue(const std::string& key, const std::string& value);
  void ClearKeyValue(const std::string& key);

  const CustomClientInfo* custom_info() const { return &info_; }

 private:
  struct Slot {
    size_t first_entry;
    size_t chunks;
    size_t max_length;
  };

  // False when the array is full.
  bool AddEntry(const std::string& name, const std::wstring& value);

  CustomInfoEntry entries_[kMaxEntries] = {};
  CustomClientInfo info_ = {};
  std::map<std::string, Slot> slots_;
  size_t chunk_length_ = kCrashKeyChunkLength;
};

}  // namespace crash_reporter

#endif  // CRASH_REPORTER_CRASH_KEYS_KEEPER_H_
