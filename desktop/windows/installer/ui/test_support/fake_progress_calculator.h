#ifndef DESKTOP_WINDOWS_INSTALLER_UI_TEST_SUPPORT_FAKE_PROGRESS_CALCULATOR_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_TEST_SUPPORT_FAKE_PROGRESS_CALCULATOR_H_

#include "desktop/windows/installer/ui/progress_calculator.h"

class ProgressObserver;

// A calculator that stands still at 0 of 1300 and keeps the observer the
// window gives it, so that a test can move the bar itself.
class FakeProgressCalculator : public ProgressCalculator {
 public:
  void SetObserver(ProgressObserver* observer) override { observer_ = observer; }
  void SetCurrentProgress(uint32_t /*done*/) override {}
  void SetTotalProgress(uint32_t /*total*/) override {}
  uint32_t GetMaxProgress() const override { return 1300; }
  uint32_t GetProgress() const override { return 0; }
  void Refresh() override {}
  void OnEnteringPhase(int /*phase*/) override {}

  ProgressObserver* observer() const { return observer_; }

 private:
  ProgressObserver* observer_ = nullptr;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_TEST_SUPPORT_FAKE_PROGRESS_CALCULATOR_H_
