#ifndef DESKTOP_WINDOWS_INSTALLER_UI_ACCESSIBLE_NAME_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_ACCESSIBLE_NAME_H_

#include <windows.h>

#include <map>
#include <string>

// The name that assistive technology (a screen reader) reads for a control
// that has no label beside it, such as the agreement sentence, the terms
// box and the progress bar. Given as the system's dynamic annotation of the
// control; where the system keeps none (Wine answers "not implemented") the
// control stays unnamed and a verbose line says so. UI thread, with COM.
void SetAccessibleName(HWND control, const std::wstring& name);

// For a test's lifetime the names are recorded here instead.
class ScopedAccessibleNamesForTesting {
 public:
  ScopedAccessibleNamesForTesting();
  ~ScopedAccessibleNamesForTesting();
  ScopedAccessibleNamesForTesting(const ScopedAccessibleNamesForTesting&) = delete;
  ScopedAccessibleNamesForTesting& operator=(const ScopedAccessibleNamesForTesting&) = delete;

  // The last name given to `control`; empty when none was.
  std::wstring NameOf(HWND control) const;
  void Record(HWND control, const std::wstring& name) { names_[control] = name; }

 private:
  std::map<HWND, std::wstring> names_;
  ScopedAccessibleNamesForTesting* const previous_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_ACCESSIBLE_NAME_H_
