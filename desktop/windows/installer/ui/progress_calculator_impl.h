#ifndef DESKTOP_WINDOWS_INSTALLER_UI_PROGRESS_CALCULATOR_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_PROGRESS_CALCULATOR_IMPL_H_

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "desktop/windows/installer/ipc/installer_observer.h"
#include "desktop/windows/installer/ui/progress_calculator.h"

// The run is split into kPhaseCount phases, each with a weight; the bar's
// range is the sum of the weights, and inside a phase the bar moves by the
// phase's weight times the fraction of its work done.
//
// Phases: 0 start (package fetcher counts), 1 download, 6 the backend's
// package preparation, 7 the backend's installation steps. The backend's
// phases arrive through the runner this registers with; the UI controller
// enters its own fetch phases through OnEnteringPhase too.
class ProgressCalculatorImpl : public ProgressCalculator, public InstallerObserver {
 public:
  static constexpr int kPhaseCount = 8;
  using PhaseWeights = std::array<uint32_t, kPhaseCount>;

  // 1, 1000, 0, 1, 1, 1, 200, 100: a maximum of 1304.
  static PhaseWeights GetDefaultPhaseWeights();

  // Registers with `runner` (anything with AddObserver/RemoveObserver of an
  // InstallerObserver, normally the main-process runner; not owned, must
  // outlive this) and unregisters on destruction.
  template <typename Runner>
  ProgressCalculatorImpl(Runner* runner, const PhaseWeights& weights)
      : ProgressCalculatorImpl(weights) {
    runner->AddObserver(static_cast<InstallerObserver*>(this));
    unregister_ = [runner](InstallerObserver* observer) { runner->RemoveObserver(observer); };
  }
  ~ProgressCalculatorImpl() override;

  ProgressCalculatorImpl(const ProgressCalculatorImpl&) = delete;
  ProgressCalculatorImpl& operator=(const ProgressCalculatorImpl&) = delete;

  // ProgressCalculator:
  void SetObserver(ProgressObserver* observer) override;
  void SetCurrentProgress(uint32_t done) override;
  void SetTotalProgress(uint32_t total) override;
  uint32_t GetMaxProgress() const override;
  uint32_t GetProgress() const override;
  void Refresh() override;

  // ProgressCalculator and InstallerObserver:
  void OnEnteringPhase(int phase) override;

  // InstallerObserver:
  void OnTotalSteps(int total) override;
  void OnStepFinished(const std::string& step_name, int attempt, int completed) override;
  void OnBackendProcessTerminated(InstallerResult result) override;

 private:
  explicit ProgressCalculatorImpl(const PhaseWeights& weights);

  uint32_t ComputeProgress() const;
  void Notify();

  PhaseWeights weights_;
  PhaseWeights cumulative_;
  uint32_t total_ = 0;
  uint32_t done_ = 0;
  uint32_t last_ = 0;
  std::function<void(InstallerObserver*)> unregister_;
  ProgressObserver* observer_ = nullptr;
  int phase_ = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_PROGRESS_CALCULATOR_IMPL_H_
