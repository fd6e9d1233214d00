// The binding against the real image library, a stand-in that exports half
// of the entry points, and no library at all: every wrapper's success path,
// its refusals, the code tables, the size and placement arithmetic, and the
// live global blocks around each call.
#include "image_library_binding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <unistd.h>

#include "cmi_code_maps.h"
#include "dib_fixtures.h"
#include "edit_constants.h"
#include "plat/modules.h"
#include "plat/packed_dib.h"
#include "plat/testing.h"
#include "tests/support/test_support.h"

namespace ondavel {
namespace {

using test::DibSpec;
using test::MakeDib;
using test::ScopedGlobal;

// Frees a wrapper's handle; true when there was one.
bool Took(HGLOBAL handle) {
  if (handle == 0) return false;
  GlobalFree(handle);
  return true;
}

// The inputs every wrapper case works on, made once per test.
struct Inputs {
  testing_support::ScopedTempDir folder;
  ScopedGlobal rgb{MakeDib(test::Spec(8, 6, 24, [](int x, int y) {
    return uint32_t(x * 30) << 16 | uint32_t(y * 40) << 8 | uint32_t(x * y * 5);
  }))};
  ScopedGlobal rgb2{
      MakeDib(test::Spec(5, 4, 24, [](int x, int y) { return uint32_t(0x102030 * (x + y + 1)) & 0xFFFFFF; }))};
  ScopedGlobal grey{MakeDib(test::Spec(8, 6, 8))};
  ScopedGlobal mono{MakeDib(test::Spec(8, 6, 1, [](int x, int y) { return uint32_t((x + y) & 1); }))};
  std::string tiff = folder.File("two.tif");
  std::string scratch = folder.File("scratch.tif");
  std::string bmp = folder.File("out.bmp");
  ScopedGlobal memory;
  int32_t memory_length = 0;
};

// A two-page TIFF written by libtiff's tools from a PPM, and its bytes as a
// memory image.
void MakeFiles(Inputs& in) {
  const std::string ppm = in.folder.File("page.ppm");
  std::string text = "P3\n3 2\n255\n";
  for (int i = 0; i < 6; ++i) text += std::to_string(i * 40) + " 20 " + std::to_string(255 - i * 40) + "\n";
  testing_support::WriteFileBytes(ppm, std::vector<uint8_t>(text.begin(), text.end()));
  const std::string one = in.folder.File("one.tif");
  ASSERT_EQ(testing_support::RunCommand("convert-im6.q16 " + ppm + " -compress none " + one), 0);
  ASSERT_EQ(testing_support::RunCommand("tiffcp " + one + " " + one + " " + in.tiff), 0);
  std::filesystem::copy_file(in.tiff, in.scratch);
  const std::vector<uint8_t> bytes = testing_support::ReadFileBytes(in.tiff);
  in.memory.reset(test::MakeBlock(bytes));
  in.memory_length = int32_t(bytes.size());
}

struct WrapperCase {
  const char* name;
  const char* entry;  // the entry point the wrapper needs
  std::function<bool(ImageLibraryBinding&, Inputs&)> call;
};

std::vector<WrapperCase> WrapperCases() {
  using B = ImageLibraryBinding;
  using I = Inputs;
  return {
      {"ReadFileToDib", "CmiReadAndParse",
       [](B& b, I& in) { return Took(b.ReadFileToDib(in.tiff.c_str(), plat::qrvFileTIFF, 1)); }},
      {"WriteDibToFile", "CmiGenerateAndWrite",
       [](B& b, I& in) {
         return b.WriteDibToFile(in.rgb.get(), in.bmp.c_str(), plat::qrvFileBMP, plat::qrvCompNone, 0, 0, 96, 96) &&
                std::filesystem::file_size(in.bmp) == 14 + 40 + 24 * 6;
       }},
      {"InquireFileValues", "CmiInquireValues",
       [](B& b, I& in) {
         const ImageFileValues v = b.InquireFileValues(in.tiff.c_str(), plat::qrvFileTIFF, 1);
         return v.width == 3 && v.height == 2 && v.color_depth == plat::qrvColorRGB &&
                v.compression == plat::qrvCompNone && v.interlace == -1;
       }},
      {"AppendPageToFile", "CmiGenerateAndWriteAndControl",
       [](B& b, I& in) {
         return b.AppendPageToFile(in.rgb.get(), in.scratch.c_str(), plat::qrvFileTIFF, plat::qrvCompPackbits, 72,
                                   72) &&
                b.GetFileImageCount(in.scratch.c_str(), plat::qrvFileTIFF) == 3;
       }},
      {"InsertPageInFile", "CmiGenerateAndWriteAndControl",
       [](B& b, I& in) {
         return b.InsertPageInFile(in.rgb.get(), in.scratch.c_str(), plat::qrvFileTIFF, 0, plat::qrvCompNone, 72,
                                   72);
       }},
      {"ReplacePageInFile", "CmiGenerateAndWriteAndControl",
       [](B& b, I& in) {
         return b.ReplacePageInFile(in.grey.get(), in.scratch.c_str(), plat::qrvFileTIFF, 1, plat::qrvCompNone, 72,
                                    72);
       }},
      {"DeletePageFromFile", "CmiGenerateAndWriteAndControl",
       [](B& b, I& in) { return b.DeletePageFromFile(in.rgb.get(), in.scratch.c_str(), plat::qrvFileTIFF, 0); }},
      {"GetFileImageCount", "CmiInquireImageNumber",
       [](B& b, I& in) { return b.GetFileImageCount(in.tiff.c_str(), plat::qrvFileTIFF) == 2; }},
      {"ReadMemoryToDib", "CmiImportAndParse",
       [](B& b, I& in) {
         return Took(b.ReadMemoryToDib(in.memory.get(), in.memory_length, plat::qrvFileTIFF, 1));
       }},
      {"InquireMemoryValues", "CmiInquireValuesAddressSpace",
       [](B& b, I& in) {
         const ImageFileValues v = b.InquireMemoryValues(in.memory.get(), in.memory_length, plat::qrvFileTIFF, 0);
         return v.width == 3 && v.height == 2 && v.color_depth == plat::qrvColorRGB;
       }},
      {"GetMemoryImageCount", "CmiInquireImageNumberAddressSpace",
       [](B& b, I& in) {
         return b.GetMemoryImageCount(in.memory.get(), in.memory_length, plat::qrvFileTIFF) == 2;
       }},
      {"ExportDibToMemory", "CmiGenerateAndExportHandle",
       [](B& b, I& in) {
         HGLOBAL out = 0;
         int32_t size = 0;
         const bool ok = b.ExportDibToMemory(in.rgb.get(), &out, &size, plat::qrvFilePNG, plat::qrvCompNone, 1, 0,
                                             0, 0);
         const bool is_png = out != 0 && size > 8 && static_cast<const uint8_t*>(GlobalLock(out))[1] == 'P';
         if (out) GlobalUnlock(out);
         return Took(out) && ok && is_png;
       }},
      {"FitDibIntoBox", "CmiSubsample",
       [](B& b, I& in) {
         return Took(b.FitDibIntoBox(in.rgb.get(), qrvInterNearest, qrvMorphologyNone, 0xFFFFFF, -1, 0, 0, 20, 10,
                                     qrvHorzPosCenter, qrvVertPosCenter));
       }},
      {"ResizeDibImage", "CmiResize",
       [](B& b, I& in) { return Took(b.ResizeDibImage(in.rgb.get(), 4, 3, qrvInterBilinear, qrvMorphologyNone)); }},
      {"RotateDibByQuarters", "CmiRotate",
       [](B& b, I& in) {
         int32_t w = 0, h = 0;
         return Took(b.RotateDibByQuarters(in.rgb.get(), plat::qrvRotate90, 0, -1, &w, &h)) && w == 6 && h == 8;
       }},
      {"RotateDibByAngle", "CmiRotateArbitrary",
       [](B& b, I& in) {
         int32_t w = 0, h = 0;
         return Took(b.RotateDibByAngle(in.rgb.get(), 30, 0xFFFFFF, -1, &w, &h)) && w > 8 && h > 6;
       }},
      {"FlipDib", "CmiFlip",
       [](B& b, I& in) { return Took(b.FlipDib(in.rgb.get(), qrvDirectionVert, 0, 0, 0, 0)); }},
      {"SkewDib", "CmiSkew",
       [](B& b, I& in) {
         int32_t w = 0, h = 0;
         return Took(b.SkewDib(in.rgb.get(), qrvDirectionHorz, 20, 0, -1, &w, &h)) && w == 10 && h == 6;
       }},
      {"ClipDibRect", "CmiSubsample",
       [](B& b, I& in) { return Took(b.ClipDibRect(in.rgb.get(), 5, 4, 1, 1, qrvInterNearest, qrvMorphologyNone)); }},
      {"FillDibRect", "CmiConstant",
       [](B& b, I& in) { return Took(b.FillDibRect(in.rgb.get(), 1, 1, 5, 4, 0x0000FF, -1)); }},
      {"ChangeDibColorDepth", "CmiModeGrayscale",
       [](B& b, I& in) {
         return Took(b.ChangeDibColorDepth(in.rgb.get(), plat::qrvColorRGB, plat::qrvColorGrayscale, 1, 127));
       }},
      {"ConvertToBitmap", "CmiModeBitmap",
       [](B& b, I& in) { return Took(b.ConvertToBitmap(in.rgb.get(), plat::qrvColorRGB, qrvReductionNone, 127)); }},
      {"ConvertTo16Colors", "CmiModeIndexedColor16",
       [](B& b, I& in) { return Took(b.ConvertTo16Colors(in.rgb.get(), -1, qrvReductionThreshold)); }},
      {"ConvertTo256Colors", "CmiModeIndexedColor256",
       [](B& b, I& in) { return Took(b.ConvertTo256Colors(in.rgb.get(), -1, qrvReductionDiffusion)); }},
      {"ConvertToGrayscale", "CmiModeGrayscale",
       [](B& b, I& in) { return Took(b.ConvertToGrayscale(in.rgb.get(), -1)); }},
      {"ConvertToRGB", "CmiModeRGBColor",
       [](B& b, I& in) { return Took(b.ConvertToRGB(in.grey.get(), plat::qrvColorGrayscale)); }},
      {"InvertDib", "CmiInvert",
       [](B& b, I& in) { return Took(b.InvertDib(in.mono.get(), -1, 0, 0, 0, 0)); }},
      {"SolarizeDib", "CmiSolarize",
       [](B& b, I& in) { return Took(b.SolarizeDib(in.rgb.get(), -1, 1, 1, 3, 3)); }},
      {"EqualizeDib", "CmiEqualize",
       [](B& b, I& in) { return Took(b.EqualizeDib(in.grey.get(), plat::qrvColorGrayscale, 0, 0, 0, 0)); }},
      {"BlurDib", "CmiBlur", [](B& b, I& in) { return Took(b.BlurDib(in.rgb.get(), -1, 0, 0, 0, 0)); }},
      {"SharpenDib", "CmiSharpen",
       [](B& b, I& in) { return Took(b.SharpenDib(in.rgb.get(), -1, 0, 0, 0, 0)); }},
      {"FindDibEdges", "CmiFindEdges",
       [](B& b, I& in) { return Took(b.FindDibEdges(in.rgb.get(), -1, 0, 0, 0, 0)); }},
      {"EnhanceDibEdges", "CmiEdgeEnhance",
       [](B& b, I& in) { return Took(b.EnhanceDibEdges(in.rgb.get(), -1, 0, 0, 0, 0)); }},
      {"EmbossDib", "CmiEmboss",
       [](B& b, I& in) { return Took(b.EmbossDib(in.rgb.get(), -1, 0, 0, 0, 0)); }},
      {"MedianDib", "CmiMedian",
       [](B& b, I& in) { return Took(b.MedianDib(in.rgb.get(), 1, -1, 0, 0, 0, 0)); }},
      {"AdjustDibBrightness", "CmiBrightnessAndContrast",
       [](B& b, I& in) { return Took(b.AdjustDibBrightness(in.rgb.get(), -1, 20, -20, 0, 0, 0, 0)); }},
      {"AdjustDibColorBalance", "CmiColourBalance",
       [](B& b, I& in) { return Took(b.AdjustDibColorBalance(in.rgb.get(), -1, 0, 10, 0, -10, 0, 0, 0, 0)); }},
      {"AdjustDibHue", "CmiHueSaturation",
       [](B& b, I& in) { return Took(b.AdjustDibHue(in.rgb.get(), -1, 30, 10, -10, 0, 0, 0, 0)); }},
      {"AdjustDibGamma", "CmiGammaCorrection",
       [](B& b, I& in) { return Took(b.AdjustDibGamma(in.rgb.get(), -1, 150.0, 0, 0, 0, 0)); }},
      {"CalculateDibs", "CmiCalculate",
       [](B& b, I& in) { return Took(b.CalculateDibs(in.rgb.get(), in.rgb2.get(), qrvCalcAdd, -1, 1, 1, 0, 0, 0, 0)); }},
      {"BlendDibs", "CmiBlend",
       [](B& b, I& in) { return Took(b.BlendDibs(in.rgb.get(), in.rgb2.get(), 0.5, -1, 0, 0, 4, 4, 1, 1)); }},
      {"PinchDib", "CmiPinch",
       [](B& b, I& in) { return Took(b.PinchDib(in.rgb.get(), 50, 0, 0, 0, 0)); }},
      {"SpherizeDib", "CmiSpherize",
       [](B& b, I& in) { return Took(b.SpherizeDib(in.rgb.get(), qrvDirectionBoth, 50, 0, 0, 0, 0)); }},
  };
}

class ImageLibraryBindingTest : public ::testing::Test {
 protected:
  void SetUp() override { plat::test::UseHeadless(); }
};

TEST_F(ImageLibraryBindingTest, EveryWrapperSucceedsWithTheRealLibraryAndLeaksNoBlock) {
  Inputs in;
  MakeFiles(in);
  ImageLibraryBinding binding(PELRITH_LIBRARY_PATH);
  ASSERT_TRUE(binding.IsBound());
  for (const WrapperCase& c : WrapperCases()) {
    SCOPED_TRACE(c.name);
    const size_t blocks = plat::test::LiveGlobalBlocks();
    EXPECT_TRUE(c.call(binding, in));
    EXPECT_EQ(binding.GetBindingError(), 0);
    EXPECT_EQ(plat::test::LiveGlobalBlocks(), blocks);
  }
}

TEST_F(ImageLibraryBindingTest, RefusalsGiveTheirCodesAndLeakNoBlock) {
  Inputs in;
  MakeFiles(in);
  ImageLibraryBinding binding(PELRITH_LIBRARY_PATH);
  ScopedGlobal hostile(test::MakeDib(test::Spec(8, 6, 24)));
  {
    // Rows claimed beyond the block: the header says 600 rows.
    auto* header = static_cast<uint8_t*>(GlobalLock(hostile.get()));
    header[8] = 0x58, header[9] = 0x02;
    GlobalUnlock(hostile.get());
  }
  ScopedGlobal high_colour(test::MakeBlock([] {
    std::vector<uint8_t> b(40 + 8 * 4);
    b[0] = 40, b[4] = 4, b[8] = 2, b[12] = 1, b[14] = 16;
    return b;
  }()));
  const std::string text_file = in.folder.File("not.tif");
  testing_support::WriteFileBytes(text_file, std::vector<uint8_t>{'I', 'I', '*', 0, 'x', 'y'});
  int32_t w = 0, h = 0;
  int32_t size = 0;
  using B = ImageLibraryBinding;
  struct Refusal {
    const char* name;
    std::function<int64_t(B&)> call;
    int16_t error;
  } cases[] = {
      // No image.
      {"Resize of none", [&](B& b) { return b.ResizeDibImage(0, 4, 4, 1, 1); }, plat::qrvErrUnsetMediaData},
      {"Invert of none", [&](B& b) { return b.InvertDib(0, -1, 0, 0, 0, 0); }, plat::qrvErrUnsetMediaData},
      {"Write of none", [&](B& b) { return b.WriteDibToFile(0, in.bmp.c_str(), 101, 1, 0, 0, 0, 0); },
       plat::qrvErrUnsetMediaData},
      {"Delete page with none", [&](B& b) { return b.DeletePageFromFile(0, in.scratch.c_str(), 102, 0); },
       plat::qrvErrUnsetMediaData},
      {"Calculate with no source",
       [&](B& b) { return b.CalculateDibs(in.rgb.get(), 0, 1, -1, 0, 0, 0, 0, 0, 0); }, plat::qrvErrUnsetMediaData},
      // Arguments out of range.
      {"Resize to width 0", [&](B& b) { return b.ResizeDibImage(in.rgb.get(), 0, 4, 1, 1); },
       plat::qrvErrInvalidParam},
      {"Quarter turn 4", [&](B& b) { return b.RotateDibByQuarters(in.rgb.get(), 4, 0, -1, &w, &h); },
       plat::qrvErrInvalidParam},
      {"Angle 0", [&](B& b) { return b.RotateDibByAngle(in.rgb.get(), 0, 0, -1, &w, &h); }, plat::qrvErrInvalidParam},
      {"Angle 360", [&](B& b) { return b.RotateDibByAngle(in.rgb.get(), 360, 0, -1, &w, &h); },
       plat::qrvErrInvalidParam},
      {"Flip direction 4", [&](B& b) { return b.FlipDib(in.rgb.get(), 4, 0, 0, 0, 0); }, plat::qrvErrInvalidParam},
      {"Skew 61 degrees", [&](B& b) { return b.SkewDib(in.rgb.get(), 2, 61, 0, -1, &w, &h); },
       plat::qrvErrInvalidParam},
      {"Skew both ways", [&](B& b) { return b.SkewDib(in.rgb.get(), 1, 10, 0, -1, &w, &h); },
       plat::qrvErrInvalidParam},
      {"Box of width 0",
       [&](B& b) { return b.FitDibIntoBox(in.rgb.get(), 1, 1, 0, -1, 0, 0, 0, 10, 1, 1); }, plat::qrvErrInvalidParam},
      {"Brightness 101", [&](B& b) { return b.AdjustDibBrightness(in.rgb.get(), -1, 101, 0, 0, 0, 0, 0); },
       plat::qrvErrInvalidParam},
      {"Blue -101", [&](B& b) { return b.AdjustDibColorBalance(in.rgb.get(), -1, 0, 0, 0, -101, 0, 0, 0, 0); },
       plat::qrvErrInvalidParam},
      {"Hue 181", [&](B& b) { return b.AdjustDibHue(in.rgb.get(), -1, 181, 0, 0, 0, 0, 0, 0); },
       plat::qrvErrInvalidParam},
      {"Gamma 0.5", [&](B& b) { return b.AdjustDibGamma(in.rgb.get(), -1, 0.5, 0, 0, 0, 0); },
       plat::qrvErrInvalidParam},
      {"Gamma NaN", [&](B& b) { return b.AdjustDibGamma(in.rgb.get(), -1, std::nan(""), 0, 0, 0, 0); },
       plat::qrvErrInvalidParam},
      {"Operation 13", [&](B& b) { return b.CalculateDibs(in.rgb.get(), in.rgb2.get(), 13, -1, 0, 0, 0, 0, 0, 0); },
       plat::qrvErrInvalidParam},
      {"Blend ratio 1.5", [&](B& b) { return b.BlendDibs(in.rgb.get(), in.rgb2.get(), 1.5, -1, 0, 0, 0, 0, 0, 0); },
       plat::qrvErrInvalidParam},
      {"Pinch 101", [&](B& b) { return b.PinchDib(in.rgb.get(), 101, 0, 0, 0, 0); }, plat::qrvErrInvalidParam},
      {"Spherize direction 0", [&](B& b) { return b.SpherizeDib(in.rgb.get(), 0, 10, 0, 0, 0, 0); },
       plat::qrvErrInvalidParam},
      {"Depth target 2", [&](B& b) { return b.ChangeDibColorDepth(in.rgb.get(), 12, 2, 1, 0); },
       plat::qrvErrInvalidParam},
      {"Export without a target",
       [&](B& b) { return b.ExportDibToMemory(in.rgb.get(), nullptr, &size, 106, 1, 0, 0, 0, 0); },
       plat::qrvErrInvalidParam},
      {"Rectangle past the bitmap", [&](B& b) { return b.InvertDib(in.rgb.get(), -1, 4, 4, 8, 6); },
       plat::qrvErrInvalidParam},
      // Memory images longer than their blocks, or empty.
      {"Memory read past the block",
       [&](B& b) { return b.ReadMemoryToDib(in.memory.get(), in.memory_length + 1, 102, 0); },
       plat::qrvErrInvalidParam},
      {"Memory count of 0 bytes", [&](B& b) { return b.GetMemoryImageCount(in.memory.get(), 0, 102); },
       plat::qrvErrInvalidParam},
      {"Memory inquiry past the block",
       [&](B& b) { return b.InquireMemoryValues(in.memory.get(), in.memory_length + 1, 102, 0).width; },
       plat::qrvErrInvalidParam},
      // Hostile bitmaps.
      {"Rows past the block", [&](B& b) { return b.InvertDib(hostile.get(), 12, 0, 0, 0, 0); },
       plat::qrvErrInvalidParam},
      {"Write rows past the block",
       [&](B& b) { return b.WriteDibToFile(hostile.get(), in.bmp.c_str(), 101, 1, 0, 0, 0, 0); },
       plat::qrvErrInvalidParam},
      {"Size of rows past the block", [&](B& b) { return b.GetDibSize(hostile.get(), &w, &h); },
       plat::qrvErrInvalidParam},
      {"A freed handle", [&](B& b) { return b.ResizeDibImage(0xFFFFFF00u, 4, 4, 1, 1); }, plat::qrvErrInvalidParam},
      // Rectangles.
      {"Clip past the right edge", [&](B& b) { return b.ClipDibRect(in.rgb.get(), 0, 0, 9, 6, 1, 1); },
       plat::qrvErrInvalidRectValue},
      {"Fill of an empty rectangle", [&](B& b) { return b.FillDibRect(in.rgb.get(), 2, 2, 2, 4, 0, -1); },
       plat::qrvErrInvalidRectValue},
      {"Calculate past the destination",
       [&](B& b) { return b.CalculateDibs(in.rgb.get(), in.rgb2.get(), 1, -1, 4, 0, 5, 1, 0, 0); },
       plat::qrvErrInvalidRectValue},
      {"Blend source origin outside",
       [&](B& b) { return b.BlendDibs(in.rgb.get(), in.rgb2.get(), 0.5, -1, 0, 0, 0, 0, 6, 0); },
       plat::qrvErrInvalidRectValue},
      // Colour depths.
      {"Blur of 256 colours", [&](B& b) { return b.BlurDib(in.grey.get(), -1, 0, 0, 0, 0); },
       plat::qrvErrInvalidColorDepth},
      {"Equalize of a bitmap", [&](B& b) { return b.EqualizeDib(in.mono.get(), -1, 0, 0, 0, 0); },
       plat::qrvErrInvalidColorDepth},
      {"Solarize of a bitmap", [&](B& b) { return b.SolarizeDib(in.rgb.get(), 1, 0, 0, 0, 0); },
       plat::qrvErrInvalidColorDepth},
      {"Balance of grey", [&](B& b) { return b.AdjustDibColorBalance(in.grey.get(), 9, 0, 1, 1, 1, 0, 0, 0, 0); },
       plat::qrvErrInvalidColorDepth},
      {"Median of 16 colours", [&](B& b) { return b.MedianDib(in.rgb.get(), 1, 4, 0, 0, 0, 0); },
       plat::qrvErrInvalidColorDepth},
      {"Depth of a 16-bit bitmap", [&](B& b) { return b.InvertDib(high_colour.get(), -1, 0, 0, 0, 0); },
       plat::qrvErrInvalidColorDepth},
      {"Calculate on 256 colours",
       [&](B& b) { return b.CalculateDibs(in.grey.get(), in.rgb2.get(), 1, 8, 0, 0, 0, 0, 0, 0); },
       plat::qrvErrInvalidColorDepth},
      // Page operations on other formats.
      {"Append to a bitmap file", [&](B& b) { return b.AppendPageToFile(in.rgb.get(), in.bmp.c_str(), 101, 1, 0, 0); },
       plat::qrvErrInvalidFileFormat},
      // Library statuses.
      {"Read of a missing file", [&](B& b) { return b.ReadFileToDib(in.folder.File("none.tif").c_str(), 102, 0); },
       plat::qrvErrFileIOError},
      {"Mode against bit count", [&](B& b) { return b.ConvertToRGB(in.rgb.get(), plat::qrvColorBitmap); },
       plat::qrvErrInvalidParam},
      {"Count of an unreadable TIFF", [&](B& b) { return b.GetFileImageCount(text_file.c_str(), 102); },
       plat::qrvErrInvalidFileFormat},
  };
  for (const Refusal& c : cases) {
    SCOPED_TRACE(c.name);
    const size_t blocks = plat::test::LiveGlobalBlocks();
    w = 0, h = 0;
    const int64_t result = c.call(binding);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(binding.GetBindingError(), c.error);
    EXPECT_EQ(plat::test::LiveGlobalBlocks(), blocks);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
  }
}

TEST_F(ImageLibraryBindingTest, HalfTheEntryPointsFailOnlyTheWrappersThatNeedTheOthers) {
  Inputs in;
  MakeFiles(in);
  ImageLibraryBinding binding(HALF_LIBRARY_PATH);
  ASSERT_TRUE(binding.IsBound());
  // The stand-in exports every other name of the table, the first included.
  std::set<std::string> present;
  int index = 0;
#define ONDAVEL_EXPECT_PRESENT(name)                                                    \
  EXPECT_EQ(binding.entry_points().name != nullptr, index % 2 == 0) << #name;           \
  if (binding.entry_points().name != nullptr) present.insert(#name);                    \
  ++index;
  ONDAVEL_FOR_EACH_CMI_ENTRY(ONDAVEL_EXPECT_PRESENT)
#undef ONDAVEL_EXPECT_PRESENT
  ASSERT_EQ(index, kCmiEntryPointCount);
  for (const WrapperCase& c : WrapperCases()) {
    SCOPED_TRACE(c.name);
    const size_t blocks = plat::test::LiveGlobalBlocks();
    c.call(binding, in);
    if (present.count(c.entry)) {
      EXPECT_NE(binding.GetBindingError(), plat::qrvErrSystemNotFound);
    } else {
      EXPECT_EQ(binding.GetBindingError(), plat::qrvErrSystemNotFound);
    }
    EXPECT_EQ(plat::test::LiveGlobalBlocks(), blocks);
  }
}

TEST_F(ImageLibraryBindingTest, WithoutALibraryEveryWrapperGives9910) {
  Inputs in;
  MakeFiles(in);
  ImageLibraryBinding binding(in.folder.File("libPelrith.so"));
  EXPECT_FALSE(binding.IsBound());
  for (const WrapperCase& c : WrapperCases()) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(c.call(binding, in));
    EXPECT_EQ(binding.GetBindingError(), plat::qrvErrSystemNotFound);
  }
  // The support operations need no library.
  ScopedGlobal copy(binding.CopyGlobalBlock(in.rgb.get()));
  EXPECT_NE(copy.get(), 0u);
  EXPECT_EQ(binding.GetBindingError(), 0);
}

TEST_F(ImageLibraryBindingTest, TheLibraryIsFoundInTheOwnFolderThenBySonameNeverInTheCurrentFolder) {
  const std::string real_folder = std::filesystem::path(PELRITH_LIBRARY_PATH).parent_path();
  plat::HMODULE real = LoadImageLibrary(real_folder);
  ASSERT_NE(real, nullptr);
  std::string path;
  plat::GetModuleFileName(real, path);
  EXPECT_EQ(std::filesystem::canonical(path), std::filesystem::canonical(PELRITH_LIBRARY_PATH));
  plat::FreeLibrary(real);

  // A folder holding the stand-in under the library's name is searched first.
  testing_support::ScopedTempDir own, current;
  std::filesystem::copy_file(HALF_LIBRARY_PATH, own.File("libPelrith.so"));
  plat::HMODULE own_copy = LoadImageLibrary(own.path());
  ASSERT_NE(own_copy, nullptr);
  plat::GetModuleFileName(own_copy, path);
  EXPECT_EQ(std::filesystem::path(path).parent_path(), std::filesystem::path(own.path()));
  plat::FreeLibrary(own_copy);

  // The current folder is never searched: a planted copy there is not loaded.
  std::filesystem::copy_file(HALF_LIBRARY_PATH, current.File("libPelrith.so"));
  std::filesystem::copy_file(HALF_LIBRARY_PATH, current.File(kImageLibrarySoname));
  testing_support::ScopedTempDir empty;
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(current.path());
  plat::HMODULE found = LoadImageLibrary(empty.path());
  std::filesystem::current_path(before);
  if (found != nullptr) {
    plat::GetModuleFileName(found, path);
    EXPECT_NE(std::filesystem::path(path).parent_path(), std::filesystem::path(current.path()));
    plat::FreeLibrary(found);
  }
}

// The picture of a bottom-up 24-bit bitmap as 0x00RRGGBB, top row first.
std::vector<uint32_t> Pixels24(HGLOBAL dib, int* width = nullptr, int* height = nullptr) {
  const auto view = plat::ValidatePackedDib(dib);
  EXPECT_TRUE(view.has_value());
  if (!view || view->bpp != 24) return {};
  const auto* base = static_cast<const uint8_t*>(GlobalLock(dib));
  const auto view2 = plat::ValidatePackedDib(base, GlobalSize(dib));
  std::vector<uint32_t> pixels;
  for (int y = 0; y < view2->height; ++y) {
    const uint8_t* row = view2->TopRow(y);
    for (int x = 0; x < view2->width; ++x) {
      pixels.push_back(uint32_t(row[3 * x + 2]) << 16 | uint32_t(row[3 * x + 1]) << 8 | row[3 * x]);
    }
  }
  GlobalUnlock(dib);
  if (width) *width = view2->width;
  if (height) *height = view2->height;
  return pixels;
}

TEST_F(ImageLibraryBindingTest, RotatedAndSkewedSizesFollowTheAngle) {
  ImageLibraryBinding binding(PELRITH_LIBRARY_PATH);
  ScopedGlobal dib(MakeDib(test::Spec(100, 50, 24, [](int x, int y) { return 0x808080u; })));
  struct Case {
    const char* name;
    int angle;
    int direction;  // 0: a rotation
    int32_t width, height;
  } cases[] = {
      {"45 degrees", 45, 0, 106, 106},     {"180 degrees", 180, 0, 100, 50}, {"90 degrees", 90, 0, 50, 100},
      {"270 degrees", 270, 0, 50, 100},    {"30 degrees", 30, 0, 111, 93},   {"skew 30 sideways", 30, 2, 128, 50},
      {"skew -30 sideways", -30, 2, 128, 50}, {"skew 30 up", 30, 3, 100, 107}, {"skew 0", 0, 3, 100, 50},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int32_t w = 0, h = 0;
    ScopedGlobal out(c.direction == 0 ? binding.RotateDibByAngle(dib.get(), c.angle, 0xFFFFFF, -1, &w, &h)
                                      : binding.SkewDib(dib.get(), int16_t(c.direction), c.angle, 0, -1, &w, &h));
    ASSERT_NE(out.get(), 0u) << binding.GetBindingError();
    EXPECT_EQ(w, c.width);
    EXPECT_EQ(h, c.height);
    int32_t got_w = 0, got_h = 0;
    binding.GetDibSize(out.get(), &got_w, &got_h);
    EXPECT_EQ(got_w, c.width);
    EXPECT_EQ(got_h, c.height);
  }
  // A quarter turn by angle is the quarter turn itself, clockwise.
  ScopedGlobal corner(MakeDib(test::Spec(3, 2, 24, [](int x, int y) { return x == 0 && y == 0 ? 0xFF0000u : 0u; })));
  int32_t w = 0, h = 0, w2 = 0, h2 = 0;
  ScopedGlobal by_angle(binding.RotateDibByAngle(corner.get(), 90, 0, -1, &w, &h));
  ScopedGlobal by_quarters(binding.RotateDibByQuarters(corner.get(), plat::qrvRotate90, 0, -1, &w2, &h2));
  EXPECT_EQ(test::BlockBytes(by_angle.get()), test::BlockBytes(by_quarters.get()));
  const std::vector<uint32_t> turned = Pixels24(by_angle.get());
  ASSERT_EQ(turned.size(), 6u);
  EXPECT_EQ(turned[1], 0xFF0000u);  // the top-left corner went to the top right
}

TEST_F(ImageLibraryBindingTest, FitIntoBoxPlacesThePictureAndFillsTheRest) {
  ImageLibraryBinding binding(PELRITH_LIBRARY_PATH);
  ScopedGlobal black(MakeDib(test::Spec(8, 6, 24, [](int, int) { return 0u; })));
  struct Case {
    const char* name;
    int box_w, box_h;
    int16_t horz, vert;
    int x, y, w, h;  // where the picture lands
  } cases[] = {
      {"wide box, left", 20, 6, qrvHorzPosLeft, qrvVertPosCenter, 0, 0, 8, 6},
      {"wide box, right", 20, 6, qrvHorzPosRight, qrvVertPosCenter, 12, 0, 8, 6},
      {"wide box, centre", 20, 6, qrvHorzPosCenter, qrvVertPosCenter, 6, 0, 8, 6},
      {"tall box, top", 8, 20, qrvHorzPosCenter, qrvVertPosTop, 0, 0, 8, 6},
      {"tall box, bottom", 8, 20, qrvHorzPosCenter, qrvVertPosBottom, 0, 14, 8, 6},
      {"tall box, centre", 8, 20, qrvHorzPosCenter, qrvVertPosCenter, 0, 7, 8, 6},
      {"same shape", 16, 12, qrvHorzPosLeft, qrvVertPosTop, 0, 0, 16, 12},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedGlobal out(binding.FitDibIntoBox(black.get(), qrvInterNearest, qrvMorphologyNone, 0x00FF00, -1, 0, 0,
                                           c.box_w, c.box_h, c.horz, c.vert));
    ASSERT_NE(out.get(), 0u) << binding.GetBindingError();
    int width = 0, height = 0;
    const std::vector<uint32_t> pixels = Pixels24(out.get(), &width, &height);
    ASSERT_EQ(width, c.box_w);
    ASSERT_EQ(height, c.box_h);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const bool inside = x >= c.x && x < c.x + c.w && y >= c.y && y < c.y + c.h;
        ASSERT_EQ(pixels[size_t(y * width + x)], inside ? 0u : 0x00FF00u) << x << "," << y;
      }
    }
  }
}

