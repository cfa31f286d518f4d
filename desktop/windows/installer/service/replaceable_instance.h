#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_REPLACEABLE_INSTANCE_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_REPLACEABLE_INSTANCE_H_

#include <memory>
#include <mutex>
#include <utility>

#include "base/at_exit.h"
#include "base/logging.h"

// A process-wide instance of T made on first use by a replaceable factory
// and destroyed by the at-exit manager (when there is one). Keep it in
// static storage that is never destroyed itself. Thread-safe; the instance
// is destroyed outside the lock.
template <typename T>
class ReplaceableInstance {
 public:
  using Factory = std::unique_ptr<T> (*)();

  explicit ReplaceableInstance(Factory default_factory)
      : default_factory_(default_factory), factory_(default_factory) {}
  ReplaceableInstance(const ReplaceableInstance&) = delete;
  ReplaceableInstance& operator=(const ReplaceableInstance&) = delete;

  T* Get() {
    std::lock_guard<std::mutex> lock(lock_);
    if (!instance_) {
      instance_ = factory_();
      DCHECK(instance_);
      RegisterAtExitLocked();
    }
    return instance_.get();
  }

  // Null puts the default back. Meant for before the first Get().
  void SetFactory(Factory factory) {
    std::lock_guard<std::mutex> lock(lock_);
    DCHECK(!instance_) << "A factory is replaced after its instance was made";
    factory_ = factory ? factory : default_factory_;
  }

  // Drops the instance and puts the default factory back.
  void Reset() {
    std::unique_ptr<T> previous = Swap(nullptr);
    std::lock_guard<std::mutex> lock(lock_);
    factory_ = default_factory_;
  }

  void Set(std::unique_ptr<T> instance) { Swap(std::move(instance)); }

 private:
  static void DestroyAtExit(void* self) {
    auto* holder = static_cast<ReplaceableInstance*>(self);
    std::unique_ptr<T> previous = holder->Swap(nullptr);
    std::lock_guard<std::mutex> lock(holder->lock_);
    holder->at_exit_registered_ = false;
  }

  std::unique_ptr<T> Swap(std::unique_ptr<T> instance) {
    std::lock_guard<std::mutex> lock(lock_);
    std::swap(instance, instance_);
    if (instance_) RegisterAtExitLocked();
    return instance;
  }

  void RegisterAtExitLocked() {
    if (!at_exit_registered_)
      at_exit_registered_ = base::AtExitManager::RegisterCallback(&DestroyAtExit, this);
  }

  std::mutex lock_;
  const Factory default_factory_;
  Factory factory_;
  std::unique_ptr<T> instance_;
  bool at_exit_registered_ = false;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_REPLACEABLE_INSTANCE_H_
