// The image edit control's editing methods through its dispatch interface,
// on small bitmaps built in code and run by the real image library: each
// edit makes a new image and keeps the old one for Undo; Undo, Reset and
// Delete move the store as they should, also when memory runs out; Blend and
// Calculate read their second image from a file or a file URL.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "edit_constants.h"
#include "edit_driver.h"
#include "plat/fault_injection.h"
#include "plat/sys_colors.h"
#include "plat/url.h"

namespace ondavel::test {
namespace {

using namespace plat;
using plat::test::Image;

Variant I2(int16_t value) { return Variant(value); }
Variant I4(int32_t value) { return Variant(value); }

class EditMethodsTest : public EditingTest {
 protected:
  Image LoadPattern(int width, int height) { return LoadImage(Pattern(width, height)); }
  // Writes `image` as a BMP file through the control and returns its path.
  std::string WriteBmp(const Image& image, const std::string& name) {
    EditDriver writer;
    EXPECT_TRUE(writer.Create());
    EXPECT_TRUE(writer.SetImage(image));
    const std::string path = WorkPath(name);
    EXPECT_TRUE(writer.Ok(kDispSave, {Variant(path)}));
    return path;
  }
};

// ---- Every edit: a new image, the old one kept for Undo ---------------------------------------

struct EditCase {
  const char* name;
  DISPID id;
  std::vector<Variant> args;
  int width;   // expected ImageWidth afterwards
  int height;  // expected ImageHeight afterwards
  int depth;   // expected ColorDepth afterwards
};

TEST_F(EditMethodsTest, EveryEditMakesANewImageAndKeepsTheOldForUndo) {
  constexpr int kW = 16, kH = 12;
  const std::vector<EditCase> cases = {
      {"ResizeImage fitted", kDispResizeImage, {I4(24), I4(20)}, 24, 20, qrvColorRGB},
      {"RotateArbitrary", kDispRotateArbitrary, {I2(30)}, 0, 0, qrvColorRGB},
      {"Rotate quarter", kDispRotate, {I2(qrvRotate90)}, kH, kW, qrvColorRGB},
      {"Rotate half", kDispRotate, {I2(qrvRotate180)}, kW, kH, qrvColorRGB},
      {"Flip", kDispFlip, {I2(qrvDirectionHorz)}, kW, kH, qrvColorRGB},
      {"DistortSkew", kDispDistortSkew, {I2(qrvDirectionHorz), I2(20)}, 0, kH, qrvColorRGB},
      {"DistortPinch", kDispDistortPinch, {I2(50)}, kW, kH, qrvColorRGB},
      {"DistortSphere", kDispDistortSphere, {I2(qrvDirectionBoth), I2(50)}, kW, kH, qrvColorRGB},
      {"ClipRect", kDispClipRect, {I4(2), I4(3), I4(8), I4(5)}, 8, 5, qrvColorRGB},
      {"ClipRect reversed", kDispClipRect, {I4(10), I4(8), I4(-8), I4(-5)}, 8, 5, qrvColorRGB},
      {"FillRect", kDispFillRect, {I4(1), I4(1), I4(4), I4(4)}, kW, kH, qrvColorRGB},
      {"ChangeColorDepth 1", kDispChangeColorDepth, {I2(qrvColorBitmap)}, kW, kH, qrvColorBitmap},
      {"ChangeColorDepth 4", kDispChangeColorDepth, {I2(qrvColor16)}, kW, kH, qrvColor16},
      {"ChangeColorDepth 8", kDispChangeColorDepth, {I2(qrvColor256)}, kW, kH, qrvColor256},
      {"ChangeColorDepth 9", kDispChangeColorDepth, {I2(qrvColorGrayscale)}, kW, kH, qrvColorGrayscale},
      {"Invert", kDispInvert, {}, kW, kH, qrvColorRGB},
      {"AdjustBrightness", kDispAdjustBrightness, {I2(20), I2(10)}, kW, kH, qrvColorRGB},
      {"AdjustColorBalance", kDispAdjustColorBalance, {I2(10), I2(-10), I2(5)}, kW, kH, qrvColorRGB},
      {"AdjustHue", kDispAdjustHue, {I2(30), I2(10), I2(-10)}, kW, kH, qrvColorRGB},
      {"AdjustGamma", kDispAdjustGamma, {I2(22)}, kW, kH, qrvColorRGB},
      {"Solarize", kDispSolarize, {}, kW, kH, qrvColorRGB},
      {"Equalize", kDispEqualize, {}, kW, kH, qrvColorRGB},
      {"Blur", kDispBlur, {}, kW, kH, qrvColorRGB},
      {"Sharpen", kDispSharpen, {}, kW, kH, qrvColorRGB},
      {"Median", kDispMedian, {}, kW, kH, qrvColorRGB},
      {"Emboss", kDispEmboss, {}, kW, kH, qrvColorRGB},
      {"FindEdges", kDispFindEdges, {}, kW, kH, qrvColorRGB},
      {"EnhanceEdges", kDispEnhanceEdges, {}, kW, kH, qrvColorRGB},
  };
  for (const EditCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Image before = LoadPattern(kW, kH);
    ASSERT_TRUE(host_.Ok(c.id, c.args)) << "error " << host_.GetErrorCode();
    EXPECT_EQ(host_.GetErrorCode(), 0);
    const Image after = host_.Current();
    ASSERT_GT(after.width_px, 0);
    // The information fields describe the new image.
    EXPECT_EQ(host_.Width(), after.width_px);
    EXPECT_EQ(host_.Height(), after.height_px);
    if (c.width != 0) {
      EXPECT_EQ(after.width_px, c.width);
    }
    if (c.height != 0) {
      EXPECT_EQ(after.height_px, c.height);
    }
    EXPECT_EQ(host_.Depth(), c.depth);
    EXPECT_NE(after.pixels, before.pixels);
    // One Undo brings back the image exactly as it was, with its depth.
    ASSERT_TRUE(host_.Ok(kDispUndo));
    EXPECT_TRUE(plat::test::SameImage(host_.Current(), before, std::string("undo_") + c.name));
    EXPECT_EQ(host_.Width(), kW);
    EXPECT_EQ(host_.Height(), kH);
    EXPECT_EQ(host_.Depth(), qrvColorRGB);
    EXPECT_TRUE(host_.Ok(kDispDelete));
  }
}

TEST_F(EditMethodsTest, WithoutAnImageEveryEditSays1101) {
  for (const DISPID id : {kDispInvert, kDispBlur, kDispEmboss, kDispUndo, kDispReset}) {
    SCOPED_TRACE(id);
    EXPECT_FALSE(host_.Ok(id));
    EXPECT_EQ(host_.GetErrorCode(), qrvErrUnsetMediaData);
  }
  EXPECT_FALSE(host_.Ok(kDispRotate, {I2(qrvRotate90)}));
  EXPECT_EQ(host_.GetErrorCode(), qrvErrUnsetMediaData);
}

TEST_F(EditMethodsTest, AFailedEditChangesNothingButTheErrorCode) {
  const Image before = LoadPattern(16, 12);
  ASSERT_TRUE(host_.Ok(kDispInvert));
  const Image inverted = host_.Current();
  // Outside the image: refused by the binding, the store as it was.
  EXPECT_FALSE(host_.Ok(kDispClipRect, {I4(10), I4(10), I4(20), I4(20)}));
  EXPECT_EQ(host_.GetErrorCode(), qrvErrInvalidRectValue);
  EXPECT_FALSE(host_.Ok(kDispClipRect, {I4(INT32_MAX), I4(0), I4(INT32_MAX), I4(4)}));
  EXPECT_EQ(host_.GetErrorCode(), qrvErrInvalidRectValue);
  EXPECT_EQ(host_.Current().pixels, inverted.pixels);
  EXPECT_EQ(host_.Width(), 16);
  ASSERT_TRUE(host_.Ok(kDispUndo));
  EXPECT_EQ(host_.Current().pixels, before.pixels);
}

TEST_F(EditMethodsTest, ChangeColorDepthTo24BitsKeepsTheBilevelImageForUndo) {
  LoadPattern(16, 12);
  ASSERT_TRUE(host_.Ok(kDispChangeColorDepth, {I2(qrvColorBitmap)}));
  const Image bilevel = host_.Current();
  ASSERT_TRUE(host_.Ok(kDispChangeColorDepth, {I2(qrvColorRGB)}));
  EXPECT_EQ(host_.Depth(), qrvColorRGB);
  const HGLOBAL copy = host_.GetDIB();
  EXPECT_EQ(BitCountOfDib(copy), 24);
  GlobalFree(copy);
  ASSERT_TRUE(host_.Ok(kDispUndo));
  EXPECT_EQ(host_.Depth(), qrvColorBitmap);
  EXPECT_EQ(host_.Current().pixels, bilevel.pixels);
}

TEST_F(EditMethodsTest, AnUnsupportedDepthIsRefusedWith1001NotAStaleCode) {
  const Image before = LoadPattern(16, 12);
  for (const int16_t depth : {int16_t{7}, int16_t{0}, int16_t{2}, int16_t{-1}, int16_t{13}}) {
    SCOPED_TRACE(depth);
    // A failure just before would leave its own code behind.
    EXPECT_FALSE(host_.Ok(kDispClipRect, {I4(100), I4(100), I4(5), I4(5)}));
    EXPECT_FALSE(host_.Ok(kDispChangeColorDepth, {I2(depth)}));
    EXPECT_EQ(host_.GetErrorCode(), qrvErrInvalidParam);
  }
  EXPECT_EQ(host_.Depth(), qrvColorRGB);
  EXPECT_EQ(host_.Current().pixels, before.pixels);
}

TEST_F(EditMethodsTest, FittingFillsTheBandWithTheTranslatedFillingColour) {
  struct Case {
    const char* name;
    uint32_t filling;   // the property
    COLORREF expected;  // the band's colour
  };
  const Case cases[] = {
      {"system window colour", 0x80000005u, GetSysColor(COLOR_WINDOW)},
      {"system highlight colour", 0x8000000Du, GetSysColor(COLOR_HIGHLIGHT)},
      {"plain colour", 0x00336699u, RGB(0x99, 0x66, 0x33)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LoadPattern(16, 8);
    ASSERT_EQ(host_.Put(kDispFillingColor, Variant(static_cast<int32_t>(c.filling))), S_OK);
    ASSERT_EQ(host_.Put(kDispAspectRatio, Variant::Bool(true)), S_OK);
    ASSERT_EQ(host_.Put(kDispVertPos, Variant(int32_t{qrvVertPosTop})), S_OK);
    // A 16 x 8 picture in a 16 x 16 box: the bottom half is the band.
    ASSERT_TRUE(host_.Ok(kDispResizeImage, {I4(16), I4(16)}));
    const Image fitted = host_.Current();
    ASSERT_EQ(fitted.width_px, 16);
    ASSERT_EQ(fitted.height_px, 16);
    EXPECT_EQ(fitted.At(0, 15), plat::test::ImagePixel(c.expected));
    EXPECT_EQ(fitted.At(15, 12), plat::test::ImagePixel(c.expected));
    EXPECT_TRUE(host_.Ok(kDispDelete));
  }
}

TEST_F(EditMethodsTest, ResizeWithoutAspectRatioScalesToTheSize) {
  LoadPattern(16, 12);
  ASSERT_EQ(host_.Put(kDispAspectRatio, Variant::Bool(false)), S_OK);
  ASSERT_TRUE(host_.Ok(kDispResizeImage, {I4(5), I4(30)}));
  EXPECT_EQ(host_.Width(), 5);
  EXPECT_EQ(host_.Height(), 30);
  const Image resized = host_.Current();
  EXPECT_EQ(resized.width_px, 5);
  EXPECT_EQ(resized.height_px, 30);
}

// ---- Undo, Reset, Delete -------------------------------------------------------------------------

TEST_F(EditMethodsTest, UndoIsOneLevelDeep) {
  LoadPattern(16, 12);
  ASSERT_TRUE(host_.Ok(kDispInvert));
  ASSERT_TRUE(host_.Ok(kDispUndo));
  EXPECT_EQ(host_.GetErrorCode(), 0);
  EXPECT_FALSE(host_.Ok(kDispUndo));
  EXPECT_EQ(host_.GetErrorCode(), qrvErrSequenceError);
}

TEST_F(EditMethodsTest, ResetGoesBackToTheLoadedImageAndDropsUndo) {
  const Image base = LoadPattern(16, 12);
  ASSERT_TRUE(host_.Ok(kDispRotate, {I2(qrvRotate90)}));
  ASSERT_TRUE(host_.Ok(kDispChangeColorDepth, {I2(qrvColorGrayscale)}));
  ASSERT_TRUE(host_.Ok(kDispReset));
  EXPECT_EQ(host_.GetErrorCode(), 0);
  EXPECT_TRUE(plat::test::SameImage(host_.Current(), base, "reset"));
  EXPECT_EQ(host_.Width(), 16);
  EXPECT_EQ(host_.Height(), 12);
  EXPECT_EQ(host_.Depth(), qrvColorRGB);
  EXPECT_FALSE(host_.Ok(kDispUndo));
  EXPECT_EQ(host_.GetErrorCode(), qrvErrSequenceError);
  // The base stays for a further Reset.
  ASSERT_TRUE(host_.Ok(kDispInvert));
  ASSERT_TRUE(host_.Ok(kDispReset));
  EXPECT_EQ(host_.Current().pixels, base.pixels);
}

TEST_F(EditMethodsTest, ResetThatCannotCopyKeepsTheCurrentAndUndoImages) {
  LoadPattern(16, 12);
  ASSERT_TRUE(host_.Ok(kDispRotate, {I2(qrvRotate90)}));
  ASSERT_TRUE(host_.Ok(kDispInvert));
  const Image current = host_.Current();
  plat::testing::FailNextGlobalAlloc();
  EXPECT_FALSE(host_.Ok(kDispReset));
  plat::testing::ResetFaults();
  EXPECT_EQ(host_.GetErrorCode(), qrvErrOutofMemory);
  EXPECT_EQ(host_.Current().pixels, current.pixels);
  EXPECT_EQ(host_.Width(), 12);
  EXPECT_EQ(host_.Height(), 16);
  // The undo image is still there, and so is the base.
  ASSERT_TRUE(host_.Ok(kDispUndo));
  EXPECT_EQ(host_.Width(), 12);
  ASSERT_TRUE(host_.Ok(kDispReset));
  EXPECT_EQ(host_.Width(), 16);
}

TEST_F(EditMethodsTest, DeleteEmptiesTheStoreAndTheInformation) {
  LoadPattern(16, 12);
  ASSERT_TRUE(host_.Ok(kDispInvert));
  ASSERT_TRUE(host_.Ok(kDispDelete));
  EXPECT_EQ(host_.GetErrorCode(), 0);
  EXPECT_EQ(host_.GetDIB(), 0u);
  EXPECT_EQ(host_.Width(), 0);
  EXPECT_EQ(host_.Height(), 0);
  EXPECT_EQ(host_.Depth(), -1);
  EXPECT_EQ(host_.Get(kDispMediaFormat).lVal(), -1);
  EXPECT_EQ(host_.Get(kDispCompression).lVal(), -1);
  EXPECT_EQ(host_.Get(kDispXResolution).iVal(), 0);
  EXPECT_FALSE(host_.Ok(kDispUndo));
  EXPECT_EQ(host_.GetErrorCode(), qrvErrUnsetMediaData);
  EXPECT_FALSE(host_.Ok(kDispReset));
  EXPECT_EQ(host_.GetErrorCode(), qrvErrUnsetMediaData);
  EXPECT_TRUE(host_.Ok(kDispDelete));  // nothing to delete is still fine
}

// ---- Blend and Calculate -----------------------------------------------------------------------------

TEST_F(EditMethodsTest, BlendMixesASecondImageFromAFileOrAFileUrl) {
  const Image base = LoadPattern(16, 12);
  Image white{16, 12, std::vector<uint32_t>(16 * 12, 0xFFFFFF)};
  const std::string path = WriteBmp(white, "white source.bmp");
  struct Case {
    const char* name;
    std::string source;
  };
  const Case cases[] = {{"plain path", path}, {"file URL", FileUrlFromPath(path)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // The ratio is the image's share: at 0 the source covers the rectangle
    // (2, 2) 4 x 3 entirely.
    ASSERT_TRUE(host_.Ok(kDispBlend, {I2(0), I4(2), I4(2), I4(4), I4(3), Variant(c.source), I4(0), I4(0)}))
        << host_.GetErrorCode();
    const Image blended = host_.Current();
    EXPECT_EQ(blended.At(2, 2), 0xFFFFFFu);
    EXPECT_EQ(blended.At(5, 4), 0xFFFFFFu);
    EXPECT_EQ(blended.At(6, 4), base.At(6, 4));
    EXPECT_EQ(blended.At(0, 0), base.At(0, 0));
    // The information fields still describe the current image.
    EXPECT_EQ(host_.Depth(), qrvColorRGB);
    EXPECT_EQ(host_.Get(kDispMediaFormat).lVal(), -1);
    ASSERT_TRUE(host_.Ok(kDispUndo));
    EXPECT_EQ(host_.Current().pixels, base.pixels);
  }
  // Half and half: each channel halfway between the image and white.
  ASSERT_TRUE(host_.Ok(kDispBlend, {I2(50), I4(0), I4(0), I4(16), I4(12), Variant(path), I4(0), I4(0)}));
  const Image half = host_.Current();
  for (int shift : {0, 8, 16}) {
    const int mine = (base.At(3, 3) >> shift) & 0xFF, mixed = (half.At(3, 3) >> shift) & 0xFF;
    EXPECT_NEAR(mixed, (mine + 255) / 2.0, 1.0);
  }
}

TEST_F(EditMethodsTest, CalculateCombinesWithASecondImage) {
  const Image base = LoadPattern(16, 12);
  Image black{16, 12, std::vector<uint32_t>(16 * 12, 0x000000)};
  const std::string path = WriteBmp(black, "black.bmp");
  // Darker of the picture and black: black where the rectangle lies.
  ASSERT_TRUE(host_.Ok(kDispCalculate,
                       {I2(qrvCalcDarker), I4(0), I4(0), I4(8), I4(12), Variant(path), I4(0), I4(0)}))
      << host_.GetErrorCode();
  const Image result = host_.Current();
  EXPECT_EQ(result.At(0, 0), 0u);
  EXPECT_EQ(result.At(7, 11), 0u);
  EXPECT_EQ(result.At(8, 0), base.At(8, 0));
}

TEST_F(EditMethodsTest, BlendRefusesWhatItCannotUse) {
  Image white{8, 8, std::vector<uint32_t>(64, 0xFFFFFF)};
  const std::string path = WriteBmp(white, "a b.bmp");
  const Image base = LoadPattern(16, 12);
  struct Case {
    const char* name;
    std::string source;
    int16_t error;  // 0: the reader's own code, whatever it is
  };
  const Case cases[] = {
      {"another scheme", "http://localhost/a.bmp", qrvErrFileNotFound},
      {"a malformed escape", "file://" + WorkPath("a%zzb.bmp"), qrvErrFileNotFound},
      {"a missing file", WorkPath("missing.bmp"), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(host_.Ok(kDispBlend, {I2(50), I4(0), I4(0), I4(4), I4(4), Variant(c.source), I4(0), I4(0)}));
    if (c.error != 0) {
      EXPECT_EQ(host_.GetErrorCode(), c.error);
    }
    EXPECT_NE(host_.GetErrorCode(), 0);
    EXPECT_FALSE(host_.Ok(kDispCalculate,
                          {I2(qrvCalcAdd), I4(0), I4(0), I4(4), I4(4), Variant(c.source), I4(0), I4(0)}));
    EXPECT_NE(host_.GetErrorCode(), 0);
  }
  EXPECT_EQ(host_.Current().pixels, base.pixels);
  // A "%20" in a plain path is two characters of the name, not a space.
  EXPECT_FALSE(host_.Ok(kDispBlend, {I2(50), I4(0), I4(0), I4(4), I4(4), Variant(WorkPath("a%20b.bmp")), I4(0),
                                     I4(0)}));
  EXPECT_TRUE(host_.Ok(kDispBlend, {I2(50), I4(0), I4(0), I4(4), I4(4),
                                    Variant("file://" + WorkPath("a%20b.bmp")), I4(0), I4(0)}))
      << host_.GetErrorCode();
}

TEST_F(EditMethodsTest, BlendIntoAPaletteImageIs1011EvenWithAGoodSource) {
  Image white{8, 8, std::vector<uint32_t>(64, 0xFFFFFF)};
  const std::string path = WriteBmp(white, "white.bmp");
  LoadPattern(16, 12);
  ASSERT_TRUE(host_.Ok(kDispChangeColorDepth, {I2(qrvColor256)}));
  const Image palette_image = host_.Current();
  EXPECT_FALSE(host_.Ok(kDispBlend, {I2(50), I4(0), I4(0), I4(4), I4(4), Variant(path), I4(0), I4(0)}));
  EXPECT_EQ(host_.GetErrorCode(), qrvErrInvalidColorDepth);
  EXPECT_FALSE(host_.Ok(kDispCalculate, {I2(qrvCalcAdd), I4(0), I4(0), I4(4), I4(4), Variant(path), I4(0), I4(0)}));
  EXPECT_EQ(host_.GetErrorCode(), qrvErrInvalidColorDepth);
  EXPECT_EQ(host_.Current().pixels, palette_image.pixels);
  // The same source blends into the grey version of the image.
  ASSERT_TRUE(host_.Ok(kDispChangeColorDepth, {I2(qrvColorGrayscale)}));
  EXPECT_TRUE(host_.Ok(kDispBlend, {I2(0), I4(0), I4(0), I4(4), I4(4), Variant(path), I4(0), I4(0)}))
      << host_.GetErrorCode();
  EXPECT_EQ(host_.Current().At(1, 1), 0xFFFFFFu);
}

// ---- The rubber band -----------------------------------------------------------------------------

TEST_F(EditMethodsTest, TheRubberBandLiesInsideTheShownImage) {
  EXPECT_FALSE(host_.Ok(kDispSetRubberBand, {I4(1), I4(1), I4(4), I4(4)}));
  EXPECT_EQ(host_.GetErrorCode(), qrvErrUnsetMediaData);
  ASSERT_TRUE(host_.CreateWindow(RECT{0, 0, 200, 150}));
  LoadPattern(40, 30);
  plat::test::Pump();
  EXPECT_TRUE(host_.Ok(kDispSetRubberBand, {I4(2), I4(3), I4(20), I4(15)}));
  EXPECT_EQ(host_.GetErrorCode(), 0);
  EXPECT_FALSE(host_.Ok(kDispSetRubberBand, {I4(2), I4(3), I4(41), I4(15)}));
  EXPECT_EQ(host_.GetErrorCode(), qrvErrInvalidRectValue);
  host_.Call(kDispClearRubberBand);
  // The editing methods work on the whole image, never on the selection.
  ASSERT_TRUE(host_.Ok(kDispSetRubberBand, {I4(2), I4(3), I4(20), I4(15)}));
  ASSERT_TRUE(host_.Ok(kDispRotate, {I2(qrvRotate90)}));
  EXPECT_EQ(host_.Width(), 30);
  EXPECT_EQ(host_.Height(), 40);
}

}  // namespace
}  // namespace ondavel::test
