// Image lists: a strip cut into images with a mask colour, drawn
// transparently, over a background colour, as a mask or blended; changes
// by index refuse bad indexes; a strip loaded from a module's bitmap.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "plat/gdi.h"
#include "plat/image_list.h"
#include "plat/packed_dib.h"
#include "plat/resources.h"
#include "plat/testing.h"

namespace plat::test {
namespace {

using ImageListTest = GuiTest;

constexpr COLORREF kMaskColour = RGB(0xC0, 0xC0, 0xC0);
constexpr uint32_t kMaskPixel = 0xC0C0C0;
constexpr uint32_t kImagePixels[3] = {0xFF0000, 0x00FF00, 0x0000FF};  // one colour per image
constexpr uint32_t kDestinationPixel = 0x102030;

// A 32-bit DIB section of `width` x `height` filled by `pixel(x, y)`.
template <class Fill>
HBITMAP MakeBitmap(int width, int height, Fill pixel, uint32_t** bits_out = nullptr) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  auto* pixels = static_cast<uint32_t*>(bits);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) pixels[y * width + x] = pixel(x, y);
  }
  if (bits_out != nullptr) *bits_out = pixels;
  return bitmap;
}

// Three 4 x 4 images; the left column of each is the mask colour.
HBITMAP MakeStrip() {
  return MakeBitmap(12, 4, [](int x, int) { return x % 4 == 0 ? kMaskPixel : kImagePixels[x / 4]; });
}

// Draws image `index` onto a 6 x 6 target filled with kDestinationPixel;
// gives the target's pixels.
std::vector<uint32_t> DrawOnTarget(HIMAGELIST list, int index, UINT style, COLORREF background = CLR_DEFAULT,
                                   BOOL* drawn = nullptr) {
  uint32_t* bits = nullptr;
  HBITMAP target = MakeBitmap(6, 6, [](int, int) { return kDestinationPixel; }, &bits);
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP previous = SelectObject(dc, target);
  const BOOL result = ImageList_DrawEx(list, index, dc, 1, 1, 0, 0, background, CLR_DEFAULT, style);
  if (drawn != nullptr) *drawn = result;
  std::vector<uint32_t> pixels(bits, bits + 36);
  SelectObject(dc, previous);
  DeleteDC(dc);
  DeleteObject(target);
  for (uint32_t& pixel : pixels) pixel &= 0x00FFFFFF;
  return pixels;
}

TEST_F(ImageListTest, MaskedStripDrawsInEveryStyle) {
  HIMAGELIST list = ImageList_Create(4, 4, ILC_COLOR32 | ILC_MASK, 3, 1);
  ASSERT_NE(list, nullptr);
  HBITMAP strip = MakeStrip();
  EXPECT_EQ(ImageList_AddMasked(list, strip, kMaskColour), 0);
  EXPECT_EQ(ImageList_AddMasked(list, strip, kMaskColour), 3);
  EXPECT_EQ(ImageList_GetImageCount(list), 6);
  struct Case {
    const char* name;
    UINT style;
    COLORREF background;
    uint32_t masked;  // what a masked pixel of the image leaves
    uint32_t opaque;  // what an image pixel becomes
  };
  const Case cases[] = {
      {"transparent", ILD_TRANSPARENT, RGB(0, 0x80, 0), kDestinationPixel, 0x00FF00},
      {"normal without background", ILD_NORMAL, CLR_NONE, kDestinationPixel, 0x00FF00},
      {"normal over a background", ILD_NORMAL, RGB(0, 0x80, 0), 0x008000, 0x00FF00},
      {"mask", ILD_MASK, CLR_NONE, 0xFFFFFF, 0x000000},
      {"blended half with the highlight", ILD_BLEND50 | ILD_TRANSPARENT, CLR_NONE, kDestinationPixel,
       ((0x00 + 0x00) / 2 << 16) | ((0xFF + 0x00) / 2 << 8) | ((0x00 + 0x80) / 2)},
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.name);
    const std::vector<uint32_t> pixels = DrawOnTarget(list, 1, test_case.style, test_case.background);
    EXPECT_EQ(pixels[0], kDestinationPixel);           // outside the image
    EXPECT_EQ(pixels[1 * 6 + 1], test_case.masked);    // the image's left column
    EXPECT_EQ(pixels[2 * 6 + 3], test_case.opaque);
    EXPECT_EQ(pixels[4 * 6 + 5], kDestinationPixel);  // right of the image
  }
  DeleteObject(strip);
  EXPECT_TRUE(ImageList_Destroy(list));
}

