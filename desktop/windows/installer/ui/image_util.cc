#include "desktop/windows/installer/ui/image_util.h"

// GDI+ wants min/max from somewhere.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include <cstring>
#include <memory>

#include "base/logging.h"

using Microsoft::WRL::ComPtr;

namespace {

// GDI+ started for one decode and shut down afterwards.
class ScopedGdiplus {
 public:
  ScopedGdiplus() {
    Gdiplus::GdiplusStartupInput input;  // version 1
    ok_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
  }
  ~ScopedGdiplus() {
    if (ok_)
      Gdiplus::GdiplusShutdown(token_);
  }
  bool ok() const { return ok_; }

 private:
  ULONG_PTR token_ = 0;
  bool ok_ = false;
};

struct SelectedBitmap {
  SelectedBitmap(HDC dc, HBITMAP bitmap) : dc(dc), old(SelectObject(dc, bitmap)) {}
  ~SelectedBitmap() { SelectObject(dc, old); }
  HDC dc;
  HGDIOBJ old;
};

}  // namespace

ComPtr<IStream> LoadResourceToStream(int id, const wchar_t* type) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), type);
  if (!resource)
    return nullptr;
  const DWORD size = SizeofResource(module, resource);
  HGLOBAL loaded = LoadResource(module, resource);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes || size == 0)
    return nullptr;
  HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!copy)
    return nullptr;
  void* target = GlobalLock(copy);
  if (!target) {
    GlobalFree(copy);
    return nullptr;
  }
  memcpy(target, bytes, size);
  GlobalUnlock(copy);
  ComPtr<IStream> stream;
  if (FAILED(CreateStreamOnHGlobal(copy, /*fDeleteOnRelease=*/TRUE, &stream))) {
    GlobalFree(copy);
    return nullptr;
  }
  return stream;
}

HBITMAP LoadPngResourceBitmap(int id, const wchar_t* type, double scale) {
  ComPtr<IStream> stream = LoadResourceToStream(id, type);
  if (!stream)
    return nullptr;
  ScopedGdiplus gdiplus;
  if (!gdiplus.ok())
    return nullptr;
  HBITMAP result = nullptr;
  {
    // Destroyed before GDI+ shuts down.
    std::unique_ptr<Gdiplus::Bitmap> bitmap(Gdiplus::Bitmap::FromStream(stream.Get()));
    if (!bitmap || bitmap->GetLastStatus() != Gdiplus::Ok)
      return nullptr;
    const int width = static_cast<int>(bitmap->GetWidth() * scale + 0.5);
    const int height = static_cast<int>(bitmap->GetHeight() * scale + 0.5);
    if (scale != 1.0 && width > 0 && height > 0) {
      auto scaled = std::make_unique<Gdiplus::Bitmap>(width, height, PixelFormat32bppARGB);
      {
        Gdiplus::Graphics graphics(scaled.get());
        graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
        graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
        graphics.DrawImage(bitmap.get(), 0, 0, width, height);
      }
      bitmap = std::move(scaled);
    }
    if (bitmap->GetHBITMAP(Gdiplus::Color(0, 0, 0, 0), &result) != Gdiplus::Ok)
      result = nullptr;
  }
  return result;
}

bool AlphaBlendBitmap(HDC target, int x, int y, int width, int height, HBITMAP source,
                      int source_x, int source_y, int source_width, int source_height) {
  if (!source)
    return false;
  HDC source_dc = CreateCompatibleDC(target);
  if (!source_dc)
    return false;
  BOOL ok;
  {
    SelectedBitmap selected(source_dc, source);
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ok = AlphaBlend(target, x, y, width, height, source_dc, source_x, source_y, source_width,
                    source_height, blend);
  }
  DeleteDC(source_dc);
  return ok != FALSE;
}

ImagePair RenderToCompatibleBitmap(HBITMAP source, HDC dc, const RECT& rect) {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (!source || width <= 0 || height <= 0)
    return ImagePair();
  HBITMAP copy = CreateCompatibleBitmap(dc, width, height);
  if (!copy)
    return ImagePair();
  HDC source_dc = CreateCompatibleDC(dc);
  HDC copy_dc = CreateCompatibleDC(dc);
  if (source_dc && copy_dc) {
    SelectedBitmap selected_source(source_dc, source);
    SelectedBitmap selected_copy(copy_dc, copy);
    BitBlt(copy_dc, 0, 0, width, height, source_dc, rect.left, rect.top, SRCCOPY);
  }
  if (source_dc)
    DeleteDC(source_dc);
  if (copy_dc)
    DeleteDC(copy_dc);
  HBRUSH brush = CreatePatternBrush(copy);
  if (!brush) {
    DeleteObject(copy);
    return ImagePair();
  }
  return ImagePair(copy, brush);
}
