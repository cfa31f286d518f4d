#include "testing/scoped_environment_variable.h"

#include <windows.h>

#include <optional>
#include <string>

#include "gtest/gtest.h"

namespace testing_support {
namespace {

constexpr wchar_t kName[] = L"TARVO_TEST_SCOPED_VARIABLE";

// The variable's value, or nothing while it is not set.
std::optional<std::wstring> Value() {
  const DWORD size = GetEnvironmentVariableW(kName, nullptr, 0);
  if (size == 0)
    return std::nullopt;
  std::wstring value(size, L'\0');
  value.resize(GetEnvironmentVariableW(kName, value.data(), size));
  return value;
}

// Whatever was there before, unset, empty or longer than a page, comes
// back; the scope sees its own value or none.
TEST(ScopedEnvironmentVariableTest, EarlierStateComesBack) {
  const std::optional<std::wstring> earlier[] = {std::nullopt, L"", L"short",
                                                 std::wstring(5000, L'x')};
  for (const std::optional<std::wstring>& before : earlier) {
    SetEnvironmentVariableW(kName, before ? before->c_str() : nullptr);
    for (const wchar_t* inside : {static_cast<const wchar_t*>(nullptr), L"inside"}) {
      {
        ScopedEnvironmentVariable variable(kName, inside);
        EXPECT_EQ(inside ? std::optional<std::wstring>(inside) : std::nullopt, Value());
      }
      // Compared whole, printed by length: the long value would flood the log.
      EXPECT_TRUE(before == Value()) << "earlier value of " << (before ? before->size() : 0)
                                     << " characters, " << (before ? "set" : "unset");
    }
  }
  SetEnvironmentVariableW(kName, nullptr);
}

}  // namespace
}  // namespace testing_support
