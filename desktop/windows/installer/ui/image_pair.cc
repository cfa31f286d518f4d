#include "desktop/windows/installer/ui/image_pair.h"

#include <utility>

ImagePair::ImagePair(HBITMAP bitmap, HBRUSH brush) : bitmap_(bitmap), brush_(brush) {}

ImagePair::~ImagePair() {
  Reset();
}

ImagePair::ImagePair(ImagePair&& other) noexcept
    : bitmap_(std::exchange(other.bitmap_, nullptr)),
      brush_(std::exchange(other.brush_, nullptr)) {}

ImagePair& ImagePair::operator=(ImagePair&& other) noexcept {
  if (this != &other) {
    Reset();
    bitmap_ = std::exchange(other.bitmap_, nullptr);
    brush_ = std::exchange(other.brush_, nullptr);
  }
  return *this;
}

void ImagePair::Reset() {
  // The brush first: it was made from the bitmap.
  if (brush_)
    DeleteObject(brush_);
  if (bitmap_)
    DeleteObject(bitmap_);
  brush_ = nullptr;
  bitmap_ = nullptr;
}
