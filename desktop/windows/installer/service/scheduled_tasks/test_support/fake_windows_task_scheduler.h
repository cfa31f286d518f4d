#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASKS_TEST_SUPPORT_FAKE_WINDOWS_TASK_SCHEDULER_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASKS_TEST_SUPPORT_FAKE_WINDOWS_TASK_SCHEDULER_H_

#include <memory>
#include <string>
#include <vector>

#include "desktop/windows/installer/service/scheduled_tasks/windows_task_scheduler.h"

// Installs itself as the scheduler factory while alive; every scheduler
// made records into it. One at a time.
class FakeTaskSchedulerWorld {
 public:
  FakeTaskSchedulerWorld() {
    current_ = this;
    SetWindowsTaskSchedulerFactoryForTesting(&Make);
  }
  ~FakeTaskSchedulerWorld() {
    SetWindowsTaskSchedulerFactoryForTesting(nullptr);
    current_ = nullptr;
  }

  bool initialize_result = true;
  TaskCreation create_result = TaskCreation::kCreated;
  int schedulers_made = 0;
  // "sweep", "delete NAME", "create NAME".
  std::vector<std::wstring> calls;
  std::vector<ScheduledTaskInfo> created;

 private:
  class Scheduler : public WindowsTaskScheduler {
   public:
    explicit Scheduler(FakeTaskSchedulerWorld* world) : world_(world) {}
    bool Initialize() override { return world_->initialize_result; }
    TaskCreation CreateTask(const ScheduledTaskInfo& info) override {
      world_->calls.push_back(L"create " + info.name);
      world_->created.push_back(info);
      return world_->create_result;
    }
    void DeleteStaleTasks() override { world_->calls.push_back(L"sweep"); }
    void DeleteTask(const std::wstring& name) override {
      world_->calls.push_back(L"delete " + name);
    }
    void UpdateTaskInterval(const std::wstring&, int) override {}
    void SetTaskEnabled(const std::wstring&, bool) override {}
    bool RunTask(const std::wstring&, const std::vector<std::wstring>&) override { return true; }
    ScheduledTaskState GetTaskState(const std::wstring&) override {
      return ScheduledTaskState::kReady;
    }
    base::Time GetLastRunTime(const std::wstring&) override { return base::Time(); }

   private:
    FakeTaskSchedulerWorld* const world_;
  };

  static std::unique_ptr<WindowsTaskScheduler> Make() {
    ++current_->schedulers_made;
    return std::make_unique<Scheduler>(current_);
  }

  static inline FakeTaskSchedulerWorld* current_ = nullptr;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASKS_TEST_SUPPORT_FAKE_WINDOWS_TASK_SCHEDULER_H_
