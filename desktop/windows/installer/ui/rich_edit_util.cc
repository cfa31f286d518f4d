#include "desktop/windows/installer/ui/rich_edit_util.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/logging.h"
#include "desktop/windows/installer/ui/anchor_markup.h"

namespace {

constexpr DWORD kCommonControlClasses = 0xC2FF;
constexpr UINT_PTR kLinkMapSubclassId = 0x4C494E4B;  // "LINK"
constexpr UINT_PTR kKeyboardLinkSubclassId = 0x4B455953;  // "KEYS"
constexpr wchar_t kLinkMapProperty[] = L"TarvoRichEditLinks";
constexpr int kMaxLineLength = 65535;

constexpr char kFieldStart[] = "{\\field{\\*\\fldinst{HYPERLINK \"";
constexpr char kFieldResult[] = "\"}}{\\fldrslt{\\ul ";
constexpr char kFieldEnd[] = "}}}";
constexpr wchar_t kShownFieldCode[] = L"HYPERLINK ";

// What a control remembers of the links set into it.
struct LinkMap {
  // The links in visible-text positions; ranges count only where the
  // control shows plain text (`plain` set).
  std::vector<AnchorMarkup::Link> links;
  std::vector<std::wstring> texts;
  bool plain = false;
};

LRESULT CALLBACK LinkMapSubclassProc(HWND window, UINT message, WPARAM w_param, LPARAM l_param,
                                     UINT_PTR id, DWORD_PTR data) {
  if (message == WM_NCDESTROY) {
    RemovePropW(window, kLinkMapProperty);
    delete reinterpret_cast<LinkMap*>(data);
    RemoveWindowSubclass(window, LinkMapSubclassProc, id);
  }
  return DefSubclassProc(window, message, w_param, l_param);
}

LinkMap* GetLinkMap(HWND control) {
  return reinterpret_cast<LinkMap*>(GetPropW(control, kLinkMapProperty));
}

void StoreLinkMap(HWND control, LinkMap map) {
  if (LinkMap* existing = GetLinkMap(control)) {
    *existing = std::move(map);
    return;
  }
  auto* owned = new LinkMap(std::move(map));
  // The subclass frees the map with the control.
  if (!SetWindowSubclass(control, LinkMapSubclassProc, kLinkMapSubclassId,
                         reinterpret_cast<DWORD_PTR>(owned))) {
    delete owned;
    return;
  }
  SetPropW(control, kLinkMapProperty, owned);
}

DWORD CALLBACK StreamOutCallback(DWORD_PTR cookie, BYTE* buffer, LONG size, LONG* written) {
  reinterpret_cast<std::string*>(cookie)->append(reinterpret_cast<char*>(buffer), size);
  *written = size;
  return 0;
}

struct StreamInSource {
  const std::string* text;
  size_t offset;
};

DWORD CALLBACK StreamInCallback(DWORD_PTR cookie, BYTE* buffer, LONG size, LONG* read) {
  auto* source = reinterpret_cast<StreamInSource*>(cookie);
  const size_t count =
      std::min(static_cast<size_t>(size), source->text->size() - source->offset);
  memcpy(buffer, source->text->data() + source->offset, count);
  source->offset += count;
  *read = static_cast<LONG>(count);
  return 0;
}

std::string StreamOutRtf(HWND control) {
  std::string rtf;
  EDITSTREAM stream = {reinterpret_cast<DWORD_PTR>(&rtf), 0, StreamOutCallback};
  SendMessageW(control, EM_STREAMOUT, SF_RTF, reinterpret_cast<LPARAM>(&stream));
  return rtf;
}

void StreamInRtf(HWND control, const std::string& rtf) {
  StreamInSource source = {&rtf, 0};
  EDITSTREAM stream = {reinterpret_cast<DWORD_PTR>(&source), 0, StreamInCallback};
  SendMessageW(control, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
}

void ReplaceAll(std::string* text, const std::string& from, const std::string& to) {
  for (size_t at = text->find(from); at != std::string::npos; at = text->find(from, at + to.size()))
    text->replace(at, from.size(), to);
}

std::string ReplaceMarkers(std::string rtf, bool line_break) {
  ReplaceAll(&rtf, "$1", std::string(line_break ? "\\line" : "") + kFieldStart);
  ReplaceAll(&rtf, "$2", kFieldResult);
  ReplaceAll(&rtf, "$3", kFieldEnd);
  return rtf;
}

bool EndsWith(const std::wstring& text, const std::wstring& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::wstring GetAllText(HWND control) {
  GETTEXTLENGTHEX length_query = {GTL_NUMCHARS | GTL_PRECISE, 1200};
  const LRESULT length =
      SendMessageW(control, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length_query), 0);
  if (length <= 0)
    return std::wstring();
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  GETTEXTEX query = {static_cast<DWORD>(text.size() * sizeof(wchar_t)), GT_DEFAULT, 1200,
                     nullptr, nullptr};
  const LRESULT copied = SendMessageW(control, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&query),
                                      reinterpret_cast<LPARAM>(text.data()));
  text.resize(std::max<LRESULT>(copied, 0));
  return text;
}

// The control keeps paragraphs as "\r".
std::wstring AsControlText(std::wstring text) {
  std::wstring result;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n')
      continue;
    result += text[i] == L'\n' ? L'\r' : text[i];
  }
  return result;
}