TEST_F(ImageLibraryBindingTest, FlipBothIsTheTwoFlipsInTurn) {
  ImageLibraryBinding binding(PELRITH_LIBRARY_PATH);
  ScopedGlobal dib(MakeDib(test::Spec(5, 3, 24, [](int x, int y) { return uint32_t(x * 50) << 16 | uint32_t(y * 80); })));
  const size_t blocks = plat::test::LiveGlobalBlocks();
  ScopedGlobal both(binding.FlipDib(dib.get(), qrvDirectionBoth, 0, 0, 0, 0));
  ASSERT_NE(both.get(), 0u) << binding.GetBindingError();
  EXPECT_EQ(plat::test::LiveGlobalBlocks(), blocks + 1);
  ScopedGlobal rows(binding.FlipDib(dib.get(), qrvDirectionHorz, 0, 0, 0, 0));
  ScopedGlobal turn(binding.FlipDib(rows.get(), qrvDirectionVert, 0, 0, 0, 0));
  EXPECT_EQ(Pixels24(both.get()), Pixels24(turn.get()));
  // Also a half turn of the picture.
  const std::vector<uint32_t> before = Pixels24(dib.get()), after = Pixels24(both.get());
  for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(after[i], before[before.size() - 1 - i]);
  // On a rectangle only that part turns.
  ScopedGlobal part(binding.FlipDib(dib.get(), qrvDirectionBoth, 1, 0, 2, 3));
  const std::vector<uint32_t> flipped = Pixels24(part.get());
  EXPECT_EQ(flipped[0], before[0]);
  EXPECT_EQ(flipped[1], before[2 * 5 + 2]);
}

