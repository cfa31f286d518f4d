// The installer window's background, logo and control brushes.

#include <windows.h>

#include <richedit.h>
#include <uxtheme.h>

#include "desktop/windows/installer/ui/image_util.h"
#include "desktop/windows/installer/ui/installer_page.h"
#include "desktop/windows/installer/ui/installer_resource_ids.h"
#include "desktop/windows/installer/ui/installer_window_impl.h"

namespace {

// The badge's bottom-right corner lies this far beyond the logo's.
constexpr int kBadgeOverhang = 10;

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP info = {};
  if (!bitmap || !GetObjectW(bitmap, sizeof(info), &info))
    return {0, 0};
  return {info.bmWidth, info.bmHeight};
}

RECT RectInParent(HWND control, HWND parent) {
  RECT rect = {};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

}  // namespace

void InstallerWindowImpl::RebuildBackground(bool force) {
  RECT client = {};
  GetClientRect(main_dialog_, &client);
  const SIZE size = {client.right, client.bottom};
  if (size.cx <= 0 || size.cy <= 0)
    return;
  if (!force && background_ && size.cx == background_size_.cx && size.cy == background_size_.cy)
    return;
  HDC screen = GetDC(main_dialog_);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, size.cx, size.cy);
  HDC dc = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  if (background_image_) {
    const SIZE image = BitmapSize(background_image_);
    AlphaBlendBitmap(dc, 0, 0, size.cx, size.cy, background_image_, 0, 0, image.cx, image.cy);
  }
  MatchRichEditBackgrounds(dc);
  SelectObject(dc, old);
  DeleteDC(dc);
  ReleaseDC(main_dialog_, screen);
  if (background_)
    DeleteObject(background_);
  background_ = bitmap;
  background_size_ = size;
  brushes_.clear();
  if (IsThemeActive()) {
    if (HWND box = GetDlgItem(main_dialog_, IDC_DELETE_PROFILE))
      CacheBrushUnder(box);
  }
  InvalidateRect(main_dialog_, nullptr, TRUE);
}

void InstallerWindowImpl::MatchRichEditBackgrounds(HDC background) {
  // Rich edits paint an opaque background (Wine ignores their transparent
  // style): give each the colour that lies behind its middle, which on the
  // vertical gradient hides the box.
  for (int id : {IDC_HEADLINE, IDC_AGREEMENT}) {
    HWND control = GetDlgItem(main_dialog_, id);
    if (!control)
      continue;
    const RECT rect = RectInParent(control, main_dialog_);
    const COLORREF colour = GetPixel(background, (rect.left + rect.right) / 2,
                                     (rect.top + rect.bottom) / 2);
    if (colour != CLR_INVALID)
      SendMessageW(control, EM_SETBKGNDCOLOR, 0, colour);
  }
}

void InstallerWindowImpl::CacheBrushUnder(HWND control) {
  const RECT rect = RectInParent(control, main_dialog_);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0)
    return;
  HDC screen = GetDC(main_dialog_);
  HDC source = CreateCompatibleDC(screen);
  HDC target = CreateCompatibleDC(screen);
  HBITMAP piece = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old_source = SelectObject(source, background_);
  HGDIOBJ old_target = SelectObject(target, piece);
  BitBlt(target, 0, 0, width, height, source, rect.left, rect.top, SRCCOPY);
  SelectObject(source, old_source);
  SelectObject(target, old_target);
  DeleteDC(source);
  DeleteDC(target);
  ReleaseDC(main_dialog_, screen);
  brushes_.insert_or_assign(control, ImagePair(piece, CreatePatternBrush(piece)));
}

bool InstallerWindowImpl::EraseBackground(HDC dc) {
  if (current_page_ == PAGE_OPTIONS || !background_)
    return false;
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, background_);
  BitBlt(dc, 0, 0, background_size_.cx, background_size_.cy, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
  return true;
}

void InstallerWindowImpl::PaintLogo(const DRAWITEMSTRUCT* item) {
  const RECT& area = item->rcItem;
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  // The logo's transparent corners show what lies behind the control.
  if (background_) {
    const RECT place = RectInParent(item->hwndItem, main_dialog_);
    HDC memory = CreateCompatibleDC(item->hDC);
    HGDIOBJ old = SelectObject(memory, background_);
    BitBlt(item->hDC, area.left, area.top, width, height, memory, place.left, place.top, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
  } else {
    FillRect(item->hDC, &area, GetSysColorBrush(COLOR_BTNFACE));
  }
  const SIZE logo = BitmapSize(logo_);
  const int left = area.left + (width - logo.cx) / 2;
  const int top = area.top + (height - logo.cy) / 2;
  if (logo_)
    AlphaBlendBitmap(item->hDC, left, top, logo.cx, logo.cy, logo_, 0, 0, logo.cx, logo.cy);
  if (error_page_shown_ && error_badge_) {
    const SIZE badge = BitmapSize(error_badge_);
    const int overhang = static_cast<int>(kBadgeOverhang * image_scale_ + 0.5);
    const int right = left + logo.cx + overhang;
    const int bottom = top + logo.cy + overhang;
    AlphaBlendBitmap(item->hDC, right - badge.cx, bottom - badge.cy, badge.cx, badge.cy,
                     error_badge_, 0, 0, badge.cx, badge.cy);
  }
}
