#ifndef TESTING_SCOPED_ENVIRONMENT_VARIABLE_H_
#define TESTING_SCOPED_ENVIRONMENT_VARIABLE_H_

#include <string>

namespace testing_support {

// Sets an environment variable of this process, which the processes it
// starts inherit, for a test's lifetime (`value` null removes it); the
// earlier state, an empty or long value included, comes back afterwards.
class ScopedEnvironmentVariable {
 public:
  ScopedEnvironmentVariable(const wchar_t* name, const wchar_t* value);
  ~ScopedEnvironmentVariable();
  ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
  ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

 private:
  const std::wstring name_;
  std::wstring previous_;
  bool had_value_ = false;
};

}  // namespace testing_support

#endif  // TESTING_SCOPED_ENVIRONMENT_VARIABLE_H_
