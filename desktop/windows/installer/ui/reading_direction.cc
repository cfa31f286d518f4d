#include "desktop/windows/installer/ui/reading_direction.h"

#include <algorithm>
#include <vector>

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

// A control's mirroring is fixed when it is made: one that must not be
// mirrored in a mirrored dialog is made again, as the template made it, while
// the dialog passes its mirroring on to no new child. (Un-mirrored later,
// Wine draws its scroll bar as a blank strip.)
void RemakeLeftToRight(HWND dialog, int id) {
  HWND old = GetDlgItem(dialog, id);
  if (!old)
    return;
  wchar_t class_name[64] = {};
  GetClassNameW(old, class_name, ARRAYSIZE(class_name));
  RECT place = {};
  GetWindowRect(old, &place);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
  const LONG_PTR dialog_style = GetWindowLongPtrW(dialog, GWL_EXSTYLE);
  SetWindowLongPtrW(dialog, GWL_EXSTYLE, dialog_style | WS_EX_NOINHERITLAYOUT);
  HWND copy = CreateWindowExW(
      GetWindowLongPtrW(old, GWL_EXSTYLE) &
          ~(WS_EX_LAYOUTRTL | WS_EX_RTLREADING | WS_EX_RIGHT | WS_EX_LEFTSCROLLBAR),
      class_name, L"", GetWindowLongPtrW(old, GWL_STYLE), place.left, place.top,
      place.right - place.left, place.bottom - place.top, dialog,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
      reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(old, GWLP_HINSTANCE)), nullptr);
  SetWindowLongPtrW(dialog, GWL_EXSTYLE, dialog_style);
  if (!copy) {
    ReadLeftToRight(old);
    return;
  }
  SendMessageW(copy, WM_SETFONT, SendMessageW(old, WM_GETFONT, 0, 0), FALSE);
  // In the old one's place in the tab order.
  SetWindowPos(copy, old, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  DestroyWindow(old);
}

// Texts of a mirrored window read right to left too; folder paths and the
// terms (an English text) keep reading left to right. The centred rich
// texts are not mirrored themselves: Wine lays out a mirrored rich edit's
// right-to-left text left to right, embedding or not.
BOOL CALLBACK SetControlReading(HWND control, LPARAM /*unused*/) {
  const int id = GetDlgCtrlID(control);
  if (id == IDC_TERMS_TEXT)
    return TRUE;  // made again, after the walk
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
  RemakeLeftToRight(dialog, IDC_TERMS_TEXT);
}

bool IsInMirroredWindow(HWND window) {
  HWND root = window ? GetAncestor(window, GA_ROOT) : nullptr;
  return root && (GetWindowLongPtrW(root, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0;
}

namespace {

// A label with an access key, all of it right to left: the mirrored control
// alone lays it out right. Wine measures the embedding's marks as
// characters where it places the key's underline, which then stands
// beside the word.
bool IsRightToLeftAccessKeyLabel(const std::wstring& text) {
  if (text.find(L'&') == std::wstring::npos)
    return false;
  std::wstring letters = text;
  std::erase(letters, L'&');
  if (letters.empty())
    return false;
  std::vector<WORD> types(letters.size());
  if (!GetStringTypeW(CT_CTYPE2, letters.c_str(), static_cast<int>(letters.size()), types.data()))
    return false;
  if (types.front() != C2_RIGHTTOLEFT || types.back() != C2_RIGHTTOLEFT)
    return false;
  return std::none_of(types.begin(), types.end(),
                      [](WORD type) { return type == C2_LEFTTORIGHT; });
}

}  // namespace

std::wstring DirectedText(HWND window, const std::wstring& text) {
  if (!IsInMirroredWindow(window) || IsRightToLeftAccessKeyLabel(text))
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
