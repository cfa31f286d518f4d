#include "desktop/windows/installer/ui/module_dialog.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Where a DIALOGEX template keeps its font size; 0 when it names no font.
size_t FontSizeOffset(const std::vector<BYTE>& dialog) {
  // Version, signature, help id, extended style, style, item count and the
  // four coordinates; then menu, class and title.
  constexpr size_t kStyleOffset = 12;
  constexpr size_t kHeaderSize = 26;
  if (dialog.size() < kHeaderSize)
    return 0;
  DWORD style = 0;
  memcpy(&style, dialog.data() + kStyleOffset, sizeof(style));
  if (!(style & DS_SETFONT))
    return 0;
  auto word_at = [&dialog](size_t at) {
    WORD word = 0;
    memcpy(&word, dialog.data() + at, sizeof(word));
    return word;
  };
  size_t at = kHeaderSize;
  for (int field = 0; field < 3 && at + sizeof(WORD) <= dialog.size(); ++field) {
    if (field < 2 && word_at(at) == 0xFFFF) {
      at += 2 * sizeof(WORD);
      continue;
    }
    while (at + sizeof(WORD) <= dialog.size() && word_at(at) != 0)
      at += sizeof(WORD);
    at += sizeof(WORD);
  }
  return at + sizeof(WORD) <= dialog.size() ? at : 0;
}

}  // namespace

HWND CreateModuleDialog(int id, HWND parent, DLGPROC procedure, LPARAM param, bool mirrored,
                        int points) {
  HINSTANCE module = GetModuleHandleW(nullptr);
  HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), RT_DIALOG);
  HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  const DWORD size = resource ? SizeofResource(module, resource) : 0;
  // DIALOGEX: version 1, signature 0xFFFF, help id, then the extended style.
  constexpr DWORD kExStyleOffset = 8;
  const auto* words = static_cast<const WORD*>(data);
  if (!data || size < kExStyleOffset + sizeof(DWORD) || words[0] != 1 || words[1] != 0xFFFF)
    return CreateDialogParamW(module, MAKEINTRESOURCEW(id), parent, procedure, param);
  std::vector<BYTE> copy(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size);
  if (mirrored) {
    DWORD ex_style = 0;
    memcpy(&ex_style, copy.data() + kExStyleOffset, sizeof(ex_style));
    ex_style |= WS_EX_LAYOUTRTL;
    memcpy(copy.data() + kExStyleOffset, &ex_style, sizeof(ex_style));
  }
  if (const size_t font_size = FontSizeOffset(copy)) {
    const WORD point_size = static_cast<WORD>(points);
    memcpy(copy.data() + font_size, &point_size, sizeof(point_size));
  }
  return CreateDialogIndirectParamW(module, reinterpret_cast<const DLGTEMPLATE*>(copy.data()),
                                    parent, procedure, param);
}

int FittingPoints(HWND dialog, int points) {
  MONITORINFO monitor = {sizeof(monitor)};
  RECT window = {};
  if (!GetMonitorInfoW(MonitorFromWindow(dialog, MONITOR_DEFAULTTOPRIMARY), &monitor) ||
      !GetWindowRect(dialog, &window)) {
    return points;
  }
  const RECT& work = monitor.rcWork;
  const double scale =
      std::min({1.0, static_cast<double>(work.right - work.left) / (window.right - window.left),
                static_cast<double>(work.bottom - work.top) / (window.bottom - window.top)});
  if (scale >= 1.0)
    return points;
  // Text does not shrink quite as the layout does: at least one size less.
  return std::max(kSmallestDialogPoints,
                  std::min(points - 1, static_cast<int>(points * scale)));
}
