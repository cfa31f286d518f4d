#include "base/features/command_line_feature_reader.h"

#include "base/command_line.h"
#include "base/features/feature_registry.h"
#include "base/logging.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"

namespace features {

CommandLineFeatureReader::CommandLineFeatureReader(const base::CommandLine& command_line)
    : command_line_(command_line) {}

void CommandLineFeatureReader::ReadFeatureStates(std::vector<FeatureState>* states) {
  const std::string prefix = GetFeatureSwitchName(std::string());
  for (const auto& [name, native_value] : command_line_.GetSwitches()) {
    if (!base::StartsWith(name, prefix, base::CompareCase::SENSITIVE))
      continue;
    std::string value = base::WideToUTF8(native_value);
    if (value.empty() || value == "on") {
      states->emplace_back(name.substr(prefix.size()), /*enabled=*/true);
    } else if (value == "off") {
      states->emplace_back(name.substr(prefix.size()), /*enabled=*/false);
    } else {
      LOG(WARNING) << name << " has unhandled value: \"" << value << "\" did you mean \"on\" or "
                   << "\"off\"? Using default setting.";
    }
  }
}

}  // namespace features
