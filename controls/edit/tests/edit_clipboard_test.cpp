// The image edit control and the platform clipboard, headless: a copied
// rectangle is exactly those pixels of the image; a copy that fails leaves
// the clipboard as it was; pasted and created images come from the
// clipboard's bitmap in any form the platform accepts, and a damaged bitmap
// is refused with 1001 without anything of it being used.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "edit_driver.h"
#include "plat/clipboard.h"
#include "plat/packed_dib.h"

namespace ondavel::test {
namespace {

using namespace plat;
using plat::test::Image;

Variant I4(int32_t value) { return Variant(value); }
Variant I2(int16_t value) { return Variant(value); }

// The clipboard's bitmap as pixels (empty when it holds none).
Image ClipboardImage() {
  if (!OpenClipboard(nullptr)) return {};
  const HGLOBAL dib = GetClipboardData(CF_DIB);
  Image image = dib != 0 ? ImageOfDib(dib) : Image{};
  CloseClipboard();
  return image;
}

std::string ClipboardText() {
  if (!OpenClipboard(nullptr)) return "<not open>";
  const HGLOBAL block = GetClipboardData(CF_TEXT);
  std::string text;
  if (block != 0) {
    text = static_cast<const char*>(GlobalLock(block));
    GlobalUnlock(block);
  }
  CloseClipboard();
  return text;
}

void PutText(const std::string& text) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  ASSERT_TRUE(EmptyClipboard());
  const HGLOBAL block = GlobalAlloc(GHND, text.size() + 1);
  std::memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
  GlobalUnlock(block);
  ASSERT_NE(SetClipboardData(CF_TEXT, block), 0u);
  ASSERT_TRUE(CloseClipboard());
}

// Puts `dib` (taken) on the clipboard as CF_DIB.
void PutDib(HGLOBAL dib) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  ASSERT_TRUE(EmptyClipboard());
  ASSERT_NE(SetClipboardData(CF_DIB, dib), 0u);
  ASSERT_TRUE(CloseClipboard());
}

class EditClipboardTest : public EditingTest {
 protected:
  void SetUp() override {
    EditingTest::SetUp();
    PutText("");
  }
  void TearDown() override {
    // The clipboard's own copies are no test's blocks.
    if (OpenClipboard(nullptr)) {
      EmptyClipboard();
      CloseClipboard();
    }
    EditingTest::TearDown();
  }
};

TEST_F(EditClipboardTest, CopyTakesExactlyTheRectangle) {
  const Image image = LoadImage(Pattern(64, 48));
  struct Case {
    const char* name;
    int32_t left, top, width, height;
    int right, bottom;  // the expected part
  };
  const Case cases[] = {
      {"to the lower-right corner", 10, 10, 0, 0, 64, 48},
      {"the whole image", 0, 0, 0, 0, 64, 48},
      {"a rectangle", 5, 6, 20, 10, 25, 16},
      {"a rectangle given backwards", 25, 16, -20, -10, 25, 16},
      {"one pixel", 63, 47, 1, 1, 64, 48},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(host_.Ok(kDispCopyToClipboard, {I4(c.left), I4(c.top), I4(c.width), I4(c.height)}))
        << host_.GetErrorCode();
    EXPECT_EQ(host_.GetErrorCode(), 0);
    const int left = std::min(c.left, c.left + c.width), top = std::min(c.top, c.top + c.height);
    EXPECT_TRUE(plat::test::SameImage(ClipboardImage(), Cut(image, left, top, c.right, c.bottom), "copy"));
  }
  // The current image did not change, and nothing was kept for Undo.
  EXPECT_EQ(host_.Current().pixels, image.pixels);
  EXPECT_FALSE(host_.Ok(kDispUndo));
  EXPECT_EQ(host_.GetErrorCode(), qrvErrSequenceError);
  EXPECT_TRUE(host_.Ok(kDispDelete));
}

TEST_F(EditClipboardTest, ACopyThatFailsLeavesTheClipboardAsItWas) {
  LoadImage(Pattern(64, 48));
  PutText("keep me");
  // Preparing the bitmap fails: the clipboard is not even opened.
  EXPECT_FALSE(host_.Ok(kDispCopyToClipboard, {I4(60), I4(40), I4(10), I4(10)}));
  EXPECT_EQ(host_.GetErrorCode(), qrvErrInvalidRectValue);
  EXPECT_EQ(ClipboardText(), "keep me");
  // Someone else holds the clipboard open: 2200, and the prepared block is freed.
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_FALSE(host_.Ok(kDispCopyToClipboard, {I4(0), I4(0), I4(0), I4(0)}));
  EXPECT_EQ(host_.GetErrorCode(), qrvErrClipboardError);
  ASSERT_TRUE(CloseClipboard());
  EXPECT_EQ(ClipboardText(), "keep me");
  // Without an image: 1101 and nothing touched.
  ASSERT_TRUE(host_.Ok(kDispDelete));
  EXPECT_FALSE(host_.Ok(kDispCopyToClipboard, {I4(0), I4(0), I4(0), I4(0)}));
  EXPECT_EQ(host_.GetErrorCode(), qrvErrUnsetMediaData);
  EXPECT_EQ(ClipboardText(), "keep me");
}

