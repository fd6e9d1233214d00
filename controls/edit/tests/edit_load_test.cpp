// Loading as the scanning program drives it: InputFileName put as a string,
// Load invoked, the image information read back and compared with what
// libtiff's tiffinfo and ImageMagick's identify read from the same files;
// plain paths and file URLs; the page window of a multi-page file; memory
// images and packed bitmaps from the host, hostile ones among them; and a
// photo disc written by ImageMagick.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "dib_fixtures.h"
#include "edit_host.h"
#include "plat/packed_dib.h"
#include "plat/user.h"

namespace ondavel::test {
namespace {

using namespace plat;
namespace fs = std::filesystem;
using plat::test::ModalContext;
using plat::test::SetModalResponder;

// ---- What the independent tools read ----------------------------------------------------------

int DpiOf(double value, const std::string& units) {
  if (units == "PixelsPerInch") return static_cast<int>(std::lround(value));
  if (units == "PixelsPerCentimeter") return static_cast<int>(std::lround(value * 2.54));
  return 0;  // no unit stored: the control reports none
}

// identify's reading of a one-image file, in the control's codes.
LoadedInfo IdentifyInfo(const std::string& path, int16_t media_format) {
  const std::string out =
      CommandOutput("identify-im6.q16 -format '%w %h %x %y %U %r|%z|%C|%[interlace]' '" + path + "' 2>/dev/null");
  LoadedInfo info;
  char units[64] = {};
  double x = 0;
  double y = 0;
  char klass[64] = {};
  char space[64] = {};
  if (std::sscanf(out.c_str(), "%d %d %lf %lf %63s %63s %63[^|]", &info.width, &info.height, &x, &y, units, klass,
                  space) != 7) {
    ADD_FAILURE() << "identify: " << out;
    return info;
  }
  std::vector<std::string> fields;
  for (size_t start = 0, bar = 0; bar != std::string::npos; start = bar + 1) {
    bar = out.find('|', start);
    fields.push_back(out.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
  }
  // The library's colour modes: three bands 24-bit colour; one band of 8
  // bits 256 colours, indexed or grey alike, except a grey JPEG, which is
  // grey; fewer bits by their count.
  const std::string klass_text = klass;
  const std::string space_text = space;
  const int bits = std::stoi(fields.at(1));
  if (klass_text == "DirectClass" && space_text.find("Gray") == std::string::npos) {
    info.color_depth = qrvColorRGB;
  } else if (bits == 1) {
    info.color_depth = qrvColorBitmap;
  } else if (bits == 4) {
    info.color_depth = qrvColor16;
  } else if (media_format == qrvFileJPEG) {
    info.color_depth = qrvColorGrayscale;
  } else {
    info.color_depth = qrvColor256;
  }
  info.x_dpi = DpiOf(x, units);
  info.y_dpi = DpiOf(y, units);
  info.media_format = media_format;
  // Compression is told for BMP only (and TIFF, read by tiffinfo); the
  // interlace for PNG and JPEG only.
  info.compression = media_format == qrvFileBMP ? (fields.at(2) == "RLE" ? qrvCompRLE : qrvCompNone) : -1;
  const bool is_interlaced = fields.at(3) != "None";
  info.interlaced = media_format == qrvFilePNG || media_format == qrvFileJPEG
                        ? (is_interlaced ? qrvInterlaced : qrvInterlaceNone)
                        : -1;
  info.selected_page = 1;
  return info;
}

// tiffinfo's reading of page `page` (1-based) of a TIFF file.
LoadedInfo TiffinfoInfo(const std::string& path, int page) {
  const std::string out = CommandOutput("tiffinfo '" + path + "' 2>/dev/null");
  const std::string marker = "=== TIFF directory " + std::to_string(page - 1) + " ===";
  const size_t start = out.find(marker);
  EXPECT_NE(start, std::string::npos) << out;
  const size_t end = out.find("=== TIFF directory", start + marker.size());
  const std::string block = out.substr(start, end == std::string::npos ? std::string::npos : end - start);
  LoadedInfo info;
  std::smatch m;
  if (std::regex_search(block, m, std::regex("Image Width: (\\d+) Image Length: (\\d+)"))) {
    info.width = std::stoi(m[1]);
    info.height = std::stoi(m[2]);
  }
  if (std::regex_search(block, m, std::regex("Resolution: ([0-9.]+), ([0-9.]+) pixels/inch"))) {
    info.x_dpi = static_cast<int>(std::lround(std::stod(m[1])));
    info.y_dpi = static_cast<int>(std::lround(std::stod(m[2])));
  }
  const int samples =
      std::regex_search(block, m, std::regex("Samples/Pixel: (\\d+)")) ? std::stoi(m[1]) : 1;
  const int bits = std::regex_search(block, m, std::regex("Bits/Sample: (\\d+)")) ? std::stoi(m[1]) : 1;
  // One band of 8 bits is 256 colours to the library, grey or indexed.
  info.color_depth = samples == 3 ? qrvColorRGB : bits == 1 ? qrvColorBitmap : bits == 4 ? qrvColor16 : qrvColor256;
  info.compression = block.find("Compression Scheme: PackBits") != std::string::npos ? qrvCompPackbits
                     : block.find("Compression Scheme: None") != std::string::npos   ? qrvCompNone
                                                                                     : -2;
  info.media_format = qrvFileTIFF;
  info.interlaced = -1;
  info.selected_page = page;
  return info;
}

TEST_F(EditTest, LoadSetsTheInformationTheIndependentToolsReadFromEachFormat) {
  struct Case {
    const char* file;
    int16_t media_format;
    int page;
  };
  const Case cases[] = {
      {"a.bmp", qrvFileBMP, 1}, {"a.png", qrvFilePNG, 1},   {"a.jpg", qrvFileJPEG, 1},
      {"a.pcx", qrvFilePCX, 1}, {"three.tif", qrvFileTIFF, 2},
  };
  EditHost host;
  ASSERT_TRUE(host.Create());
  host.PutBool(kDispShowUI, false);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string path = Fixture(c.file);
    host.PutShort(kDispImageSelectPage, static_cast<int16_t>(c.page));
    EXPECT_TRUE(host.LoadFile(path));
    EXPECT_EQ(host.GetErrorCode(), 0);
    const LoadedInfo expected =
        c.media_format == qrvFileTIFF ? TiffinfoInfo(path, c.page) : IdentifyInfo(path, c.media_format);
    EXPECT_EQ(ReadInfo(host), expected);
    // The image the host gets is the page that was read.
    ScopedGlobal dib(host.GetDIB());
    const auto view = ValidatePackedDib(dib.get());
    ASSERT_TRUE(view);
    EXPECT_EQ(view->width, expected.width);
    EXPECT_EQ(view->height, expected.height);
  }
}

TEST_F(EditTest, PagesOfMultiPageFilesWithoutThePageWindow) {
  EditHost host;
  ASSERT_TRUE(host.Create());
  host.PutBool(kDispShowUI, false);
  // Page 4 of 3 is refused; the earlier image and its information stay.
  ASSERT_TRUE(host.LoadFile(Fixture("a.bmp")));
  const LoadedInfo bmp = ReadInfo(host);
  host.PutShort(kDispImageSelectPage, 4);
  EXPECT_FALSE(host.LoadFile(Fixture("three.tif")));
  EXPECT_EQ(host.GetErrorCode(), qrvErrInvalidIndex);
  EXPECT_EQ(ReadInfo(host), bmp);
  // A one-page TIFF reads its page whatever page is asked for.
  host.PutShort(kDispImageSelectPage, 5);
  EXPECT_TRUE(host.LoadFile(Fixture("one.tif")));
  EXPECT_EQ(host.GetLong(kDispImageSelectedPage), 1);
  EXPECT_EQ(host.GetLong(kDispImageWidth), 64);
  // A page left over from a TIFF does not stop a one-image format.
  host.PutShort(kDispImageSelectPage, 2);
  EXPECT_TRUE(host.LoadFile(Fixture("three.tif")));
  EXPECT_EQ(host.GetLong(kDispImageSelectedPage), 2);
  for (const char* file : {"a.bmp", "a.png", "a.jpg", "a.pcx"}) {
    SCOPED_TRACE(file);
    EXPECT_TRUE(host.LoadFile(Fixture(file)));
    EXPECT_EQ(host.GetLong(kDispImageSelectedPage), 1);
  }
  // ImageTotalPage reads InputFileName as a plain path.
  host.PutString(kDispInputFileName, Fixture("three.tif"));
  EXPECT_EQ(host.Get(kDispImageTotalPage), Variant(int16_t{3}));
  host.PutString(kDispInputFileName, Fixture("a.png"));
  EXPECT_EQ(host.Get(kDispImageTotalPage), Variant(int16_t{1}));
  host.PutString(kDispInputFileName, WorkPath("missing.tif"));
  EXPECT_EQ(host.Get(kDispImageTotalPage), Variant(int16_t{0}));
}

TEST_F(EditTest, PlainPathsAreUsedAsTheyStandAndFileUrlsAreDecoded) {
  fs::create_directories(WorkPath(""));
  fs::copy_file(Fixture("a.bmp"), WorkPath("a%20b.bmp"));
  fs::copy_file(Fixture("a.bmp"), WorkPath("100%.bmp"));
  ASSERT_EQ(std::system(("convert-im6.q16 -size 10x6 xc:navy 'BMP3:" + WorkPath("a b.bmp") + "'").c_str()), 0);
  struct Case {
    std::string name;
    bool result;
    int16_t error;
    int32_t width;
  };
  const std::string folder = WorkPath("");
  const std::vector<Case> cases = {
      {WorkPath("a%20b.bmp"), true, 0, 64},
      {WorkPath("100%.bmp"), true, 0, 64},
      {"file://" + WorkPath("a%20b.bmp"), true, 0, 10},
      {"file://localhost" + WorkPath("a%20b.bmp"), true, 0, 10},
      {"FILE://" + WorkPath("a%20b.bmp"), true, 0, 10},
      {"file://" + WorkPath("%zz.bmp"), false, qrvErrFileNotFound, 10},
      {"file://" + WorkPath("a%2"), false, qrvErrFileNotFound, 10},
      {"http://example.invalid/a.bmp", false, qrvErrFileNotFound, 10},
      {"ftp://example.invalid/a.bmp", false, qrvErrFileNotFound, 10},
      {"http:a.bmp", false, qrvErrFileNotFound, 10},
  };
  EditHost host;
  ASSERT_TRUE(host.Create());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(host.LoadFile(c.name), c.result);
    EXPECT_EQ(host.GetErrorCode(), c.error);
    // A failed load keeps the image loaded before it.
    EXPECT_EQ(host.GetLong(kDispImageWidth), c.width);
  }
  // A missing file fails with the detector's reason and keeps the image.
  EXPECT_FALSE(host.LoadFile(WorkPath("missing.bmp")));
  EXPECT_NE(host.GetErrorCode(), 0);
  EXPECT_EQ(host.GetLong(kDispImageWidth), 10);
  // A file that is no image is refused with 2001.
  plat::test::WriteFileBytes(WorkPath("text.bmp"), "plain text, not an image at all");
  EXPECT_FALSE(host.LoadFile(WorkPath("text.bmp")));
  EXPECT_EQ(host.GetErrorCode(), qrvErrInvalidFileFormat);
  EXPECT_EQ(host.GetLong(kDispImageWidth), 10);
}

// ---- The page window ---------------------------------------------------------------------------

// The list inside the page window, and a click on the cell of `index` in a
// one-row grid.
HWND PageList(HWND page_window) {
  for (HWND child = GetWindow(page_window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    char text[32] = {};
    GetWindowText(child, text, sizeof text);
    if (std::string(text) == "ThumbnailWindow") return child;
  }
  return nullptr;
}

constexpr int kCell = 120;  // picture 100 plus padding 20

TEST_F(EditTest, ThePageWindowChoosesAPageAndClosingItAborts) {
  EditHost host;
  ASSERT_TRUE(host.Create());
  ASSERT_TRUE(host.LoadFile(Fixture("a.bmp")));
  const LoadedInfo bmp = ReadInfo(host);
  std::string title;
  RECT list_rect{};
  SetModalResponder([&](ModalContext& modal) {
    title = modal.Title();
    HWND list = PageList(modal.modal());
    ASSERT_NE(list, nullptr);
    GetClientRect(list, &list_rect);
    // A click on the third cell, handled at once, then the take command.
    const LPARAM at = MAKELPARAM(2 * kCell + kCell / 2, kCell / 2);
    SendMessage(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessage(list, WM_LBUTTONUP, 0, at);
    modal.Press(32769);
  });
  EXPECT_TRUE(host.LoadFile(Fixture("three.tif")));
  SetModalResponder(nullptr);
  EXPECT_EQ(title, Fixture("three.tif"));
  EXPECT_GE(list_rect.right, 3 * kCell) << "one row of three cells";
  EXPECT_EQ(host.GetLong(kDispImageSelectedPage), 3);
  EXPECT_EQ(host.GetLong(kDispImageWidth), 20);

  // Closing without a page: 1110, the image stays.
  ASSERT_TRUE(host.LoadFile(Fixture("a.bmp")));
  SetModalResponder([](ModalContext& modal) { modal.Press(32768); });
  EXPECT_FALSE(host.LoadFile(Fixture("three.tif")));
  SetModalResponder(nullptr);
  EXPECT_EQ(host.GetErrorCode(), qrvErrUserAbort);
  EXPECT_EQ(ReadInfo(host), bmp);
}

TEST_F(EditTest, AQuitDuringThePageChoiceEndsItAndReachesTheHostsLoop) {
  EditHost host;
  ASSERT_TRUE(host.Create());
  SetModalResponder([](ModalContext& modal) {
    PostQuitMessage(7);
    modal.Press(0);  // a command the window ignores
  });
  EXPECT_FALSE(host.LoadFile(Fixture("three.tif")));
  SetModalResponder(nullptr);
  EXPECT_EQ(host.GetErrorCode(), qrvErrUserAbort);
  MSG msg{};
  ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 7u);
}

TEST_F(EditTest, APageWindowDestroyedFromOutsideEndsTheChoiceAndASecondChoiceIsRefused) {
  EditHost host;
  ASSERT_TRUE(host.Create());
  EditHost other;
  ASSERT_TRUE(other.Create());
  bool second_result = true;
  int16_t second_error = 0;
  SetModalResponder([&](ModalContext& modal) {
    // Another control asks for a page choice while this one is open.
    second_result = other.LoadFile(Fixture("three.tif"));
    second_error = other.GetErrorCode();
    DestroyWindow(modal.modal());
    modal.Press(0);
  });
  EXPECT_FALSE(host.LoadFile(Fixture("three.tif")));
  SetModalResponder(nullptr);
  EXPECT_EQ(host.GetErrorCode(), qrvErrUserAbort);
  EXPECT_FALSE(second_result);
  EXPECT_EQ(second_error, qrvErrSequenceError);
}

// Sets the harness's screen size for one test and puts it back.
class ScopedScreenSize {
 public:
  ScopedScreenSize(int width_px, int height_px) { plat::test::SetScreenSize(width_px, height_px); }
  ~ScopedScreenSize() { plat::test::SetScreenSize(1024, 768); }
  ScopedScreenSize(const ScopedScreenSize&) = delete;
  ScopedScreenSize& operator=(const ScopedScreenSize&) = delete;
};

TEST_F(EditTest, OnATinyScreenThePageWindowStillShowsOneCell) {
  ScopedScreenSize tiny(200, 150);
  ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), 200);
  EditHost host;
  ASSERT_TRUE(host.Create());
  RECT list_rect{};
  SetModalResponder([&](ModalContext& modal) {
    HWND list = PageList(modal.modal());
    ASSERT_NE(list, nullptr);
    GetClientRect(list, &list_rect);
    modal.Press(32769);  // the first page is chosen beforehand
  });
  EXPECT_TRUE(host.LoadFile(Fixture("three.tif")));
  SetModalResponder(nullptr);
  EXPECT_GE(list_rect.right, kCell) << "at least one column";
  EXPECT_GE(list_rect.bottom, kCell) << "at least one row";
  EXPECT_EQ(host.GetLong(kDispImageSelectedPage), 1);
  EXPECT_EQ(host.GetLong(kDispImageWidth), 64);
}

