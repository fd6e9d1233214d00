#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>

#include "gdi/tests/gdi_fixture.h"
#include "plat/gdi.h"
#include "plat/packed_dib.h"
#include "plat/testing/pixels.h"
#include "tests/support/test_support.h"

namespace plat::gdi::test {
namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, size_t at, uint32_t v) { b[at] = uint8_t(v), b[at + 1] = uint8_t(v >> 8); }
void Put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}
uint32_t Get32(const Bytes& b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

// A packed DIB of random pixels: header of `header_size` bytes, the masks
// after a 40-byte header for bit fields, the colour table, then the rows.
Bytes MakeDib(int header_size, int width, int height, int bpp, uint32_t compression, const uint32_t* masks,
              int colours, uint32_t seed) {
  const size_t stride = size_t((width * bpp + 31) / 32 * 4);
  const int rows = height < 0 ? -height : height;
  const size_t mask_bytes = compression == BI_BITFIELDS && header_size == 40 ? 12 : 0;
  const size_t entry_bytes = header_size == 12 ? 3 : 4;
  const size_t table = size_t(colours) * entry_bytes;
  Bytes dib(size_t(header_size) + mask_bytes + table + stride * size_t(rows));
  Put32(dib, 0, uint32_t(header_size));
  if (header_size == 12) {
    Put16(dib, 4, uint32_t(width)), Put16(dib, 6, uint32_t(height)), Put16(dib, 8, 1), Put16(dib, 10, uint32_t(bpp));
  } else {
    Put32(dib, 4, uint32_t(width)), Put32(dib, 8, uint32_t(height)), Put16(dib, 12, 1), Put16(dib, 14, uint32_t(bpp));
    Put32(dib, 16, compression);
    Put32(dib, 20, uint32_t(stride * size_t(rows)));
    Put32(dib, 32, uint32_t(colours));
    if (compression == BI_BITFIELDS) {
      for (int i = 0; i < 3; ++i) Put32(dib, 40 + 4 * size_t(i), masks[i]);
    }
    if (header_size >= 108) Put32(dib, 56, 0x73524742);  // sRGB
  }
  std::mt19937 random(seed);
  const size_t table_at = size_t(header_size) + mask_bytes;
  for (size_t i = 0; i < table; ++i) dib[table_at + i] = uint8_t(random());
  if (entry_bytes == 4)
    for (int i = 0; i < colours; ++i) dib[table_at + 4 * size_t(i) + 3] = 0;
  const size_t bits_at = table_at + table;
  for (int y = 0; y < rows; ++y) {
    for (size_t i = 0; i < stride; ++i) {
      // Pixels only; padding stays 0, and 32-bit pixels keep their spare byte 0.
      const bool is_pixel = i * 8 < size_t(width * bpp) && !(bpp == 32 && i % 4 == 3);
      dib[bits_at + size_t(y) * stride + i] = is_pixel ? uint8_t(random()) : 0;
    }
  }
  // Indices past a short table would be out of range: keep them inside.
  if (bpp <= 8 && colours < (1 << bpp)) {
    for (int y = 0; y < rows; ++y) {
      for (int x = 0; x < width; ++x) {
        const size_t bit = size_t(x) * size_t(bpp);
        uint8_t& byte = dib[bits_at + size_t(y) * stride + bit / 8];
        const int shift = 8 - bpp - int(bit % 8);
        const int index = (byte >> shift) & ((1 << bpp) - 1);
        byte = uint8_t((byte & ~(((1 << bpp) - 1) << shift)) | ((index % colours) << shift));
      }
    }
  }
  return dib;
}

Bytes AsBmpFile(const Bytes& dib, size_t bits_offset) {
  Bytes file(14 + dib.size());
  file[0] = 'B', file[1] = 'M';
  Put32(file, 2, uint32_t(file.size()));
  Put32(file, 10, uint32_t(14 + bits_offset));
  std::copy(dib.begin(), dib.end(), file.begin() + 14);
  return file;
}

// A 32-bit top-down DIB section canvas.
struct DibCanvas {
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ old;
  DibCanvas(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{40, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    dc = CreateCompatibleDC(nullptr);
    old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(bitmap));
  }
  ~DibCanvas() {
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
};

void ExpectDrawnLikeImageMagick(const Bytes& dib, const std::string& file_path) {
  auto view = ValidatePackedDib(dib.data(), dib.size());
  ASSERT_TRUE(view.has_value());
  const plat::test::Image want = plat::test::DecodeWithImageMagick(file_path);
  ASSERT_EQ(want.width_px, view->width);
  ASSERT_EQ(want.height_px, view->height);
  const auto* info = reinterpret_cast<const BITMAPINFO*>(dib.data());
  for (int scale : {1, 3}) {
    SCOPED_TRACE(scale);
    const int w = view->width * scale, h = view->height * scale;
    DibCanvas canvas(w, h);
    ASSERT_EQ(StretchDIBits(canvas.dc, 0, 0, w, h, 0, 0, view->width, view->height, view->bits, info, DIB_RGB_COLORS,
                            SRCCOPY),
              view->height);
    EXPECT_TRUE(plat::test::SameImage(plat::test::CaptureDc(canvas.dc, RECT{0, 0, w, h}),
                                      plat::test::ScaleNearest(want, w, h), "stretched_dib"));
  }
}

TEST_F(GdiTest, StretchDibitsDrawsEveryFormatAsImageMagickDecodesIt) {
  testing_support::ScopedTempDir dir;
  const uint32_t rgb565[3] = {0xF800, 0x07E0, 0x001F};
  const uint32_t rgb555[3] = {0x7C00, 0x03E0, 0x001F};
  const uint32_t bgr32[3] = {0x0000FF00, 0x00FF0000, 0xFF000000};
  struct Case {
    const char* name;
    int header, bpp;
    uint32_t compression;
    const uint32_t* masks;
    int colours;
    bool top_down;
  } cases[] = {
      {"1 bpp", 40, 1, BI_RGB, nullptr, 2, false},
      {"1 bpp top-down", 40, 1, BI_RGB, nullptr, 2, true},
      {"4 bpp", 40, 4, BI_RGB, nullptr, 16, false},
      {"4 bpp short table", 40, 4, BI_RGB, nullptr, 5, true},
      {"8 bpp", 40, 8, BI_RGB, nullptr, 256, false},
      {"8 bpp top-down short table", 40, 8, BI_RGB, nullptr, 20, true},
      {"16 bpp 555", 40, 16, BI_RGB, nullptr, 0, false},
      {"16 bpp 565 fields", 40, 16, BI_BITFIELDS, rgb565, 0, true},
      {"16 bpp 555 fields v4", 108, 16, BI_BITFIELDS, rgb555, 0, false},
      {"24 bpp", 40, 24, BI_RGB, nullptr, 0, false},
      {"24 bpp top-down", 40, 24, BI_RGB, nullptr, 0, true},
      {"24 bpp v5", 124, 24, BI_RGB, nullptr, 0, false},
      {"32 bpp", 40, 32, BI_RGB, nullptr, 0, false},
      {"32 bpp top-down v4", 108, 32, BI_RGB, nullptr, 0, true},
      {"32 bpp fields v5", 124, 32, BI_BITFIELDS, bgr32, 0, false},
      {"8 bpp v5", 124, 8, BI_RGB, nullptr, 256, true},
  };
  uint32_t seed = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes dib = MakeDib(c.header, 7, c.top_down ? -5 : 5, c.bpp, c.compression, c.masks, c.colours, ++seed);
    const size_t mask_bytes = c.compression == BI_BITFIELDS && c.header == 40 ? 12 : 0;
    const std::string path = dir.File(std::string("case") + std::to_string(seed) + ".bmp");
    testing_support::WriteFileBytes(path, AsBmpFile(dib, size_t(c.header) + mask_bytes + size_t(c.colours) * 4));
    ExpectDrawnLikeImageMagick(dib, path);
  }
}

TEST_F(GdiTest, CoreHeadersWrittenByImageMagickDrawAsItDecodes) {
  testing_support::ScopedTempDir dir;
  // A palette image and a colour image written with 12-byte headers.
  const std::string sources[] = {"-size 9x4 pattern:checkerboard -colors 2 -type Palette",
                                 "-size 9x4 plasma:red-blue -seed 3 -colors 13 -type Palette",
                                 "-size 9x4 gradient:red-blue"};
  int index = 0;
  for (const std::string& source : sources) {
    SCOPED_TRACE(source);
    const std::string path = dir.File("core" + std::to_string(++index) + ".bmp");
    ASSERT_EQ(testing_support::RunCommand("convert-im6.q16 -seed 3 " + source + " 'BMP2:" + path + "'"), 0);
    Bytes file = testing_support::ReadFileBytes(path);
    ASSERT_GT(file.size(), 26u);
    Bytes dib(file.begin() + 14, file.end());
    ASSERT_EQ(Get32(dib, 0), 12u);
    ExpectDrawnLikeImageMagick(dib, path);
  }
}

TEST_F(GdiTest, GetDibitsOutputIsReadBackByImageMagick) {
  testing_support::ScopedTempDir dir;
  Canvas canvas(6, 3);
  const COLORREF colours[6] = {RGB(255, 0, 0), RGB(0, 128, 0), RGB(10, 20, 250), RGB(255, 255, 255), RGB(0, 0, 0),
                               RGB(200, 190, 10)};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 6; ++x) SetPixel(canvas.dc, x, y, colours[(x + y) % 6]);
  SelectObject(canvas.dc, canvas.old);  // GetDIBits reads a bitmap outside any DC
  for (int bpp : {1, 4, 8, 24}) {
    SCOPED_TRACE(bpp);
    struct {
      BITMAPINFOHEADER header;
      RGBQUAD table[256];
    } info{};
    info.header.biSize = 40;
    info.header.biBitCount = WORD(bpp);
    info.header.biHeight = 3;
    const size_t stride = size_t((6 * bpp + 31) / 32 * 4);
    Bytes bits(stride * 3);
    ASSERT_EQ(GetDIBits(canvas.dc, canvas.bitmap, 0, 3, bits.data(), reinterpret_cast<BITMAPINFO*>(&info),
                        DIB_RGB_COLORS),
              3);
    EXPECT_EQ(info.header.biWidth, 6);
    const int entries = bpp <= 8 ? 1 << bpp : 0;
    Bytes dib(40 + size_t(entries) * 4);
    std::memcpy(dib.data(), &info, dib.size());
    dib.insert(dib.end(), bits.begin(), bits.end());
    const std::string path = dir.File("out" + std::to_string(bpp) + ".bmp");
    testing_support::WriteFileBytes(path, AsBmpFile(dib, 40 + size_t(entries) * 4));
    const plat::test::Image got = plat::test::DecodeWithImageMagick(path);
    ASSERT_EQ(got.width_px, 6);
    ASSERT_EQ(got.height_px, 3);
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 6; ++x) {
        COLORREF want = colours[(x + y) % 6];
        if (bpp <= 8) {
          // The nearest entry of the table written.
          int64_t best = INT64_MAX;
          for (int i = 0; i < entries; ++i) {
            const RGBQUAD& q = info.table[i];
            const int64_t dr = q.rgbRed - GetRValue(colours[(x + y) % 6]), dg = q.rgbGreen - GetGValue(colours[(x + y) % 6]),
                          db = q.rgbBlue - GetBValue(colours[(x + y) % 6]);
            if (dr * dr + dg * dg + db * db < best) best = dr * dr + dg * dg + db * db, want = RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
          }
        }
        EXPECT_EQ(got.At(x, y), plat::test::ImagePixel(want)) << x << "," << y;
      }
    }
  }
  canvas.old = SelectObject(canvas.dc, reinterpret_cast<HGDIOBJ>(canvas.bitmap));
}

