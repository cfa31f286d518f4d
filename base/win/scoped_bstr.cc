#include "base/win/scoped_bstr.h"

#include <utility>

namespace base {
namespace win {

ScopedBstr::ScopedBstr(std::wstring_view value)
    : bstr_(SysAllocStringLen(value.data(), static_cast<UINT>(value.size()))) {}

ScopedBstr::~ScopedBstr() {
  Reset();
}

void ScopedBstr::Reset(BSTR bstr) {
  if (bstr != bstr_) {
    SysFreeString(bstr_);
    bstr_ = bstr;
  }
}

BSTR ScopedBstr::Release() {
  return std::exchange(bstr_, nullptr);
}

BSTR* ScopedBstr::Receive() {
  Reset();
  return &bstr_;
}

void ScopedBstr::Swap(ScopedBstr& other) {
  std::swap(bstr_, other.bstr_);
}

size_t ScopedBstr::Length() const {
  return SysStringLen(bstr_);
}

}  // namespace win
}  // namespace base
