#ifndef BASE_AT_EXIT_H_
#define BASE_AT_EXIT_H_

#include <vector>

#include "base/callback.h"
#include "base/synchronization/lock.h"

namespace base {

// Runs registered callbacks, last registered first, when it is destroyed
// (normally at the end of main). Only one is active at a time unless a test
// shadows it with ShadowingAtExitManager.
class AtExitManager {
 public:
  using AtExitCallbackType = void (*)(void*);

  AtExitManager();
  virtual ~AtExitManager();
  AtExitManager(const AtExitManager&) = delete;
  AtExitManager& operator=(const AtExitManager&) = delete;

  // False (and nothing registered) when no manager exists.
  static bool RegisterCallback(AtExitCallbackType func, void* param);
  static bool RegisterTask(OnceClosure task);
  static void ProcessCallbacksNow();

 protected:
  // A manager that hides the current one until it is destroyed.
  explicit AtExitManager(bool shadow);

 private:
  Lock lock_;
  std::vector<OnceClosure> stack_;
  AtExitManager* next_manager_;
};

class ShadowingAtExitManager : public AtExitManager {
 public:
  ShadowingAtExitManager() : AtExitManager(true) {}
};

}  // namespace base

#endif  // BASE_AT_EXIT_H_
