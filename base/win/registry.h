#ifndef BASE_WIN_REGISTRY_H_
#define BASE_WIN_REGISTRY_H_

#include <windows.h>

#include <stdint.h>

#include <string>
#include <vector>

namespace base {
namespace win {

// An open registry key, closed on destruction. Every operation returns the
// Windows error code (ERROR_SUCCESS on success).
//
// The registry view comes from the access mask: KEY_WOW64_32KEY or
// KEY_WOW64_64KEY given to Create/Open is remembered and used again for the
// subkeys this object creates, opens or deletes.
class RegKey {
 public:
  RegKey();
  explicit RegKey(HKEY key);
  // Opens |subkey| of |rootkey|; with KEY_CREATE_SUB_KEY or KEY_SET_VALUE in
  // |access| a missing key is created.
  RegKey(HKEY rootkey, const wchar_t* subkey, REGSAM access);
  RegKey(RegKey&& other) noexcept;
  RegKey& operator=(RegKey&& other) noexcept;
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  ~RegKey();

  // Creates |subkey| with any missing parents, or opens it.
  LONG Create(HKEY rootkey, const wchar_t* subkey, REGSAM access);
  LONG CreateWithDisposition(HKEY rootkey, const wchar_t* subkey, DWORD* disposition,
                             REGSAM access);
  // Creates (or opens) |name| under this key; this object then refers to it.
  LONG CreateKey(const wchar_t* name, REGSAM access);

  LONG Open(HKEY rootkey, const wchar_t* subkey, REGSAM access);
  // Opens |relative_key_name| under this key; this object then refers to it.
  LONG OpenKey(const wchar_t* relative_key_name, REGSAM access);

  void Close();
  // Takes ownership of |key|.
  void Set(HKEY key);
  // Hands the key over to the caller, who must close it.
  HKEY Take();

  bool Valid() const { return key_ != nullptr; }
  HKEY Handle() const { return key_; }

  bool HasValue(const wchar_t* value_name) const;
  // The number of values, 0 on failure.
  DWORD GetValueCount() const;
  LONG GetValueNameAt(int index, std::wstring* name) const;

  // Deletes |name| under this key with all its subkeys and values. An empty
  // name is refused (ERROR_INVALID_PARAMETER) so that a mistaken call cannot
  // wipe this key's whole subtree.
  LONG DeleteKey(const wchar_t* name);
  // Deletes |name| only when it has neither subkeys nor values.
  LONG DeleteEmptyKey(const wchar_t* name);
  LONG DeleteValue(const wchar_t* name);

  // REG_DWORD (exactly 4 bytes); ERROR_CANTREAD for any other type or size.
  LONG ReadValueDW(const wchar_t* name, DWORD* out_value) const;
  // REG_QWORD (exactly 8 bytes); ERROR_CANTREAD for any other type or size.
  LONG ReadInt64(const wchar_t* name, int64_t* out_value) const;
  // REG_SZ, or REG_EXPAND_SZ with its environment variables expanded;
  // ERROR_CANTREAD for other types. A missing terminator is tolerated.
  LONG ReadValue(const wchar_t* name, std::wstring* out_value) const;
  // REG_MULTI_SZ as a list of strings; ERROR_CANTREAD for other types.
  LONG ReadValues(const wchar_t* name, std::vector<std::wstring>* values) const;
  // Raw access as RegQueryValueExW.
  LONG ReadValue(const wchar_t* name, void* data, DWORD* dsize, DWORD* dtype) const;

  LONG WriteValue(const wchar_t* name, DWORD in_value);
  // REG_SZ with its terminating zero.
  LONG WriteValue(const wchar_t* name, const wchar_t* in_value);
  LONG WriteValue(const wchar_t* name, const void* data, DWORD dsize, DWORD dtype);

 private:
  HKEY key_ = nullptr;
  REGSAM wow64access_ = 0;
};

// Walks the values of a key. It goes from the last value to the first so that
// the current value may be deleted while iterating.
class RegistryValueIterator {
 public:
  RegistryValueIterator(HKEY root_key, const wchar_t* folder_key, REGSAM wow64access = 0);
  RegistryValueIterator(const RegistryValueIterator&) = delete;
  RegistryValueIterator& operator=(const RegistryValueIterator&) = delete;
  ~RegistryValueIterator();

  DWORD ValueCount() const;
  bool Valid() const;
  void operator++();

  const wchar_t* Name() const { return name_.c_str(); }
  // The data; for string types always zero-terminated.
  const wchar_t* Value() const { return value_.data(); }
  // Size of the data in bytes.
  DWORD ValueSize() const { return value_size_; }
  DWORD Type() const { return type_; }
  int Index() const { return index_; }

 private:
  bool Read();

  HKEY key_ = nullptr;
  int index_ = -1;
  std::wstring name_;
  std::vector<wchar_t> value_;
  DWORD value_size_ = 0;
  DWORD type_ = REG_NONE;
};

// Walks the direct subkeys of a key, from the last to the first.
class RegistryKeyIterator {
 public:
  RegistryKeyIterator(HKEY root_key, const wchar_t* folder_key, REGSAM wow64access = 0);
  RegistryKeyIterator(const RegistryKeyIterator&) = delete;
  RegistryKeyIterator& operator=(const RegistryKeyIterator&) = delete;
  ~RegistryKeyIterator();

  DWORD SubkeyCount() const;
  bool Valid() const;
  void operator++();

  const wchar_t* Name() const { return name_; }
  int Index() const { return index_; }

 private:
  bool Read();

  HKEY key_ = nullptr;
  int index_ = -1;
  wchar_t name_[256];  // Key names are at most 255 characters.
};

}  // namespace win
}  // namespace base

#endif  // BASE_WIN_REGISTRY_H_
