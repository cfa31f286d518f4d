#include "base/location.h"

namespace base {

std::string Location::ToString() const {
  return std::string(function_name_) + "@" + file_name_ + ":" + std::to_string(line_number_);
}

}  // namespace base
