#include "desktop/windows/installer/service/prefs/json_pref_store_factory.h"

#include <mutex>

#include "base/at_exit.h"
#include "base/logging.h"
#include "base/sequenced_task_runner.h"

namespace {

PrefsTaskPool* g_prefs_task_pool = nullptr;

void ShutDownPrefsTaskPool(void*) {
  g_prefs_task_pool->ShutDown();
}

}  // namespace

PrefsTaskPool* GetPrefsTaskPool() {
  static std::once_flag once;
  std::call_once(once, [] {
    // Never destroyed: late callers get a holder without a pool.
    g_prefs_task_pool = new PrefsTaskPool();
    if (!base::AtExitManager::RegisterCallback(&ShutDownPrefsTaskPool, nullptr))
      LOG(WARNING) << "No AtExitManager: the preference pool is not shut down at exit";
  });
  return g_prefs_task_pool;
}

std::unique_ptr<JsonPrefStore> CreateJsonPrefStore(base::SequencedWorkerPool* pool,
                                                   const base::FilePath& file) {
  auto store =
      std::make_unique<JsonPrefStore>(file, JsonPrefStore::GetTaskRunnerForFile(file, pool));
  store->ReadPrefs();
  return store;
}
