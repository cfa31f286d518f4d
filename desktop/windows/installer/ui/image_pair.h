#ifndef DESKTOP_WINDOWS_INSTALLER_UI_IMAGE_PAIR_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_IMAGE_PAIR_H_

#include <windows.h>

// A bitmap and a pattern brush made from it, deleted together.
class ImagePair {
 public:
  ImagePair() = default;
  // Takes ownership of both.
  ImagePair(HBITMAP bitmap, HBRUSH brush);
  ~ImagePair();
  ImagePair(ImagePair&& other) noexcept;
  ImagePair& operator=(ImagePair&& other) noexcept;
  ImagePair(const ImagePair&) = delete;
  ImagePair& operator=(const ImagePair&) = delete;

  HBITMAP bitmap() const { return bitmap_; }
  HBRUSH brush() const { return brush_; }
  bool is_valid() const { return bitmap_ && brush_; }

 private:
  void Reset();

  HBITMAP bitmap_ = nullptr;
  HBRUSH brush_ = nullptr;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_IMAGE_PAIR_H_
