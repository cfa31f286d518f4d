#ifndef BASE_WIN_SCOPED_BSTR_H_
#define BASE_WIN_SCOPED_BSTR_H_

#include <windows.h>

#include <oleauto.h>

#include <string_view>

namespace base {
namespace win {

// Owns a BSTR and frees it with SysFreeString.
class ScopedBstr {
 public:
  ScopedBstr() = default;
  // A copy of |value|, which may contain zeros.
  explicit ScopedBstr(std::wstring_view value);
  ScopedBstr(const ScopedBstr&) = delete;
  ScopedBstr& operator=(const ScopedBstr&) = delete;
  ~ScopedBstr();

  BSTR Get() const { return bstr_; }
  operator BSTR() const { return bstr_; }

  // Frees the current string and takes ownership of |bstr|.
  void Reset(BSTR bstr = nullptr);
  // Gives up ownership.
  [[nodiscard]] BSTR Release();
  // For functions that return a new BSTR through an out parameter.
  BSTR* Receive();
  void Swap(ScopedBstr& other);

  // Length in characters (not counting the terminator); 0 when empty.
  size_t Length() const;

 private:
  BSTR bstr_ = nullptr;
};

}  // namespace win
}  // namespace base

#endif  // BASE_WIN_SCOPED_BSTR_H_
