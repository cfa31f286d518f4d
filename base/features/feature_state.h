#ifndef BASE_FEATURES_FEATURE_STATE_H_
#define BASE_FEATURES_FEATURE_STATE_H_

#include <string>
#include <vector>

namespace features {

// One override of a feature for this run.
class FeatureState {
 public:
  FeatureState() = default;
  FeatureState(const std::string& name, bool enabled) : name_(name), enabled_(enabled) {}
  ~FeatureState() = default;

  const std::string& name() const { return name_; }
  bool enabled() const { return enabled_; }

 private:
  std::string name_;
  bool enabled_ = false;
};

// A source of overrides: the command line or a stored experiment list.
class FeatureReader {
 public:
  virtual ~FeatureReader() = default;
  virtual void ReadFeatureStates(std::vector<FeatureState>* states) = 0;
};

}  // namespace features

#endif  // BASE_FEATURES_FEATURE_STATE_H_