TEST_F(ImageListTest, ChangesByIndexRefuseBadIndexesAndDeadHandles) {
  HIMAGELIST list = ImageList_Create(4, 4, ILC_COLOR24 | ILC_MASK, 0, 4);
  HBITMAP strip = MakeStrip();
  HBITMAP narrow = MakeBitmap(3, 4, [](int, int) { return 0u; });
  ASSERT_EQ(ImageList_AddMasked(list, strip, kMaskColour), 0);
  EXPECT_EQ(ImageList_Add(list, narrow, nullptr), -1);  // narrower than one image
  EXPECT_FALSE(ImageList_Remove(list, 3));
  EXPECT_FALSE(ImageList_Remove(list, -2));
  EXPECT_FALSE(ImageList_Replace(list, 3, strip, nullptr));
  BOOL drawn = TRUE;
  DrawOnTarget(list, 3, ILD_NORMAL, CLR_DEFAULT, &drawn);
  EXPECT_FALSE(drawn);
  EXPECT_EQ(ImageList_GetImageCount(list), 3);
  // Replace takes the first image of the bitmap, with its mask bitmap.
  HBITMAP blue = MakeBitmap(4, 4, [](int, int) { return 0x0000FFu; });
  HBITMAP mask = MakeBitmap(4, 4, [](int x, int) { return x == 3 ? 0xFFFFFFu : 0u; });
  ASSERT_TRUE(ImageList_Replace(list, 0, blue, mask));
  std::vector<uint32_t> pixels = DrawOnTarget(list, 0, ILD_TRANSPARENT);
  EXPECT_EQ(pixels[1 * 6 + 1], 0x0000FFu);
  EXPECT_EQ(pixels[1 * 6 + 4], kDestinationPixel);
  ASSERT_TRUE(ImageList_Remove(list, 0));
  pixels = DrawOnTarget(list, 0, ILD_TRANSPARENT);
  EXPECT_EQ(pixels[2 * 6 + 2], 0x00FF00u);  // what was image 1
  ASSERT_TRUE(ImageList_RemoveAll(list));
  EXPECT_EQ(ImageList_GetImageCount(list), 0);
  ASSERT_TRUE(ImageList_Destroy(list));
  EXPECT_FALSE(ImageList_Destroy(list));
  EXPECT_EQ(ImageList_Add(list, strip, nullptr), -1);
  EXPECT_EQ(ImageList_GetImageCount(list), 0);
  EXPECT_EQ(ImageList_Create(0, 16, ILC_MASK, 1, 1), nullptr);
  EXPECT_EQ(ImageList_Create(16, 5000, ILC_MASK, 1, 1), nullptr);
  for (HBITMAP bitmap : {strip, narrow, blue, mask}) DeleteObject(bitmap);
}

TEST_F(ImageListTest, LoadsAStripFromAModuleBitmapWithAMaskColour) {
  // A packed 24-bit DIB, 32 x 16, bottom-up: two 16-pixel images, grey
  // (the mask colour) except a red left image and a blue square in the right.
  constexpr int kWidth = 32;
  constexpr int kHeight = 16;
  constexpr int kRowBytes = kWidth * 3;
  std::vector<uint8_t> dib(sizeof(BITMAPINFOHEADER) + kRowBytes * kHeight);
  BITMAPINFOHEADER header{};
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = kWidth;
  header.biHeight = kHeight;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  std::memcpy(dib.data(), &header, sizeof(header));
  for (int row = 0; row < kHeight; ++row) {
    const int y = kHeight - 1 - row;
    for (int x = 0; x < kWidth; ++x) {
      uint8_t* pixel = dib.data() + sizeof(header) + row * kRowBytes + x * 3;  // B, G, R
      const bool is_red = x < 8 && y < 8;
      const bool is_blue = x >= 20 && x < 28 && y >= 4 && y < 12;
      pixel[0] = is_blue ? 0xFF : is_red ? 0 : 0xC0;
      pixel[1] = is_red || is_blue ? 0 : 0xC0;
      pixel[2] = is_red ? 0xFF : is_blue ? 0 : 0xC0;
    }
  }
  const auto module = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x6160));
  const ResourceEntry entries[] = {{RT_BITMAP, 301, nullptr, dib.data(), dib.size()}};
  ASSERT_TRUE(RegisterModuleResources(module, entries, 1));
  HIMAGELIST list = ImageList_LoadImage(module, MAKEINTRESOURCE(301), 16, 2, kMaskColour, IMAGE_BITMAP, 0);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(ImageList_GetImageCount(list), 2);
  int cx = 0;
  int cy = 0;
  ASSERT_TRUE(ImageList_GetIconSize(list, &cx, &cy));
  EXPECT_EQ(cx, 16);
  EXPECT_EQ(cy, 16);
  uint32_t* bits = nullptr;
  HBITMAP target = MakeBitmap(16, 16, [](int, int) { return kDestinationPixel; }, &bits);
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP previous = SelectObject(dc, target);
  ASSERT_TRUE(ImageList_Draw(list, 1, dc, 0, 0, ILD_TRANSPARENT));
  EXPECT_EQ(bits[8 * 16 + 8] & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(bits[1 * 16 + 1] & 0xFFFFFF, kDestinationPixel);
  ASSERT_TRUE(ImageList_Draw(list, 0, dc, 0, 0, ILD_TRANSPARENT));
  EXPECT_EQ(bits[2 * 16 + 2] & 0xFFFFFF, 0xFF0000u);
  SelectObject(dc, previous);
  DeleteDC(dc);
  DeleteObject(target);
  ImageList_Destroy(list);
  EXPECT_EQ(ImageList_LoadImage(module, MAKEINTRESOURCE(302), 16, 2, kMaskColour, IMAGE_BITMAP, 0), nullptr);
  EXPECT_EQ(ImageList_LoadImage(module, MAKEINTRESOURCE(301), 16, 2, kMaskColour, IMAGE_ICON, 0), nullptr);
  UnregisterModuleResources(module);
}

}  // namespace
}  // namespace plat::test
