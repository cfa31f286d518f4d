#include "desktop/windows/installer/steps/installer_step_scheduler_impl.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/bind.h"
#include "base/message_loop/message_loop.h"
#include "base/run_loop.h"
#include "desktop/windows/installer/steps/installer_step.h"
#include "desktop/windows/installer/steps/installer_step_factory.h"
#include "desktop/windows/installer/steps/test_support/fake_step_context.h"
#include "desktop/windows/installer/steps/test_support/operation_only_settings.h"
#include "desktop/windows/installer/utils/installer_error_record.h"
#include "desktop/windows/installer/utils/test_support/scoped_installer_error_record.h"
#include "gtest/gtest.h"

namespace {

using Script = std::function<StepResult(int attempt)>;

// Runs whatever script the test gave for its name; records every run.
class ScriptedStep : public InstallerStep {
 public:
  ScriptedStep(std::string name, InstallerStepContext* context, Script script,
               std::vector<std::string>* runs)
      : InstallerStep(std::move(name), context), script_(std::move(script)), runs_(runs) {}

  StepResult Run(int attempt) override {
    runs_->push_back(name() + "#" + std::to_string(attempt));
    return script_(attempt);
  }

 private:
  Script script_;
  std::vector<std::string>* runs_;
};

class ScriptedStepFactory : public InstallerStepFactory {
 public:
  ScriptedStepFactory(std::map<std::string, Script>* scripts, std::vector<std::string>* runs)
      : scripts_(scripts), runs_(runs) {}

  std::unique_ptr<InstallerStep> CreateStep(StepKind kind, const StepArguments& arguments,
                                            InstallerStepContext* context) override {
    std::string name = GetStepName(kind, arguments);
    auto it = scripts_->find(name);
    Script script = it != scripts_->end() ? it->second : [](int) { return StepResult(STEP_OK); };
    return std::make_unique<ScriptedStep>(name, context, script, runs_);
  }

 private:
  std::map<std::string, Script>* scripts_;
  std::vector<std::string>* runs_;
};

class StepSchedulerRunTest : public testing::Test, public InstallerStepScheduler::Observer {
 protected:
  StepSchedulerRunTest()
      : settings_(INSTALL_OPERATION_REGISTER_PROTOCOL_HANDLER), context_(&settings_) {}

  // Schedules the two protocol-handler steps and runs them until done, or
  // until the loop is idle when something stopped the scheduler.
  void Run() {
    scheduler_ = std::make_unique<InstallerStepSchedulerImpl>(
        std::make_unique<ScriptedStepFactory>(&scripts_, &runs_),
        base::TimeDelta::FromMilliseconds(1));
    int total = -1;
    ASSERT_TRUE(scheduler_->ScheduleSteps(&context_, &app_id_, &total));
    base::RunLoop run_loop;
    quit_ = run_loop.QuitClosure();
    scheduler_->Start(loop_.task_runner(), this);
    // After a cancel nothing says the run is over: this leaves a pending
    // retry (1 ms) ample time to show itself.
    loop_.task_runner()->PostDelayedTask(FROM_HERE, run_loop.QuitClosure(),
                                         base::TimeDelta::FromMilliseconds(300));
    run_loop.Run();
  }

  // InstallerStepScheduler::Observer.
  void OnStepStarting(const std::string& name) override {
    events_.push_back("starting " + name);
    if (cancel_on_start_ == name)
      scheduler_->Cancel();
  }
  void OnStepFinished(const std::string& name, int attempt, int completed) override {
    events_.push_back("finished " + name + " " + std::to_string(attempt) + " " +
                      std::to_string(completed));
  }
  void OnAllStepsDone(bool success) override {
    events_.push_back(success ? "done" : "failed");
    quit_.Run();
  }