TEST_F(ImageLibraryBindingTest, GreyTo256ColoursGivesADistinctHandle) {
  ImageLibraryBinding binding(PELRITH_LIBRARY_PATH);
  ScopedGlobal grey(MakeDib(test::Spec(6, 4, 8)));
  const size_t blocks = plat::test::LiveGlobalBlocks();
  const HGLOBAL out = binding.ConvertTo256Colors(grey.get(), plat::qrvColorGrayscale, qrvReductionDiffusion);
  ASSERT_NE(out, 0u);
  EXPECT_NE(out, grey.get());
  EXPECT_EQ(binding.GetBindingError(), 0);
  EXPECT_EQ(test::BlockBytes(out), test::BlockBytes(grey.get()));
  EXPECT_EQ(plat::test::LiveGlobalBlocks(), blocks + 1);
  // Each handle is freed once, and both frees succeed.
  EXPECT_EQ(GlobalFree(out), 0u);
  EXPECT_EQ(plat::test::LiveGlobalBlocks(), blocks);
  // The grayscale flag makes the bitmap's own depth read as grey.
  binding.SetGrayscaleFlag(true);
  ScopedGlobal again(binding.ConvertTo256Colors(grey.get(), -1, qrvReductionDiffusion));
  EXPECT_NE(again.get(), grey.get());
  EXPECT_EQ(test::BlockBytes(again.get()), test::BlockBytes(grey.get()));
}

