#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_PREFS_PERSISTENT_PREF_STORE_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_PREFS_PERSISTENT_PREF_STORE_H_

#include <memory>
#include <string>

#include "base/callback.h"

namespace base {
class Value;
}

// A dictionary of preferences that lives in a file. Keys are dotted paths
// ("intl.app_locale" is "app_locale" inside the dictionary "intl"). Used from
// one thread; the file work may run elsewhere.
class PersistentPrefStore {
 public:
  // What reading the file gave. The numbers are stable: callers log them.
  enum PrefReadError {
    PREF_READ_ERROR_NONE = 0,
    PREF_READ_ERROR_JSON_PARSE = 1,
    PREF_READ_ERROR_JSON_TYPE = 2,
    PREF_READ_ERROR_ACCESS_DENIED = 3,
    PREF_READ_ERROR_FILE_OTHER = 4,
    PREF_READ_ERROR_FILE_LOCKED = 5,
    PREF_READ_ERROR_NO_FILE = 6,
    // A parse error while an earlier corrupt copy (".bad") was still there.
    PREF_READ_ERROR_JSON_REPEAT = 7,
  };

  // Receives whether a write reached the disk.
  using WriteDoneCallback = base::OnceCallback<void(bool)>;

  virtual ~PersistentPrefStore() = default;

  // False when nothing is stored at |key|; |result| stays valid until the
  // next change of the store.
  virtual bool GetValue(const std::string& key, const base::Value** result) const = 0;
  // Stores |value| at |key| (a null value is ignored) and schedules a write
  // when the stored value changed.
  virtual void SetValue(const std::string& key, std::unique_ptr<base::Value> value) = 0;
  virtual void RemoveValue(const std::string& key) = 0;

  // True when the file exists but could not be used: the store then keeps
  // changes in memory only, so a file it could not read is never replaced.
  virtual bool ReadOnly() const = 0;
  virtual PrefReadError GetReadError() const = 0;

  // Reads the file now, on the calling thread, replacing what the store held.
  virtual PrefReadError ReadPrefs() = 0;

  // Hands the pending changes to the file sequence. |done| (optional) runs
  // there after the write, or at once when nothing is pending (true) or the
  // store is read-only (false).
  virtual void CommitPendingWrite(WriteDoneCallback done) = 0;
  void CommitPendingWrite() { CommitPendingWrite(WriteDoneCallback()); }
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_PREFS_PERSISTENT_PREF_STORE_H_
