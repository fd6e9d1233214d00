// The class library's graphics: colour names, change notifications of the
// graphic objects, the canvas's copies, and TBitmap's BMP streams read by
// ImageMagick, its scan lines and its refusals of bad streams and sizes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "plat/font_engine.h"
#include "plat/forms/bitmap.h"
#include "plat/forms/exceptions.h"
#include "plat/forms/graphics.h"
#include "plat/gdi.h"
#include "plat/gdi_surface.h"
#include "plat/testing/pixels.h"
#include "plat/user.h"

namespace plat {
namespace {

class GraphicsTest : public ::testing::Test {
 protected:
  void SetUp() override { SetFontEngine(&BuiltinFonts()); }
  void TearDown() override { EXPECT_EQ(gdi::LiveObjectCount(), 0u) << "drawing objects left alive"; }
};

TEST_F(GraphicsTest, ColourNamesAndValues) {
  EXPECT_EQ(ColorToString(clRed), "clRed");
  EXPECT_EQ(ColorToString(clBtnFace), "clBtnFace");
  EXPECT_EQ(ColorToString(0x123456), "$00123456");
  EXPECT_EQ(ColorToString(clNone), "clNone");
  EXPECT_EQ(StringToColor("CLBLUE"), clBlue);
  EXPECT_EQ(StringToColor("clLtGray"), clSilver);
  EXPECT_EQ(StringToColor("$00FF0000"), clBlue);
  EXPECT_EQ(StringToColor("255"), clRed);
  EXPECT_THROW(StringToColor("clNothing"), EConvertError);
  EXPECT_EQ(ColorToRGB(clWhite), clWhite);
  EXPECT_EQ(ColorToRGB(clBtnFace), static_cast<TColor>(GetSysColor(15)));
  EXPECT_EQ(static_cast<uint32_t>(clScrollBar), 0x80000000u);
}

TEST_F(GraphicsTest, OnChangeFiresOncePerChange) {
  TFont font;
  TPen pen;
  TBrush brush;
  int changes = 0;
  const auto count = [&changes](TObject*) { ++changes; };
  font.OnChange = pen.OnChange = brush.OnChange = count;
  struct Step {
    const char* name;
    std::function<void()> action;
    int expected;
  };
  const Step steps[] = {
      {"font size", [&] { font.SetSize(12); }, 1},
      {"same size", [&] { font.SetSize(12); }, 0},
      {"font name", [&] { font.SetName("ＭＳ Ｐゴシック"); }, 1},
      {"font style", [&] { font.SetStyle({fsBold, fsUnderline}); }, 1},
      {"same style", [&] { font.SetStyle({fsUnderline, fsBold}); }, 0},
      {"font colour", [&] { font.SetColor(clRed); }, 1},
      {"pen width", [&] { pen.SetWidth(3); }, 1},
      {"pen style", [&] { pen.SetStyle(psDot); }, 1},
      {"same pen style", [&] { pen.SetStyle(psDot); }, 0},
      {"brush colour", [&] { brush.SetColor(clBlue); }, 1},
      {"brush style", [&] { brush.SetStyle(bsCross); }, 1},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    changes = 0;
    step.action();
    EXPECT_EQ(changes, step.expected);
  }
  EXPECT_EQ(font.Height(), -16);  // 12 points at 96 pixels per inch
  EXPECT_EQ(font.Size(), 12);
  LOGFONT logfont;
  ASSERT_NE(GetObject(font.Handle(), sizeof logfont, &logfont), 0);
  EXPECT_EQ(logfont.lfWeight, FW_BOLD);
  EXPECT_EQ(logfont.lfFaceName, "ＭＳ Ｐゴシック");
}

// A bitmap of `format` whose pixel (x, y) gets colour `colours[(x + 2y) % n]`.
void Paint(TBitmap& bitmap, const std::vector<TColor>& colours) {
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = 0; x < bitmap.Width(); ++x) {
      bitmap.Canvas()->SetPixel(x, y, colours[static_cast<size_t>(x + 2 * y) % colours.size()]);
    }
  }
}

std::string TempPath(const char* name) {
  const char* folder = std::getenv("TMPDIR");
  return std::string(folder != nullptr ? folder : "/tmp") + "/" + name;
}

