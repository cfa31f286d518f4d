#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_REGISTRY_RULE_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_REGISTRY_RULE_H_

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct StatusRegistryKey;
class Operation;

// Rule types beyond the registry's own REG_NONE ... REG_DWORD (0 to 4).
inline constexpr int32_t kRegistryRuleDeleteKey = -2;
inline constexpr int32_t kRegistryRuleDeleteValue = -1;

// Supplies placeholder values and the status list that records what the
// rules write. Implemented by the installer.
class RegistryRuleHost {
 public:
  virtual ~RegistryRuleHost() = default;
  // The value of the placeholder "{name}".
  virtual std::wstring GetValue(const std::wstring& name) = 0;
  // The status record's key list for `root`, or null when nothing is to be
  // recorded.
  virtual std::vector<StatusRegistryKey>* GetRegistryRecord(HKEY root) = 0;
};

// One row of a static table of registry changes. Texts may hold
// placeholders in braces.
struct RegistryRuleRow {
  const wchar_t* key;
  // Null: the key's default value.
  const wchar_t* value_name;
  // kRegistryRuleDeleteKey, kRegistryRuleDeleteValue or REG_NONE to REG_DWORD.
  int32_t type;
  // REG_SZ, REG_EXPAND_SZ: a wide template; REG_BINARY: a narrow
  // zero-terminated string whose bytes are the data; REG_DWORD: the value.
  // Make it with RuleText, RuleBinary or RuleDword.
  uintptr_t data;
  // base::win::Version; the rule is skipped on older systems.
  int32_t min_windows_version;
  // Null: any root the rule is executed for.
  HKEY root;
  // Skipped when above this build's stream number.
  int32_t min_stream;
  // Clean-up depth recorded with the value (see StatusRegistryKey).
  uint32_t clean;
  // 0 or KEY_WOW64_32KEY.
  uint32_t access_flags;
};

inline uintptr_t RuleText(const wchar_t* text) {
  return reinterpret_cast<uintptr_t>(text);
}
inline uintptr_t RuleBinary(const char* bytes) {
  return reinterpret_cast<uintptr_t>(bytes);
}
inline constexpr uintptr_t RuleDword(uint32_t value) {
  return value;
}

// A row with the host that expands it.
struct RegistryRule {
  RegistryRule(const RegistryRuleRow& row, RegistryRuleHost* host) : row(row), host(host) {}

  RegistryRuleRow row;
  RegistryRuleHost* host;  // Borrowed; may be null (placeholders expand empty).
};

// `text` (null gives "") with each "{name}" replaced by the host's value.
// Inserted text is never scanned again, and a "{" without a closing "}"
// stays as it is.
std::wstring ExpandPlaceholders(const RegistryRule& rule, const wchar_t* text);
// The expanded key (normalised: "\" separators, no empty components) and
// value name.
void ExpandRulePlaceholders(const RegistryRule& rule,
                            std::wstring* key,
                            std::wstring* value_name);

// Whether `row` is written under `root` on this system by this build (its
// Windows version, root and stream).
bool RegistryRuleApplies(const RegistryRuleRow& row, HKEY root);

// Makes the operation for `rule` executed under `root`. True with `out`
// null when the rule does not apply (Windows version, root, stream); false
// for an unknown type and for a rule that would endanger a shared key: a
// key deletion of a key that IsRegistryKeySafeToDelete refuses, a value
// with an empty key, or a clean-up depth GetRegistryKeyToClean refuses.
// Written values are recorded in the host's status list at once.
bool CreateOperationFromRegistryRule(const RegistryRule& rule,
                                     HKEY root,
                                     std::unique_ptr<Operation>* out);

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_REGISTRY_RULE_H_
