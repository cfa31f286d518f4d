#include "desktop/windows/installer/ui/test_support/test_canvas.h"

TestCanvas::TestCanvas(int width, int height) : width_(width), height_(height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  dc_ = CreateCompatibleDC(nullptr);
  bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&pixels_),
                             nullptr, 0);
  old_ = SelectObject(dc_, bitmap_);
  for (int i = 0; i < width * height; ++i)
    pixels_[i] = 0x00FFFFFF;
}

TestCanvas::~TestCanvas() {
  SelectObject(dc_, old_);
  DeleteObject(bitmap_);
  DeleteDC(dc_);
}

std::vector<uint32_t> TestCanvas::Pixels() const {
  GdiFlush();
  return std::vector<uint32_t>(pixels_, pixels_ + width_ * height_);
}