TEST_F(ImageLibraryBindingTest, ForeignBitmapFormsAreTakenAsTheirPlainTwins) {
  ImageLibraryBinding binding(PELRITH_LIBRARY_PATH);
  test::DibSpec spec = test::Spec(5, 3, 24, [](int x, int y) { return uint32_t(x * 40) << 8 | uint32_t(y * 90); });
  ScopedGlobal plain(MakeDib(spec));
  ScopedGlobal plain_result(binding.InvertDib(plain.get(), -1, 1, 0, 3, 2));
  ASSERT_NE(plain_result.get(), 0u);
  for (int header : {40, 108, 124}) {
    for (bool top_down : {false, true}) {
      SCOPED_TRACE(std::to_string(header) + (top_down ? " top-down" : " bottom-up"));
      spec.header_size = header;
      spec.top_down = top_down;
      ScopedGlobal foreign(MakeDib(spec));
      const size_t blocks = plat::test::LiveGlobalBlocks();
      ScopedGlobal result(binding.InvertDib(foreign.get(), -1, 1, 0, 3, 2));
      ASSERT_NE(result.get(), 0u) << binding.GetBindingError();
      EXPECT_EQ(plat::test::LiveGlobalBlocks(), blocks + 1);
      EXPECT_EQ(Pixels24(result.get()), Pixels24(plain_result.get()));
    }
  }
  // An old 12-byte header of 8 bits keeps its colours.
  test::DibSpec core = test::Spec(4, 2, 8, [](int x, int y) { return uint32_t(x + 4 * y); });
  core.palette = test::GreyRamp(256);
  core.header_size = 12;
  ScopedGlobal old_form(MakeDib(core));
  ScopedGlobal rgb(binding.ConvertToRGB(old_form.get(), plat::qrvColor256));
  ASSERT_NE(rgb.get(), 0u) << binding.GetBindingError();
  const std::vector<uint32_t> pixels = Pixels24(rgb.get());
  ASSERT_EQ(pixels.size(), 8u);
  EXPECT_EQ(pixels[5], 0x050505u);
}