// ---- Memory images and packed bitmaps from the host -------------------------------------------

HGLOBAL FileBlock(const std::string& path, size_t extra = 0) {
  const std::string bytes = plat::test::ReadFileBytes(path);
  std::vector<uint8_t> data(bytes.begin(), bytes.end());
  data.resize(data.size() + extra);
  return MakeBlock(data);
}

TEST_F(EditTest, SetMemHandleReadsAFileImageAndRefusesASizeBeyondItsBlock) {
  EditHost host;
  ASSERT_TRUE(host.Create());
  host.PutBool(kDispShowUI, false);
  const std::string png = plat::test::ReadFileBytes(Fixture("a.png"));
  ScopedGlobal block(FileBlock(Fixture("a.png"), 16));
  const auto size = static_cast<int32_t>(png.size());
  struct Case {
    const char* name;
    HGLOBAL block;
    int32_t size;
    int16_t error;
  };
  const Case refused[] = {
      {"null block", 0, size, qrvErrInvalidParam},
      {"size beyond the block", block.get(), size + 17, qrvErrInvalidParam},
      {"size 0", block.get(), 0, qrvErrInvalidParam},
      {"negative size", block.get(), -1, qrvErrInvalidParam},
  };
  for (const Case& c : refused) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(host.SetMemHandle(c.block, c.size));
    EXPECT_EQ(host.GetErrorCode(), c.error);
    EXPECT_EQ(host.GetLong(kDispImageWidth), 0);
  }
  EXPECT_TRUE(host.SetMemHandle(block.get(), size));
  EXPECT_EQ(host.GetErrorCode(), 0);
  LoadedInfo expected = IdentifyInfo(Fixture("a.png"), qrvFilePNG);
  EXPECT_EQ(ReadInfo(host), expected);
  // The host keeps its block: it is still whole and frees it itself.
  EXPECT_EQ(GlobalSize(block.get()), png.size() + 16);

  // Three pages in memory: page 2 without the window, and the window's
  // cancel gives 1110.
  ScopedGlobal tiff(FileBlock(Fixture("three.tif")));
  const auto tiff_size = static_cast<int32_t>(GlobalSize(tiff.get()));
  host.PutShort(kDispImageSelectPage, 2);
  EXPECT_TRUE(host.SetMemHandle(tiff.get(), tiff_size));
  EXPECT_EQ(host.GetLong(kDispImageWidth), 40);
  EXPECT_EQ(host.GetLong(kDispImageSelectedPage), 2);
  host.PutBool(kDispShowUI, true);
  std::string title;
  SetModalResponder([&](ModalContext& modal) {
    title = modal.Title();
    modal.Press(32768);
  });
  EXPECT_FALSE(host.SetMemHandle(tiff.get(), tiff_size));
  SetModalResponder(nullptr);
  EXPECT_EQ(host.GetErrorCode(), qrvErrUserAbort);
  EXPECT_EQ(title, "イメージ一覧");
  EXPECT_EQ(host.GetLong(kDispImageWidth), 40);
}

