#include "desktop/windows/installer/service/prefs/json_pref_store.h"

#include <atomic>
#include <limits>
#include <string>

#include "base/bind.h"
#include "base/files/file.h"
#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/sequenced_task_runner.h"
#include "base/strings/string_util.h"
#include "base/synchronization/waitable_event.h"
#include "base/threading/sequenced_worker_pool.h"
#include "base/values.h"
#include "desktop/windows/installer/service/prefs/json_pref_store_factory.h"
#include "gtest/gtest.h"

namespace {

constexpr char kPrefs[] = R"({"intl":{"app_locale":"de"},"language":"de"})";

class JsonPrefStoreTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_dir_.CreateUniqueTempDir());
    path_ = temp_dir_.GetPath().Append(L"installer_prefs.json");
  }

  std::string ReadFile() const {
    std::string data;
    base::ReadFileToString(path_, &data);
    return data;
  }
  int CountFiles() const {
    int count = 0;
    base::FileEnumerator files(temp_dir_.GetPath(), false, base::FileEnumerator::FILES);
    for (base::FilePath name = files.Next(); !name.empty(); name = files.Next())
      ++count;
    return count;
  }

  base::ScopedTempDir temp_dir_;
  base::FilePath path_;
};

TEST_F(JsonPrefStoreTest, DottedKeysReachNestedDictionaries) {
  ASSERT_TRUE(base::WriteFile(path_, kPrefs));
  auto store = CreateJsonPrefStore(nullptr, path_);
  const base::Value* value = nullptr;
  ASSERT_TRUE(store->GetValue("intl.app_locale", &value));
  EXPECT_EQ("de", value->GetString());
  EXPECT_FALSE(store->GetValue("intl.missing", &value));

  store->SetValue("intl.app_locale", std::make_unique<base::Value>("fr"));
  store.reset();
  EXPECT_EQ(R"({"intl":{"app_locale":"fr"},"language":"de"})", ReadFile());
}

TEST_F(JsonPrefStoreTest, WritesOnlyWhenSomethingChanged) {
  ASSERT_TRUE(base::WriteFile(path_, kPrefs));
  auto store = CreateJsonPrefStore(nullptr, path_);
  store->SetValue("language", std::make_unique<base::Value>("de"));
  store->RemoveValue("not.there");
  EXPECT_FALSE(store->HasPendingWrite());
  store->SetValue("language", nullptr);
  EXPECT_FALSE(store->HasPendingWrite());
  store->RemoveValue("intl");
  EXPECT_TRUE(store->HasPendingWrite());
  store.reset();
  EXPECT_EQ(R"({"language":"de"})", ReadFile());
}

TEST_F(JsonPrefStoreTest, MissingFileStartsEmptyAndIsCreated) {
  auto store = CreateJsonPrefStore(nullptr, path_);
  EXPECT_EQ(PersistentPrefStore::PREF_READ_ERROR_NO_FILE, store->GetReadError());
  EXPECT_FALSE(store->ReadOnly());
  store->SetValue("a", std::make_unique<base::Value>(1));
  store.reset();
  EXPECT_EQ(R"({"a":1})", ReadFile());
}

TEST_F(JsonPrefStoreTest, UnreadableFileIsNeverReplaced) {
  // Not a dictionary: the store cannot know what it would throw away.
  ASSERT_TRUE(base::WriteFile(path_, "[\"keep\"]"));
  auto store = CreateJsonPrefStore(nullptr, path_);
  EXPECT_EQ(PersistentPrefStore::PREF_READ_ERROR_JSON_TYPE, store->GetReadError());
  EXPECT_TRUE(store->ReadOnly());
  store->SetValue("a", std::make_unique<base::Value>(1));
  bool reported = true;
  store->CommitPendingWrite(base::BindOnce([](bool* out, bool ok) { *out = ok; }, &reported));
  EXPECT_FALSE(reported);
  store.reset();
  EXPECT_EQ("[\"keep\"]", ReadFile());
}


TEST_F(JsonPrefStoreTest, UnserialisableValueLeavesFileIntact) {
  ASSERT_TRUE(base::WriteFile(path_, kPrefs));
  auto store = CreateJsonPrefStore(nullptr, path_);
  store->SetValue("x", std::make_unique<base::Value>(std::numeric_limits<double>::quiet_NaN()));
  bool reported = true;
  store->CommitPendingWrite(base::BindOnce([](bool* out, bool ok) { *out = ok; }, &reported));
  EXPECT_FALSE(reported);
  store.reset();
  EXPECT_EQ(kPrefs, ReadFile());
  EXPECT_EQ(1, CountFiles());
}

TEST_F(JsonPrefStoreTest, WritesRunOnTheFileSequenceOfThePool) {
  auto pool = base::MakeRefCounted<base::SequencedWorkerPool>(2, "PrefsTestPool");
  base::scoped_refptr<base::SequencedTaskRunner> runner =
      JsonPrefStore::GetTaskRunnerForFile(path_, pool.get());
  base::WaitableEvent release;
  // Holds the file's sequence, so the write can only be queued behind it.
  runner->PostTask(FROM_HERE, base::BindOnce(
                                  [](base::WaitableEvent* event) {
                                    event->TimedWait(base::TimeDelta::FromSeconds(10));
                                  },
                                  &release));

  std::atomic<bool> on_sequence{false};
  base::WaitableEvent written;
  // The same file in another case shares the sequence.
  auto other_case = JsonPrefStore::GetTaskRunnerForFile(
      base::FilePath(base::ToLowerASCII(path_.value())), pool.get());
  {
    auto store = CreateJsonPrefStore(pool.get(), path_);
    store->SetValue("a", std::make_unique<base::Value>(1));
    store->CommitPendingWrite(base::BindOnce(
        [](base::SequencedTaskRunner* runner, std::atomic<bool>* on_sequence,
           base::WaitableEvent* written, bool ok) {
          *on_sequence = ok && runner->RunsTasksInCurrentSequence();
          written->Signal();
        },
        base::Unretained(other_case.get()), &on_sequence, &written));
  }
  EXPECT_FALSE(base::PathExists(path_));
  release.Signal();
  ASSERT_TRUE(written.TimedWait(base::TimeDelta::FromSeconds(10)));
  EXPECT_TRUE(on_sequence);
  EXPECT_EQ(R"({"a":1})", ReadFile());
  pool->Shutdown();
}

TEST_F(JsonPrefStoreTest, PoolRefusingTheWriteWritesInline) {
  auto pool = base::MakeRefCounted<base::SequencedWorkerPool>(2, "PrefsTestPool");
  auto store = CreateJsonPrefStore(pool.get(), path_);
  pool->Shutdown();
  store->SetValue("a", std::make_unique<base::Value>(2));
  bool reported = false;
  store->CommitPendingWrite(base::BindOnce([](bool* out, bool ok) { *out = ok; }, &reported));
  EXPECT_TRUE(reported);
  EXPECT_EQ(R"({"a":2})", ReadFile());
}



}  // namespace
