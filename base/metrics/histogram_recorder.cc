#include "base/metrics/histogram_recorder.h"

#include "base/logging.h"

namespace base {

HistogramRecorder::HistogramRecorder() = default;
HistogramRecorder::~HistogramRecorder() = default;

HistogramRecorder* HistogramRecorder::GetInstance() {
  // Recorded into from any thread until the process ends, also from
  // destructors run at exit: never freed.
  static HistogramRecorder* const instance = new HistogramRecorder();
  return instance;
}

void HistogramRecorder::Record(std::string_view name, int sample) {
  DCHECK(!name.empty());
  AutoLock lock(lock_);
  auto it = histograms_.find(name);
  if (it == histograms_.end())
    it = histograms_.emplace(std::string(name), Samples()).first;
  ++it->second[sample];
}

HistogramRecorder::Samples HistogramRecorder::GetSamples(std::string_view name) const {
  AutoLock lock(lock_);
  auto it = histograms_.find(name);
  return it == histograms_.end() ? Samples() : it->second;
}

int HistogramRecorder::GetCount(std::string_view name, int sample) const {
  AutoLock lock(lock_);
  auto it = histograms_.find(name);
  if (it == histograms_.end())
    return 0;
  auto count = it->second.find(sample);
  return count == it->second.end() ? 0 : count->second;
}

int HistogramRecorder::GetTotalCount(std::string_view name) const {
  AutoLock lock(lock_);
  auto it = histograms_.find(name);
  if (it == histograms_.end())
    return 0;
  int total = 0;
  for (const auto& [sample, count] : it->second)
    total += count;
  return total;
}

void HistogramRecorder::Reset() {
  AutoLock lock(lock_);
  histograms_.clear();
}

}  // namespace base