TEST_F(EditClipboardTest, CreateFromClipboardMakesANewImage) {
  const Image image = LoadImage(Pattern(64, 48));
  ASSERT_TRUE(host_.Ok(kDispCopyToClipboard, {I4(10), I4(10), I4(0), I4(0)}));
  ASSERT_TRUE(host_.Ok(kDispDelete));
  ASSERT_TRUE(host_.Ok(kDispCreateFromClipboard)) << host_.GetErrorCode();
  const Image part = Cut(image, 10, 10, 64, 48);
  EXPECT_TRUE(plat::test::SameImage(host_.Current(), part, "create"));
  EXPECT_EQ(host_.Width(), 54);
  EXPECT_EQ(host_.Height(), 38);
  EXPECT_EQ(host_.Depth(), qrvColorRGB);
  EXPECT_EQ(host_.Get(kDispMediaFormat).lVal(), -1);
  EXPECT_EQ(host_.Get(kDispCompression).lVal(), -1);
  // It is the new base image.
  ASSERT_TRUE(host_.Ok(kDispInvert));
  ASSERT_TRUE(host_.Ok(kDispReset));
  EXPECT_EQ(host_.Current().pixels, part.pixels);
}

TEST_F(EditClipboardTest, PasteBlendsTheClipboardIntoTheImage) {
  const Image image = LoadImage(Pattern(64, 48));
  Image white{6, 4, std::vector<uint32_t>(24, 0xFFFFFF)};
  PutDib(DibOfImage(white));
  ASSERT_TRUE(host_.Ok(kDispPasteFromClipboard, {I4(3), I4(4)})) << host_.GetErrorCode();
  const Image pasted = host_.Current();
  EXPECT_EQ(pasted.At(3, 4), 0xFFFFFFu);
  EXPECT_EQ(pasted.At(8, 7), 0xFFFFFFu);
  EXPECT_EQ(pasted.At(9, 7), image.At(9, 7));
  EXPECT_EQ(pasted.At(2, 4), image.At(2, 4));
  EXPECT_EQ(host_.Width(), 64);
  EXPECT_EQ(host_.Depth(), qrvColorRGB);
  ASSERT_TRUE(host_.Ok(kDispUndo));
  EXPECT_EQ(host_.Current().pixels, image.pixels);

  // Into a grey image the colour bitmap is made grey first.
  ASSERT_TRUE(host_.Ok(kDispChangeColorDepth, {I2(qrvColorGrayscale)}));
  ASSERT_TRUE(host_.Ok(kDispPasteFromClipboard, {I4(0), I4(0)})) << host_.GetErrorCode();
  EXPECT_EQ(host_.Depth(), qrvColorGrayscale);
  EXPECT_EQ(host_.Current().At(0, 0), 0xFFFFFFu);
  // Into 256 colours it cannot go.
  ASSERT_TRUE(host_.Ok(kDispChangeColorDepth, {I2(qrvColor256)}));
  const Image palette_image = host_.Current();
  EXPECT_FALSE(host_.Ok(kDispPasteFromClipboard, {I4(0), I4(0)}));
  EXPECT_EQ(host_.GetErrorCode(), qrvErrInvalidColorDepth);
  EXPECT_EQ(host_.Current().pixels, palette_image.pixels);
  EXPECT_EQ(host_.Depth(), qrvColor256);
  // Without an image: 1101.
  ASSERT_TRUE(host_.Ok(kDispDelete));
  EXPECT_FALSE(host_.Ok(kDispPasteFromClipboard, {I4(0), I4(0)}));
  EXPECT_EQ(host_.GetErrorCode(), qrvErrUnsetMediaData);
}

TEST_F(EditClipboardTest, ReadingAClipboardWithoutABitmapSaysWhy) {
  LoadImage(Pattern(16, 12));
  PutText("words only");
  EXPECT_FALSE(host_.Ok(kDispCreateFromClipboard));
  EXPECT_EQ(host_.GetErrorCode(), qrvErrClipboardInvalidFormat);
  EXPECT_FALSE(host_.Ok(kDispPasteFromClipboard, {I4(0), I4(0)}));
  EXPECT_EQ(host_.GetErrorCode(), qrvErrClipboardInvalidFormat);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_FALSE(host_.Ok(kDispCreateFromClipboard));
  EXPECT_EQ(host_.GetErrorCode(), qrvErrClipboardError);
  ASSERT_TRUE(CloseClipboard());
  EXPECT_EQ(host_.Width(), 16);
}