void SetCharEffects(HWND control, int first, int last, DWORD mask, DWORD effects,
                    COLORREF colour) {
  CHARRANGE range = {first, last};
  SendMessageW(control, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
  CHARFORMAT2W format = {};
  format.cbSize = sizeof(format);
  format.dwMask = mask;
  format.dwEffects = effects;
  format.crTextColor = colour;
  SendMessageW(control, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
}

// Plain text with the link ranges marked; used where hyperlink fields are
// dropped by the control.
void SetPlainTextWithLinks(HWND control, const AnchorMarkup& markup, COLORREF colour) {
  SetWindowTextW(control, markup.visible_text.c_str());
  for (size_t i = 0; i < markup.links.size(); ++i) {
    const AnchorMarkup::Link& link = markup.links[i];
    if (i == 0)
      SetCharEffects(control, link.first, link.last, CFM_COLOR, 0, colour);
    SetCharEffects(control, link.first, link.last, CFM_LINK | CFM_UNDERLINE,
                   CFE_LINK | CFE_UNDERLINE, 0);
  }
}

LinkMap MakeLinkMap(const AnchorMarkup& markup, bool plain) {
  LinkMap map;
  map.links = markup.links;
  for (const AnchorMarkup::Link& link : markup.links)
    map.texts.push_back(markup.visible_text.substr(link.first, link.last - link.first));
  map.plain = plain;
  return map;
}

std::wstring GetRangeText(HWND control, const CHARRANGE& range) {
  if (range.cpMax <= range.cpMin)
    return std::wstring();
  std::wstring text(static_cast<size_t>(range.cpMax - range.cpMin) + 1, L'\0');
  TEXTRANGEW query = {range, text.data()};
  const LRESULT copied = SendMessageW(control, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&query));
  text.resize(std::max<LRESULT>(copied, 0));
  return text;
}

// The address of a field whose code is part of the range's text.
bool ExtractFieldAddress(const std::wstring& text, std::wstring* address) {
  const std::wstring start = std::wstring(kShownFieldCode) + L"\"";
  const size_t at = text.find(start);
  if (at == std::wstring::npos)
    return false;
  const size_t first = at + start.size();
  const size_t quote = text.find(L'"', first);
  if (quote == std::wstring::npos)
    return false;
  *address = text.substr(first, quote - first);
  return true;
}

// The range the first link's text covers in the control now (field codes
// may sit before it): found by its text.
bool FindFirstLink(HWND control, CHARRANGE* range) {
  const LinkMap* map = GetLinkMap(control);
  if (!map || map->texts.empty() || map->texts[0].empty())
    return false;
  FINDTEXTEXW find = {};
  find.chrg = {0, -1};
  find.lpstrText = map->texts[0].c_str();
  if (SendMessageW(control, EM_FINDTEXTEXW, FR_DOWN | FR_MATCHCASE,
                   reinterpret_cast<LPARAM>(&find)) < 0) {
    return false;
  }
  *range = find.chrgText;
  return true;
}

void SendLinkClick(HWND control) {
  ENLINK link = {};
  if (!FindFirstLink(control, &link.chrg))
    return;
  link.nmhdr.hwndFrom = control;
  link.nmhdr.idFrom = GetDlgCtrlID(control);
  link.nmhdr.code = EN_LINK;
  link.msg = WM_LBUTTONUP;
  SendMessageW(GetParent(control), WM_NOTIFY, link.nmhdr.idFrom, reinterpret_cast<LPARAM>(&link));
}

LRESULT CALLBACK KeyboardLinkSubclassProc(HWND window, UINT message, WPARAM w_param,
                                          LPARAM l_param, UINT_PTR id, DWORD_PTR /*data*/) {
  switch (message) {
    case WM_GETDLGCODE: {
      // Enter would press the default button; Tab and the arrows move on.
      const auto* key = reinterpret_cast<const MSG*>(l_param);
      if (key && key->message == WM_KEYDOWN && key->wParam == VK_RETURN)
        return DLGC_WANTMESSAGE;
      return DefSubclassProc(window, message, w_param, l_param) &
             ~(DLGC_WANTALLKEYS | DLGC_WANTTAB | DLGC_WANTARROWS | DLGC_WANTMESSAGE);
    }
    case WM_SETFOCUS: {
      const LRESULT result = DefSubclassProc(window, message, w_param, l_param);
      CHARRANGE range;
      if (FindFirstLink(window, &range))
        SendMessageW(window, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
      HideCaret(window);
      return result;
    }
    case WM_KILLFOCUS: {
      // Only the focused control looks focused: the link loses its
      // highlight with the focus.
      CHARRANGE none = {0, 0};
      SendMessageW(window, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&none));
      break;
    }
    case WM_KEYDOWN:
      if (w_param == VK_RETURN || w_param == VK_SPACE) {
        SendLinkClick(window);
        return 0;
      }
      break;
    case WM_CHAR:
      if (w_param == L'\r' || w_param == L' ')
        return 0;
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(window, KeyboardLinkSubclassProc, id);
      break;
    default:
      break;
  }
  return DefSubclassProc(window, message, w_param, l_param);
}

}  // namespace

