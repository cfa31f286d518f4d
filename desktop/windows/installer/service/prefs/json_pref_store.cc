#include "desktop/windows/installer/service/prefs/json_pref_store.h"

#include <windows.h>

#include <utility>

#include "base/bind.h"
#include "base/json/json_writer.h"
#include "base/logging.h"
#include "base/sequenced_task_runner.h"
#include "base/strings/utf_string_conversions.h"
#include "base/threading/sequenced_worker_pool.h"
#include "base/values.h"
#include "base/files/important_file_writer.h"
#include "desktop/windows/installer/service/prefs/json_pref_file_reader.h"
#include "desktop/windows/installer/service/prefs/pending_pref_writes.h"

namespace {

void WriteToDisk(const base::FilePath& path, const std::string& data,
                 PersistentPrefStore::WriteDoneCallback done) {
  const bool written = base::ImportantFileWriter::WriteFileAtomically(path, data);
  if (!written)
    LOG(ERROR) << "Preferences not saved to " << path;
  if (done)
    std::move(done).Run(written);
}

// The store keeps changes in memory only after these: the file exists but
// what it holds is unknown, and replacing it could lose it.
bool MakesStoreReadOnly(PersistentPrefStore::PrefReadError error) {
  switch (error) {
    case PersistentPrefStore::PREF_READ_ERROR_JSON_TYPE:
    case PersistentPrefStore::PREF_READ_ERROR_ACCESS_DENIED:
    case PersistentPrefStore::PREF_READ_ERROR_FILE_OTHER:
    case PersistentPrefStore::PREF_READ_ERROR_FILE_LOCKED:
      return true;
    default:
      return false;
  }
}

}  // namespace

JsonPrefStore::ReadResult::ReadResult() = default;
JsonPrefStore::ReadResult::~ReadResult() = default;

// static
base::scoped_refptr<base::SequencedTaskRunner> JsonPrefStore::GetTaskRunnerForFile(
    const base::FilePath& file, base::SequencedWorkerPool* pool) {
  if (!pool)
    return nullptr;
  // File names compare without case on Windows: one file, one sequence.
  std::wstring name = file.value();
  if (!name.empty())
    ::CharLowerBuffW(name.data(), static_cast<DWORD>(name.size()));
  return pool->GetSequencedTaskRunnerWithShutdownBehavior(
      pool->GetNamedSequenceToken(base::WideToUTF8(name)),
      base::SequencedWorkerPool::BLOCK_SHUTDOWN);
}

JsonPrefStore::JsonPrefStore(const base::FilePath& path,
                             base::scoped_refptr<base::SequencedTaskRunner> file_task_runner)
    : path_(path),
      file_task_runner_(std::move(file_task_runner)),
      prefs_(std::make_unique<base::DictionaryValue>()) {}

JsonPrefStore::~JsonPrefStore() {
  CommitPendingWrite();
}

bool JsonPrefStore::GetValue(const std::string& key, const base::Value** result) const {
  const base::Value* value = nullptr;
  if (!prefs_->Get(key, &value))
    return false;
  if (result)
    *result = value;
  return true;
}

void JsonPrefStore::SetValue(const std::string& key, std::unique_ptr<base::Value> value) {
  if (!value) {
    LOG(ERROR) << "Ignoring a null value for preference " << key;
    return;
  }
  const base::Value* old_value = nullptr;
  if (prefs_->Get(key, &old_value) && old_value->Equals(value.get()))
    return;
  prefs_->Set(key, std::move(value));
  pending_write_ = true;
}

void JsonPrefStore::RemoveValue(const std::string& key) {
  if (prefs_->Remove(key, nullptr))
    pending_write_ = true;
}

bool JsonPrefStore::ReadOnly() const {
  return read_only_;
}

PersistentPrefStore::PrefReadError JsonPrefStore::GetReadError() const {
  return read_error_;
}

PersistentPrefStore::PrefReadError JsonPrefStore::ReadPrefs() {
  std::unique_ptr<ReadResult> result = ReadPrefsFromDisk(path_);
  read_error_ = result->error;
  read_only_ = MakesStoreReadOnly(read_error_);
  pending_write_ = false;
  base::DictionaryValue* dictionary = nullptr;
  if (read_error_ == PREF_READ_ERROR_NONE && result->value &&
      result->value->GetAsDictionary(&dictionary)) {
    prefs_.reset(static_cast<base::DictionaryValue*>(result->value.release()));
  } else {
    prefs_ = std::make_unique<base::DictionaryValue>();
  }
  if (result->no_dir)
    LOG(WARNING) << "The folder of " << path_ << " does not exist";
  if (read_error_ != PREF_READ_ERROR_NONE && read_error_ != PREF_READ_ERROR_NO_FILE)
    LOG(WARNING) << "Reading " << path_ << " failed with error " << read_error_;
  return read_error_;
}

void JsonPrefStore::CommitPendingWrite(WriteDoneCallback done) {
  if (!pending_write_) {
    if (done)
      std::move(done).Run(/*success=*/true);
    return;
  }
  if (read_only_) {
    LOG(ERROR) << "Not writing " << path_ << ": it could not be read (error " << read_error_
               << ")";
    if (done)
      std::move(done).Run(/*success=*/false);
    return;
  }
  std::string data;
  if (!base::JSONWriter::Write(*prefs_, &data)) {
    LOG(ERROR) << "Cannot serialise the preferences of " << path_;
    if (done)
      std::move(done).Run(/*success=*/false);
    return;
  }
  pending_write_ = false;

  // A runner that refuses the task has destroyed it, |done| included; keep
  // a way to report the inline write.
  auto shared_done = std::make_shared<WriteDoneCallback>(std::move(done));
  if (file_task_runner_) {
    // Known as pending until written, so that a shutdown that gives up on
    // it can say which change it loses.
    PendingPrefWrites::GetInstance()->Add(path_);
    if (file_task_runner_->PostTask(
            FROM_HERE, base::BindOnce(
                           [](base::FilePath path, std::string data,
                              std::shared_ptr<WriteDoneCallback> done) {
                             WriteToDisk(path, data, std::move(*done));
                             PendingPrefWrites::GetInstance()->Remove(path);
                           },
                           path_, data, shared_done))) {
      return;
    }
    PendingPrefWrites::GetInstance()->Remove(path_);
    LOG(WARNING) << "The preference pool refused the write of " << path_ << "; writing here";
  }
  WriteToDisk(path_, data, std::move(*shared_done));
}
