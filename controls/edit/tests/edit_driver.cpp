// The editing tests' driver of the control and their pixel helpers.
#include "edit_driver.h"

#include <cstring>

#include "plat/packed_dib.h"

namespace ondavel::test {

using namespace plat;

Variant EditDriver::Call(DISPID id, std::vector<Variant> args) {
  Variant result = Invoke(id, std::move(args));
  EXPECT_EQ(last_hr(), S_OK) << "dispatch id " << id;
  return result;
}

bool EditDriver::SetImage(const plat::test::Image& image) {
  const HGLOBAL dib = DibOfImage(image);
  const bool is_set = SetImage(dib);
  GlobalFree(dib);
  return is_set;
}

plat::test::Image EditDriver::Current() {
  const HGLOBAL copy = GetDIB();
  plat::test::Image image = ImageOfDib(copy);
  if (copy != 0) GlobalFree(copy);
  return image;
}

plat::test::Image ImageOfDib(HGLOBAL dib) {
  plat::test::Image image;
  const void* bytes = GlobalLock(dib);
  if (bytes == nullptr) return image;
  const auto view = ValidatePackedDib(bytes, GlobalSize(dib));
  if (view && view->compression == BI_RGB && view->bpp != 16 && view->bpp != 32) {
    image.width_px = view->width;
    image.height_px = view->height;
    image.pixels.resize(static_cast<size_t>(view->width) * view->height);
    for (int y = 0; y < view->height; ++y) {
      const BYTE* row = view->TopRow(y);
      for (int x = 0; x < view->width; ++x) {
        uint32_t pixel = 0;
        if (view->bpp == 24) {
          pixel = uint32_t{row[x * 3 + 2]} << 16 | uint32_t{row[x * 3 + 1]} << 8 | row[x * 3];
        } else {
          const int shift = 8 - view->bpp - (x * view->bpp) % 8;
          const int index = (row[x * view->bpp / 8] >> shift) & ((1 << view->bpp) - 1);
          pixel = plat::test::ImagePixel(view->PaletteColour(index));
        }
        image.pixels[static_cast<size_t>(y) * view->width + x] = pixel;
      }
    }
  }
  GlobalUnlock(dib);
  return image;
}

int BitCountOfDib(HGLOBAL dib) {
  const auto view = ValidatePackedDib(dib);
  return view ? view->bpp : 0;
}

HGLOBAL DibOfImage(const plat::test::Image& image) {
  const size_t stride = (static_cast<size_t>(image.width_px) * 3 + 3) / 4 * 4;
  const size_t size = sizeof(BITMAPINFOHEADER) + stride * image.height_px;
  const HGLOBAL block = GlobalAlloc(GHND, size);
  auto* bytes = static_cast<uint8_t*>(GlobalLock(block));
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = image.width_px;
  header.biHeight = image.height_px;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biSizeImage = static_cast<DWORD>(stride * image.height_px);
  header.biXPelsPerMeter = header.biYPelsPerMeter = 3937;  // 100 dpi
  std::memcpy(bytes, &header, sizeof header);
  for (int y = 0; y < image.height_px; ++y) {
    uint8_t* row = bytes + sizeof header + stride * (image.height_px - 1 - y);
    for (int x = 0; x < image.width_px; ++x) {
      const uint32_t pixel = image.At(x, y);
      row[x * 3] = pixel & 0xFF;
      row[x * 3 + 1] = (pixel >> 8) & 0xFF;
      row[x * 3 + 2] = (pixel >> 16) & 0xFF;
    }
  }
  GlobalUnlock(block);
  return block;
}

plat::test::Image Pattern(int width, int height) {
  plat::test::Image image{width, height, {}};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      image.pixels.push_back(uint32_t(x * 3 + 20) << 16 | uint32_t(y * 5 + 10) << 8 | uint32_t((x * 7 + y * 11) & 0xFF));
    }
  }
  return image;
}

plat::test::Image Cut(const plat::test::Image& image, int left, int top, int right, int bottom) {
  return plat::test::Crop(image, RECT{left, top, right, bottom});
}

plat::test::Image DecodePage(const std::string& path, int page) {
  return plat::test::DecodeWithImageMagick(path + "[" + std::to_string(page) + "]");
}

}  // namespace ondavel::test
