#ifndef BASE_WIN_SCOPED_PROPVARIANT_H_
#define BASE_WIN_SCOPED_PROPVARIANT_H_

#include <windows.h>

#include <propidl.h>

namespace base {
namespace win {

// Owns a PROPVARIANT and clears it (PropVariantClear) on destruction.
class ScopedPropVariant {
 public:
  ScopedPropVariant() { PropVariantInit(&pv_); }
  ScopedPropVariant(const ScopedPropVariant&) = delete;
  ScopedPropVariant& operator=(const ScopedPropVariant&) = delete;
  ~ScopedPropVariant() { Reset(); }

  // For functions that fill a PROPVARIANT; the value held before is cleared.
  PROPVARIANT* Receive() {
    Reset();
    return &pv_;
  }

  void Reset() {
    if (pv_.vt != VT_EMPTY) {
      PropVariantClear(&pv_);
      PropVariantInit(&pv_);
    }
  }

  const PROPVARIANT& get() const { return pv_; }
  const PROPVARIANT* ptr() const { return &pv_; }

 private:
  PROPVARIANT pv_;
};

}  // namespace win
}  // namespace base

#endif  // BASE_WIN_SCOPED_PROPVARIANT_H_