TEST_F(GraphicsTest, SavedBitmapsAreReadByImageMagickToTheSamePixels) {
  const std::vector<TColor> colours = {clBlack, clWhite, clRed, clNavy, clLime, clYellow, clTeal, clSilver};
  for (TPixelFormat format : {pf1bit, pf4bit, pf8bit, pf24bit}) {
    SCOPED_TRACE(static_cast<int>(format));
    TBitmap bitmap;
    bitmap.SetPixelFormat(format);
    bitmap.SetSize(13, 5);
    Paint(bitmap, format == pf1bit ? std::vector<TColor>{clBlack, clWhite, clWhite} : colours);
    const std::string path = TempPath("saved.bmp");
    bitmap.SaveToFile(path);
    plat::test::Image painted{13, 5, {}};
    for (int y = 0; y < 5; ++y) {
      for (int x = 0; x < 13; ++x) painted.pixels.push_back(plat::test::ImagePixel(bitmap.Canvas()->Pixel(x, y)));
    }
    EXPECT_TRUE(plat::test::SameImage(plat::test::DecodeWithImageMagick(path), painted, "saved_bitmap"));
    // And read back by us at the same depth.
    TBitmap loaded;
    loaded.LoadFromFile(path);
    EXPECT_EQ(loaded.PixelFormat(), format);
    EXPECT_EQ(loaded.Canvas()->Pixel(12, 4), bitmap.Canvas()->Pixel(12, 4));
    std::remove(path.c_str());
  }
}

// A 24-bit BMP file of 2 x 2 pixels, top row blue then green, bottom row red then white.
std::vector<uint8_t> TinyBmp(bool is_top_down) {
  std::vector<uint8_t> bytes = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // file header
                                40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 16, 0, 0, 0,
                                0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  const uint8_t top[8] = {255, 0, 0, 0, 255, 0, 0, 0};      // B,G,R: blue, green, padding
  const uint8_t bottom[8] = {0, 0, 255, 255, 255, 255, 0, 0};  // red, white, padding
  if (is_top_down) {
    bytes[22] = 0xFE, bytes[23] = bytes[24] = bytes[25] = 0xFF;  // height -2
    bytes.insert(bytes.end(), top, top + 8);
    bytes.insert(bytes.end(), bottom, bottom + 8);
  } else {
    bytes.insert(bytes.end(), bottom, bottom + 8);
    bytes.insert(bytes.end(), top, top + 8);
  }
  return bytes;
}

TEST_F(GraphicsTest, ScanLineZeroIsTheTopRowInBgrOrder) {
  for (bool is_top_down : {false, true}) {
    SCOPED_TRACE(is_top_down);
    const std::vector<uint8_t> file = TinyBmp(is_top_down);
    TMemoryStream stream;
    stream.WriteBuffer(file.data(), static_cast<int64_t>(file.size()));
    stream.SetPosition(0);
    TBitmap bitmap;
    bitmap.LoadFromStream(stream);
    ASSERT_EQ(bitmap.PixelFormat(), pf24bit);
    const uint8_t* top = bitmap.ScanLine(0);
    EXPECT_EQ(std::vector<uint8_t>(top, top + 6), (std::vector<uint8_t>{255, 0, 0, 0, 255, 0}));
    const uint8_t* bottom = bitmap.ScanLine(1);
    EXPECT_EQ(std::vector<uint8_t>(bottom, bottom + 6), (std::vector<uint8_t>{0, 0, 255, 255, 255, 255}));
    EXPECT_EQ(bitmap.Canvas()->Pixel(0, 0), clBlue);
    EXPECT_EQ(bitmap.TransparentColor(), clRed | 0x02000000);
    EXPECT_THROW(bitmap.ScanLine(2), EInvalidGraphicOperation);
    EXPECT_THROW(bitmap.ScanLine(-1), EInvalidGraphicOperation);
  }
}