// A 32-bit top-down bitmap with a 124-byte header and colour masks, as
// another program may offer it.
std::vector<uint8_t> ForeignDib(const Image& image) {
  BITMAPV5HEADER header{};
  header.bV5Size = sizeof header;
  header.bV5Width = image.width_px;
  header.bV5Height = -image.height_px;
  header.bV5Planes = 1;
  header.bV5BitCount = 32;
  header.bV5Compression = BI_BITFIELDS;
  header.bV5RedMask = 0x00FF0000;
  header.bV5GreenMask = 0x0000FF00;
  header.bV5BlueMask = 0x000000FF;
  std::vector<uint8_t> bytes(sizeof header + image.pixels.size() * 4);
  std::memcpy(bytes.data(), &header, sizeof header);
  for (size_t i = 0; i < image.pixels.size(); ++i) {
    const uint32_t pixel = image.pixels[i];
    std::memcpy(bytes.data() + sizeof header + i * 4, &pixel, 4);
  }
  return bytes;
}

TEST_F(EditClipboardTest, AForeignBitmapIsNormalisedBeforeUse) {
  const Image theirs = Pattern(7, 5);
  plat::test::Headless().OfferForeignClipboard({backend::ClipboardItem{CF_DIB, "", ForeignDib(theirs)}});
  plat::test::Pump();
  ASSERT_TRUE(host_.Ok(kDispCreateFromClipboard)) << host_.GetErrorCode();
  EXPECT_TRUE(plat::test::SameImage(host_.Current(), theirs, "foreign"));
  EXPECT_EQ(host_.Depth(), qrvColorRGB);
  const HGLOBAL copy = host_.GetDIB();
  const auto view = ValidatePackedDib(copy);
  ASSERT_TRUE(view.has_value());
  EXPECT_EQ(view->headerSize, 40);
  EXPECT_FALSE(view->topDown);
  EXPECT_EQ(view->bpp, 24);
  GlobalFree(copy);
}

// Damage done to the clipboard's own block after the platform checked it:
// the control checks again, against the block's size.
TEST_F(EditClipboardTest, ADamagedClipboardBitmapIsRefusedWith1001) {
  struct Case {
    const char* name;
    std::function<void(BITMAPINFOHEADER&)> damage;
  };
  const Case cases[] = {
      {"rows past the block", [](BITMAPINFOHEADER& h) { h.biHeight = 5000; }},
      {"a width past the block", [](BITMAPINFOHEADER& h) { h.biWidth = 0x7FFFFFFF; }},
      {"a bit count of 7", [](BITMAPINFOHEADER& h) { h.biBitCount = 7; }},
      {"no planes", [](BITMAPINFOHEADER& h) { h.biPlanes = 0; }},
      {"a header size of 0", [](BITMAPINFOHEADER& h) { h.biSize = 0; }},
      {"a header past the block", [](BITMAPINFOHEADER& h) { h.biSize = 0x10000; }},
      {"an unknown compression", [](BITMAPINFOHEADER& h) { h.biCompression = 9; }},
      {"a huge colour table", [](BITMAPINFOHEADER& h) { h.biBitCount = 8, h.biClrUsed = 0x40000000; }},
      {"a width of 0", [](BITMAPINFOHEADER& h) { h.biWidth = 0; }},
  };
  const Image image = LoadImage(Pattern(16, 12));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PutDib(DibOfImage(Pattern(6, 4)));
    ASSERT_TRUE(OpenClipboard(nullptr));
    const HGLOBAL block = GetClipboardData(CF_DIB);
    ASSERT_NE(block, 0u);
    auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(block));
    c.damage(*header);
    GlobalUnlock(block);
    ASSERT_TRUE(CloseClipboard());
    EXPECT_FALSE(host_.Ok(kDispPasteFromClipboard, {I4(0), I4(0)}));
    EXPECT_EQ(host_.GetErrorCode(), qrvErrInvalidParam);
    EXPECT_FALSE(host_.Ok(kDispCreateFromClipboard));
    EXPECT_EQ(host_.GetErrorCode(), qrvErrInvalidParam);
    EXPECT_EQ(host_.Current().pixels, image.pixels);
    EXPECT_EQ(host_.Width(), 16);
    EXPECT_EQ(host_.Depth(), qrvColorRGB);
  }
  EXPECT_FALSE(host_.Ok(kDispUndo));  // nothing was made current
}

}  // namespace
}  // namespace ondavel::test
