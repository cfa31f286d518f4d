#include "desktop/windows/installer/ui/image_util.h"

#include <vector>

#include "desktop/windows/installer/ui/installer_resource_ids.h"
#include "desktop/windows/installer/ui/test_support/test_canvas.h"
#include "gtest/gtest.h"

namespace {

struct BitmapSize {
  int width;
  int height;
  int bits;
};

BitmapSize SizeOf(HBITMAP bitmap) {
  BITMAP info = {};
  GetObjectW(bitmap, sizeof(info), &info);
  return {info.bmWidth, info.bmHeight, info.bmBitsPixel};
}

TEST(ImageUtilTest, StreamHoldsTheResourceBytes) {
  Microsoft::WRL::ComPtr<IStream> stream = LoadResourceToStream(IDR_LOGO_PNG, L"PNG");
  ASSERT_TRUE(stream);
  STATSTG stat = {};
  ASSERT_EQ(S_OK, stream->Stat(&stat, STATFLAG_NONAME));
  HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_LOGO_PNG), L"PNG");
  EXPECT_EQ(SizeofResource(nullptr, resource), stat.cbSize.QuadPart);
  char signature[4] = {};
  ULONG read = 0;
  ASSERT_EQ(S_OK, stream->Read(signature, 4, &read));
  EXPECT_EQ(0, memcmp(signature, "\x89PNG", 4));

  EXPECT_FALSE(LoadResourceToStream(4321, L"PNG"));
  EXPECT_FALSE(LoadResourceToStream(IDR_LOGO_PNG, L"JPG"));
}

TEST(ImageUtilTest, DecodesTheHostImages) {
  HBITMAP logo = LoadPngResourceBitmap(IDR_LOGO_PNG, L"PNG");
  ASSERT_TRUE(logo);
  BitmapSize size = SizeOf(logo);
  EXPECT_EQ(96, size.width);
  EXPECT_EQ(96, size.height);
  EXPECT_EQ(32, size.bits);
  DeleteObject(logo);

  HBITMAP background = LoadPngResourceBitmap(IDR_BACKGROUND_JPG, L"JPG");
  ASSERT_TRUE(background);
  EXPECT_EQ(800, SizeOf(background).width);
  DeleteObject(background);

  EXPECT_EQ(nullptr, LoadPngResourceBitmap(4321, L"PNG"));
}

TEST(ImageUtilTest, BlendingKeepsTransparentCorners) {
  HBITMAP badge = LoadPngResourceBitmap(IDR_ERROR_BADGE_PNG, L"PNG");
  ASSERT_TRUE(badge);
  const BitmapSize size = SizeOf(badge);
  TestCanvas canvas(size.width, size.height);
  ASSERT_TRUE(AlphaBlendBitmap(canvas.dc(), 0, 0, size.width, size.height, badge, 0, 0,
                               size.width, size.height));
  // Outside the disc the canvas stays white; inside the badge is red.
  EXPECT_EQ(0xFFFFFFu, canvas.At(0, 0));
  const uint32_t inside = canvas.At(size.width / 2, size.height / 6);
  EXPECT_GT((inside >> 16) & 0xFF, 0xA0u);
  EXPECT_LT(inside & 0xFF, 0x60u);
  DeleteObject(badge);

  EXPECT_FALSE(AlphaBlendBitmap(canvas.dc(), 0, 0, 4, 4, nullptr, 0, 0, 4, 4));
}

TEST(ImageUtilTest, PatternBrushFromARegion) {
  HBITMAP background = LoadPngResourceBitmap(IDR_BACKGROUND_JPG, L"JPG");
  ASSERT_TRUE(background);
  HDC screen = GetDC(nullptr);
  {
    ImagePair pair = RenderToCompatibleBitmap(background, screen, RECT{10, 20, 110, 40});
    ASSERT_TRUE(pair.is_valid());
    EXPECT_EQ(100, SizeOf(pair.bitmap()).width);
    EXPECT_EQ(20, SizeOf(pair.bitmap()).height);
    ImagePair moved = std::move(pair);
    EXPECT_FALSE(pair.is_valid());
    EXPECT_TRUE(moved.is_valid());
  }
  EXPECT_FALSE(RenderToCompatibleBitmap(background, screen, RECT{10, 10, 10, 40}).is_valid());
  ReleaseDC(nullptr, screen);
  DeleteObject(background);
}

}  // namespace
