#include "desktop/windows/installer/ui/progress_calculator_impl.h"

#include <algorithm>

#include "base/logging.h"
#include "desktop/windows/installer/ui/progress_observer.h"

namespace {

// Fetch counts arriving in this phase do not move the bar.
constexpr int kPhaseWithoutTotal = 3;

}  // namespace

// static
ProgressCalculatorImpl::PhaseWeights ProgressCalculatorImpl::GetDefaultPhaseWeights() {
  return {1, 1000, 0, 1, 1, 1, 200, 100};
}

ProgressCalculatorImpl::ProgressCalculatorImpl(const PhaseWeights& weights) : weights_(weights) {
  uint32_t sum = 0;
  for (int i = 0; i < kPhaseCount; ++i) {
    sum += weights_[i];
    cumulative_[i] = sum;
  }
}

ProgressCalculatorImpl::~ProgressCalculatorImpl() {
  if (unregister_)
    unregister_(this);
}

void ProgressCalculatorImpl::SetObserver(ProgressObserver* observer) {
  observer_ = observer;
}

void ProgressCalculatorImpl::SetCurrentProgress(uint32_t done) {
  if (total_ == 0)
    return;
  // The fetcher may report more bytes than it announced; the bar must not
  // run into the next phase.
  done_ = std::min(done, total_);
  Notify();
}

void ProgressCalculatorImpl::SetTotalProgress(uint32_t total) {
  done_ = 0;
  total_ = phase_ == kPhaseWithoutTotal ? 0 : total;
}

uint32_t ProgressCalculatorImpl::GetMaxProgress() const {
  return cumulative_[kPhaseCount - 1];
}

uint32_t ProgressCalculatorImpl::GetProgress() const {
  return last_;
}

void ProgressCalculatorImpl::Refresh() {
  OnEnteringPhase(phase_);
}

void ProgressCalculatorImpl::OnEnteringPhase(int phase) {
  // The phase comes from another process; it indexes the weights.
  if (phase < 0 || phase >= kPhaseCount) {
    LOG(WARNING) << "Ignoring unknown installation phase " << phase;
    return;
  }
  phase_ = phase;
  done_ = 0;
  Notify();
}

void ProgressCalculatorImpl::OnTotalSteps(int total) {
  total_ = total > 0 ? static_cast<uint32_t>(total) : 0;
  done_ = 0;
}

void ProgressCalculatorImpl::OnStepFinished(const std::string& /*step_name*/, int /*attempt*/,
                                            int completed) {
  done_ = std::min(completed > 0 ? static_cast<uint32_t>(completed) : 0u, total_);
  Notify();
}

void ProgressCalculatorImpl::OnBackendProcessTerminated(InstallerResult result) {
  if (result != RESULT_SUCCESS)
    return;
  done_ = total_;
  Notify();
}

uint32_t ProgressCalculatorImpl::ComputeProgress() const {
  const uint32_t base = phase_ >= 1 ? cumulative_[phase_ - 1] : 0;
  const float fraction =
      total_ != 0 ? static_cast<float>(done_) / static_cast<float>(total_) : 0.0f;
  return base + static_cast<uint32_t>(static_cast<float>(weights_[phase_]) * fraction);
}

void ProgressCalculatorImpl::Notify() {
  VLOG(2) << "Notifying of installation progress";
  const uint32_t value = ComputeProgress();
  const bool changed = value != last_;
  last_ = value;
  if (changed && observer_)
    observer_->OnProgressChanged(static_cast<int>(value));
}
