#include "desktop/windows/installer/service/prefs/prefs_task_pool.h"

#include <string>

#include "base/bind.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/sequenced_task_runner.h"
#include "base/synchronization/waitable_event.h"
#include "base/threading/platform_thread.h"
#include "base/threading/sequenced_worker_pool.h"
#include "base/time/time.h"
#include "base/values.h"
#include "desktop/windows/installer/service/prefs/json_pref_store_factory.h"
#include "gtest/gtest.h"
#include "testing/scoped_log_capture.h"

namespace {

// Keeps the file's sequence busy for |delay| so that later tasks queue.
void OccupySequence(base::SequencedTaskRunner* runner, base::TimeDelta delay) {
  runner->PostTask(FROM_HERE, base::BindOnce(&base::PlatformThread::Sleep, delay));
}

TEST(PrefsTaskPoolTest, ShutDownFlushesQueuedWrites) {
  base::ScopedTempDir temp_dir;
  ASSERT_TRUE(temp_dir.CreateUniqueTempDir());
  const base::FilePath path = temp_dir.GetPath().Append(L"installer_prefs.json");

  PrefsTaskPool holder;
  OccupySequence(JsonPrefStore::GetTaskRunnerForFile(path, holder.pool()).get(),
                 base::TimeDelta::FromMilliseconds(300));
  {
    auto store = CreateJsonPrefStore(holder.pool(), path);
    store->SetValue("language", std::make_unique<base::Value>("de"));
  }
  EXPECT_FALSE(base::PathExists(path));
  EXPECT_TRUE(holder.ShutDown());
  EXPECT_EQ(nullptr, holder.pool());

  std::string data;
  ASSERT_TRUE(base::ReadFileToString(path, &data));
  EXPECT_EQ(R"({"language":"de"})", data);

  // After shutdown a store still saves its changes, on the calling thread.
  auto late = CreateJsonPrefStore(holder.pool(), path);
  late->SetValue("language", std::make_unique<base::Value>("fr"));
  late.reset();
  ASSERT_TRUE(base::ReadFileToString(path, &data));
  EXPECT_EQ(R"({"language":"fr"})", data);
  EXPECT_TRUE(holder.ShutDown());
}

// Posts a task that blocks a worker until |release| (at most 20 s), then
// signals |finished|.
void PostStuckWrite(PrefsTaskPool* holder, base::WaitableEvent* release,
                    base::WaitableEvent* finished) {
  holder->pool()->PostWorkerTask(FROM_HERE, base::BindOnce(
                                                [](base::WaitableEvent* release,
                                                   base::WaitableEvent* finished) {
                                                  release->TimedWait(
                                                      base::TimeDelta::FromSeconds(20));
                                                  finished->Signal();
                                                },
                                                release, finished));
}

TEST(PrefsTaskPoolTest, ShutDownGivesUpOnAStuckWrite) {
  PrefsTaskPool holder;
  base::WaitableEvent release;
  base::WaitableEvent finished;
  PostStuckWrite(&holder, &release, &finished);
  const base::TimeTicks start = base::TimeTicks::Now();
  EXPECT_FALSE(holder.ShutDown(base::TimeDelta::FromMilliseconds(300)));
  EXPECT_LT((base::TimeTicks::Now() - start).InMilliseconds(), 5000);
  EXPECT_EQ(nullptr, holder.pool());
  release.Signal();
  EXPECT_TRUE(finished.TimedWait(base::TimeDelta::FromSeconds(10)));
}

// A change still queued when the wait ends is lost with the process: the
// log names its file.
TEST(PrefsTaskPoolTest, ShutDownThatGivesUpNamesTheLostChange) {
  base::ScopedTempDir temp_dir;
  ASSERT_TRUE(temp_dir.CreateUniqueTempDir());
  const base::FilePath path = temp_dir.GetPath().Append(L"installer_prefs.json");
  PrefsTaskPool holder;
  base::WaitableEvent release;
  JsonPrefStore::GetTaskRunnerForFile(path, holder.pool())
      ->PostTask(FROM_HERE, base::BindOnce(
                                [](base::WaitableEvent* release) {
                                  release->TimedWait(base::TimeDelta::FromSeconds(20));
                                },
                                &release));
  {
    auto store = CreateJsonPrefStore(holder.pool(), path);
    store->SetValue("language", std::make_unique<base::Value>("de"));
  }
  {
    testing_support::ScopedLogCapture log;
    EXPECT_FALSE(holder.ShutDown(base::TimeDelta::FromMilliseconds(300)));
    EXPECT_TRUE(log.Contains("Preference change to " + path.AsUTF8Unsafe() + " lost"));
  }
  // Let the pool end before the folder goes.
  release.Signal();
  for (int i = 0; i < 100 && !base::PathExists(path); ++i)
    base::PlatformThread::Sleep(base::TimeDelta::FromMilliseconds(100));
  EXPECT_TRUE(base::PathExists(path));
}

TEST(PrefsTaskPoolTest, ShutDownWithoutWaitReturnsAtOnce) {
  PrefsTaskPool holder;
  holder.set_wait_for_shutdown(false);
  base::WaitableEvent release;
  base::WaitableEvent finished;
  PostStuckWrite(&holder, &release, &finished);
  const base::TimeTicks start = base::TimeTicks::Now();
  EXPECT_TRUE(holder.ShutDown(base::TimeDelta::FromSeconds(20)));
  EXPECT_LT((base::TimeTicks::Now() - start).InMilliseconds(), 5000);
  release.Signal();
  // The task still completes: a blocking shutdown runs it to the end.
  EXPECT_TRUE(finished.TimedWait(base::TimeDelta::FromSeconds(10)));
}

// Also leaves the shared pool to the at-exit shutdown of this process.
TEST(PrefsTaskPoolTest, SharedHolderIsMadeOnce) {
  PrefsTaskPool* holder = GetPrefsTaskPool();
  EXPECT_EQ(holder, GetPrefsTaskPool());
  EXPECT_NE(nullptr, holder->pool());
}

}  // namespace
