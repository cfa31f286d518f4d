#ifndef DESKTOP_WINDOWS_INSTALLER_UI_SCOPED_CUSTOM_MESSAGE_BOX_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_SCOPED_CUSTOM_MESSAGE_BOX_H_

#include <windows.h>

#include <functional>
#include <string>

// The answers of a custom message box.
enum CustomMessageBoxAnswer : int {
  CUSTOM_MESSAGE_BOX_CLOSED = 0,
  CUSTOM_MESSAGE_BOX_FIRST_BUTTON = 1,
  CUSTOM_MESSAGE_BOX_SECOND_BUTTON = 2,
  CUSTOM_MESSAGE_BOX_LINK_CLICKED = 3,
};

// A modeless message box (dialog 102 of the host) with a rich-text body that
// may hold links and up to two buttons. It answers through the callback and
// never closes itself: the holder destroys it (or its destruction does).
// While it lives its owner is disabled. UI thread only.
class ScopedCustomMessageBox {
 public:
  using AnswerCallback = std::function<void(int answer)>;

  ScopedCustomMessageBox();
  ~ScopedCustomMessageBox();
  ScopedCustomMessageBox(const ScopedCustomMessageBox&) = delete;
  ScopedCustomMessageBox& operator=(const ScopedCustomMessageBox&) = delete;

  HWND dialog() const { return dialog_; }

 private:
  friend bool ShowCustomMessageBox(ScopedCustomMessageBox* box, HWND owner, int title_id,
                                   const std::wstring& text, int first_button_id,
                                   int second_button_id, AnswerCallback callback);
  friend void DestroyCustomMessageBox(ScopedCustomMessageBox* box);
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM w_param, LPARAM l_param);
  void Answer(int answer);

  HWND dialog_ = nullptr;
  HWND owner_ = nullptr;
  AnswerCallback callback_;
};

// Shows the box. `text` may hold <a href="...">...</a> links. A first button
// id of 0 leaves one button (the second), which is then the default.
// Returns false when the dialog could not be made.
bool ShowCustomMessageBox(ScopedCustomMessageBox* box, HWND owner, int title_id,
                          const std::wstring& text, int first_button_id, int second_button_id,
                          ScopedCustomMessageBox::AnswerCallback callback);

// Enables the owner again and destroys the box, if shown.
void DestroyCustomMessageBox(ScopedCustomMessageBox* box);

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_SCOPED_CUSTOM_MESSAGE_BOX_H_
