#include "desktop/windows/installer/service/transactions/change_reg_value_operation.h"

#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/service/transactions/create_reg_key_operation.h"
#include "desktop/windows/installer/service/transactions/operation_access.h"
#include "desktop/windows/installer/service/transactions/registry_operation_util.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/utils/relative_path.h"
#include "desktop/windows/installer/utils/saved_security_info.h"
#include "desktop/windows/installer/utils/security_util.h"

namespace {

constexpr DWORD kQueryAndSet = KEY_QUERY_VALUE | KEY_SET_VALUE;

}  // namespace

ChangeRegValueOperation::ChangeRegValueOperation(HKEY root,
                                                 const std::wstring& key_path,
                                                 const std::wstring& value_name,
                                                 const void* data,
                                                 DWORD type,
                                                 DWORD size,
                                                 REGSAM access_flags)
    : root_(root),
      key_path_(key_path),
      value_name_(value_name),
      new_type_(type),
      access_flags_(access_flags) {
  if (data && size && type != kDeleteValue) {
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    new_data_.assign(bytes, bytes + size);
  }
}

ChangeRegValueOperation::~ChangeRegValueOperation() {
  if (saved_security_)
    GetSecurityUtil()->RestoreAccess(&saved_security_);
}

LONG ChangeRegValueOperation::OpenKey() {
  return key_.Open(root_, key_path_.c_str(), access_flags_ | kQueryAndSet);
}

bool ChangeRegValueOperation::DoExecute(Transaction* sub_operations, std::string* error) {
  const std::wstring object_name = GetRegistryObjectName(root_, key_path_);
  const SE_OBJECT_TYPE object_type = GetRegistryObjectType(access_flags_);
  VLOG(1) << "Attempting to change registry value at " << object_name << " - " << value_name_
          << ". New Type:" << new_type_;
  // The registry ends a name at a NUL: it would change another value, or a
  // value of another key, than the one named.
  if (HasControlCharacter(std::wstring_view(key_path_)) ||
      HasControlCharacter(std::wstring_view(value_name_))) {
    LOG(ERROR) << "Refusing a registry key or value name with a control character";
    return false;
  }

  LONG result = OpenKey();
  if (result == ERROR_FILE_NOT_FOUND) {
    if (new_type_ == kDeleteValue) {
      VLOG(1) << "Key does not exist, but we are trying to remove the value, nothing to do.";
      return true;
    }
    VLOG(1) << "Key does not exist, try to create it.";
    if (!sub_operations->Execute(
            std::make_unique<CreateRegKeyOperation>(root_, key_path_, access_flags_), nullptr)) {
      return false;
    }
    result = OpenKey();
  }

  const std::string name = base::WideToUTF8(object_name);
  if (!EnsureAccess(
          {.object_name = object_name,
           .object_type = object_type,
           .required = kQueryAndSet,
           .granted = kQueryAndSet},
          result,
          {.missing = "We don't have enough permissions on the key.",
           .grant_failed = "Failed to obtain sufficient permissions on " + name,
           .open_failed = "Failed to open " + name},
          [this] { return OpenKey(); }, &saved_security_)) {
    return false;
  }

  DWORD old_size = 0;
  DWORD old_type = REG_NONE;
  result = ::RegQueryValueExW(key_.Handle(), value_name_.c_str(), nullptr, &old_type, nullptr,
                              &old_size);
  if (result == ERROR_FILE_NOT_FOUND) {
    VLOG(1) << "The value doesn't already exist.";
    old_type_ = kDeleteValue;
    old_data_.clear();
  } else if (result != ERROR_SUCCESS) {
    LOG(ERROR) << "Failed to read " << value_name_ << " from " << object_name;
    return false;
  } else {
    old_data_.assign(old_size, 0);
    result = ::RegQueryValueExW(key_.Handle(), value_name_.c_str(), nullptr, &old_type,
                                old_data_.empty() ? nullptr : old_data_.data(), &old_size);
    if (result != ERROR_SUCCESS) {
      LOG(ERROR) << "Failed to read " << value_name_ << " from " << object_name
                 << " (but we succeeded before).";
      return false;
    }
    old_data_.resize(old_size);
    old_type_ = old_type;
    VLOG(1) << "Value read successfully.";
  }

  if (new_type_ == old_type_ && (new_type_ == kDeleteValue || new_data_ == old_data_)) {
    VLOG(1) << "The value is already as it should be. Nothing to do.";
    return true;
  }
  if (!sub_operations->RecordUpcomingChange(DescribeUndo(), error))
    return false;
  if (new_type_ == kDeleteValue) {
    if (key_.DeleteValue(value_name_.c_str()) != ERROR_SUCCESS) {
      LOG(ERROR) << "Failed to remove " << value_name_ << " from " << object_name;
      return false;
    }
  } else if (key_.WriteValue(value_name_.c_str(), new_data_.empty() ? nullptr : new_data_.data(),
                             static_cast<DWORD>(new_data_.size()),
                             new_type_) != ERROR_SUCCESS) {
    LOG(ERROR) << "Failed writing " << value_name_ << " to " << object_name;
    return false;
  }
  VLOG(1) << "Value changed successfully.";
  executed_ = true;
  return true;
}

void ChangeRegValueOperation::DoRollback() {
  if (!executed_)
    return;
  executed_ = false;
  if (old_type_ == kDeleteValue) {
    key_.DeleteValue(value_name_.c_str());
  } else {
    key_.WriteValue(value_name_.c_str(), old_data_.empty() ? nullptr : old_data_.data(),
                    static_cast<DWORD>(old_data_.size()), old_type_);
  }
}

UndoRecord ChangeRegValueOperation::DescribeUndo() const {
  UndoRecord record = MakeRegistryUndoRecord(UndoRecord::Kind::kRestoreValue, root_,
                                             access_flags_, key_path_);
  record.value_name = value_name_;
  record.value_type = old_type_ == kDeleteValue ? UndoRecord::kAbsentValue : old_type_;
  record.value_data = old_data_;
  return record;
}
