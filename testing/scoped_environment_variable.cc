#include "testing/scoped_environment_variable.h"

#include <windows.h>

namespace testing_support {

ScopedEnvironmentVariable::ScopedEnvironmentVariable(const wchar_t* name, const wchar_t* value)
    : name_(name) {
  // The size with the terminator; 0 when the variable is not set.
  const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size > 0) {
    previous_.resize(size);
    const DWORD length = GetEnvironmentVariableW(name, previous_.data(), size);
    had_value_ = length < size;
    previous_.resize(had_value_ ? length : 0);
  }
  SetEnvironmentVariableW(name, value);
}

ScopedEnvironmentVariable::~ScopedEnvironmentVariable() {
  SetEnvironmentVariableW(name_.c_str(), had_value_ ? previous_.c_str() : nullptr);
}

}  // namespace testing_support
