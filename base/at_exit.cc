#include "base/at_exit.h"

#include <utility>

#include "base/bind.h"
#include "base/logging.h"

namespace base {

namespace {

AtExitManager* g_top_manager = nullptr;

}  // namespace

AtExitManager::AtExitManager() : next_manager_(g_top_manager) {
  CHECK(!g_top_manager) << "a second AtExitManager without shadowing";
  g_top_manager = this;
}

AtExitManager::AtExitManager(bool /*shadow*/) : next_manager_(g_top_manager) {
  g_top_manager = this;
}

AtExitManager::~AtExitManager() {
  if (g_top_manager != this)
    return;
  ProcessCallbacksNow();
  g_top_manager = next_manager_;
}

bool AtExitManager::RegisterCallback(AtExitCallbackType func, void* param) {
  return RegisterTask(BindOnce(func, param));
}

bool AtExitManager::RegisterTask(OnceClosure task) {
  if (!g_top_manager) {
    DLOG(WARNING) << "No AtExitManager: an exit callback will not run";
    return false;
  }
  AutoLock lock(g_top_manager->lock_);
  g_top_manager->stack_.push_back(std::move(task));
  return true;
}

void AtExitManager::ProcessCallbacksNow() {
  AtExitManager* manager = g_top_manager;
  if (!manager)
    return;
  // Callbacks may register further callbacks; those run too.
  for (;;) {
    std::vector<OnceClosure> tasks;
    {
      AutoLock lock(manager->lock_);
      if (manager->stack_.empty())
        return;
      tasks.swap(manager->stack_);
    }
    for (auto it = tasks.rbegin(); it != tasks.rend(); ++it)
      std::move(*it).Run();
  }
}

}  // namespace base
