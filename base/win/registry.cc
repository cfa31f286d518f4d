#include "base/win/registry.h"

#include <string.h>

#include <utility>

namespace base {
namespace win {

namespace {

constexpr REGSAM kWow64AccessMask = KEY_WOW64_32KEY | KEY_WOW64_64KEY;

// A subkey opened or created without a view inherits the parent's.
REGSAM WithView(REGSAM access, REGSAM parent_view) {
  return (access & kWow64AccessMask) ? access : access | parent_view;
}

// Reads a value of any size into |data|, retrying when it grows between the
// size query and the read.
LONG ReadRaw(HKEY key, const wchar_t* name, std::vector<char>* data, DWORD* type) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    DWORD size = 0;
    LONG result = RegQueryValueExW(key, name, nullptr, type, nullptr, &size);
    if (result != ERROR_SUCCESS)
      return result;
    // Room for two extra zero bytes so strings can always be terminated.
    data->assign(size + sizeof(wchar_t), '\0');
    result = RegQueryValueExW(key, name, nullptr, type, reinterpret_cast<BYTE*>(data->data()),
                              &size);
    if (result == ERROR_SUCCESS) {
      data->resize(size);
      return ERROR_SUCCESS;
    }
    if (result != ERROR_MORE_DATA)
      return result;
  }
  return ERROR_MORE_DATA;
}

// Reads a string-typed value as UTF-16 text, zeros included.
LONG ReadWide(HKEY key, const wchar_t* name, std::wstring* text, DWORD* type) {
  std::vector<char> data;
  LONG result = ReadRaw(key, name, &data, type);
  if (result != ERROR_SUCCESS)
    return result;
  text->assign(data.size() / sizeof(wchar_t), L'\0');
  if (!text->empty())
    memcpy(text->data(), data.data(), text->size() * sizeof(wchar_t));
  return ERROR_SUCCESS;
}

// Reads a value that must be exactly one |T| of |expected_type|.
template <typename T>
LONG ReadFixedSize(const RegKey& key, const wchar_t* name, DWORD expected_type, T* out_value) {
  DWORD type = REG_NONE;
  T value = 0;
  DWORD size = sizeof(value);
  LONG result = key.ReadValue(name, &value, &size, &type);
  if (result == ERROR_SUCCESS) {
    if (type != expected_type || size != sizeof(value))
      return ERROR_CANTREAD;
    *out_value = value;
  } else if (result == ERROR_MORE_DATA) {
    return ERROR_CANTREAD;
  }
  return result;
}

// Either count may be null.
LONG QueryKeyCounts(HKEY key, DWORD* subkeys, DWORD* values) {
  return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, subkeys, nullptr, nullptr, values,
                          nullptr, nullptr, nullptr, nullptr);
}

// Opens |folder_key| for an iterator and counts its subkeys or values
// (whichever pointer is not null); null when either fails.
HKEY OpenForIteration(HKEY root_key, const wchar_t* folder_key, REGSAM wow64access,
                      DWORD* subkeys, DWORD* values) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root_key, folder_key ? folder_key : L"", 0,
                    KEY_READ | (wow64access & kWow64AccessMask), &key) != ERROR_SUCCESS) {
    return nullptr;
  }
  if (QueryKeyCounts(key, subkeys, values) != ERROR_SUCCESS) {
    RegCloseKey(key);
    return nullptr;
  }
  return key;
}

}  // namespace

// RegKey ----------------------------------------------------------------------

RegKey::RegKey() = default;

RegKey::RegKey(HKEY key) : key_(key) {}

RegKey::RegKey(HKEY rootkey, const wchar_t* subkey, REGSAM access) {
  if (rootkey) {
    if (access & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK))
      Create(rootkey, subkey, access);
    else
      Open(rootkey, subkey, access);
  }
}

RegKey::RegKey(RegKey&& other) noexcept
    : key_(std::exchange(other.key_, nullptr)), wow64access_(other.wow64access_) {}