void InitRichEdit() {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), kCommonControlClasses};
  if (!InitCommonControlsEx(&controls))
    PLOG(ERROR) << "InitCommonControlsEx failed.";
  if (!LoadLibraryW(L"Msftedit.dll"))
    PLOG(ERROR) << "Loading library Msftedit.dll failed.";
}

void SetRichEditTextColor(HWND control, COLORREF colour) {
  CHARFORMAT2W format = {};
  format.cbSize = sizeof(format);
  format.dwMask = CFM_COLOR;
  format.crTextColor = colour;
  SendMessageW(control, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
}

void ApplyRichEditCharFormat(HWND control, COLORREF colour, int first, int last) {
  SetCharEffects(control, first, last, CFM_COLOR, 0, colour);
}

void SetRichEditRightToLeft(HWND control, bool right_to_left) {
  if (!control)
    return;
  CHARRANGE old_selection = {};
  SendMessageW(control, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&old_selection));
  CHARRANGE all = {0, -1};
  SendMessageW(control, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
  PARAFORMAT2 format = {};
  format.cbSize = sizeof(format);
  format.dwMask = PFM_RTLPARA;
  format.wEffects = right_to_left ? PFE_RTLPARA : 0;
  SendMessageW(control, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&format));
  SendMessageW(control, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&old_selection));
}

std::wstring GetEditLineText(HWND control) {
  std::vector<wchar_t> buffer(kMaxLineLength + 1, L'\0');
  // EM_GETLINE reads the buffer size from the buffer's first word.
  buffer[0] = static_cast<wchar_t>(kMaxLineLength);
  const LRESULT copied =
      SendMessageW(control, EM_GETLINE, 0, reinterpret_cast<LPARAM>(buffer.data()));
  std::wstring line(buffer.data(), std::clamp<LRESULT>(copied, 0, kMaxLineLength));
  // A rich edit hands out the paragraph mark with the line.
  while (!line.empty() && (line.back() == L'\r' || line.back() == L'\n'))
    line.pop_back();
  return line;
}

LRESULT CALLBACK HideCaretSubclassProc(HWND window, UINT message, WPARAM w_param,
                                       LPARAM l_param, UINT_PTR id, DWORD_PTR /*data*/) {
  if (message == WM_SETFOCUS) {
    HideCaret(window);
    return 0;
  }
  if (message == WM_NCDESTROY)
    RemoveWindowSubclass(window, HideCaretSubclassProc, id);
  return DefSubclassProc(window, message, w_param, l_param);
}

bool SetRichTextWithLinks(HWND control, const std::wstring& text, COLORREF colour) {
  if (!control)
    return false;
  // Parsed in the control's own line ends, so link ranges match its text.
  const AnchorMarkup markup = AnchorMarkup::Parse(AsControlText(text));
  if (markup.links.empty()) {
    SetWindowTextW(control, text.c_str());
    StoreLinkMap(control, LinkMap());
    return true;
  }
  SetWindowTextW(control, markup.marker_text.c_str());
  const int first = static_cast<int>(markup.marker_text.find(L"$1"));
  const int last = static_cast<int>(markup.marker_text.find(L"$3")) + 2;
  ApplyRichEditCharFormat(control, colour, first, last);
  const std::string rtf = StreamOutRtf(control);
  StreamInRtf(control, ReplaceMarkers(rtf, /*line_break=*/false));
  if (EndsWith(GetEditLineText(control), kShownFieldCode))
    StreamInRtf(control, ReplaceMarkers(rtf, /*line_break=*/true));

  bool plain = false;
  if (GetAllText(control) != markup.visible_text) {
    SetPlainTextWithLinks(control, markup, colour);
    plain = true;
  }
  CHARRANGE none = {0, 0};
  SendMessageW(control, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&none));
  StoreLinkMap(control, MakeLinkMap(markup, plain));
  return true;
}

std::wstring GetRichEditLinkAddress(HWND control, const CHARRANGE& range) {
  const LinkMap* map = GetLinkMap(control);
  if (map && map->plain) {
    for (const AnchorMarkup::Link& link : map->links) {
      if (range.cpMin < link.last && range.cpMax > link.first)
        return link.address;
    }
  }
  const std::wstring text = GetRangeText(control, range);
  std::wstring address;
  if (ExtractFieldAddress(text, &address))
    return address;
  if (map) {
    for (size_t i = 0; i < map->texts.size(); ++i) {
      if (map->texts[i] == text)
        return map->links[i].address;
    }
  }
  return text;
}

void EnableKeyboardLink(HWND control) {
  if (control)
    SetWindowSubclass(control, KeyboardLinkSubclassProc, kKeyboardLinkSubclassId, 0);
}
