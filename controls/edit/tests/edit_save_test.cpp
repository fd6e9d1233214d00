// Saving through the image edit control, checked by the independent tools:
// each format read back by tiffinfo, pngcheck, djpeg or ImageMagick with the
// expected pixels; refused combinations writing nothing; the encoded file in
// a block for the host; and the four TIFF page operations on a multi-page
// file made by tiffcp.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "edit_driver.h"
#include "tests/support/test_support.h"

namespace ondavel::test {
namespace {

using namespace plat;
using plat::test::Image;
using testing_support::RunCommand;

Variant I2(int16_t value) { return Variant(value); }

bool FileExists(const std::string& path) { return !plat::test::ReadFileBytes(path).empty(); }

// The number of pages tiffinfo -D finds (-1 when it fails).
int TiffPages(const std::string& path, std::string* listing = nullptr) {
  std::string out;
  if (RunCommand("tiffinfo -D '" + path + "' 2>&1", &out) != 0) return -1;
  if (listing != nullptr) *listing = out;
  int pages = 0;
  for (size_t at = out.find("TIFF Directory at offset"); at != std::string::npos;
       at = out.find("TIFF Directory at offset", at + 1)) {
    ++pages;
  }
  return pages;
}

// The mean difference of one channel between two images of one size (256
// when the sizes differ).
double MeanChannelDifference(const Image& a, const Image& b) {
  if (a.width_px != b.width_px || a.height_px != b.height_px || a.pixels.empty()) return 256;
  double sum = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i) {
    for (int shift : {0, 8, 16}) sum += std::abs(int((a.pixels[i] >> shift) & 0xFF) - int((b.pixels[i] >> shift) & 0xFF));
  }
  return sum / (3.0 * a.pixels.size());
}

class EditSaveTest : public EditingTest {
 protected:
  void SetSave(int16_t format, int16_t compression) {
    ASSERT_EQ(host_.Put(kDispSaveMediaFormat, Variant(int32_t{format})), S_OK);
    ASSERT_EQ(host_.Put(kDispSaveCompression, Variant(int32_t{compression})), S_OK);
  }
};

// ---- One file per format ---------------------------------------------------------------------

struct SaveCase {
  const char* name;
  int16_t format;
  int16_t compression;
  int16_t depth;        // converted to before saving (12: as loaded)
  bool interlaced;
  const char* oracle;   // a command that must succeed on the file ('%' stands for it)
  const char* expected; // text its output must hold
  int tolerance;        // mean channel difference ImageMagick may see (lossy coding)
};

TEST_F(EditSaveTest, EachFormatIsReadBackByTheIndependentTools) {
  const SaveCase cases[] = {
      {"bmp", qrvFileBMP, qrvCompNone, qrvColorRGB, false, "identify-im6.q16 -verbose %", "Compression: None", 0},
      {"bmp rle", qrvFileBMP, qrvCompRLE, qrvColor256, false, "identify-im6.q16 -verbose %", "Compression: RLE", 0},
      {"tiff", qrvFileTIFF, qrvCompNone, qrvColorRGB, false, "tiffinfo -D %", "Compression Scheme: None", 0},
      {"tiff packbits", qrvFileTIFF, qrvCompPackbits, qrvColorGrayscale, false, "tiffinfo -D %",
       "Compression Scheme: PackBits", 0},
      {"tiff fax", qrvFileTIFF, qrvCompMMR, qrvColorBitmap, false, "tiffinfo -D %", "Compression Scheme: CCITT", 0},
      {"tiff mh", qrvFileTIFF, qrvCompMH, qrvColorBitmap, false, "tiffinfo -D %", "Compression Scheme: CCITT", 0},
      {"jpeg", qrvFileJPEG, qrvCompNone, qrvColorRGB, false, "djpeg -pnm % | head -c 2", "P6", 6},
      {"jpeg grey", qrvFileJPEG, qrvCompNone, qrvColorGrayscale, false, "djpeg -pnm % | head -c 2", "P5", 6},
      {"pcx", qrvFilePCX, qrvCompNone, qrvColorRGB, false, "identify-im6.q16 %", "PCX 40x30", 0},
      {"png", qrvFilePNG, qrvCompNone, qrvColorRGB, false, "pngcheck -v %", "non-interlaced", 0},
      {"png interlaced", qrvFilePNG, qrvCompNone, qrvColor16, true, "pngcheck -v %", "palette, interlaced", 0},
  };
  for (const SaveCase& c : cases) {
    SCOPED_TRACE(c.name);
    LoadImage(Pattern(40, 30));
    if (c.depth != qrvColorRGB) {
      ASSERT_TRUE(host_.Ok(kDispChangeColorDepth, {I2(c.depth)}));
    }
    const Image expected = host_.Current();
    SetSave(c.format, c.compression);
    ASSERT_EQ(host_.Put(kDispSaveInterlacedImage, Variant(int32_t{c.interlaced ? qrvInterlaced : qrvInterlaceNone})),
              S_OK);
    ASSERT_EQ(host_.Put(kDispSaveQuality, Variant(int16_t{10})), S_OK);
    const std::string path = WorkPath(std::string(c.name) + ".out");
    ASSERT_TRUE(host_.Ok(kDispSave, {Variant(path)})) << host_.GetErrorCode();
    EXPECT_EQ(host_.GetErrorCode(), 0);
    std::string command = c.oracle, output;
    command.replace(command.find('%'), 1, "'" + path + "'");
    ASSERT_EQ(RunCommand(command + " 2>&1", &output), 0) << output;
    EXPECT_NE(output.find(c.expected), std::string::npos) << output;
    const Image decoded = plat::test::DecodeWithImageMagick(path);
    if (c.tolerance == 0) {
      EXPECT_TRUE(plat::test::SameImage(decoded, expected, std::string("save_") + c.name));
    } else {
      EXPECT_LE(MeanChannelDifference(decoded, expected), c.tolerance);
    }
    EXPECT_TRUE(host_.Ok(kDispDelete));
  }
}

TEST_F(EditSaveTest, TheResolutionGoesIntoTheFile) {
  LoadImage(Pattern(20, 10));
  SetSave(qrvFileTIFF, qrvCompNone);
  ASSERT_EQ(host_.Put(kDispSaveXResolution, Variant(int16_t{200})), S_OK);
  ASSERT_EQ(host_.Put(kDispSaveYResolution, Variant(int16_t{300})), S_OK);
  const std::string path = WorkPath("dpi.tif");
  ASSERT_TRUE(host_.Ok(kDispSave, {Variant(path)}));
  std::string listing;
  ASSERT_EQ(TiffPages(path, &listing), 1);
  EXPECT_NE(listing.find("Resolution: 200, 300 pixels/inch"), std::string::npos) << listing;
}

TEST_F(EditSaveTest, ACombinationThatDoesNotFitWritesNothing) {
  struct Case {
    const char* name;
    int16_t format;
    int16_t compression;
    int16_t depth;
  };
  const Case cases[] = {
      {"bmp rle of 24 bits", qrvFileBMP, qrvCompRLE, qrvColorRGB},
      {"tiff mh of grey", qrvFileTIFF, qrvCompMH, qrvColorGrayscale},
      {"jpeg of 16 colours", qrvFileJPEG, qrvCompNone, qrvColor16},
      {"pcx of 16 colours", qrvFilePCX, qrvCompNone, qrvColor16},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LoadImage(Pattern(20, 10));
    if (c.depth != qrvColorRGB) {
      ASSERT_TRUE(host_.Ok(kDispChangeColorDepth, {I2(c.depth)}));
    }
    SetSave(c.format, c.compression);
    const std::string path = WorkPath("refused");
    EXPECT_FALSE(host_.Ok(kDispSave, {Variant(path)}));
    EXPECT_EQ(host_.GetErrorCode(), qrvErrInvalidSaveFormat);
    EXPECT_FALSE(FileExists(path));
    int32_t handle = 77, size = 77;
    EXPECT_FALSE(host_.Ok(kDispGetMemHandle, {Variant::ByRef(&handle), Variant::ByRef(&size)}));
    EXPECT_EQ(host_.GetErrorCode(), qrvErrInvalidSaveFormat);
    EXPECT_EQ(handle, 0);
    EXPECT_EQ(size, 0);
    EXPECT_TRUE(host_.Ok(kDispDelete));
  }
  // Without an image there is nothing to write.
  SetSave(qrvFileBMP, qrvCompNone);
  EXPECT_FALSE(host_.Ok(kDispSave, {Variant(WorkPath("none.bmp"))}));
  EXPECT_EQ(host_.GetErrorCode(), qrvErrUnsetMediaData);
  EXPECT_FALSE(FileExists(WorkPath("none.bmp")));
}

TEST_F(EditSaveTest, AFailedWriteKeepsTheEarlierFile) {
  LoadImage(Pattern(20, 10));
  SetSave(qrvFilePNG, qrvCompNone);
  const std::string path = WorkPath("keep.png");
  plat::test::WriteFileBytes(path, "earlier");
  EXPECT_FALSE(host_.Ok(kDispSave, {Variant(WorkPath("no/such/folder/x.png"))}));
  EXPECT_NE(host_.GetErrorCode(), 0);
  EXPECT_EQ(plat::test::ReadFileBytes(path), "earlier");
}

TEST_F(EditSaveTest, GetMemHandleHandsTheHostTheEncodedFile) {
  const Image image = LoadImage(Pattern(20, 10));
  SetSave(qrvFilePNG, qrvCompNone);
  int32_t handle = 0, size = 0;
  ASSERT_TRUE(host_.Ok(kDispGetMemHandle, {Variant::ByRef(&handle), Variant::ByRef(&size)}))
      << host_.GetErrorCode();
  ASSERT_NE(handle, 0);
  ASSERT_GT(size, 0);
  const auto block = static_cast<HGLOBAL>(handle);
  ASSERT_LE(static_cast<size_t>(size), GlobalSize(block));
  const auto* bytes = static_cast<const char*>(GlobalLock(block));
  const std::string path = WorkPath("memory.png");
  plat::test::WriteFileBytes(path, std::string(bytes, bytes + size));
  GlobalUnlock(block);
  EXPECT_EQ(GlobalFree(block), 0u);  // the host's to free
  std::string output;
  EXPECT_EQ(RunCommand("pngcheck '" + path + "' 2>&1", &output), 0) << output;
  EXPECT_TRUE(plat::test::SameImage(plat::test::DecodeWithImageMagick(path), image, "memory_png"));
}

// ---- TIFF pages ---------------------------------------------------------------------------------

class EditPagesTest : public EditSaveTest {
 protected:
  // A solid page of `colour`, 24 x 16.
  static Image Solid(uint32_t colour) { return Image{24, 16, std::vector<uint32_t>(24 * 16, colour)}; }
  // Writes `pages` into one TIFF with tiffcp; its path.
  std::string MakeTiff(const std::vector<Image>& pages, const std::string& name) {
    std::string inputs;
    for (size_t i = 0; i < pages.size(); ++i) {
      LoadImage(pages[i]);
      SetSave(qrvFileTIFF, qrvCompNone);
      const std::string page = WorkPath(name + "." + std::to_string(i) + ".tif");
      EXPECT_TRUE(host_.Ok(kDispSave, {Variant(page)}));
      inputs += " '" + page + "'";
    }
    const std::string path = WorkPath(name);
    EXPECT_EQ(RunCommand("tiffcp" + inputs + " '" + path + "'"), 0);
    return path;
  }
  void ExpectPages(const std::string& path, const std::vector<Image>& pages, const std::string& step) {
    SCOPED_TRACE(step);
    ASSERT_EQ(TiffPages(path), static_cast<int>(pages.size()));
    EXPECT_EQ(host_.Call(kDispGetPageCount, {Variant(path)}).iVal(), static_cast<int16_t>(pages.size()));
    for (size_t i = 0; i < pages.size(); ++i) {
      EXPECT_TRUE(plat::test::SameImage(DecodePage(path, static_cast<int>(i)), pages[i],
                                        step + "_page" + std::to_string(i + 1)));
    }
  }
};

TEST_F(EditPagesTest, AddInsertReplaceAndDeletePages) {
  const Image red = Solid(0xFF0000), green = Solid(0x00FF00), blue = Solid(0x0000FF);
  const std::string path = MakeTiff({red, green, blue}, "pages.tif");
  ExpectPages(path, {red, green, blue}, "made");

  const Image first = LoadImage(Pattern(24, 16));
  SetSave(qrvFileTIFF, qrvCompPackbits);
  ASSERT_TRUE(host_.Ok(kDispAddPage, {Variant(path)})) << host_.GetErrorCode();
  ExpectPages(path, {red, green, blue, first}, "add");

  LoadImage(Pattern(24, 16));
  ASSERT_TRUE(host_.Ok(kDispInvert));
  const Image inverted = host_.Current();
  SetSave(qrvFileTIFF, qrvCompNone);
  ASSERT_TRUE(host_.Ok(kDispInsertPage, {Variant(path), I2(2)})) << host_.GetErrorCode();
  ExpectPages(path, {red, inverted, green, blue, first}, "insert");

  const Image grey = Solid(0x808080);
  LoadImage(grey);
  SetSave(qrvFileTIFF, qrvCompNone);
  ASSERT_TRUE(host_.Ok(kDispReplacePage, {Variant(path), I2(3)})) << host_.GetErrorCode();
  ExpectPages(path, {red, inverted, grey, blue, first}, "replace");

  ASSERT_TRUE(host_.Ok(kDispDeletePage, {Variant(path), I2(1)})) << host_.GetErrorCode();
  ExpectPages(path, {inverted, grey, blue, first}, "delete");
}

TEST_F(EditPagesTest, PageOperationsRefuseWhatTheyCannotDo) {
  const Image red = Solid(0xFF0000);
  const std::string path = MakeTiff({red, red}, "two.tif");
  const std::string before = plat::test::ReadFileBytes(path);
  LoadImage(Pattern(24, 16));
  // Pages are TIFF only.
  SetSave(qrvFileBMP, qrvCompNone);
  EXPECT_FALSE(host_.Ok(kDispAddPage, {Variant(path)}));
  EXPECT_EQ(host_.GetErrorCode(), qrvErrInvalidFileFormat);
  EXPECT_FALSE(host_.Ok(kDispDeletePage, {Variant(path), I2(1)}));
  EXPECT_EQ(host_.GetErrorCode(), qrvErrInvalidFileFormat);
  // A page past the end.
  SetSave(qrvFileTIFF, qrvCompNone);
  EXPECT_FALSE(host_.Ok(kDispReplacePage, {Variant(path), I2(5)}));
  EXPECT_NE(host_.GetErrorCode(), 0);
  EXPECT_FALSE(host_.Ok(kDispDeletePage, {Variant(path), I2(0)}));
  EXPECT_NE(host_.GetErrorCode(), 0);
  EXPECT_EQ(plat::test::ReadFileBytes(path), before);
  // Without an image no page is written.
  ASSERT_TRUE(host_.Ok(kDispDelete));
  EXPECT_FALSE(host_.Ok(kDispAddPage, {Variant(path)}));
  EXPECT_EQ(host_.GetErrorCode(), qrvErrUnsetMediaData);
  EXPECT_EQ(plat::test::ReadFileBytes(path), before);
}

TEST_F(EditPagesTest, GetPageCountOfOtherFiles) {
  LoadImage(Pattern(8, 8));
  SetSave(qrvFileBMP, qrvCompNone);
  const std::string bmp = WorkPath("one.bmp");
  ASSERT_TRUE(host_.Ok(kDispSave, {Variant(bmp)}));
  EXPECT_EQ(host_.Call(kDispGetPageCount, {Variant(bmp)}).iVal(), 1);
  EXPECT_EQ(host_.GetErrorCode(), 0);
  const std::string text = WorkPath("notes.txt");
  plat::test::WriteFileBytes(text, "not an image at all, just words");
  EXPECT_EQ(host_.Call(kDispGetPageCount, {Variant(text)}).iVal(), 0);
  EXPECT_EQ(host_.GetErrorCode(), qrvErrInvalidFileFormat);
  EXPECT_EQ(host_.Call(kDispGetPageCount, {Variant(WorkPath("missing.tif"))}).iVal(), 0);
  EXPECT_NE(host_.GetErrorCode(), 0);
}

}  // namespace
}  // namespace ondavel::test
