#ifndef DESKTOP_WINDOWS_INSTALLER_UI_SCOPED_BUTTON_LABEL_HOOK_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_SCOPED_BUTTON_LABEL_HOOK_H_

#include <windows.h>

// While alive, message boxes of this thread get the installer's localised
// Yes, No and OK labels. Keep it around exactly one MessageBox call.
class ScopedButtonLabelHook {
 public:
  ScopedButtonLabelHook();
  ~ScopedButtonLabelHook();

  ScopedButtonLabelHook(const ScopedButtonLabelHook&) = delete;
  ScopedButtonLabelHook& operator=(const ScopedButtonLabelHook&) = delete;

  // Whether a hook of this thread is installed now.
  static bool IsInstalled();

 private:
  static LRESULT CALLBACK HookProc(int code, WPARAM w_param, LPARAM l_param);

  HHOOK hook_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_SCOPED_BUTTON_LABEL_HOOK_H_