  ScopedInstallerErrorRecord error_record_;
  base::MessageLoop loop_;
  OperationOnlySettings settings_;
  FakeStepContext context_;
  std::wstring app_id_ = L"Tarvo.ABC";
  std::map<std::string, Script> scripts_;
  std::vector<std::string> runs_;
  std::vector<std::string> events_;
  std::string cancel_on_start_;
  std::unique_ptr<InstallerStepSchedulerImpl> scheduler_;
  base::RepeatingClosure quit_;
};

using Strings = std::vector<std::string>;

TEST_F(StepSchedulerRunTest, EveryStepRunsOnceInOrder) {
  Run();
  EXPECT_EQ((Strings{"register_protocol_handlers#0", "write_installer_prefs#0"}), runs_);
  EXPECT_EQ((Strings{"starting register_protocol_handlers",
                     "finished register_protocol_handlers 0 1", "starting write_installer_prefs",
                     "finished write_installer_prefs 0 2", "done"}),
            events_);
}

TEST_F(StepSchedulerRunTest, RetryThenFailRunsSixTimesAndFailsWithTheStepsOwnTexts) {
  scripts_["register_protocol_handlers"] = [](int) {
    return StepResult(STEP_RETRY_THEN_FAIL, RESULT_FILE_COPY_FAILED, L"C:\\x", "copy failed");
  };
  Run();
  EXPECT_EQ((Strings{"register_protocol_handlers#0", "register_protocol_handlers#1",
                     "register_protocol_handlers#2", "register_protocol_handlers#3",
                     "register_protocol_handlers#4", "register_protocol_handlers#5"}),
            runs_);
  EXPECT_EQ((Strings{"starting register_protocol_handlers", "failed"}), events_);
  uint32_t code = 0;
  std::string detail;
  std::wstring message;
  GetInstallerError(&code, &detail, &message);
  EXPECT_EQ(10u, code);
  EXPECT_EQ("copy failed", detail);
  EXPECT_EQ(L"C:\\x", message);
}

TEST_F(StepSchedulerRunTest, RetryThenIgnoreReportsTheLastAttemptAndGoesOn) {
  scripts_["register_protocol_handlers"] = [](int) {
    return StepResult(STEP_RETRY_THEN_IGNORE, RESULT_GENERAL_FAILURE, L"", "ignored");
  };
  Run();
  EXPECT_EQ(7u, runs_.size());
  EXPECT_EQ((Strings{"starting register_protocol_handlers",
                     "finished register_protocol_handlers 5 1", "starting write_installer_prefs",
                     "finished write_installer_prefs 0 2", "done"}),
            events_);
  EXPECT_EQ(0u, GetInstallerErrorCode());
}

TEST_F(StepSchedulerRunTest, ARetryThatSucceedsEndsTheStep) {
  scripts_["register_protocol_handlers"] = [](int attempt) {
    return StepResult(attempt < 2 ? STEP_RETRY_THEN_FAIL : STEP_OK);
  };
  Run();
  EXPECT_EQ(4u, runs_.size());
  EXPECT_EQ("finished register_protocol_handlers 2 1", events_[1]);
  EXPECT_EQ("done", events_.back());
}

TEST_F(StepSchedulerRunTest, AFailureStopsTheList) {
  scripts_["register_protocol_handlers"] = [](int) {
    return StepResult(STEP_FAILED, RESULT_UNINSTALL_FAILED, L"", "no");
  };
  Run();
  EXPECT_EQ((Strings{"register_protocol_handlers#0"}), runs_);
  EXPECT_EQ((Strings{"starting register_protocol_handlers", "failed"}), events_);
  EXPECT_EQ(2u, GetInstallerErrorCode());
}

TEST_F(StepSchedulerRunTest, NothingRunsAfterCancel) {
  // Cancelled while a retry is pending: it never runs.
  scripts_["register_protocol_handlers"] = [this](int attempt) {
    if (attempt == 1)
      scheduler_->Cancel();
    return StepResult(STEP_RETRY_THEN_FAIL);
  };
  Run();
  EXPECT_EQ((Strings{"register_protocol_handlers#0", "register_protocol_handlers#1"}), runs_);
  EXPECT_EQ((Strings{"starting register_protocol_handlers"}), events_);

  // Cancelled as a step starts: the step is not run.
  scripts_.clear();
  runs_.clear();
  events_.clear();
  cancel_on_start_ = "write_installer_prefs";
  Run();
  EXPECT_EQ((Strings{"register_protocol_handlers#0"}), runs_);
  EXPECT_EQ("starting write_installer_prefs", events_.back());
}

}  // namespace
