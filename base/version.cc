#include "base/version.h"

#include <algorithm>
#include <utility>

#include "base/strings/string_number_conversions.h"
#include "base/strings/string_split.h"

namespace base {

namespace {

bool ParseVersionNumbers(std::string_view text, std::vector<uint32_t>* parsed) {
  parsed->clear();
  if (text.empty()) return false;
  const std::vector<std::string_view> numbers =
      SplitStringPiece(text, ".", KEEP_WHITESPACE, SPLIT_WANT_ALL);
  bool first = true;
  for (std::string_view number : numbers) {
    // Digits only: StringToUint alone would take a leading '+'.
    if (number.empty() || number.find_first_not_of("0123456789") != std::string_view::npos)
      return false;
    // "01.2" is refused so it cannot compare equal to "1.2" by accident;
    // later components may have leading zeros ("1.02" is 1.2).
    if (first && number.size() > 1 && number[0] == '0') return false;
    unsigned value = 0;
    if (!StringToUint(number, &value)) return false;
    parsed->push_back(value);
    first = false;
  }
  return true;
}

}  // namespace

Version::Version() = default;

Version::Version(std::string_view version_str) {
  std::vector<uint32_t> parsed;
  if (ParseVersionNumbers(version_str, &parsed)) components_ = std::move(parsed);
}

Version::Version(std::vector<uint32_t> components) : components_(std::move(components)) {}

int Version::CompareTo(const Version& other) const {
  const size_t count = std::max(components_.size(), other.components_.size());
  for (size_t i = 0; i < count; ++i) {
    const uint32_t a = i < components_.size() ? components_[i] : 0;
    const uint32_t b = i < other.components_.size() ? other.components_[i] : 0;
    if (a != b) return a < b ? -1 : 1;
  }
  return 0;
}

std::string Version::GetString() const {
  if (!IsValid()) return "invalid";
  std::string result;
  for (size_t i = 0; i < components_.size(); ++i) {
    if (i) result.push_back('.');
    result += NumberToString(components_[i]);
  }
  return result;
}

bool operator==(const Version& v1, const Version& v2) { return v1.CompareTo(v2) == 0; }
bool operator!=(const Version& v1, const Version& v2) { return !(v1 == v2); }
bool operator<(const Version& v1, const Version& v2) { return v1.CompareTo(v2) < 0; }
bool operator<=(const Version& v1, const Version& v2) { return v1.CompareTo(v2) <= 0; }
bool operator>(const Version& v1, const Version& v2) { return v1.CompareTo(v2) > 0; }
bool operator>=(const Version& v1, const Version& v2) { return v1.CompareTo(v2) >= 0; }

}  // namespace base
