#ifndef BASE_VERSION_H_
#define BASE_VERSION_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace base {

// A dotted sequence of non-negative numbers ("1.2.3.4"). Missing trailing
// components count as zero when comparing, so "1.0" equals "1".
class Version {
 public:
  // Invalid.
  Version();
  // Invalid unless `version_str` is one or more numbers (each fitting in
  // 32 bits, digits only, no leading zero unless it is just "0" for the
  // first) joined by single dots.
  explicit Version(std::string_view version_str);
  explicit Version(std::vector<uint32_t> components);

  bool IsValid() const { return !components_.empty(); }

  // -1, 0 or 1. Both must be valid.
  int CompareTo(const Version& other) const;

  // "1.2.3"; "invalid" for an invalid version.
  std::string GetString() const;
  const std::vector<uint32_t>& components() const { return components_; }

 private:
  std::vector<uint32_t> components_;
};

bool operator==(const Version& v1, const Version& v2);
bool operator!=(const Version& v1, const Version& v2);
bool operator<(const Version& v1, const Version& v2);
bool operator<=(const Version& v1, const Version& v2);
bool operator>(const Version& v1, const Version& v2);
bool operator>=(const Version& v1, const Version& v2);

}  // namespace base

#endif  // BASE_VERSION_H_
