#include "desktop/common/autoupdate/updatechecker/fallback_storage_file.h"

#include <memory>

#include "base/bind.h"
#include "base/synchronization/waitable_event.h"
#include "base/threading/thread.h"
#include "base/values.h"
#include "desktop/windows/installer/service/prefs/json_pref_store.h"

namespace {

constexpr char kDictionaryKey[] = "GS";

// A preference store on the file whose writes run on "GsTaskThread"; the
// thread is stopped, after the last write, when this goes away.
class ScopedGsStore {
 public:
  explicit ScopedGsStore(const base::FilePath& path) : thread_("GsTaskThread") {
    if (thread_.Start())
      store_ = std::make_unique<JsonPrefStore>(path, thread_.task_runner());
    else
      store_ = std::make_unique<JsonPrefStore>(path, nullptr);
    store_->ReadPrefs();
  }
  ~ScopedGsStore() {
    store_.reset();
    thread_.Stop();
  }

  JsonPrefStore* store() { return store_.get(); }

  const base::DictionaryValue* GetDictionary() const {
    const base::Value* value = nullptr;
    const base::DictionaryValue* dictionary = nullptr;
    if (store_->GetValue(kDictionaryKey, &value) && value->GetAsDictionary(&dictionary))
      return dictionary;
    return nullptr;
  }

  // Writes now and waits for the file thread's answer.
  bool Commit() {
    bool written = false;
    base::WaitableEvent done;
    store_->CommitPendingWrite(base::BindOnce(
        [](bool* written, base::WaitableEvent* done, bool success) {
          *written = success;
          done->Signal();
        },
        &written, &done));
    // The write is our own thread's, so it is waited for to its end.
    done.Wait();
    return written;
  }

 private:
  base::Thread thread_;
  std::unique_ptr<JsonPrefStore> store_;
};

}  // namespace

FallbackStorageFile::FallbackStorageFile(const base::FilePath& path) : path_(path) {}

bool FallbackStorageFile::SetEntry(const std::string& name, const std::string& value) const {
  ScopedGsStore gs(path_);
  if (gs.store()->ReadOnly())
    return false;
  std::unique_ptr<base::DictionaryValue> dictionary;
  if (const base::DictionaryValue* existing = gs.GetDictionary())
    dictionary = base::DictionaryValue::From(existing->CreateDeepCopy());
  if (!dictionary)
    dictionary = std::make_unique<base::DictionaryValue>();
  // Names are taken whole: a dot in a name is no path.
  if (value.empty())
    dictionary->RemoveKey(name);
  else
    dictionary->SetKey(name, base::Value(value));
  gs.store()->SetValue(kDictionaryKey, std::move(dictionary));
  return gs.Commit();
}

std::string FallbackStorageFile::GetEntry(const std::string& name) const {
  ScopedGsStore gs(path_);
  const base::DictionaryValue* dictionary = gs.GetDictionary();
  const base::Value* entry = dictionary ? dictionary->FindKey(name) : nullptr;
  return entry && entry->is_string() ? entry->GetString() : std::string();
}

bool FallbackStorageFile::GetStringEntries(Entries* entries) const {
  entries->clear();
  ScopedGsStore gs(path_);
  if (gs.store()->ReadOnly())
    return false;
  if (const base::DictionaryValue* dictionary = gs.GetDictionary()) {
    for (const auto& [name, value] : *dictionary) {
      if (value->is_string())
        entries->emplace_back(name, value->GetString());
    }
  }
  return true;
}
