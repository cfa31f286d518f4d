#ifndef BASE_METRICS_HISTOGRAM_RECORDER_H_
#define BASE_METRICS_HISTOGRAM_RECORDER_H_

#include <map>
#include <string>
#include <string_view>

#include "base/synchronization/lock.h"

namespace base {

// The process's histograms: named samples that stay in the process (nothing
// uploads them). Each histogram keeps how often every sample value was
// recorded, so memory grows with the distinct values, not with the number
// of recordings. Safe to use from any thread.
class HistogramRecorder {
 public:
  // Sample value to the number of times it was recorded.
  using Samples = std::map<int, int>;

  HistogramRecorder();
  ~HistogramRecorder();
  HistogramRecorder(const HistogramRecorder&) = delete;
  HistogramRecorder& operator=(const HistogramRecorder&) = delete;

  // The process-wide recorder; never destroyed.
  static HistogramRecorder* GetInstance();

  void Record(std::string_view name, int sample);

  // Empty when nothing was recorded under `name`.
  Samples GetSamples(std::string_view name) const;
  int GetCount(std::string_view name, int sample) const;
  int GetTotalCount(std::string_view name) const;

  // Forgets every histogram (tests).
  void Reset();

 private:
  mutable Lock lock_;
  std::map<std::string, Samples, std::less<>> histograms_;
};

}  // namespace base

#endif  // BASE_METRICS_HISTOGRAM_RECORDER_H_