TEST_F(EditTest, HostileFileImagesInMemoryAreRefusedWithoutHarm) {
  EditHost host;
  ASSERT_TRUE(host.Create());
  host.PutBool(kDispShowUI, false);
  const std::string good = plat::test::ReadFileBytes(Fixture("a.bmp"));
  // A BMP whose header claims far more rows than the data holds, one whose
  // pixel offset lies past the end, and one cut inside its header.
  std::string tall = good;
  tall[22] = '\xFF';
  tall[23] = '\x7F';
  std::string far = good;
  far[10] = '\xFF';
  far[11] = '\xFF';
  far[12] = '\xFF';
  const std::string cut = good.substr(0, 30);
  for (const std::string& bytes : {tall, far, cut}) {
    ScopedGlobal block(MakeBlock(std::vector<uint8_t>(bytes.begin(), bytes.end())));
    EXPECT_FALSE(host.SetMemHandle(block.get(), static_cast<int32_t>(bytes.size())));
    EXPECT_NE(host.GetErrorCode(), 0);
    EXPECT_EQ(host.GetLong(kDispImageWidth), 0);
  }
}

TEST_F(EditTest, SetDibTakesOrCopiesTheHostsBitmapAndGetDibGivesANewOne) {
  EditHost host;
  ASSERT_TRUE(host.Create());
  EXPECT_EQ(host.GetDIB(), 0u);
  EXPECT_EQ(host.GetErrorCode(), qrvErrUnsetMediaData);
  EXPECT_FALSE(host.SetDIB(0, true));
  EXPECT_EQ(host.GetErrorCode(), qrvErrInvalidParam);

  // Not the owner: the control copies, and the host frees its own block.
  DibSpec spec = Spec(7, 5, 24);
  spec.x_pels_per_metre = 11811;  // 300 dpi
  spec.y_pels_per_metre = 3937;   // 100 dpi
  ScopedGlobal mine(MakeDib(spec));
  ASSERT_TRUE(host.SetDIB(mine.get(), false));
  EXPECT_EQ(ReadInfo(host), (LoadedInfo{7, 5, qrvColorRGB, -1, -1, -1, 300, 100, 0}));
  ScopedGlobal copy(host.GetDIB());
  ASSERT_NE(copy.get(), 0u);
  EXPECT_NE(copy.get(), mine.get());
  EXPECT_EQ(BlockBytes(copy.get()), BlockBytes(mine.get()));

  // The owner: the control takes the block (the host must not free it).
  const HGLOBAL given = MakeDib(Spec(3, 2, 8));
  ASSERT_TRUE(host.SetDIB(given, true));
  EXPECT_EQ(host.GetLong(kDispColorDepth), qrvColor256);
  ScopedGlobal second(host.GetDIB());
  EXPECT_EQ(BlockBytes(second.get()), BlockBytes(given));
}

