#include "base/metrics/histogram_functions.h"

#include <algorithm>

#include "base/logging.h"
#include "base/metrics/histogram_recorder.h"

namespace base {

void UmaHistogramBoolean(std::string_view name, bool sample) {
  HistogramRecorder::GetInstance()->Record(name, sample ? 1 : 0);
}

void UmaHistogramCustomCounts(std::string_view name, int sample, int min, int max, int buckets) {
  DCHECK_LT(min, max);
  DCHECK_GE(buckets, 1);
  HistogramRecorder::GetInstance()->Record(name, std::clamp(sample, min, max));
}

void UmaHistogramExactLinear(std::string_view name, int sample, int exclusive_max) {
  DCHECK_GT(exclusive_max, 0);
  if (sample < 0 || sample >= exclusive_max)
    sample = exclusive_max;
  HistogramRecorder::GetInstance()->Record(name, sample);
}

}  // namespace base
