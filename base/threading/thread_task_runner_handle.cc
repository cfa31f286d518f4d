#include "base/threading/thread_task_runner_handle.h"

#include <utility>

namespace base {

namespace {
thread_local ThreadTaskRunnerHandle* g_current_thread_handle = nullptr;
thread_local SequencedTaskRunnerHandle* g_current_sequenced_handle = nullptr;
}  // namespace

scoped_refptr<SingleThreadTaskRunner> ThreadTaskRunnerHandle::Get() {
  return g_current_thread_handle ? g_current_thread_handle->task_runner_ : nullptr;
}

bool ThreadTaskRunnerHandle::IsSet() {
  return g_current_thread_handle != nullptr;
}

ThreadTaskRunnerHandle::ThreadTaskRunnerHandle(scoped_refptr<SingleThreadTaskRunner> task_runner)
    : task_runner_(task_runner), sequenced_handle_(task_runner), previous_(g_current_thread_handle) {
  g_current_thread_handle = this;
}

ThreadTaskRunnerHandle::~ThreadTaskRunnerHandle() {
  g_current_thread_handle = previous_;
}

scoped_refptr<SequencedTaskRunner> SequencedTaskRunnerHandle::Get() {
  return g_current_sequenced_handle ? g_current_sequenced_handle->task_runner_ : nullptr;
}

bool SequencedTaskRunnerHandle::IsSet() {
  return g_current_sequenced_handle != nullptr;
}

SequencedTaskRunnerHandle::SequencedTaskRunnerHandle(scoped_refptr<SequencedTaskRunner> task_runner)
    : task_runner_(std::move(task_runner)), previous_(g_current_sequenced_handle) {
  g_current_sequenced_handle = this;
}

SequencedTaskRunnerHandle::~SequencedTaskRunnerHandle() {
  g_current_sequenced_handle = previous_;
}

}  // namespace base