RegKey& RegKey::operator=(RegKey&& other) noexcept {
  if (this != &other) {
    Close();
    key_ = std::exchange(other.key_, nullptr);
    wow64access_ = other.wow64access_;
  }
  return *this;
}

RegKey::~RegKey() {
  Close();
}

LONG RegKey::Create(HKEY rootkey, const wchar_t* subkey, REGSAM access) {
  DWORD disposition;
  return CreateWithDisposition(rootkey, subkey, &disposition, access);
}

LONG RegKey::CreateWithDisposition(HKEY rootkey, const wchar_t* subkey, DWORD* disposition,
                                   REGSAM access) {
  HKEY key = nullptr;
  LONG result = RegCreateKeyExW(rootkey, subkey ? subkey : L"", 0, nullptr,
                                REG_OPTION_NON_VOLATILE, access, nullptr, &key, disposition);
  if (result == ERROR_SUCCESS) {
    Close();
    key_ = key;
    wow64access_ = access & kWow64AccessMask;
  }
  return result;
}

LONG RegKey::CreateKey(const wchar_t* name, REGSAM access) {
  if (!key_)
    return ERROR_INVALID_HANDLE;
  return CreateWithDisposition(key_, name, nullptr, WithView(access, wow64access_));
}

LONG RegKey::Open(HKEY rootkey, const wchar_t* subkey, REGSAM access) {
  HKEY key = nullptr;
  LONG result = RegOpenKeyExW(rootkey, subkey ? subkey : L"", 0, access, &key);
  if (result == ERROR_SUCCESS) {
    Close();
    key_ = key;
    wow64access_ = access & kWow64AccessMask;
  }
  return result;
}

LONG RegKey::OpenKey(const wchar_t* relative_key_name, REGSAM access) {
  if (!key_)
    return ERROR_INVALID_HANDLE;
  return Open(key_, relative_key_name, WithView(access, wow64access_));
}

void RegKey::Close() {
  if (key_) {
    RegCloseKey(key_);
    key_ = nullptr;
  }
  wow64access_ = 0;
}

void RegKey::Set(HKEY key) {
  if (key_ != key) {
    HKEY old = key_;
    key_ = nullptr;
    if (old)
      RegCloseKey(old);
    key_ = key;
    wow64access_ = 0;
  }
}

HKEY RegKey::Take() {
  HKEY key = key_;
  key_ = nullptr;
  wow64access_ = 0;
  return key;
}

bool RegKey::HasValue(const wchar_t* value_name) const {
  return RegQueryValueExW(key_, value_name, nullptr, nullptr, nullptr, nullptr) ==
         ERROR_SUCCESS;
}

DWORD RegKey::GetValueCount() const {
  DWORD count = 0;
  return QueryKeyCounts(key_, nullptr, &count) == ERROR_SUCCESS ? count : 0;
}

LONG RegKey::GetValueNameAt(int index, std::wstring* name) const {
  if (index < 0)
    return ERROR_INVALID_PARAMETER;
  wchar_t buf[16384];  // Value names are at most 16383 characters.
  DWORD bufsize = static_cast<DWORD>(sizeof(buf) / sizeof(buf[0]));
  LONG result = RegEnumValueW(key_, static_cast<DWORD>(index), buf, &bufsize, nullptr, nullptr,
                              nullptr, nullptr);
  if (result == ERROR_SUCCESS)
    name->assign(buf, bufsize);
  return result;
}

LONG RegKey::DeleteKey(const wchar_t* name) {
  if (!key_)
    return ERROR_INVALID_HANDLE;
  if (!name || !*name)
    return ERROR_INVALID_PARAMETER;
  // Open the subkey through the view first: RegDeleteTreeW alone would
  // resolve |name| without the view's redirection.
  HKEY subkey = nullptr;
  LONG result = RegOpenKeyExW(key_, name, 0,
                              DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | KEY_SET_VALUE |
                                  wow64access_,
                              &subkey);
  if (result != ERROR_SUCCESS)
    return result;
  result = RegDeleteTreeW(subkey, nullptr);
  RegCloseKey(subkey);
  if (result != ERROR_SUCCESS)
    return result;
  return RegDeleteKeyExW(key_, name, wow64access_, 0);
}

