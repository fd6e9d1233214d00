// The class library's graphics: colour names, change notifications of the
// graphic objects, the canvas's copies, and TBitmap's BMP streams read by
// ImageMagick, its scan lines and its refusals of bad streams and sizes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "plat/font_engine.h"
#include "plat/forms/bitmap.h"
#include "plat/forms/exceptions.h"
#include "plat/forms/graphics.h"
#include "plat/forms/picture.h"
#include "plat/gdi.h"
#include "plat/gdi_surface.h"
#include "plat/resources.h"
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
  // 16 bits are written with 5-6-5 bit fields, 32 bits plain.
  for (TPixelFormat format : {pf1bit, pf4bit, pf8bit, pf16bit, pf24bit, pf32bit}) {
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
    for (int y = 0; y < 5; ++y) {
      for (int x = 0; x < 13; ++x) EXPECT_EQ(loaded.Canvas()->Pixels(x, y), bitmap.Canvas()->Pixels(x, y));
    }
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
  // An empty bitmap writes its headers alone.
  bitmap.SetSize(0, 4);
  TMemoryStream stream;
  bitmap.SaveToStream(stream);
  EXPECT_EQ(stream.Size(), 54);
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

// The bitmap's pixels as text: '#' black (the pen), 'o' red (the brush),
// '.' white, '?' anything else.
std::vector<std::string> Ink(TBitmap& bitmap) {
  std::vector<std::string> rows;
  for (int y = 0; y < bitmap.Height(); ++y) {
    std::string row;
    for (int x = 0; x < bitmap.Width(); ++x) {
      const TColor c = bitmap.Canvas()->Pixels(x, y);
      row += c == clBlack ? '#' : c == clRed ? 'o' : c == clWhite ? '.' : '?';
    }
    rows.push_back(row);
  }
  return rows;
}

TEST_F(GraphicsTest, CanvasLinesAndFiguresUseThePenAndBrush) {
  struct Case {
    const char* name;
    std::function<void(TCanvas&)> draw;
    std::vector<std::string> expected;  // empty: checked by `spots`
    std::vector<std::pair<POINT, char>> spots;
  };
  const std::vector<POINT> corner = {{0, 0}, {3, 0}, {3, 3}};
  const std::vector<POINT> box = {{1, 1}, {5, 1}, {5, 4}, {1, 4}};
  const Case cases[] = {
      {"LineTo leaves its last pixel", [](TCanvas& c) { c.MoveTo(1, 1); c.LineTo(5, 1); },
       {"........", ".####...", "........", "........", "........", "........"}, {}},
      {"Polyline", [&](TCanvas& c) { c.Polyline(corner); },
       {"####....", "...#....", "...#....", "........", "........", "........"}, {}},
      {"Rectangle", [](TCanvas& c) { c.Rectangle(1, 1, 6, 5); },
       {"........", ".#####..", ".#ooo#..", ".#ooo#..", ".#####..", "........"}, {}},
      {"Polygon", [&](TCanvas& c) { c.Polygon(box); },
       {"........", ".#####..", ".#ooo#..", ".#ooo#..", ".#####..", "........"}, {}},
      {"FrameRect paints the brush", [](TCanvas& c) { c.FrameRect(RECT{1, 1, 5, 4}); },
       {"........", ".oooo...", ".o..o...", ".oooo...", "........", "........"}, {}},
      {"Ellipse", [](TCanvas& c) { c.Ellipse(0, 0, 8, 6); },
       {}, {{{0, 0}, '.'}, {{7, 5}, '.'}, {{4, 0}, '#'}, {{0, 3}, '#'}, {{4, 3}, 'o'}}},
      {"RoundRect", [](TCanvas& c) { c.RoundRect(0, 0, 8, 6, 4, 4); },
       {}, {{{0, 0}, '.'}, {{4, 0}, '#'}, {{0, 3}, '#'}, {{7, 3}, '#'}, {{3, 3}, 'o'}}},
      {"Arc: the upper half, counter-clockwise", [](TCanvas& c) { c.Arc(0, 0, 8, 6, 8, 3, 0, 3); },
       {}, {{{4, 0}, '#'}, {{4, 5}, '.'}, {{4, 3}, '.'}}},
      {"Pixels", [](TCanvas& c) { c.SetPixels(2, 3, clRed); },
       {"........", "........", "........", "..o.....", "........", "........"}, {}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(8, 6);
    TCanvas& canvas = *bitmap.Canvas();
    canvas.Pen()->SetColor(clBlack);
    canvas.Brush()->SetColor(clRed);
    int changes = 0;
    canvas.OnChange = [&changes](TObject*) { ++changes; };
    test.draw(canvas);
    EXPECT_GE(changes, 1);
    EXPECT_TRUE(bitmap.Modified());
    const std::vector<std::string> ink = Ink(bitmap);
    if (!test.expected.empty()) EXPECT_EQ(ink, test.expected);
    for (const auto& [at, want] : test.spots) {
      EXPECT_EQ(ink[static_cast<size_t>(at.y)][static_cast<size_t>(at.x)], want) << at.x << "," << at.y;
    }
  }
  // The pen position follows the lines; outside the bitmap a pixel is invalid.
  TBitmap bitmap;
  bitmap.SetSize(8, 6);
  bitmap.Canvas()->MoveTo(1, 2);
  bitmap.Canvas()->LineTo(6, 4);
  EXPECT_EQ(bitmap.Canvas()->PenPos().x, 6);
  EXPECT_EQ(bitmap.Canvas()->PenPos().y, 4);
  EXPECT_EQ(bitmap.Canvas()->Pixels(8, 0), -1);
  const RECT clip = bitmap.Canvas()->ClipRect();
  EXPECT_EQ(clip.right, 8);
  EXPECT_EQ(clip.bottom, 6);
  // A focus rectangle is its own inverse.
  const std::vector<std::string> before = Ink(bitmap);
  bitmap.Canvas()->DrawFocusRect(RECT{1, 1, 7, 5});
  EXPECT_NE(Ink(bitmap), before);
  bitmap.Canvas()->DrawFocusRect(RECT{1, 1, 7, 5});
  EXPECT_EQ(Ink(bitmap), before);
}

TEST_F(GraphicsTest, PatternBrushesOfAnySizeTile) {
  TBitmap pattern;
  pattern.SetPixelFormat(pf24bit);
  pattern.SetSize(3, 2);
  Paint(pattern, {clRed, clBlue, clLime, clYellow, clBlack});
  TBitmap target;
  target.SetPixelFormat(pf24bit);
  target.SetSize(7, 5);
  target.Canvas()->Brush()->SetBitmap(&pattern);
  target.Canvas()->FillRect(RECT{0, 0, 7, 5});
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 7; ++x) {
      EXPECT_EQ(target.Canvas()->Pixels(x, y), pattern.Canvas()->Pixels(x % 3, y % 2)) << x << "," << y;
    }
  }
}

