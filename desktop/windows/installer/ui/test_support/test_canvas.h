#ifndef DESKTOP_WINDOWS_INSTALLER_UI_TEST_SUPPORT_TEST_CANVAS_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_TEST_SUPPORT_TEST_CANVAS_H_

#include <windows.h>

#include <cstdint>
#include <vector>

// A top-down 32-bit white canvas whose pixels a test reads back.
class TestCanvas {
 public:
  TestCanvas(int width, int height);
  ~TestCanvas();
  TestCanvas(const TestCanvas&) = delete;
  TestCanvas& operator=(const TestCanvas&) = delete;

  HDC dc() const { return dc_; }
  // 0xRRGGBB.
  uint32_t At(int x, int y) const { return pixels_[y * width_ + x] & 0xFFFFFF; }
  // Every pixel, row by row from the top (what was drawn has been flushed).
  std::vector<uint32_t> Pixels() const;

 private:
  int width_;
  int height_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
  uint32_t* pixels_ = nullptr;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_TEST_SUPPORT_TEST_CANVAS_H_