TEST_F(GdiTest, RunLengthBlocksAreReportedButNotDrawn) {
  // 4×2 RLE8: a run of 4 of index 1, end of line, a run of 4 of index 0, end of bitmap.
  Bytes dib(40 + 8);
  Put32(dib, 0, 40), Put32(dib, 4, 4), Put32(dib, 8, 2), Put16(dib, 12, 1), Put16(dib, 14, 8);
  Put32(dib, 16, BI_RLE8), Put32(dib, 32, 2);
  dib[40 + 4] = 0xFF;  // entry 1: blue
  const uint8_t rle[] = {4, 1, 0, 0, 4, 0, 0, 1};
  Put32(dib, 20, sizeof(rle));
  dib.insert(dib.end(), rle, rle + sizeof(rle));
  auto view = ValidatePackedDib(dib.data(), dib.size());
  ASSERT_TRUE(view.has_value());
  EXPECT_EQ(view->compression, BI_RLE8);
  EXPECT_EQ(view->bits_bytes, sizeof(rle));
  EXPECT_EQ(NormalizePackedDib(*view, 24), 0u);
  Canvas canvas(4, 2);
  EXPECT_EQ(StretchDIBits(canvas.dc, 0, 0, 4, 2, 0, 0, 4, 2, view->bits, reinterpret_cast<const BITMAPINFO*>(dib.data()),
                          DIB_RGB_COLORS, SRCCOPY),
            0);
  EXPECT_EQ(GetPixel(canvas.dc, 0, 0), RGB(255, 255, 255));
  // Run-length data past the block is refused.
  Bytes cut(dib.begin(), dib.end() - 1);
  EXPECT_FALSE(ValidatePackedDib(cut.data(), cut.size()).has_value());
}

