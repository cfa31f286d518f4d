#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_PREFS_JSON_PREF_STORE_FACTORY_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_PREFS_JSON_PREF_STORE_FACTORY_H_

#include <memory>

#include "base/files/file_path.h"
#include "desktop/windows/installer/service/prefs/json_pref_store.h"
#include "desktop/windows/installer/service/prefs/prefs_task_pool.h"

namespace base {
class SequencedWorkerPool;
}

// The process-wide pool holder, made on first use (from any thread). Its
// shutdown is registered with the AtExitManager then.
PrefsTaskPool* GetPrefsTaskPool();

// A store on |file| that writes on |pool| (one sequence per file), already
// read (ReadPrefs ran on this thread). A null |pool| (after shutdown) gives
// a store that writes on the calling thread.
std::unique_ptr<JsonPrefStore> CreateJsonPrefStore(base::SequencedWorkerPool* pool,
                                                   const base::FilePath& file);

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_PREFS_JSON_PREF_STORE_FACTORY_H_
