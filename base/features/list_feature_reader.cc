#include "base/features/list_feature_reader.h"

#include "base/strings/string_number_conversions.h"
#include "base/strings/string_split.h"
#include "base/values.h"

namespace features {
namespace {
constexpr int kStateOn = 1;
constexpr int kStateOff = 2;
}  // namespace

ListFeatureReader::ListFeatureReader(const base::ListValue& list) : list_(list) {}

void ListFeatureReader::ReadFeatureStates(std::vector<FeatureState>* states) {
  for (size_t i = 0; i < list_.GetSize(); ++i) {
    std::string entry;
    if (!list_.GetString(i, &entry))
      continue;
    std::vector<std::string> parts =
        base::SplitString(entry, "@", base::TRIM_WHITESPACE, base::SPLIT_WANT_ALL);
    int state = 0;
    if (parts.size() != 2 || !base::StringToInt(parts[1], &state))
      continue;
    if (state == kStateOn)
      states->emplace_back(parts[0], /*enabled=*/true);
    else if (state == kStateOff)
      states->emplace_back(parts[0], /*enabled=*/false);
  }
}

}  // namespace features
