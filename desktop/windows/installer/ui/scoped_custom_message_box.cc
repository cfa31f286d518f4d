#include "desktop/windows/installer/ui/scoped_custom_message_box.h"

#include <commctrl.h>
#include <richedit.h>

#include <utility>

#include "base/logging.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"
#include "desktop/windows/installer/ui/installer_resource_ids.h"
#include "desktop/windows/installer/ui/rich_edit_util.h"
#include "desktop/windows/installer/ui/win32_dialog_dispatcher.h"

namespace {

constexpr COLORREF kBodyTextColour = 100;
constexpr COLORREF kLinkColour = 0x686868;
constexpr UINT_PTR kHideCaretSubclassId = 1;

void SetUpBody(HWND body, const std::wstring& text) {
  SendMessageW(body, EM_SETEVENTMASK, 0, ENM_LINK);
  // The box is button-face grey, like a system message box.
  SendMessageW(body, EM_SETBKGNDCOLOR, 0, GetSysColor(COLOR_3DFACE));
  SetRichEditTextColor(body, kBodyTextColour);
  SetWindowSubclass(body, HideCaretSubclassProc, kHideCaretSubclassId, 0);
  SetRichTextWithLinks(body, text, kLinkColour);
}

void SetUpButtons(HWND dialog, int first_button_id, int second_button_id) {
  HWND first = GetDlgItem(dialog, IDC_MESSAGE_BOX_FIRST_BUTTON);
  HWND second = GetDlgItem(dialog, IDC_MESSAGE_BOX_SECOND_BUTTON);
  if (first_button_id != 0) {
    SetWindowTextW(first, GetLocalizedString(first_button_id).c_str());
    SendMessageW(dialog, DM_SETDEFID, IDC_MESSAGE_BOX_FIRST_BUTTON, 0);
  } else {
    ShowWindow(first, SW_HIDE);
    SendMessageW(dialog, DM_SETDEFID, IDC_MESSAGE_BOX_SECOND_BUTTON, 0);
  }
  SetWindowTextW(second, GetLocalizedString(second_button_id).c_str());
  SetFocus(first_button_id != 0 ? first : second);
}

}  // namespace

ScopedCustomMessageBox::ScopedCustomMessageBox() = default;

ScopedCustomMessageBox::~ScopedCustomMessageBox() {
  DestroyCustomMessageBox(this);
}

void ScopedCustomMessageBox::Answer(int answer) {
  // The callback may destroy the box (and this holder with it).
  AnswerCallback callback = callback_;
  if (callback)
    callback(answer);
}

// static
INT_PTR CALLBACK ScopedCustomMessageBox::DialogProc(HWND dialog, UINT message, WPARAM w_param,
                                                    LPARAM l_param) {
  auto* box = reinterpret_cast<ScopedCustomMessageBox*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_ACTIVATE:
      if (LOWORD(w_param) == WA_INACTIVE)
        Win32DialogDispatcher::GetInstance()->UnselectDialog(dialog);
      else
        Win32DialogDispatcher::GetInstance()->SelectDialog(dialog);
      return FALSE;
    case WM_CLOSE:
      if (box)
        box->Answer(CUSTOM_MESSAGE_BOX_CLOSED);
      return TRUE;
    case WM_COMMAND:
      if (!box || HIWORD(w_param) != BN_CLICKED)
        return FALSE;
      if (LOWORD(w_param) == IDC_MESSAGE_BOX_FIRST_BUTTON)
        box->Answer(CUSTOM_MESSAGE_BOX_FIRST_BUTTON);
      else if (LOWORD(w_param) == IDC_MESSAGE_BOX_SECOND_BUTTON)
        box->Answer(CUSTOM_MESSAGE_BOX_SECOND_BUTTON);
      else
        return FALSE;
      return TRUE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(l_param);
      if (box && header->idFrom == IDC_MESSAGE_BOX_BODY && header->code == EN_LINK &&
          reinterpret_cast<const ENLINK*>(l_param)->msg == WM_LBUTTONUP) {
        box->Answer(CUSTOM_MESSAGE_BOX_LINK_CLICKED);
        return TRUE;
      }
      return FALSE;
    }
  }
  return FALSE;
}

bool ShowCustomMessageBox(ScopedCustomMessageBox* box, HWND owner, int title_id,
                          const std::wstring& text, int first_button_id, int second_button_id,
                          ScopedCustomMessageBox::AnswerCallback callback) {
  DCHECK(box);
  DestroyCustomMessageBox(box);
  InitRichEdit();
  LOG(INFO) << "Displaying custom message box";
  HMODULE module = GetModuleHandleW(nullptr);
  HWND dialog = CreateDialogParamW(module, MAKEINTRESOURCEW(IDD_CUSTOM_MESSAGE_BOX), owner,
                                   &ScopedCustomMessageBox::DialogProc, 0);
  if (!dialog) {
    PLOG(ERROR) << "Failed to display custom message box";
    return false;
  }
  box->dialog_ = dialog;
  box->owner_ = owner;
  box->callback_ = std::move(callback);
  SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(box));
  if (owner)
    EnableWindow(owner, FALSE);
  HICON icon = LoadIconW(module, MAKEINTRESOURCEW(IDI_INSTALLER));
  SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  SetWindowTextW(dialog, GetLocalizedString(title_id).c_str());
  SetUpBody(GetDlgItem(dialog, IDC_MESSAGE_BOX_BODY), text);
  SetUpButtons(dialog, first_button_id, second_button_id);
  return true;
}

void DestroyCustomMessageBox(ScopedCustomMessageBox* box) {
  if (!box->dialog_)
    return;
  LOG(INFO) << "Destroying custom message box";
  HWND dialog = box->dialog_;
  box->dialog_ = nullptr;
  SetWindowLongPtrW(dialog, DWLP_USER, 0);
  // The owner first, so that activation goes back to it.
  if (box->owner_)
    EnableWindow(box->owner_, TRUE);
  DestroyWindow(dialog);
  box->owner_ = nullptr;
  box->callback_ = nullptr;
}