TEST_F(GraphicsTest, CanvasLockHoldsOtherThreadsOff) {
  TBitmap bitmap;
  bitmap.SetSize(2, 2);
  TCanvas& canvas = *bitmap.Canvas();
  canvas.Lock();
  canvas.Lock();  // nests
  EXPECT_EQ(canvas.LockCount(), 2);
  bool other_got_it = true;
  std::thread([&] { other_got_it = canvas.TryLock(); }).join();
  EXPECT_FALSE(other_got_it);
  canvas.Unlock();
  canvas.Unlock();
  std::thread([&] {
    other_got_it = canvas.TryLock();
    if (other_got_it) canvas.Unlock();
  }).join();
  EXPECT_TRUE(other_got_it);
}

// A packed DIB of 2 x 1 pixels at 8 bits: indices 1 and 0 of a two-colour table.
const uint8_t kTwoPixelDib[] = {40, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 8, 0, 0, 0, 0, 0, 4, 0, 0, 0,
                                0,  0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0,
                                0,  0, 255, 0, 255, 0, 0, 0,  // red, blue
                                1,  0, 0, 0};
const uint8_t kBrokenDib[] = {40, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 7, 0};

TEST_F(GraphicsTest, BitmapsLoadFromTheModulesResourceTable) {
  const auto module = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x6260));
  const ResourceEntry entries[] = {
      {RT_BITMAP, 12, nullptr, kTwoPixelDib, sizeof kTwoPixelDib},
      {RT_BITMAP, 0, "PAIR", kTwoPixelDib, sizeof kTwoPixelDib},
      {RT_BITMAP, 13, nullptr, kBrokenDib, sizeof kBrokenDib},
  };
  ASSERT_TRUE(RegisterModuleResources(module, entries, std::size(entries)));
  for (bool by_name : {false, true}) {
    SCOPED_TRACE(by_name);
    TBitmap bitmap;
    if (by_name) {
      bitmap.LoadFromResourceName(module, "PAIR");
    } else {
      bitmap.LoadFromResourceID(module, 12);
    }
    EXPECT_EQ(bitmap.PixelFormat(), pf8bit);
    EXPECT_EQ(bitmap.Canvas()->Pixels(0, 0), clBlue);
    EXPECT_EQ(bitmap.Canvas()->Pixels(1, 0), clRed);
    // The palette is the file's table.
    PALETTEENTRY colours[4] = {};
    ASSERT_NE(bitmap.Palette(), nullptr);
    EXPECT_EQ(GetPaletteEntries(bitmap.Palette(), 0, 4, colours), 2u);
    EXPECT_EQ(colours[0].peRed, 255);
    EXPECT_EQ(colours[1].peBlue, 255);
  }
  TBitmap bitmap;
  bitmap.SetSize(3, 3);
  EXPECT_THROW(bitmap.LoadFromResourceID(module, 99), EResNotFound);
  EXPECT_THROW(bitmap.LoadFromResourceName(module, "NONE"), EResNotFound);
  EXPECT_THROW(bitmap.LoadFromResourceID(module, 13), EInvalidGraphic);
  EXPECT_EQ(bitmap.Width(), 3);
  bitmap.SetPixelFormat(pf24bit);
  EXPECT_EQ(bitmap.Palette(), nullptr);
  UnregisterModuleResources(module);
}