TEST_F(GraphicsTest, BadStreamsAndSizesAreRefusedAndChangeNothing) {
  const std::vector<uint8_t> good = TinyBmp(false);
  TBitmap bitmap;
  bitmap.SetSize(3, 3);
  // Every cut of the file is a short read.
  for (size_t length = 0; length < good.size(); ++length) {
    SCOPED_TRACE(length);
    TMemoryStream stream;
    stream.WriteBuffer(good.data(), static_cast<int64_t>(length));
    stream.SetPosition(0);
    EXPECT_THROW(bitmap.LoadFromStream(stream), EReadError);
    EXPECT_EQ(bitmap.Width(), 3);
  }
  struct Damage {
    const char* name;
    size_t offset;
    uint8_t value;
  };
  const Damage damages[] = {{"not BM", 0, 'X'}, {"run-length body", 30, 1}, {"bit count 7", 28, 7},
                            {"zero width", 18, 0}};
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.name);
    std::vector<uint8_t> bytes = good;
    bytes[damage.offset] = damage.value;
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    stream.SetPosition(0);
    EXPECT_THROW(bitmap.LoadFromStream(stream), EInvalidGraphic);
    EXPECT_EQ(bitmap.Width(), 3);
  }
  EXPECT_THROW(bitmap.SetSize(-1, 4), EInvalidGraphic);
  EXPECT_THROW(bitmap.SetSize(1 << 25, 1), EOutOfResources);
  EXPECT_THROW(bitmap.SetSize(1 << 15, 1 << 15), EOutOfResources);
  EXPECT_EQ(bitmap.Width(), 3);
}

TEST_F(GraphicsTest, CanvasCopiesRespectTransparencyCopyModeAndBrush) {
  TBitmap target;
  target.SetPixelFormat(pf24bit);
  target.SetSize(4, 4);
  target.Canvas()->Brush()->SetColor(clGreen);
  target.Canvas()->FillRect(RECT{0, 0, 4, 4});

  // A 2 x 2 sprite whose bottom-left pixel (the key) is fuchsia.
  TBitmap sprite;
  sprite.SetPixelFormat(pf24bit);
  sprite.SetSize(2, 2);
  sprite.Canvas()->SetPixel(0, 0, clRed);
  sprite.Canvas()->SetPixel(1, 0, clFuchsia);
  sprite.Canvas()->SetPixel(0, 1, clFuchsia);
  sprite.Canvas()->SetPixel(1, 1, clBlue);
  sprite.SetTransparent(true);
  target.Canvas()->Draw(1, 1, &sprite);
  EXPECT_EQ(target.Canvas()->Pixel(1, 1), clRed);
  EXPECT_EQ(target.Canvas()->Pixel(2, 1), clGreen);  // key pixel: the target stays
  EXPECT_EQ(target.Canvas()->Pixel(1, 2), clGreen);
  EXPECT_EQ(target.Canvas()->Pixel(2, 2), clBlue);
  EXPECT_EQ(target.Canvas()->Pixel(0, 0), clGreen);

  // BrushCopy: the key colour of the source becomes the brush.
  sprite.SetTransparent(false);
  target.Canvas()->Brush()->SetColor(clYellow);
  target.Canvas()->BrushCopy(RECT{0, 0, 2, 2}, &sprite, RECT{0, 0, 2, 2}, clFuchsia);
  EXPECT_EQ(target.Canvas()->Pixel(0, 0), clRed);
  EXPECT_EQ(target.Canvas()->Pixel(1, 0), clYellow);
  EXPECT_EQ(target.Canvas()->Pixel(0, 1), clYellow);
  EXPECT_EQ(target.Canvas()->Pixel(1, 1), clBlue);

  // cmSrcAnd: red AND yellow is red, blue AND white is blue.
  target.Canvas()->Brush()->SetColor(clWhite);
  target.Canvas()->FillRect(RECT{0, 0, 4, 4});
  target.Canvas()->SetPixel(0, 0, clYellow);
  target.Canvas()->SetCopyMode(cmSrcAnd);
  target.Canvas()->Draw(0, 0, &sprite);
  EXPECT_EQ(target.Canvas()->Pixel(0, 0), clRed);
  EXPECT_EQ(target.Canvas()->Pixel(1, 1), clBlue);
  EXPECT_EQ(target.Canvas()->Pixel(1, 0), clFuchsia);

  // Text on the canvas uses its font and moves the pen.
  target.SetSize(60, 20);
  target.Canvas()->Font()->SetHeight(16);
  EXPECT_EQ(target.Canvas()->TextWidth("ABC"), 24);
  EXPECT_EQ(target.Canvas()->TextHeight("ABC"), 16);
  target.Canvas()->TextOut(2, 0, "AB");
  EXPECT_EQ(target.Canvas()->PenPos().x, 18);
}

}  // namespace
}  // namespace plat
