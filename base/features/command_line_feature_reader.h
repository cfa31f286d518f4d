#ifndef BASE_FEATURES_COMMAND_LINE_FEATURE_READER_H_
#define BASE_FEATURES_COMMAND_LINE_FEATURE_READER_H_

#include "base/features/feature_state.h"

namespace base {
class CommandLine;
}

namespace features {

// Overrides from "with-feature:NAME" switches valued "", "on" or "off".
class CommandLineFeatureReader : public FeatureReader {
 public:
  explicit CommandLineFeatureReader(const base::CommandLine& command_line);
  void ReadFeatureStates(std::vector<FeatureState>* states) override;

 private:
  const base::CommandLine& command_line_;
};

}  // namespace features

#endif  // BASE_FEATURES_COMMAND_LINE_FEATURE_READER_H_