// An 8 x 6 icon: red inside (1,1)-(5,4), transparent by its mask elsewhere.
HICON MakeIcon() {
  std::vector<uint8_t> colour(8 * 6 * 4, 0), mask(2 * 6, 0);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 8; ++x) {
      if (x >= 1 && x < 5 && y >= 1 && y < 4) {
        colour[(static_cast<size_t>(y) * 8 + x) * 4 + 2] = 255;  // B,G,R,A
      } else {
        mask[static_cast<size_t>(y) * 2] |= static_cast<uint8_t>(0x80 >> x);
      }
    }
  }
  return CreateIcon(nullptr, 8, 6, 1, 32, mask.data(), colour.data());
}

std::vector<std::string> DrawnOnGreen(TGraphic& graphic) {
  TBitmap target;
  target.SetPixelFormat(pf24bit);
  target.SetSize(8, 6);
  target.Canvas()->Brush()->SetColor(clLime);
  target.Canvas()->FillRect(RECT{0, 0, 8, 6});
  target.Canvas()->Draw(0, 0, &graphic);
  std::vector<std::string> rows;
  for (int y = 0; y < 6; ++y) {
    std::string row;
    for (int x = 0; x < 8; ++x) {
      const TColor c = target.Canvas()->Pixels(x, y);
      row += c == clLime ? '.' : c == clRed ? 'o' : '?';
    }
    rows.push_back(row);
  }
  return rows;
}

// `command` run by the shell, its standard output as bytes.
std::string RunShell(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  pclose(pipe);
  return out;
}

