#include "testing/scoped_environment_variable.h"

#include <windows.h>

namespace testing_support {

ScopedEnvironmentVariable::ScopedEnvironmentVariable(const wchar_t* name, const wchar_t* value)
    : name_(name) {
  wchar_t buffer[4096];
  DWORD length = GetEnvironmentVariableW(name, buffer, 4096);
  had_value_ = length > 0 && length < 4096;
  if (had_value_)
    previous_.assign(buffer, length);
  SetEnvironmentVariableW(name, value);
}

ScopedEnvironmentVariable::~ScopedEnvironmentVariable() {
  SetEnvironmentVariableW(name_, had_value_ ? previous_.c_str() : nullptr);
}

}  // namespace testing_support
