#include "crash_reporter/client_keys.h"

#include <cwchar>
#include <optional>

namespace crash_reporter {
namespace {

constexpr wchar_t kUnspecifiedKey[] = L"unspecified-crash-key";

// The text of a field when it ends within its units.
std::optional<std::wstring> TerminatedText(const wchar_t* field) {
  size_t length = wcsnlen(field, kCustomInfoUnits);
  if (length == kCustomInfoUnits)
    return std::nullopt;
  return std::wstring(field, length);
}

bool IsValidName(const std::wstring& name) {
  if (name.empty() || name == kUnspecifiedKey)
    return false;
  for (wchar_t c : name) {
    bool valid = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') ||
                 (c >= L'0' && c <= L'9') || c == L'.' || c == L'-' || c == L'_';
    if (!valid)
      return false;
  }
  return true;
}

// Splits "key-N" with 1 <= N <= kMaxChunkNumber; false for anything else.
bool SplitChunkName(const std::wstring& name, std::wstring* key, unsigned* number) {
  size_t dash = name.rfind(L'-');
  if (dash == std::wstring::npos || dash == 0 || dash + 1 == name.size())
    return false;
  unsigned value = 0;
  for (size_t i = dash + 1; i < name.size(); ++i) {
    if (name[i] < L'0' || name[i] > L'9')
      return false;
    value = value * 10 + static_cast<unsigned>(name[i] - L'0');
    if (value > kMaxChunkNumber)
      return false;
  }
  if (value == 0)
    return false;
  *key = name.substr(0, dash);
  *number = value;
  return true;
}

}  // namespace

CrashParameters ParseClientKeys(const std::vector<CustomInfoEntry>& entries) {
  CrashParameters whole;
  std::map<std::wstring, std::map<unsigned, std::wstring>> chunks;
  for (const CustomInfoEntry& entry : entries) {
    std::optional<std::wstring> name = TerminatedText(entry.name);
    std::optional<std::wstring> value = TerminatedText(entry.value);
    if (!name || !value || !IsValidName(*name))
      continue;
    std::wstring key;
    unsigned number = 0;
    if (SplitChunkName(*name, &key, &number))
      chunks[key].emplace(number, *value);  // earlier entries win
    else
      whole.emplace(*name, *value);
  }
  for (const auto& [key, parts] : chunks) {
    if (whole.count(key))
      continue;
    std::wstring joined;
    for (const auto& [number, part] : parts)
      joined += part;
    whole.emplace(key, joined);
  }
  return whole;
}

}  // namespace crash_reporter