TEST_F(GraphicsTest, IconsDrawByTheirMaskAndRoundTripThroughIconFiles) {
  const std::vector<std::string> expected = {"........", ".oooo...", ".oooo...", ".oooo...", "........",
                                             "........"};
  TIcon icon;
  EXPECT_TRUE(icon.Empty());
  icon.SetHandle(MakeIcon());
  EXPECT_EQ(icon.Width(), 8);
  EXPECT_EQ(icon.Height(), 6);
  EXPECT_THROW(icon.SetWidth(16), EInvalidGraphicOperation);
  EXPECT_EQ(DrawnOnGreen(icon), expected);

  // Saved: ImageMagick reads the colours and the mask as alpha.
  const std::string path = TempPath("saved.ico");
  icon.SaveToFile(path);
  const std::string alpha = RunShell("convert-im6.q16 '" + path + "' -alpha extract -depth 8 gray:-");
  ASSERT_EQ(alpha.size(), 48u);
  plat::test::Image colours{8, 6, {}};
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 8; ++x) {
      const bool inside = expected[static_cast<size_t>(y)][static_cast<size_t>(x)] == 'o';
      EXPECT_EQ(static_cast<uint8_t>(alpha[static_cast<size_t>(y) * 8 + x]), inside ? 255 : 0) << x << "," << y;
      colours.pixels.push_back(inside ? 0xFF0000u : 0u);
    }
  }
  EXPECT_TRUE(plat::test::SameImage(plat::test::DecodeWithImageMagick(path), colours, "saved_icon"));
  // Read back by us, and a copy by Assign.
  TIcon loaded;
  loaded.LoadFromFile(path);
  EXPECT_EQ(DrawnOnGreen(loaded), expected);
  TIcon copy;
  copy.Assign(&loaded);
  EXPECT_EQ(DrawnOnGreen(copy), expected);
  EXPECT_NE(copy.Handle(), loaded.Handle());

  // An icon file ImageMagick wrote at 8 bits with a mask, read by us.
  const std::string written = TempPath("written.ico");
  RunShell("convert-im6.q16 -size 8x6 xc:none -fill red -draw 'rectangle 1,1 4,3' -type PaletteAlpha '" + written + "'");
  TIcon foreign;
  foreign.LoadFromFile(written);
  EXPECT_EQ(DrawnOnGreen(foreign), expected);
  std::remove(written.c_str());

  // Bad icon files: every cut is a short read, damage is refused, and the
  // icon stays as it was.
  TMemoryStream saved;
  icon.SaveToStream(saved);
  const std::vector<uint8_t> good(static_cast<const uint8_t*>(saved.Memory()),
                                  static_cast<const uint8_t*>(saved.Memory()) + saved.Size());
  for (size_t length = 0; length < good.size(); length += 7) {
    SCOPED_TRACE(length);
    TMemoryStream stream;
    stream.WriteBuffer(good.data(), static_cast<int64_t>(length));
    stream.SetPosition(0);
    EXPECT_THROW(loaded.LoadFromStream(stream), EReadError);
  }
  struct Damage {
    const char* name;
    size_t offset;
    std::vector<uint8_t> bytes;
  };
  const Damage damages[] = {{"cursor file", 2, {2}},
                            {"no images", 4, {0}},
                            {"odd height", 22 + 8, {13}},
                            {"bit count 7", 22 + 14, {7}},
                            {"run-length", 22 + 16, {1}},
                            {"PNG image", 22, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}}};
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.name);
    std::vector<uint8_t> bytes = good;
    std::copy(damage.bytes.begin(), damage.bytes.end(), bytes.begin() + static_cast<ptrdiff_t>(damage.offset));
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    stream.SetPosition(0);
    EXPECT_THROW(loaded.LoadFromStream(stream), EInvalidGraphic);
  }
  EXPECT_EQ(DrawnOnGreen(loaded), expected);
  std::remove(path.c_str());
}

TEST_F(GraphicsTest, PicturesHoldBitmapsOrIcons) {
  TPicture picture;
  int changes = 0;
  picture.OnChange = [&changes](TObject*) { ++changes; };
  EXPECT_EQ(picture.Graphic(), nullptr);
  TIcon icon;
  icon.SetHandle(MakeIcon());
  picture.SetGraphic(&icon);
  EXPECT_EQ(changes, 1);
  ASSERT_NE(dynamic_cast<TIcon*>(picture.Graphic()), nullptr);
  EXPECT_NE(picture.Icon()->Handle(), icon.Handle());  // a copy
  EXPECT_EQ(picture.Width(), 8);
  const std::string path = TempPath("picture.ico");
  picture.SaveToFile(path);

  // Asking for the bitmap puts an empty one in the icon's place.
  picture.Bitmap()->SetSize(3, 2);
  EXPECT_EQ(dynamic_cast<TIcon*>(picture.Graphic()), nullptr);
  EXPECT_EQ(picture.Width(), 3);

  // Files by their extension; an unknown one leaves the picture alone.
  picture.LoadFromFile(path);
  ASSERT_NE(dynamic_cast<TIcon*>(picture.Graphic()), nullptr);
  EXPECT_EQ(DrawnOnGreen(*picture.Graphic())[1], ".oooo...");
  EXPECT_THROW(picture.LoadFromFile(TempPath("picture.png")), EInvalidGraphic);
  EXPECT_THROW(picture.LoadFromFile(TempPath("missing.bmp")), EFOpenError);
  EXPECT_EQ(picture.Width(), 8);
  TPicture copy;
  copy.Assign(&picture);
  EXPECT_NE(dynamic_cast<TIcon*>(copy.Graphic()), nullptr);
  picture.Assign(nullptr);
  EXPECT_EQ(picture.Graphic(), nullptr);
  std::remove(path.c_str());
}

}  // namespace
}  // namespace plat
