#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_CHANGE_REG_VALUE_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_CHANGE_REG_VALUE_OPERATION_H_

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/win/registry.h"
#include "desktop/windows/installer/service/transactions/operation.h"

struct SavedSecurityInfo;

// Writes or deletes one registry value, keeping the old one for a rollback.
// A missing key is created through a sub-operation. A key path or value
// name with a control character fails the operation.
class ChangeRegValueOperation : public Operation {
 public:
  // The type that asks for the value to be deleted.
  static constexpr DWORD kDeleteValue = 0xFFFFFFFF;

  // `data` (`size` bytes) is copied. `value_name` empty: the default value.
  // `access_flags`: 0 or KEY_WOW64_32KEY, added to every registry call.
  ChangeRegValueOperation(HKEY root,
                          const std::wstring& key_path,
                          const std::wstring& value_name,
                          const void* data,
                          DWORD type,
                          DWORD size,
                          REGSAM access_flags);
  ~ChangeRegValueOperation() override;

 private:
  bool DoExecute(Transaction* sub_operations, std::string* error) override;
  void DoRollback() override;

  // Opens the key for querying and setting values; the registry's result.
  LONG OpenKey();
  // How the change is undone once the old value is read.
  UndoRecord DescribeUndo() const;

  HKEY root_;
  std::wstring key_path_;
  std::wstring value_name_;
  base::win::RegKey key_;
  DWORD old_type_ = kDeleteValue;
  DWORD new_type_;
  std::vector<uint8_t> old_data_;
  std::vector<uint8_t> new_data_;
  bool executed_ = false;
  std::unique_ptr<SavedSecurityInfo> saved_security_;
  REGSAM access_flags_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_CHANGE_REG_VALUE_OPERATION_H_