LONG RegKey::DeleteEmptyKey(const wchar_t* name) {
  if (!key_)
    return ERROR_INVALID_HANDLE;
  if (!name || !*name)
    return ERROR_INVALID_PARAMETER;
  HKEY subkey = nullptr;
  LONG result = RegOpenKeyExW(key_, name, 0, KEY_READ | wow64access_, &subkey);
  if (result != ERROR_SUCCESS)
    return result;
  DWORD subkeys = 0;
  DWORD values = 0;
  result = QueryKeyCounts(subkey, &subkeys, &values);
  RegCloseKey(subkey);
  if (result != ERROR_SUCCESS)
    return result;
  if (subkeys != 0 || values != 0)
    return ERROR_DIR_NOT_EMPTY;
  return RegDeleteKeyExW(key_, name, wow64access_, 0);
}

LONG RegKey::DeleteValue(const wchar_t* name) {
  return RegDeleteValueW(key_, name);
}

LONG RegKey::ReadValueDW(const wchar_t* name, DWORD* out_value) const {
  return ReadFixedSize(*this, name, REG_DWORD, out_value);
}

LONG RegKey::ReadInt64(const wchar_t* name, int64_t* out_value) const {
  return ReadFixedSize(*this, name, REG_QWORD, out_value);
}

LONG RegKey::ReadValue(const wchar_t* name, std::wstring* out_value) const {
  std::wstring value;
  DWORD type = REG_NONE;
  LONG result = ReadWide(key_, name, &value, &type);
  if (result != ERROR_SUCCESS)
    return result;
  if (type != REG_SZ && type != REG_EXPAND_SZ)
    return ERROR_CANTREAD;
  // Stored strings usually, but not always, end with their terminator.
  size_t end = value.find(L'\0');
  if (end != std::wstring::npos)
    value.resize(end);
  if (type == REG_EXPAND_SZ) {
    DWORD needed = ExpandEnvironmentStringsW(value.c_str(), nullptr, 0);
    if (needed == 0)
      return static_cast<LONG>(GetLastError());
    std::wstring expanded(needed, L'\0');
    needed = ExpandEnvironmentStringsW(value.c_str(), expanded.data(), needed);
    if (needed == 0 || needed > expanded.size())
      return ERROR_MORE_DATA;
    expanded.resize(needed - 1);
    value.swap(expanded);
  }
  out_value->swap(value);
  return ERROR_SUCCESS;
}

LONG RegKey::ReadValues(const wchar_t* name, std::vector<std::wstring>* values) const {
  std::wstring all;
  DWORD type = REG_NONE;
  LONG result = ReadWide(key_, name, &all, &type);
  if (result != ERROR_SUCCESS)
    return result;
  if (type != REG_MULTI_SZ)
    return ERROR_CANTREAD;
  // "a\0b\0\0": strings separated by zeros, the list ended by an empty one.
  std::vector<std::wstring> result_values;
  size_t start = 0;
  while (start < all.size()) {
    size_t end = all.find(L'\0', start);
    if (end == std::wstring::npos)
      end = all.size();
    if (end == start)
      break;
    result_values.emplace_back(all, start, end - start);
    start = end + 1;
  }
  values->swap(result_values);
  return ERROR_SUCCESS;
}

LONG RegKey::ReadValue(const wchar_t* name, void* data, DWORD* dsize, DWORD* dtype) const {
  return RegQueryValueExW(key_, name, nullptr, dtype, static_cast<BYTE*>(data), dsize);
}

LONG RegKey::WriteValue(const wchar_t* name, DWORD in_value) {
  return WriteValue(name, &in_value, sizeof(in_value), REG_DWORD);
}

LONG RegKey::WriteValue(const wchar_t* name, const wchar_t* in_value) {
  if (!in_value)
    return ERROR_INVALID_PARAMETER;
  size_t bytes = (wcslen(in_value) + 1) * sizeof(wchar_t);
  if (bytes > MAXDWORD)
    return ERROR_INVALID_PARAMETER;
  return WriteValue(name, in_value, static_cast<DWORD>(bytes), REG_SZ);
}

