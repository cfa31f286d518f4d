#ifndef BASE_FEATURES_LIST_FEATURE_READER_H_
#define BASE_FEATURES_LIST_FEATURE_READER_H_

#include "base/features/feature_state.h"

namespace base {
class ListValue;
}

namespace features {

// Overrides from a stored experiment list: entries "NAME@1" (on) and
// "NAME@2" (off).
class ListFeatureReader : public FeatureReader {
 public:
  explicit ListFeatureReader(const base::ListValue& list);
  void ReadFeatureStates(std::vector<FeatureState>* states) override;

 private:
  const base::ListValue& list_;
};

}  // namespace features

#endif  // BASE_FEATURES_LIST_FEATURE_READER_H_
