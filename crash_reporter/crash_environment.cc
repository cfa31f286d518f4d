#include "crash_reporter/crash_environment.h"

#include <memory>

#include "base/environment.h"
#include "base/strings/string_util.h"
#include "crash_reporter/crash_product_values.h"

namespace crash_reporter {

std::string GetEnvironmentValue(const std::string& name) {
  std::string value;
  if (!base::Environment::Create()->GetVar(name, &value))
    value.clear();
  return value;
}

bool IsEnvironmentFlagSet(const std::string& name) {
  std::string value = GetEnvironmentValue(name);
  return value == "1" || base::CompareCaseInsensitiveASCII(value, "yes") == 0 ||
         base::CompareCaseInsensitiveASCII(value, "true") == 0;
}

std::string GetProductVariableName(const std::string& suffix) {
  return base::ToUpperASCII(GetCrashProductValues().product_name) + "_" + suffix;
}

}  // namespace crash_reporter
