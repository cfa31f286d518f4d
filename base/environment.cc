#include "base/environment.h"

#include <windows.h>

#include "base/strings/utf_string_conversions.h"

namespace base {

namespace {

class EnvironmentImpl : public Environment {
 public:
  bool GetVar(std::string_view name, std::string* result) override {
    const std::wstring wide_name = UTF8ToWide(name);
    ::SetLastError(ERROR_SUCCESS);
    DWORD size = ::GetEnvironmentVariableW(wide_name.c_str(), nullptr, 0);
    if (size == 0) {
      // 0 is both "not set" and "set to nothing".
      if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return false;
      if (result) result->clear();
      return true;
    }
    std::wstring value(size, L'\0');
    // The value may grow between the calls; try again with the new size.
    for (int attempt = 0; attempt < 3; ++attempt) {
      const DWORD len = ::GetEnvironmentVariableW(wide_name.c_str(), value.data(),
                                                  static_cast<DWORD>(value.size()));
      if (len == 0) {
        if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return false;
        value.clear();
        break;
      }
      if (len < value.size()) {
        value.resize(len);
        break;
      }
      value.resize(len);
    }
    if (result) *result = WideToUTF8(value);
    return true;
  }

  bool SetVar(std::string_view name, const std::string& new_value) override {
    return ::SetEnvironmentVariableW(UTF8ToWide(name).c_str(), UTF8ToWide(new_value).c_str()) != 0;
  }

  bool UnSetVar(std::string_view name) override {
    return ::SetEnvironmentVariableW(UTF8ToWide(name).c_str(), nullptr) != 0;
  }
};

}  // namespace

Environment::~Environment() = default;

std::unique_ptr<Environment> Environment::Create() { return std::make_unique<EnvironmentImpl>(); }

bool Environment::HasVar(std::string_view name) { return GetVar(name, nullptr); }

}  // namespace base