TEST_F(ImageLibraryBindingTest, SupportOperationsReadTheHeaderSafely) {
  ImageLibraryBinding binding(PELRITH_LIBRARY_PATH);
  struct Case {
    int bpp;
    int header;
    int16_t depth, bit_depth_code;
  } depths[] = {{1, 40, 1, 1}, {4, 40, 4, 4}, {8, 40, 8, 8}, {24, 40, 12, 12}, {8, 12, 8, 8}};
  for (const Case& c : depths) {
    SCOPED_TRACE(c.bpp);
    test::DibSpec spec = test::Spec(7, 3, c.bpp);
    spec.header_size = c.header;
    ScopedGlobal dib(MakeDib(spec));
    EXPECT_EQ(binding.GetDibColorDepth(dib.get()), c.depth);
    EXPECT_EQ(binding.GetDibBitDepthCode(dib.get()), c.bit_depth_code);
    int32_t w = 0, h = 0;
    EXPECT_TRUE(binding.GetDibSize(dib.get(), &w, &h));
    EXPECT_EQ(w, 7);
    EXPECT_EQ(h, 3);
  }
  std::vector<uint8_t> sixteen(40 + 8 * 2);
  sixteen[0] = 40, sixteen[4] = 4, sixteen[8] = 2, sixteen[12] = 1, sixteen[14] = 16;
  ScopedGlobal high(test::MakeBlock(sixteen));
  EXPECT_EQ(binding.GetDibColorDepth(high.get()), -1);
  EXPECT_EQ(binding.GetDibBitDepthCode(high.get()), qrvColor32K);

  struct Dpi {
    int32_t pels_per_metre;
    int16_t dpi;
  } dpis[] = {{0, 0}, {2834, 72}, {2835, 72}, {3780, 96}, {3779, 96}, {11811, 300}, {-5000, 0},
              {0x7FFFFFFF, 32767}, {1290000, 32766}, {1300000, 32767}};
  for (const Dpi& d : dpis) {
    SCOPED_TRACE(d.pels_per_metre);
    test::DibSpec spec = test::Spec(2, 2, 24);
    spec.x_pels_per_metre = d.pels_per_metre;
    spec.y_pels_per_metre = 3780;
    ScopedGlobal dib(MakeDib(spec));
    int16_t x = -1, y = -1;
    EXPECT_TRUE(binding.GetDibResolutionDpi(dib.get(), &x, &y));
    EXPECT_EQ(x, d.dpi);
    EXPECT_EQ(y, 96);
  }

  // Copies: the same bytes in a new block; none of nothing.
  ScopedGlobal dib(MakeDib(test::Spec(3, 3, 8)));
  for (bool for_clipboard : {false, true}) {
    ScopedGlobal copy(for_clipboard ? binding.CopyGlobalForClipboard(dib.get()) : binding.CopyGlobalBlock(dib.get()));
    ASSERT_NE(copy.get(), 0u);
    EXPECT_NE(copy.get(), dib.get());
    EXPECT_EQ(test::BlockBytes(copy.get()), test::BlockBytes(dib.get()));
  }
  EXPECT_EQ(binding.CopyGlobalBlock(0), 0u);
  EXPECT_EQ(binding.GetBindingError(), plat::qrvErrInvalidParam);
  EXPECT_EQ(binding.CopyGlobalBlock(0xFFFFFF00u), 0u);
  EXPECT_EQ(binding.GetBindingError(), plat::qrvErrOutofMemory);
  // A header claiming more than its block is read as nothing.
  std::vector<uint8_t> cut = test::MakeDibBytes(test::Spec(9, 9, 24));
  cut.resize(cut.size() - 1);
  ScopedGlobal short_block(test::MakeBlock(cut));
  int32_t w = 5, h = 5;
  EXPECT_FALSE(binding.GetDibSize(short_block.get(), &w, &h));
  EXPECT_EQ(w, 0);
  EXPECT_EQ(binding.GetBindingError(), plat::qrvErrInvalidParam);
  EXPECT_EQ(binding.GetDibColorDepth(short_block.get()), -1);
}

