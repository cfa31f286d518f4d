#ifndef BASE_METRICS_HISTOGRAM_FUNCTIONS_H_
#define BASE_METRICS_HISTOGRAM_FUNCTIONS_H_

#include <string_view>

// Records into the process's HistogramRecorder, under the names callers
// give; any thread.

namespace base {

// Recorded as 1 (true) or 0 (false).
void UmaHistogramBoolean(std::string_view name, bool sample);

// A count within [min, max]: a smaller sample is recorded as `min`, a
// larger one as `max`. `buckets` is the resolution a viewer would use; the
// samples themselves are kept exactly.
void UmaHistogramCustomCounts(std::string_view name, int sample, int min, int max, int buckets);

// One value of an enumeration below `exclusive_max`; a value outside
// [0, exclusive_max) is recorded as `exclusive_max`, the overflow value.
void UmaHistogramExactLinear(std::string_view name, int sample, int exclusive_max);

}  // namespace base

#endif  // BASE_METRICS_HISTOGRAM_FUNCTIONS_H_