LONG RegKey::WriteValue(const wchar_t* name, const void* data, DWORD dsize, DWORD dtype) {
  return RegSetValueExW(key_, name, 0, dtype, static_cast<const BYTE*>(data), dsize);
}

// RegistryValueIterator -------------------------------------------------------

RegistryValueIterator::RegistryValueIterator(HKEY root_key, const wchar_t* folder_key,
                                             REGSAM wow64access) {
  DWORD count = 0;
  key_ = OpenForIteration(root_key, folder_key, wow64access, nullptr, &count);
  if (!key_)
    return;
  index_ = static_cast<int>(count) - 1;
  Read();
}

RegistryValueIterator::~RegistryValueIterator() {
  if (key_)
    RegCloseKey(key_);
}

DWORD RegistryValueIterator::ValueCount() const {
  DWORD count = 0;
  return QueryKeyCounts(key_, nullptr, &count) == ERROR_SUCCESS ? count : 0;
}

bool RegistryValueIterator::Valid() const {
  return key_ != nullptr && index_ >= 0;
}

void RegistryValueIterator::operator++() {
  --index_;
  Read();
}

bool RegistryValueIterator::Read() {
  // Values may be deleted while iterating: skip indexes that are gone.
  for (; Valid(); --index_) {
    wchar_t name[16384];
    DWORD name_size = static_cast<DWORD>(sizeof(name) / sizeof(name[0]));
    DWORD data_size = 0;
    LONG result = RegEnumValueW(key_, static_cast<DWORD>(index_), name, &name_size, nullptr,
                                &type_, nullptr, &data_size);
    if (result == ERROR_NO_MORE_ITEMS)
      continue;
    if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA)
      continue;
    // Zero padding after the data keeps string values terminated.
    value_.assign(data_size / sizeof(wchar_t) + 2, L'\0');
    name_size = static_cast<DWORD>(sizeof(name) / sizeof(name[0]));
    DWORD capacity = static_cast<DWORD>(value_.size() * sizeof(wchar_t));
    result = RegEnumValueW(key_, static_cast<DWORD>(index_), name, &name_size, nullptr, &type_,
                           reinterpret_cast<BYTE*>(value_.data()), &capacity);
    if (result != ERROR_SUCCESS)
      continue;
    name_.assign(name, name_size);
    value_size_ = capacity;
    return true;
  }
  name_.clear();
  value_.assign(1, L'\0');
  value_size_ = 0;
  type_ = REG_NONE;
  return false;
}

// RegistryKeyIterator ---------------------------------------------------------

RegistryKeyIterator::RegistryKeyIterator(HKEY root_key, const wchar_t* folder_key,
                                         REGSAM wow64access) {
  name_[0] = L'\0';
  DWORD count = 0;
  key_ = OpenForIteration(root_key, folder_key, wow64access, &count, nullptr);
  if (!key_)
    return;
  index_ = static_cast<int>(count) - 1;
  Read();
}

RegistryKeyIterator::~RegistryKeyIterator() {
  if (key_)
    RegCloseKey(key_);
}

DWORD RegistryKeyIterator::SubkeyCount() const {
  DWORD count = 0;
  return QueryKeyCounts(key_, &count, nullptr) == ERROR_SUCCESS ? count : 0;
}

bool RegistryKeyIterator::Valid() const {
  return key_ != nullptr && index_ >= 0;
}

void RegistryKeyIterator::operator++() {
  --index_;
  Read();
}

bool RegistryKeyIterator::Read() {
  for (; Valid(); --index_) {
    DWORD size = static_cast<DWORD>(sizeof(name_) / sizeof(name_[0]));
    FILETIME written;
    LONG result = RegEnumKeyExW(key_, static_cast<DWORD>(index_), name_, &size, nullptr,
                                nullptr, nullptr, &written);
    if (result == ERROR_SUCCESS)
      return true;
  }
  name_[0] = L'\0';
  return false;
}

}  // namespace win
}  // namespace base