TEST_F(ImageLibraryBindingTest, InquiriesAndSavesFollowTheFormat) {
  Inputs in;
  ImageLibraryBinding binding(PELRITH_LIBRARY_PATH);
  struct Case {
    const char* file;
    int16_t format;
    int16_t compression, interlace;
    ImageFileValues expected;
  } cases[] = {
      {"a.bmp", plat::qrvFileBMP, plat::qrvCompNone, 0, {8, 6, -1, plat::qrvColorRGB, -1, 150, 150}},
      {"a.png", plat::qrvFilePNG, 0, 1, {8, 6, -1, plat::qrvColorRGB, plat::qrvInterlaced, 0, 0}},
      {"b.png", plat::qrvFilePNG, 0, 0, {8, 6, -1, plat::qrvColorRGB, plat::qrvInterlaceNone, 0, 0}},
      {"a.jpg", plat::qrvFileJPEG, 0, 0, {8, 6, -1, plat::qrvColorRGB, plat::qrvInterlaceNone, 0, 0}},
      {"a.tif", plat::qrvFileTIFF, plat::qrvCompPackbits, 0,
       {8, 6, plat::qrvCompPackbits, plat::qrvColorRGB, -1, 150, 150}},
      {"a.pcx", plat::qrvFilePCX, 0, 0, {8, 6, -1, plat::qrvColorRGB, -1, 150, 150}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string path = in.folder.File(c.file);
    ASSERT_TRUE(binding.WriteDibToFile(in.rgb.get(), path.c_str(), c.format, c.compression, c.interlace, 5, 150, 150))
        << binding.GetBindingError();
    const ImageFileValues v = binding.InquireFileValues(path.c_str(), c.format, 0);
    EXPECT_EQ(binding.GetBindingError(), 0);
    EXPECT_EQ(v.width, c.expected.width);
    EXPECT_EQ(v.height, c.expected.height);
    if (c.format == plat::qrvFileTIFF) {
      EXPECT_EQ(v.compression, c.expected.compression);
    } else if (c.format == plat::qrvFileBMP) {
      EXPECT_EQ(v.compression, plat::qrvCompNone);
    } else {
      EXPECT_EQ(v.compression, -1);
    }
    EXPECT_EQ(v.color_depth, c.expected.color_depth);
    EXPECT_EQ(v.interlace, c.expected.interlace);
    EXPECT_EQ(v.x_dpi, c.expected.x_dpi);
    EXPECT_EQ(v.y_dpi, c.expected.y_dpi);
    EXPECT_EQ(binding.GetFileImageCount(path.c_str(), c.format), 1);
  }
  // A failed inquiry keeps the unknown values.
  const ImageFileValues none = binding.InquireFileValues(in.folder.File("none.png").c_str(), plat::qrvFilePNG, 0);
  EXPECT_NE(binding.GetBindingError(), 0);
  EXPECT_EQ(none.width, 0);
  EXPECT_EQ(none.color_depth, -1);
  EXPECT_EQ(none.interlace, -1);
}

TEST(CmiCodeMaps, EachTableAndItsDefault) {
  struct Row {
    int in;
    int out;
  };
  auto check = [](const char* name, auto map, std::initializer_list<Row> rows) {
    SCOPED_TRACE(name);
    for (const Row& r : rows) EXPECT_EQ(map(static_cast<int16_t>(r.in)), r.out) << r.in;
  };
  check("status", [](int16_t s) { return MapCmiStatusToError(s); },
        {{-100, 1001}, {-1, 9000}, {22, 2001}, {25, 2120}, {26, 2110}, {0, 9900}, {12, 9900}, {8, 9900}});
  check("media format", MapMediaFormatToCmi,
        {{101, 7}, {102, 4}, {103, 5}, {104, 40}, {106, 44}, {107, 45}, {108, 0}, {109, 0}, {105, 105}, {6, 6}});
  check("mode to depth", [](int16_t m) { return MapCmiModeToColorDepth(m); },
        {{14, 1}, {15, 4}, {16, 8}, {17, 9}, {18, 12}, {50, -1}, {0, -1}});
  check("depth to mode", MapColorDepthToCmiMode, {{1, 14}, {4, 15}, {8, 16}, {9, 17}, {12, 18}, {2, 0}, {-1, 0}});
  check("compression from the library", [](int16_t c) { return MapCmiCompressionToControl(c); },
        {{0, 1}, {26, 203}, {27, 204}, {28, 205}, {29, 206}, {30, 202}, {31, 101}, {25, -1}});
  check("compression to the library", MapCompressionToCmi,
        {{101, 31}, {202, 30}, {203, 26}, {204, 27}, {205, 28}, {206, 29}, {1, 0}, {7, 0}});
  check("rotation", MapRotationToCmi, {{1, 1}, {2, 2}, {3, 3}, {0, 0}, {4, 0}});
  check("direction", MapDirectionToCmi, {{1, 0}, {2, 48}, {3, 49}, {0, 0}});
  check("operation", MapCalculateOperationToCmi,
        {{1, 56}, {2, 57}, {3, 58}, {4, 59}, {5, 64}, {6, 63}, {7, 66}, {8, 65}, {9, 67}, {10, 60}, {11, 61},
         {12, 62}, {0, 0}, {13, 0}});
  check("morphology", MapMorphologyToCmi, {{1, 0}, {2, 12}, {3, 13}, {4, 0}});
  check("interpolation", MapInterpolationToCmi, {{1, 8}, {2, 9}, {3, 10}, {4, 11}, {5, 0}});
  check("reduction", MapColorReductionToCmi, {{1, 20}, {2, 21}, {3, 0}, {4, 19}, {0, 20}, {9, 20}});
}

}  // namespace
}  // namespace ondavel
