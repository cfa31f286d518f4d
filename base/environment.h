#ifndef BASE_ENVIRONMENT_H_
#define BASE_ENVIRONMENT_H_

#include <memory>
#include <string>
#include <string_view>

namespace base {

// The process environment. Names and values are UTF-8 here and wide in
// Windows; names match case-insensitively, as Windows does.
class Environment {
 public:
  virtual ~Environment();

  static std::unique_ptr<Environment> Create();

  // True when set (possibly to an empty value); `result` may be null.
  virtual bool GetVar(std::string_view variable_name, std::string* result) = 0;
  virtual bool HasVar(std::string_view variable_name);
  virtual bool SetVar(std::string_view variable_name, const std::string& new_value) = 0;
  virtual bool UnSetVar(std::string_view variable_name) = 0;
};

}  // namespace base

#endif  // BASE_ENVIRONMENT_H_
