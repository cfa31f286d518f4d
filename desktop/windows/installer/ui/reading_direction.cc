#include "desktop/windows/installer/ui/reading_direction.h"

#include "desktop/windows/installer/ui/installer_resource_ids.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"

namespace {

// Under Wine statics, edits and rich edits lay out text left to right
// whatever their reading order: embedded in these marks, a right-to-left
// text reads right to left there too (Windows honours the reading order,
// and an embedding of the same direction changes nothing there).
constexpr wchar_t kRightToLeftEmbedding[] = L"\u202B";
constexpr wchar_t kPopDirection[] = L"\u202C";

// Whether `control` is, or lies inside, a box that shows a folder path.
bool IsInPathBox(HWND control) {
  for (HWND window = control; window; window = GetParent(window)) {
    const int id = GetDlgCtrlID(window);
    if (id == IDC_FOLDER_COMBO || id == IDC_MAIN_FOLDER_COMBO)
      return true;
    if (!(GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD))
      break;
  }
  return false;
}

// A path reads left to right whatever the language ("C:\Program Files",
// never "Program Files\:C"): the edit field and the list of a path box are
// not mirrored, and read and align left to right like the path itself.
void ReadLeftToRight(HWND window) {
  if (!window)
    return;
  SetWindowLongPtrW(window, GWL_EXSTYLE,
                    GetWindowLongPtrW(window, GWL_EXSTYLE) &
                        ~(WS_EX_LAYOUTRTL | WS_EX_RTLREADING | WS_EX_RIGHT));
  InvalidateRect(window, nullptr, TRUE);
}

// Texts of a mirrored window read right to left too; folder paths and the
// terms (an English text) keep reading left to right. The centred rich
// texts are not mirrored themselves: Wine lays out a mirrored rich edit's
// right-to-left text left to right, embedding or not.
BOOL CALLBACK SetControlReading(HWND control, LPARAM /*unused*/) {
  const int id = GetDlgCtrlID(control);
  if (id == IDC_TERMS_TEXT) {
    ReadLeftToRight(control);
    return TRUE;
  }
  if (id == IDC_HEADLINE || id == IDC_AGREEMENT) {
    SetWindowLongPtrW(control, GWL_EXSTYLE,
                      (GetWindowLongPtrW(control, GWL_EXSTYLE) & ~WS_EX_LAYOUTRTL) |
                          WS_EX_RTLREADING);
    return TRUE;
  }
  if (id == IDC_FOLDER_COMBO || id == IDC_MAIN_FOLDER_COMBO) {
    COMBOBOXINFO info = {sizeof(info)};
    if (GetComboBoxInfo(control, &info)) {
      ReadLeftToRight(info.hwndItem);
      ReadLeftToRight(info.hwndList);
    }
    return TRUE;
  }
  if (IsInPathBox(control))
    return TRUE;
  SetWindowLongPtrW(control, GWL_EXSTYLE,
                    GetWindowLongPtrW(control, GWL_EXSTYLE) | WS_EX_RTLREADING);
  return TRUE;
}

}  // namespace

bool IsRightToLeftLanguage() {
  L10nHandler* handler = GetL10nHandler();
  if (!handler || handler->GetLanguageId() == 0)
    return false;
  wchar_t locale[LOCALE_NAME_MAX_LENGTH] = {};
  if (!LCIDToLocaleName(MAKELCID(handler->GetLanguageId(), SORT_DEFAULT), locale,
                        LOCALE_NAME_MAX_LENGTH, 0)) {
    return false;
  }
  DWORD layout = 0;
  return GetLocaleInfoEx(locale, LOCALE_IREADINGLAYOUT | LOCALE_RETURN_NUMBER,
                         reinterpret_cast<wchar_t*>(&layout), sizeof(layout) / sizeof(wchar_t)) &&
         layout == 1;
}

UINT MessageBoxReadingFlags() {
  return IsRightToLeftLanguage() ? MB_RTLREADING | MB_RIGHT : 0;
}

void SetReadingDirection(HWND dialog) {
  EnumChildWindows(dialog, SetControlReading, 0);
}

bool IsInMirroredWindow(HWND window) {
  HWND root = window ? GetAncestor(window, GA_ROOT) : nullptr;
  return root && (GetWindowLongPtrW(root, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0;
}

std::wstring DirectedText(HWND window, const std::wstring& text) {
  if (!IsInMirroredWindow(window))
    return text;
  // An embedding lasts one paragraph: each line gets its own.
  std::wstring directed = kRightToLeftEmbedding;
  for (wchar_t c : text) {
    if (c == L'\n')
      directed += std::wstring(kPopDirection) + L"\n" + kRightToLeftEmbedding;
    else
      directed += c;
  }
  return directed + kPopDirection;
}

void SetDirectedText(HWND control, const std::wstring& text) {
  if (control)
    SetWindowTextW(control, DirectedText(control, text).c_str());
}
