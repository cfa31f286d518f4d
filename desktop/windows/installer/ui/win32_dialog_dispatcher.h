#ifndef DESKTOP_WINDOWS_INSTALLER_UI_WIN32_DIALOG_DISPATCHER_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_WIN32_DIALOG_DISPATCHER_H_

#include <windows.h>

#include "base/message_loop/message_dispatcher.h"

// Gives the active modeless dialog of the UI run loop its keyboard
// navigation (Tab, Enter, Escape): every dialog selects itself here when it
// is activated and unselects itself when it is deactivated.
class Win32DialogDispatcher : public base::MessageDispatcher {
 public:
  // The process-wide instance, made on first use (safe from any thread)
  // and destroyed by the exit manager.
  static Win32DialogDispatcher* GetInstance();

  Win32DialogDispatcher(const Win32DialogDispatcher&) = delete;
  Win32DialogDispatcher& operator=(const Win32DialogDispatcher&) = delete;

  void SelectDialog(HWND dialog);
  // Keeps the selection when another dialog is selected.
  void UnselectDialog(HWND dialog);
  HWND selected_dialog() const { return selected_dialog_; }

  // base::MessageDispatcher:
  uint32_t Dispatch(const MSG& message) override;

 private:
  Win32DialogDispatcher();
  ~Win32DialogDispatcher() override;
  static void DestroyInstance(void* unused);

  HWND selected_dialog_ = nullptr;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_WIN32_DIALOG_DISPATCHER_H_