TEST_F(GdiTest, MalformedDibsAreRefusedByTheGate) {
  const Bytes good = MakeDib(40, 5, 3, 8, BI_RGB, nullptr, 4, 9);
  ASSERT_TRUE(ValidatePackedDib(good.data(), good.size()).has_value());
  struct Case {
    const char* name;
    std::function<void(Bytes&)> damage;
  } cases[] = {
      {"header size 41", [](Bytes& b) { Put32(b, 0, 41); }},
      {"header size huge", [](Bytes& b) { Put32(b, 0, 0xFFFFFFF0); }},
      {"width 0", [](Bytes& b) { Put32(b, 4, 0); }},
      {"width negative", [](Bytes& b) { Put32(b, 4, uint32_t(-5)); }},
      {"height 0", [](Bytes& b) { Put32(b, 8, 0); }},
      {"width past 2^24", [](Bytes& b) { Put32(b, 4, (1u << 24) + 1); }},
      {"height past -2^24", [](Bytes& b) { Put32(b, 8, uint32_t(-(1 << 24) - 1)); }},
      {"height most negative", [](Bytes& b) { Put32(b, 8, 0x80000000u); }},
      {"huge rows past the block", [](Bytes& b) { Put32(b, 4, 1u << 24), Put32(b, 8, 1u << 24); }},
      {"one row too many", [](Bytes& b) { Put32(b, 8, 4); }},
      {"planes 2", [](Bytes& b) { Put16(b, 12, 2); }},
      {"bit count 2", [](Bytes& b) { Put16(b, 14, 2); }},
      {"bit count 0", [](Bytes& b) { Put16(b, 14, 0); }},
      {"colours past 2^bpp", [](Bytes& b) { Put32(b, 32, 257); }},
      {"colours huge", [](Bytes& b) { Put32(b, 32, 0xFFFFFFFF); }},
      {"colours past the block", [](Bytes& b) { Put32(b, 32, 200); }},
      {"bit fields on 8 bpp", [](Bytes& b) { Put32(b, 16, BI_BITFIELDS); }},
      {"RLE4 on 8 bpp", [](Bytes& b) { Put32(b, 16, BI_RLE4); }},
      {"RLE8 top-down", [](Bytes& b) { Put32(b, 16, BI_RLE8), Put32(b, 8, uint32_t(-3)); }},
      {"RLE8 data past the block", [](Bytes& b) { Put32(b, 16, BI_RLE8), Put32(b, 20, 0x7FFFFFFF); }},
      {"RLE8 without a size", [](Bytes& b) { Put32(b, 16, BI_RLE8), Put32(b, 20, 0); }},
      {"JPEG compression", [](Bytes& b) { Put32(b, 16, 4); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bad = good;
    c.damage(bad);
    EXPECT_FALSE(ValidatePackedDib(bad.data(), bad.size()).has_value());
  }
  // Every cut into the block is refused.
  for (size_t size = 0; size < good.size(); ++size) {
    EXPECT_FALSE(ValidatePackedDib(good.data(), size).has_value()) << size;
  }
  EXPECT_FALSE(ValidatePackedDib(nullptr, 100).has_value());
  // Bit fields on 24 bpp and masks cut off after a 40-byte header.
  Bytes fields = MakeDib(40, 2, 2, 16, BI_BITFIELDS, std::array<uint32_t, 3>{0xF800, 0x7E0, 0x1F}.data(), 0, 3);
  ASSERT_TRUE(ValidatePackedDib(fields.data(), fields.size()).has_value());
  EXPECT_FALSE(ValidatePackedDib(fields.data(), 48).has_value());
  Put16(fields, 14, 24);
  EXPECT_FALSE(ValidatePackedDib(fields.data(), fields.size()).has_value());
}

TEST_F(GdiTest, NormalizedCopiesAreBottomUpRgbOfTheSamePixels) {
  const uint32_t rgb565[3] = {0xF800, 0x07E0, 0x001F};
  const Bytes dibs[] = {MakeDib(124, 5, -3, 16, BI_BITFIELDS, rgb565, 0, 4), MakeDib(40, 5, 3, 4, BI_RGB, nullptr, 16, 5),
                        MakeDib(108, 5, -3, 32, BI_RGB, nullptr, 0, 6)};
  for (const Bytes& dib : dibs) {
    auto view = ValidatePackedDib(dib.data(), dib.size());
    ASSERT_TRUE(view.has_value());
    for (int bpp : {24, 32}) {
      SCOPED_TRACE(bpp);
      const HGLOBAL block = NormalizePackedDib(*view, bpp);
      ASSERT_NE(block, 0u);
      auto out = ValidatePackedDib(block);
      ASSERT_TRUE(out.has_value());
      EXPECT_EQ(out->headerSize, 40);
      EXPECT_FALSE(out->topDown);
      EXPECT_EQ(out->compression, BI_RGB);
      EXPECT_EQ(out->bpp, bpp);
      // Both draw the same pixels.
      DibCanvas a(5, 3), b(5, 3);
      StretchDIBits(a.dc, 0, 0, 5, 3, 0, 0, 5, 3, view->bits, reinterpret_cast<const BITMAPINFO*>(dib.data()),
                    DIB_RGB_COLORS, SRCCOPY);
      StretchDIBits(b.dc, 0, 0, 5, 3, 0, 0, 5, 3, out->bits,
                    reinterpret_cast<const BITMAPINFO*>(GlobalLock(block)), DIB_RGB_COLORS, SRCCOPY);
      GlobalUnlock(block);
      for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(GetPixel(a.dc, x, y), GetPixel(b.dc, x, y)) << x << "," << y;
      GlobalFree(block);
    }
  }
}

TEST_F(GdiTest, NormalizedCopiesCanKeepTheirDepth) {
  const uint32_t rgb565[3] = {0xF800, 0x07E0, 0x001F};
  struct Case {
    const char* name;
    Bytes dib;
    int bpp_out;
  } cases[] = {
      {"core 8 bpp", MakeDib(12, 5, 3, 8, BI_RGB, nullptr, 256, 21), 8},
      {"top-down 1 bpp", MakeDib(40, 9, -3, 1, BI_RGB, nullptr, 2, 22), 1},
      {"v4 4 bpp, 5 colours", MakeDib(108, 5, 3, 4, BI_RGB, nullptr, 5, 23), 4},
      {"v5 top-down 24 bpp", MakeDib(124, 5, -3, 24, BI_RGB, nullptr, 0, 24), 24},
      {"bit fields 16 bpp", MakeDib(40, 5, 3, 16, BI_BITFIELDS, rgb565, 0, 25), 24},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto view = ValidatePackedDib(c.dib.data(), c.dib.size());
    ASSERT_TRUE(view.has_value());
    const HGLOBAL block = NormalizePackedDib(*view, kKeepDibDepth);
    ASSERT_NE(block, 0u);
    auto out = ValidatePackedDib(block);
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(out->headerSize, 40);
    EXPECT_FALSE(out->topDown);
    EXPECT_EQ(out->compression, BI_RGB);
    EXPECT_EQ(out->bpp, c.bpp_out);
    EXPECT_EQ(GlobalSize(block), 40 + size_t(out->colors) * 4 + out->stride * 3);
    DibCanvas a(view->width, 3), b(view->width, 3);
    StretchDIBits(a.dc, 0, 0, view->width, 3, 0, 0, view->width, 3, view->bits,
                  reinterpret_cast<const BITMAPINFO*>(c.dib.data()), DIB_RGB_COLORS, SRCCOPY);
    StretchDIBits(b.dc, 0, 0, view->width, 3, 0, 0, view->width, 3, out->bits,
                  reinterpret_cast<const BITMAPINFO*>(GlobalLock(block)), DIB_RGB_COLORS, SRCCOPY);
    GlobalUnlock(block);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < view->width; ++x) EXPECT_EQ(GetPixel(a.dc, x, y), GetPixel(b.dc, x, y)) << x << "," << y;
    GlobalFree(block);
  }
  // Run-length data keeps its bytes behind a plain header.
  Bytes rle(40 + 8);
  Put32(rle, 0, 40), Put32(rle, 4, 4), Put32(rle, 8, 2), Put16(rle, 12, 1), Put16(rle, 14, 8);
  Put32(rle, 16, BI_RLE8), Put32(rle, 32, 2);
  const uint8_t runs[] = {4, 1, 0, 0, 4, 0, 0, 1};
  Put32(rle, 20, sizeof(runs));
  rle.insert(rle.end(), runs, runs + sizeof(runs));
  auto view = ValidatePackedDib(rle.data(), rle.size());
  ASSERT_TRUE(view.has_value());
  const HGLOBAL block = NormalizePackedDib(*view, kKeepDibDepth);
  ASSERT_EQ(GlobalSize(block), rle.size());
  EXPECT_EQ(std::memcmp(GlobalLock(block), rle.data(), rle.size()), 0);
  GlobalUnlock(block);
  GlobalFree(block);
}

TEST_F(GdiTest, StretchDibitsClipsTheSourceAndMirrors) {
  const Bytes dib = MakeDib(40, 4, 2, 24, BI_RGB, nullptr, 0, 12);
  auto view = ValidatePackedDib(dib.data(), dib.size());
  ASSERT_TRUE(view.has_value());
  const auto* info = reinterpret_cast<const BITMAPINFO*>(dib.data());
  DibCanvas straight(4, 2), mirrored(4, 2), clipped(6, 2);
  StretchDIBits(straight.dc, 0, 0, 4, 2, 0, 0, 4, 2, view->bits, info, DIB_RGB_COLORS, SRCCOPY);
  StretchDIBits(mirrored.dc, 4, 0, -4, 2, 0, 0, 4, 2, view->bits, info, DIB_RGB_COLORS, SRCCOPY);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(GetPixel(mirrored.dc, x, 0), GetPixel(straight.dc, 3 - x, 0));
  // A source rectangle reaching past the bitmap draws only the part inside.
  const RECT all{0, 0, 6, 2};
  FillRect(clipped.dc, &all, reinterpret_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
  StretchDIBits(clipped.dc, 0, 0, 6, 2, 2, 0, 6, 2, view->bits, info, DIB_RGB_COLORS, SRCCOPY);
  EXPECT_EQ(GetPixel(clipped.dc, 0, 0), GetPixel(straight.dc, 2, 0));
  EXPECT_EQ(GetPixel(clipped.dc, 1, 1), GetPixel(straight.dc, 3, 1));
  EXPECT_EQ(GetPixel(clipped.dc, 2, 0), RGB(128, 128, 128));
}

}  // namespace
}  // namespace plat::gdi::test