TEST_F(EditTest, ForeignBitmapFormsBecomePlainAndHostileOnesAreRefusedWithTheHostKeepingThem) {
  EditHost host;
  ASSERT_TRUE(host.Create());
  // Foreign forms: a top-down bitmap, a 32-bit one, a 12-byte header.
  for (DibSpec spec : {[] { DibSpec s = Spec(5, 4, 24); s.top_down = true; return s; }(),
                       Spec(5, 4, 32, [](int x, int y) { return uint32_t(x * 50) << 16 | uint32_t(y * 60); }),
                       [] { DibSpec s = Spec(5, 4, 8); s.header_size = 12; return s; }()}) {
    SCOPED_TRACE(spec.bpp);
    ASSERT_TRUE(host.SetDIB(MakeDib(spec), true));
    ScopedGlobal out(host.GetDIB());
    const auto view = ValidatePackedDib(out.get());
    ASSERT_TRUE(view);
    EXPECT_EQ(view->headerSize, 40);
    EXPECT_FALSE(view->topDown);
    EXPECT_EQ(view->width, 5);
    EXPECT_EQ(view->height, 4);
  }
  ScopedGlobal kept(host.GetDIB());

  // Hostile forms, each a checked patch of a good bitmap.
  const std::vector<uint8_t> good = MakeDibBytes(Spec(6, 4, 8));
  struct Case {
    const char* name;
    size_t offset;
    std::vector<uint8_t> bytes;
    size_t cut = 0;  // bytes cut off the end
  };
  const std::vector<Case> cases = {
      {"header size 41", 0, {41}},
      {"width 0", 4, {0, 0, 0, 0}},
      {"height past the block", 8, {0x00, 0x10, 0, 0}},
      {"planes 2", 12, {2}},
      {"bit count 7", 14, {7}},
      {"palette of 257 entries", 32, {0x01, 0x01, 0, 0}},
      {"rows cut off", 0, {40}, 10},
      {"width of 2^30", 4, {0, 0, 0, 0x40}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> bytes = good;
    std::copy(c.bytes.begin(), c.bytes.end(), bytes.begin() + static_cast<std::ptrdiff_t>(c.offset));
    bytes.resize(bytes.size() - c.cut);
    const HGLOBAL block = MakeBlock(bytes);
    for (bool is_owner : {false, true}) {
      EXPECT_FALSE(host.SetDIB(block, is_owner));
      EXPECT_EQ(host.GetErrorCode(), qrvErrInvalidParam);
    }
    // The block is still the host's, unchanged, and the image stays.
    EXPECT_EQ(BlockBytes(block), bytes);
    EXPECT_EQ(GlobalFree(block), 0u);
    ScopedGlobal current(host.GetDIB());
    EXPECT_EQ(BlockBytes(current.get()), BlockBytes(kept.get()));
  }
}

// ---- A photo disc -------------------------------------------------------------------------------

TEST_F(EditTest, APhotoDiscImageLoadsThroughTheCallbackWindowAndLaterThroughTheControlsWindow) {
  const std::string disc = WorkPath("disc");
  fs::create_directories(disc);
  const std::string picture = WorkPath("picture.png");
  ASSERT_EQ(std::system(("convert-im6.q16 -size 768x512 gradient:navy-orange '" + picture + "'").c_str()), 0);
  ASSERT_EQ(std::system(("convert-im6.q16 '" + picture + "' 'PCD:" + disc + "/IMG0001.PCD'").c_str()), 0);
  fs::copy_file(disc + "/IMG0001.PCD", disc + "/IMG0002.PCD");
  EditHost host;
  ASSERT_TRUE(host.Create());
  host.PutLong(kDispInputSource, qrvSrcPhotoCD);
  host.PutString(kDispPcdPath, disc);
  host.PutBool(kDispShowUI, false);
  host.PutLong(kDispPcdSelectDataSize, qrvPcdResBaseOver64);
  host.PutShort(kDispPcdSelectImageNo, 2);
  EXPECT_EQ(host.Get(kDispPcdImageCount), Variant(int16_t{2}));
  EXPECT_GT(host.GetLong(kDispPcdDataSizeCount), 0);
  EXPECT_GT(host.GetLong(kDispPcdColorDepthCount), 0);
  EXPECT_EQ(host.GetIndexed(kDispPcdDataSize, 0), Variant(int32_t{qrvPcdResBaseOver64}));
  // Without a window of its own the control receives through "CallbackWnd".
  EXPECT_TRUE(host.Load());
  EXPECT_EQ(host.GetErrorCode(), 0);
  EXPECT_NE(FindWindow(nullptr, "CallbackWnd"), nullptr);
  LoadedInfo info = ReadInfo(host);
  EXPECT_EQ(info.width, 96);
  EXPECT_EQ(info.height, 64);
  EXPECT_EQ(info.color_depth, qrvColorRGB);
  EXPECT_EQ(info.media_format, -1);
  EXPECT_EQ(info.compression, -1);

  // Its window takes over: the hidden window goes, and the next image
  // arrives at the control's own window.
  ASSERT_TRUE(host.CreateWindow(CRect(0, 0, 160, 120)));
  EXPECT_EQ(FindWindow(nullptr, "CallbackWnd"), nullptr);
  host.PutLong(kDispPcdSelectDataSize, qrvPcdResBaseOver16);
  EXPECT_TRUE(host.Load());
  EXPECT_EQ(host.GetLong(kDispImageWidth), 192);
  // A disc path with no packs delivers nothing: FALSE with the library's reason.
  host.PutString(kDispPcdPath, WorkPath("no-disc"));
  EXPECT_FALSE(host.Load());
  EXPECT_NE(host.GetErrorCode(), 0);
  EXPECT_EQ(host.GetLong(kDispImageWidth), 192);
}

}  // namespace
}  // namespace ondavel::test
