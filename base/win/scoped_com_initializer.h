#ifndef BASE_WIN_SCOPED_COM_INITIALIZER_H_
#define BASE_WIN_SCOPED_COM_INITIALIZER_H_

#include <windows.h>

#include <objbase.h>

namespace base {
namespace win {

// Initializes COM on this thread for the object's lifetime: a single-threaded
// apartment by default, the multi-threaded one with kMTA. Uninitializes only
// when the initialization succeeded (S_OK or S_FALSE), so a thread already in
// another apartment (RPC_E_CHANGED_MODE) is left as it was.
class ScopedCOMInitializer {
 public:
  enum SelectMTA { kMTA };

  ScopedCOMInitializer() { Initialize(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE); }
  explicit ScopedCOMInitializer(SelectMTA) { Initialize(COINIT_MULTITHREADED); }
  ScopedCOMInitializer(const ScopedCOMInitializer&) = delete;
  ScopedCOMInitializer& operator=(const ScopedCOMInitializer&) = delete;
  ~ScopedCOMInitializer() {
    if (Succeeded())
      CoUninitialize();
  }

  bool Succeeded() const { return SUCCEEDED(hr_); }
  HRESULT hr() const { return hr_; }

 private:
  void Initialize(DWORD init) { hr_ = CoInitializeEx(nullptr, init); }

  HRESULT hr_ = E_FAIL;
};

}  // namespace win
}  // namespace base

#endif  // BASE_WIN_SCOPED_COM_INITIALIZER_H_
