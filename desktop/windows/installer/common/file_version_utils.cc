#include "desktop/windows/installer/common/file_version_utils.h"

#include <cstdint>
#include <vector>

base::Version GetInternalVersionOf(const base::Version& full_version) {
  const std::vector<uint32_t>& numbers = full_version.components();
  if (numbers.size() != 4 && numbers.size() != 5)
    return base::Version();
  return base::Version(std::vector<uint32_t>{numbers[2], numbers[3]});
}
