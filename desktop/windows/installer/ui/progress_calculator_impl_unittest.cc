#include "desktop/windows/installer/ui/progress_calculator_impl.h"

#include <vector>

#include "desktop/windows/installer/ui/progress_observer.h"
#include "gtest/gtest.h"

namespace {

class FakeRunner {
 public:
  void AddObserver(InstallerObserver* observer) { observers.push_back(observer); }
  void RemoveObserver(InstallerObserver* observer) { std::erase(observers, observer); }
  std::vector<InstallerObserver*> observers;
};

class RecordingObserver : public ProgressObserver {
 public:
  void OnProgressChanged(int value) override { values.push_back(value); }
  std::vector<int> values;
};

class ProgressCalculatorImplTest : public testing::Test {
 protected:
  ProgressCalculatorImplTest()
      : calculator_(&runner_, ProgressCalculatorImpl::GetDefaultPhaseWeights()) {
    calculator_.SetObserver(&observer_);
  }

  InstallerObserver* installer_observer() { return &calculator_; }

  FakeRunner runner_;
  ProgressCalculatorImpl calculator_;
  RecordingObserver observer_;
};

TEST_F(ProgressCalculatorImplTest, RegistersWithTheRunnerForItsLifetime) {
  FakeRunner runner;
  {
    ProgressCalculatorImpl calculator(&runner, ProgressCalculatorImpl::GetDefaultPhaseWeights());
    ASSERT_EQ(1u, runner.observers.size());
    EXPECT_EQ(static_cast<InstallerObserver*>(&calculator), runner.observers[0]);
  }
  EXPECT_TRUE(runner.observers.empty());
}

TEST_F(ProgressCalculatorImplTest, PhaseStartsAtTheSumOfTheWeightsBefore) {
  EXPECT_EQ(1304u, calculator_.GetMaxProgress());
  installer_observer()->OnEnteringPhase(6);
  EXPECT_EQ(1004u, calculator_.GetProgress());
  installer_observer()->OnEnteringPhase(7);
  EXPECT_EQ(1204u, calculator_.GetProgress());
  EXPECT_EQ((std::vector<int>{1004, 1204}), observer_.values);
}

TEST_F(ProgressCalculatorImplTest, StepsMoveTheBarInsideThePhase) {
  installer_observer()->OnEnteringPhase(7);
  installer_observer()->OnTotalSteps(4);
  installer_observer()->OnStepFinished("a", 0, 1);
  EXPECT_EQ(1229u, calculator_.GetProgress());
  installer_observer()->OnStepFinished("b", 0, 3);
  EXPECT_EQ(1279u, calculator_.GetProgress());
}

TEST_F(ProgressCalculatorImplTest, WithoutTotalNothingMoves) {
  calculator_.SetCurrentProgress(500);
  EXPECT_EQ(0u, calculator_.GetProgress());
  EXPECT_TRUE(observer_.values.empty());
}

TEST_F(ProgressCalculatorImplTest, FetchCountsInTheDownloadPhase) {
  installer_observer()->OnEnteringPhase(1);
  calculator_.SetTotalProgress(2000);
  calculator_.SetCurrentProgress(500);
  EXPECT_EQ(251u, calculator_.GetProgress());
  // The same value again notifies once.
  calculator_.SetCurrentProgress(500);
  EXPECT_EQ((std::vector<int>{1, 251}), observer_.values);
}

TEST_F(ProgressCalculatorImplTest, DoneBeyondTotalStopsAtTheEndOfThePhase) {
  installer_observer()->OnEnteringPhase(1);
  calculator_.SetTotalProgress(100);
  calculator_.SetCurrentProgress(250);
  EXPECT_EQ(1001u, calculator_.GetProgress());
  installer_observer()->OnTotalSteps(2);
  installer_observer()->OnStepFinished("a", 0, 7);
  EXPECT_EQ(1001u, calculator_.GetProgress());
}

TEST_F(ProgressCalculatorImplTest, TotalIsIgnoredInPhaseThree) {
  installer_observer()->OnEnteringPhase(3);
  const uint32_t start = calculator_.GetProgress();
  calculator_.SetTotalProgress(100);
  calculator_.SetCurrentProgress(50);
  EXPECT_EQ(start, calculator_.GetProgress());
}

TEST_F(ProgressCalculatorImplTest, PhasesOutsideTheTableAreIgnored) {
  installer_observer()->OnEnteringPhase(6);
  installer_observer()->OnEnteringPhase(8);
  installer_observer()->OnEnteringPhase(-1);
  installer_observer()->OnEnteringPhase(0x7FFFFFFF);
  EXPECT_EQ(1004u, calculator_.GetProgress());
  calculator_.Refresh();
  EXPECT_EQ(1004u, calculator_.GetProgress());
}

TEST_F(ProgressCalculatorImplTest, RefreshStartsTheCurrentPhaseOver) {
  installer_observer()->OnEnteringPhase(1);
  calculator_.SetTotalProgress(10);
  calculator_.SetCurrentProgress(5);
  EXPECT_EQ(501u, calculator_.GetProgress());
  calculator_.Refresh();
  EXPECT_EQ(1u, calculator_.GetProgress());
}

TEST_F(ProgressCalculatorImplTest, ControllerEntersItsOwnFetchPhases) {
  // The controller knows the calculator only by its interface.
  ProgressCalculator* calculator = &calculator_;
  calculator->OnEnteringPhase(1);
  calculator->SetTotalProgress(4);
  calculator->SetCurrentProgress(2);
  EXPECT_EQ(501u, calculator->GetProgress());
  calculator->OnEnteringPhase(5);
  EXPECT_EQ(1003u, calculator->GetProgress());
  calculator->OnEnteringPhase(9);
  EXPECT_EQ(1003u, calculator->GetProgress());
}

TEST_F(ProgressCalculatorImplTest, OnlyASuccessfulEndFillsThePhase) {
  installer_observer()->OnEnteringPhase(7);
  installer_observer()->OnTotalSteps(10);
  installer_observer()->OnBackendProcessTerminated(RESULT_GENERAL_FAILURE);
  EXPECT_EQ(1204u, calculator_.GetProgress());
  installer_observer()->OnBackendProcessTerminated(RESULT_SUCCESS);
  EXPECT_EQ(1304u, calculator_.GetProgress());
}

// Progress made before the window observes it is computed and kept, not
// replayed: the observer set later hears only what changes after.
TEST_F(ProgressCalculatorImplTest, ProgressWithoutAnObserverIsKeptNotReplayed) {
  FakeRunner runner;
  ProgressCalculatorImpl calculator(&runner, ProgressCalculatorImpl::GetDefaultPhaseWeights());
  InstallerObserver* events = &calculator;
  events->OnEnteringPhase(6);
  EXPECT_EQ(1004u, calculator.GetProgress());
  RecordingObserver late;
  calculator.SetObserver(&late);
  events->OnEnteringPhase(6);
  events->OnEnteringPhase(7);
  EXPECT_EQ(std::vector<int>{1204}, late.values);
}

}  // namespace
