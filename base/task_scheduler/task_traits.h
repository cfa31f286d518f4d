#ifndef BASE_TASK_SCHEDULER_TASK_TRAITS_H_
#define BASE_TASK_SCHEDULER_TASK_TRAITS_H_

#include <type_traits>

namespace base {

enum class TaskPriority {
  BACKGROUND,
  USER_VISIBLE,
  USER_BLOCKING,
};

enum class TaskShutdownBehavior {
  // Not waited for; skipped when not started before shutdown.
  CONTINUE_ON_SHUTDOWN,
  // Skipped when not started before shutdown; shutdown waits for it once
  // started.
  SKIP_ON_SHUTDOWN,
  // Shutdown waits until it ran. A delayed task never blocks shutdown.
  BLOCK_SHUTDOWN,
};

// The task may block on IO or other slow calls.
struct MayBlock {};
// The task may wait on WaitableEvent, Thread::Stop and other primitives.
struct WithBaseSyncPrimitives {};

// How a task wants to be run: TaskTraits(MayBlock(), TaskPriority::BACKGROUND).
class TaskTraits {
 public:
  constexpr TaskTraits() = default;
  template <typename... Args>
  constexpr explicit TaskTraits(Args... args) {
    (Apply(args), ...);
  }

  constexpr TaskPriority priority() const { return priority_; }
  constexpr TaskShutdownBehavior shutdown_behavior() const { return shutdown_behavior_; }
  constexpr bool may_block() const { return may_block_; }
  constexpr bool with_base_sync_primitives() const { return with_base_sync_primitives_; }

 private:
  constexpr void Apply(TaskPriority priority) { priority_ = priority; }
  constexpr void Apply(TaskShutdownBehavior behavior) { shutdown_behavior_ = behavior; }
  constexpr void Apply(MayBlock) { may_block_ = true; }
  constexpr void Apply(WithBaseSyncPrimitives) { with_base_sync_primitives_ = true; }

  TaskPriority priority_ = TaskPriority::USER_VISIBLE;
  TaskShutdownBehavior shutdown_behavior_ = TaskShutdownBehavior::SKIP_ON_SHUTDOWN;
  bool may_block_ = false;
  bool with_base_sync_primitives_ = false;
};

}  // namespace base

#endif  // BASE_TASK_SCHEDULER_TASK_TRAITS_H_
