#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_PREFS_JSON_PREF_STORE_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_PREFS_JSON_PREF_STORE_H_

#include <memory>
#include <string>

#include "base/files/file_path.h"
#include "base/memory/ref_counted.h"
#include "desktop/windows/installer/service/prefs/persistent_pref_store.h"

namespace base {
class DictionaryValue;
class SequencedTaskRunner;
class SequencedWorkerPool;
class Value;
}  // namespace base

// A preference store kept as a JSON dictionary in one file. The file is read
// on the calling thread (ReadPrefs, with the backup handling of
// ReadPrefsFromDisk); writes are serialised here and written atomically on
// the file task runner. Changes still pending are committed when the store
// is destroyed.
class JsonPrefStore : public PersistentPrefStore {
 public:
  struct ReadResult {
    ReadResult();
    ~ReadResult();
    ReadResult(const ReadResult&) = delete;
    ReadResult& operator=(const ReadResult&) = delete;

    // The parsed dictionary; null when nothing usable was read.
    std::unique_ptr<base::Value> value;
    PrefReadError error = PREF_READ_ERROR_NONE;
    // The file's folder does not exist.
    bool no_dir = false;
  };

  // The pool's sequence for |file|: every store on one file (whatever the
  // case of its name) writes in order. Null when |pool| is null.
  static base::scoped_refptr<base::SequencedTaskRunner> GetTaskRunnerForFile(
      const base::FilePath& file, base::SequencedWorkerPool* pool);

  // Without a |file_task_runner| (or once it refuses tasks) writes happen on
  // the calling thread, so a change is never dropped.
  JsonPrefStore(const base::FilePath& path,
                base::scoped_refptr<base::SequencedTaskRunner> file_task_runner);
  ~JsonPrefStore() override;
  JsonPrefStore(const JsonPrefStore&) = delete;
  JsonPrefStore& operator=(const JsonPrefStore&) = delete;

  // PersistentPrefStore:
  bool GetValue(const std::string& key, const base::Value** result) const override;
  void SetValue(const std::string& key, std::unique_ptr<base::Value> value) override;
  void RemoveValue(const std::string& key) override;
  bool ReadOnly() const override;
  PrefReadError GetReadError() const override;
  PrefReadError ReadPrefs() override;
  using PersistentPrefStore::CommitPendingWrite;
  void CommitPendingWrite(WriteDoneCallback done) override;

  bool HasPendingWrite() const { return pending_write_; }
  const base::FilePath& path() const { return path_; }

 private:
  const base::FilePath path_;
  const base::scoped_refptr<base::SequencedTaskRunner> file_task_runner_;
  std::unique_ptr<base::DictionaryValue> prefs_;
  PrefReadError read_error_ = PREF_READ_ERROR_NONE;
  bool read_only_ = false;
  bool pending_write_ = false;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_PREFS_JSON_PREF_STORE_H_
