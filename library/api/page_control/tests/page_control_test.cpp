// Page control of TIFF files through the entry point: pages appended,
// inserted, replaced and deleted, counted by tiffinfo and decoded by libtiff's
// and netpbm's tools; pages written by other programs kept as they decode;
// failures leave the file byte for byte and no temporary file behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "Pelrith.h"
#include "plat/fault_injection.h"
#include "packed_dib.h"
#include "tests/support/test_support.h"

namespace {

using api_testing::MakeDib;
using api_testing::ParsePnm;
using api_testing::Rgb;
using api_testing::ScopedHandle;
using testing_support::ReadFileBytes;
using testing_support::RunCommand;
using testing_support::ScopedTempDir;
using testing_support::WriteFileBytes;

constexpr Rgb kRed = {200, 20, 30};
constexpr Rgb kGreen = {10, 180, 40};
constexpr Rgb kBlue = {30, 40, 220};
constexpr Rgb kYellow = {230, 220, 10};
constexpr Rgb kCyan = {5, 200, 210};

uint32_t Packed(const Rgb& c) { return uint32_t{c[0]} << 16 | uint32_t{c[1]} << 8 | c[2]; }

HGLOBAL Solid(const Rgb& colour, int32_t width = 7, int32_t height = 5) {
  return MakeDib({24, width, height, {}}, [&](int32_t, int32_t) { return Packed(colour); });
}

std::string Tool(const std::string& command) {
  std::string out;
  EXPECT_EQ(RunCommand(command, &out), 0) << command;
  return out;
}

// Every test works in a scratch folder that is also the temporary folder, so
// temporaries left behind show up.
class PageControl : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("TMPDIR");
    old_tmpdir_ = old != nullptr ? old : "";
    had_tmpdir_ = old != nullptr;
    std::filesystem::create_directory(dir_.File("tmp"));
    setenv("TMPDIR", dir_.File("tmp").c_str(), 1);
  }
  void TearDown() override {
    plat::testing::ResetFaults();
    EXPECT_TRUE(std::filesystem::is_empty(dir_.File("tmp"))) << "temporary files left";
    if (had_tmpdir_) {
      setenv("TMPDIR", old_tmpdir_.c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
  }

  // The three-page file: red, green, blue.
  std::string ThreePages(const std::string& name = "pages.tif") {
    const std::string path = dir_.File(name);
    ScopedHandle r(Solid(kRed)), g(Solid(kGreen)), b(Solid(kBlue));
    const HGLOBAL images[] = {r.get(), g.get(), b.get()};
    int32_t status = 1;
    EXPECT_EQ(CmiGenerateAndWrite(images, 3, path.c_str(), kCmiFormatTiff, nullptr, 0, &status), 0);
    EXPECT_EQ(status, 0);
    return path;
  }

  int32_t Control(const std::vector<HGLOBAL>& images, int32_t count, const std::string& path, int32_t control,
                  int32_t page, const std::vector<IpiAttributePair>& options = {}) {
    int32_t status = 12345;
    const int32_t result =
        CmiGenerateAndWriteAndControl(images.empty() ? nullptr : images.data(), count, path.c_str(), kCmiFormatTiff,
                                      control, page, options.data(), static_cast<int32_t>(options.size()), &status);
    EXPECT_EQ(result, status);
    return status;
  }

  int PageCount(const std::string& path) {
    const std::string info = Tool("tiffinfo '" + path + "' 2>/dev/null");
    int count = 0;
    for (size_t at = info.find("TIFF Directory"); at != std::string::npos; at = info.find("TIFF Directory", at + 1)) {
      ++count;
    }
    return count;
  }

  // Each page as tifftopnm decodes it (at 8 bits a sample when asked).
  std::vector<std::string> DecodePages(const std::string& path, bool eight_bits = false) {
    const std::string split = dir_.File("split");
    std::filesystem::remove_all(split);
    std::filesystem::create_directory(split);
    Tool("tiffsplit '" + path + "' '" + split + "/p'");
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(split)) names.push_back(entry.path().string());
    std::sort(names.begin(), names.end());
    std::vector<std::string> pages;
    for (const std::string& name : names) {
      pages.push_back(Tool("tifftopnm -quiet '" + name + "' 2>/dev/null" +
                           (eight_bits ? " | pamdepth 255 2>/dev/null" : "")));
    }
    std::filesystem::remove_all(split);
    return pages;
  }

  // The colour of each page, which must be solid.
  std::vector<Rgb> PageColours(const std::string& path) {
    std::vector<Rgb> colours;
    for (const std::string& pnm : DecodePages(path, true)) {
      const api_testing::PnmImage image = ParsePnm(pnm);
      if (image.pixels.empty()) {
        ADD_FAILURE() << "empty page";
        return {};
      }
      for (const Rgb& pixel : image.pixels) EXPECT_EQ(pixel, image.pixels.front());
      colours.push_back(image.pixels.front());
    }
    return colours;
  }

  ScopedTempDir dir_;
  std::string old_tmpdir_;
  bool had_tmpdir_ = false;
};


struct PageCase {
  const char* name;
  int32_t control;
  int32_t page;
  int32_t count;               // pages added, replaced or deleted
  int32_t status;
  std::vector<Rgb> expected;   // the pages after the call; empty: the file is gone
};

TEST_F(PageControl, AppendsInsertsReplacesAndDeletesPages) {
  const std::vector<Rgb> kBefore = {kRed, kGreen, kBlue};
  const PageCase cases[] = {
      {"append", kCmiPageAppend, 0, 1, 0, {kRed, kGreen, kBlue, kYellow}},
      {"append two, page ignored", kCmiPageAppend, 99, 2, 0, {kRed, kGreen, kBlue, kYellow, kCyan}},
      {"insert at 0", kCmiPageInsert, 0, 1, 0, {kYellow, kRed, kGreen, kBlue}},
      {"insert two at 1", kCmiPageInsert, 1, 2, 0, {kRed, kYellow, kCyan, kGreen, kBlue}},
      {"insert at 3 appends", kCmiPageInsert, 3, 1, 0, {kRed, kGreen, kBlue, kYellow}},
      {"insert at 4", kCmiPageInsert, 4, 1, kCmiStatusBadArgument, kBefore},
      {"replace 2, the last page", kCmiPageReplace, 2, 1, 0, {kRed, kGreen, kYellow}},
      {"replace 0 and 1", kCmiPageReplace, 0, 2, 0, {kYellow, kCyan, kBlue}},
      {"replace 3, past the end", kCmiPageReplace, 3, 1, kCmiStatusBadArgument, kBefore},
      {"replace 2 and 3", kCmiPageReplace, 2, 2, kCmiStatusBadArgument, kBefore},
      {"delete 1", kCmiPageDelete, 1, 1, 0, {kRed, kBlue}},
      {"delete 1 and 2", kCmiPageDelete, 1, 2, 0, {kRed}},
      {"delete 0", kCmiPageDelete, 0, 1, 0, {kGreen, kBlue}},
      {"delete 2 and 3", kCmiPageDelete, 2, 2, kCmiStatusBadArgument, kBefore},
      {"delete all", kCmiPageDelete, 0, 3, 0, {}},
  };
  ScopedHandle yellow(Solid(kYellow)), cyan(Solid(kCyan, 4, 9));
  for (const PageCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = ThreePages();
    const std::vector<uint8_t> before = ReadFileBytes(path);
    std::vector<HGLOBAL> images;
    if (c.control != kCmiPageDelete) images = std::vector<HGLOBAL>{yellow.get(), cyan.get()};
    EXPECT_EQ(Control(images, c.count, path, c.control, c.page), c.status);
    if (c.expected.empty()) {
      EXPECT_FALSE(std::filesystem::exists(path));
      continue;
    }
    if (c.status != 0) {
      EXPECT_EQ(ReadFileBytes(path), before);
      continue;
    }
    EXPECT_EQ(PageCount(path), static_cast<int>(c.expected.size()));
    EXPECT_EQ(PageColours(path), c.expected);
    // Nothing but the file is left in its folder.
    EXPECT_EQ(dir_.List(), (std::vector<std::string>{"pages.tif", "tmp"}));
  }
}

TEST_F(PageControl, AppendToMissingFileCreatesIt) {
  const std::string path = dir_.File("new.tif");
  ScopedHandle yellow(Solid(kYellow));
  EXPECT_EQ(Control({yellow.get()}, 1, path, kCmiPageAppend, 0), 0);
  EXPECT_EQ(PageColours(path), std::vector<Rgb>{kYellow});
  // The other controls need the file.
  const std::string missing = dir_.File("missing.tif");
  EXPECT_EQ(Control({yellow.get()}, 1, missing, kCmiPageInsert, 0), 26);
  EXPECT_EQ(Control({yellow.get()}, 1, missing, kCmiPageReplace, 0), 26);
  EXPECT_EQ(Control({}, 1, missing, kCmiPageDelete, 0), 26);
  EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(PageControl, NewPagesTakeTheOptions) {
  const std::string path = ThreePages();
  ScopedHandle bilevel(MakeDib({1, 13, 6, {{0, 0, 0}, {255, 255, 255}}},
                               [](int32_t x, int32_t y) { return (x * y + x) % 3 == 0; }));
  ScopedHandle grey(MakeDib({8, 9, 4, {}}, [](int32_t x, int32_t y) { return x * 20 + y; }));
  const std::vector<std::string> old_pages = DecodePages(path);
  ASSERT_EQ(Control({bilevel.get(), grey.get()}, 2, path, kCmiPageAppend, 0,
                    {{"compression", 30}, {"xResolution", 300}, {"yResolution", 200}, {"newSubfileType", 36}}),
            0);
  const std::string info = Tool("tiffinfo '" + path + "' 2>/dev/null");
  size_t fourth_page = 0;
  for (int i = 0; i < 4; ++i) fourth_page = info.find("TIFF Directory at", fourth_page + 1);
  ASSERT_NE(fourth_page, std::string::npos);
  const std::string added = info.substr(fourth_page);
  EXPECT_NE(added.find("PackBits"), std::string::npos) << added;
  EXPECT_NE(added.find("Resolution: 300, 200 pixels/inch"), std::string::npos) << added;
  EXPECT_NE(added.find("multi-page document"), std::string::npos) << added;
  // The existing pages decode as before; the new ones as the bitmaps they came from.
  const std::vector<std::string> pages = DecodePages(path);
  ASSERT_EQ(pages.size(), 5u);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(pages[i], old_pages[i]) << "page " << i;
  const std::string expected_dir = dir_.File("expected.tif");
  int32_t status = 0;
  const HGLOBAL both[] = {bilevel.get(), grey.get()};
  ASSERT_EQ(CmiGenerateAndWrite(both, 2, expected_dir.c_str(), kCmiFormatTiff, nullptr, 0, &status), 0);
  const std::vector<std::string> expected = DecodePages(expected_dir);
  ASSERT_EQ(expected.size(), 2u);
  EXPECT_EQ(pages[3], expected[0]);
  EXPECT_EQ(pages[4], expected[1]);
}

// New fax pages: stored white-is-zero whichever way round their palette is,
// at their true width; they decode as the file-writing entry point's pages.
TEST_F(PageControl, NewFaxPagesDecodeAsWrittenPages) {
  struct FaxCase {
    const char* name;
    int32_t compression;
    std::vector<Rgb> palette;
    int32_t k;
  };
  const FaxCase cases[] = {
      {"mmr, black first", 29, {{0, 0, 0}, {255, 255, 255}}, 4},
      {"mmr, white first", 29, {{255, 255, 255}, {0, 0, 0}}, 4},
      {"mh, near black first", 27, {{10, 10, 10}, {254, 254, 254}}, 4},
      {"mr, k 2", 28, {{0, 0, 0}, {255, 255, 255}}, 2},
      {"huffman without eol", 26, {{255, 255, 255}, {0, 0, 0}}, 4},
  };
  for (const FaxCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = ThreePages();
    ScopedHandle page(MakeDib({1, 13, 11, c.palette}, [](int32_t x, int32_t y) { return (x * 3 + y * y) % 5 < 2; }));
    const std::vector<IpiAttributePair> options = {{"compression", c.compression}, {"k", c.k}};
    ASSERT_EQ(Control({page.get()}, 1, path, kCmiPageInsert, 1, options), 0);
    const std::string expected_path = dir_.File("expected.tif");
    int32_t status = 0;
    const HGLOBAL images[] = {page.get()};
    ASSERT_EQ(CmiGenerateAndWrite(images, 1, expected_path.c_str(), kCmiFormatTiff, options.data(), 2, &status), 0);
    const std::vector<std::string> pages = DecodePages(path);
    ASSERT_EQ(pages.size(), 4u);
    EXPECT_EQ(pages[1], DecodePages(expected_path).at(0));
    std::filesystem::remove(expected_path);
  }
}

// Files of another writer: fax, LZW with a predictor, strips of a few rows,
// reversed fill order. After an append every earlier page decodes exactly as
// before and keeps its compression, fill order and predictor.
// What tiffinfo printed about the first page.
std::string FirstDirectory(const std::string& info) {
  const size_t first = info.find("TIFF Directory at");
  return info.substr(first, info.find("TIFF Directory at", first + 1) - first);
}

struct ForeignCase {
  const char* name;
  int bits;               // the page written first, then turned by tiffcp
  const char* tiffcp;     // tiffcp options
  const char* compression;  // as tiffinfo names it
  const char* kept_tag = nullptr;  // a tag of the first page that must stay, as tiffinfo prints it
};

TEST_F(PageControl, PagesOfOtherWritersSurviveAnAppend) {
  const ForeignCase cases[] = {
      {"g4, one strip, lsb first", 1, "-c g4 -f lsb2msb -r 10000", "CCITT Group 4", "FillOrder: lsb-to-msb"},
      {"g4, strips of 3 rows", 1, "-c g4 -r 3", "CCITT Group 4"},
      {"g3 2d, strips of 4 rows", 1, "-c g3:2d -r 4", "CCITT Group 3"},
      {"g3 1d, lsb first, strips", 1, "-c g3:1d -f lsb2msb -r 5", "CCITT Group 3", "FillOrder: lsb-to-msb"},
      {"lzw with predictor, one strip", 8, "-c lzw:2 -r 10000", "LZW", "Predictor: horizontal"},
      {"packbits, strips of 2 rows", 8, "-c packbits -r 2", "PackBits"},
      {"none, strips of 2 rows", 24, "-c none -r 2", "None"},
  };
  ScopedHandle yellow(Solid(kYellow));
  for (const ForeignCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string source = dir_.File("source.tif");
    const std::string path = dir_.File("foreign.tif");
    ScopedHandle image(c.bits == 1
                           ? MakeDib({1, 37, 23, {{0, 0, 0}, {255, 255, 255}}},
                                     [](int32_t x, int32_t y) { return (x / 3 + y / 2 + x * y) % 4 == 0; })
                       : c.bits == 8 ? MakeDib({8, 31, 17, {}}, [](int32_t x, int32_t y) { return x * 7 + y * 3; })
                                     : MakeDib({24, 11, 9, {}}, [](int32_t x, int32_t y) {
                                         return static_cast<uint32_t>(x * 0x150309 + y * 0x030711) & 0xFFFFFF;
                                       }));
    int32_t status = 0;
    const HGLOBAL images[] = {image.get()};
    ASSERT_EQ(CmiGenerateAndWrite(images, 1, source.c_str(), kCmiFormatTiff, nullptr, 0, &status), 0);
    // Two pages in the other writer's form.
    Tool(std::string("tiffcp ") + c.tiffcp + " '" + source + "' '" + source + "' '" + path + "'");
    const std::string info_before = Tool("tiffinfo '" + path + "' 2>/dev/null");
    ASSERT_NE(info_before.find(c.compression), std::string::npos) << info_before;
    const std::vector<std::string> before = DecodePages(path);
    ASSERT_EQ(before.size(), 2u);

    ASSERT_EQ(Control({yellow.get()}, 1, path, kCmiPageAppend, 0), 0);
    const std::vector<std::string> after = DecodePages(path);
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(after[0], before[0]);
    EXPECT_EQ(after[1], before[1]);
    const std::string info_after = Tool("tiffinfo '" + path + "' 2>/dev/null");
    const std::string first_page_after = FirstDirectory(info_after);
    EXPECT_NE(first_page_after.find(c.compression), std::string::npos) << info_after;
    if (c.kept_tag != nullptr) {
      EXPECT_NE(FirstDirectory(info_before).find(c.kept_tag), std::string::npos) << info_before;
      EXPECT_NE(first_page_after.find(c.kept_tag), std::string::npos) << info_after;
    }
  }
}

// A file past the size read from memory gives the same pages.
TEST_F(PageControl, LargeFileIsReadFromTheFile) {
  const std::string path = dir_.File("large.tif");
  ScopedHandle big(Solid(kBlue, 1500, 1300)), red(Solid(kRed));
  const HGLOBAL images[] = {red.get(), big.get()};
  int32_t status = 0;
  ASSERT_EQ(CmiGenerateAndWrite(images, 2, path.c_str(), kCmiFormatTiff, nullptr, 0, &status), 0);
  ASSERT_GT(std::filesystem::file_size(path), 5242880u);
  ScopedHandle yellow(Solid(kYellow));
  ASSERT_EQ(Control({yellow.get()}, 1, path, kCmiPageInsert, 1), 0);
  EXPECT_EQ(PageColours(path), (std::vector<Rgb>{kRed, kYellow, kBlue}));
}

// Failures at any step leave the earlier file byte for byte.
enum class Fault { kNone, kFirstWrite, kRename, kLzwStrips, kZeroPages, kDirectory, kNotTiff };

struct FailureCase {
  const char* name;
  Fault fault;
  int32_t control;
  int32_t page;
  std::vector<IpiAttributePair> options;
  bool damaged_bitmap;
  int32_t status;  // 0: any failure
};

TEST_F(PageControl, FailuresKeepTheFile) {
  const FailureCase cases[] = {
      {"disk full on the first write", Fault::kFirstWrite, kCmiPageAppend, 0, {}, false, 0},
      {"rename fails", Fault::kRename, kCmiPageInsert, 1, {}, false, kCmiStatusSystemFailure},
      {"delete, rename fails", Fault::kRename, kCmiPageDelete, 1, {}, false, kCmiStatusSystemFailure},
      {"lzw pages cannot be coded", Fault::kNone, kCmiPageAppend, 0, {{"compression", 25}}, false, 12},
      {"fax coding of a colour page", Fault::kNone, kCmiPageAppend, 0, {{"compression", 29}}, false,
       kCmiStatusBadArgument},
      {"unknown compression", Fault::kNone, kCmiPageReplace, 0, {{"compression", 31}}, false, kCmiStatusBadArgument},
      {"newSubfileType outside its table", Fault::kNone, kCmiPageAppend, 0, {{"newSubfileType", 35}}, false,
       kCmiStatusBadArgument},
      {"damaged bitmap", Fault::kNone, kCmiPageAppend, 0, {}, true, kCmiStatusBadArgument},
      {"existing lzw page in strips", Fault::kLzwStrips, kCmiPageAppend, 0, {}, false, 12},
      {"file of no pages", Fault::kZeroPages, kCmiPageAppend, 0, {}, false, 22},
      {"file of no pages, delete", Fault::kZeroPages, kCmiPageDelete, 0, {}, false, 22},
      {"not a tiff file", Fault::kNotTiff, kCmiPageAppend, 0, {}, false, 0},
      {"a directory", Fault::kDirectory, kCmiPageAppend, 0, {}, false, 25},
  };
  ScopedHandle cyan(Solid(kCyan));
  ScopedHandle damaged(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 10));
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = ThreePages();
    switch (c.fault) {
      case Fault::kLzwStrips:
        Tool("tiffcp -c lzw -r 2 '" + path + "' '" + dir_.File("lzw.tif") + "' && mv '" + dir_.File("lzw.tif") +
             "' '" + path + "'");
        break;
      case Fault::kZeroPages: WriteFileBytes(path, {'I', 'I', 42, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}); break;
      case Fault::kNotTiff: WriteFileBytes(path, {'P', '5', ' ', '1', ' ', '1', ' ', '2', '5', '5', '\n', 0}); break;
      case Fault::kDirectory:
        std::filesystem::remove(path);
        std::filesystem::create_directory(path);
        break;
      default: break;
    }
    const std::vector<uint8_t> before = c.fault == Fault::kDirectory ? std::vector<uint8_t>{} : ReadFileBytes(path);
    if (c.fault == Fault::kFirstWrite) plat::testing::FailNthWrite(1);
    if (c.fault == Fault::kRename) plat::testing::FailRename(true);
    const std::vector<HGLOBAL> images = {c.damaged_bitmap ? damaged.get() : cyan.get()};
    const int32_t status = Control(c.control == kCmiPageDelete ? std::vector<HGLOBAL>{} : images, 1, path,
                                   c.control, c.page, c.options);
    plat::testing::ResetFaults();
    if (c.status != 0) {
      EXPECT_EQ(status, c.status);
    } else {
      EXPECT_NE(status, 0);
    }
    if (c.fault == Fault::kDirectory) {
      EXPECT_TRUE(std::filesystem::is_directory(path));
      std::filesystem::remove(path);
    } else {
      EXPECT_EQ(ReadFileBytes(path), before);
      EXPECT_EQ(dir_.List(), (std::vector<std::string>{"pages.tif", "tmp"}));
    }
  }
}

TEST_F(PageControl, BadArgumentsAreRefusedBeforeTheFileIsTouched) {
  const std::string path = ThreePages();
  const std::vector<uint8_t> before = ReadFileBytes(path);
  ScopedHandle cyan(Solid(kCyan));
  const HGLOBAL images[] = {cyan.get()};
  const IpiAttributePair option = {"xResolution", -5};
  struct Call {
    const char* name;
    const HGLOBAL* images;
    int32_t count;
    const char* file;
    int32_t format;
    int32_t control;
    int32_t page;
    const IpiAttributePair* pairs;
    int32_t n;
  };
  const Call calls[] = {
      {"format not tiff", images, 1, path.c_str(), kCmiFormatBmp, kCmiPageAppend, 0, nullptr, 0},
      {"unknown control", images, 1, path.c_str(), kCmiFormatTiff, 57, 0, nullptr, 0},
      {"count 0", images, 0, path.c_str(), kCmiFormatTiff, kCmiPageAppend, 0, nullptr, 0},
      {"delete count 0", nullptr, 0, path.c_str(), kCmiFormatTiff, kCmiPageDelete, 0, nullptr, 0},
      {"negative page", images, 1, path.c_str(), kCmiFormatTiff, kCmiPageInsert, -1, nullptr, 0},
      {"negative page, delete", nullptr, 1, path.c_str(), kCmiFormatTiff, kCmiPageDelete, -1, nullptr, 0},
      {"no images", nullptr, 1, path.c_str(), kCmiFormatTiff, kCmiPageAppend, 0, nullptr, 0},
      {"no file name", images, 1, nullptr, kCmiFormatTiff, kCmiPageAppend, 0, nullptr, 0},
      {"empty file name", images, 1, "", kCmiFormatTiff, kCmiPageAppend, 0, nullptr, 0},
      {"options without pairs", images, 1, path.c_str(), kCmiFormatTiff, kCmiPageAppend, 0, nullptr, 1},
      {"bad resolution", images, 1, path.c_str(), kCmiFormatTiff, kCmiPageAppend, 0, &option, 1},
  };
  for (const Call& c : calls) {
    SCOPED_TRACE(c.name);
    int32_t status = 0;
    EXPECT_EQ(CmiGenerateAndWriteAndControl(c.images, c.count, c.file, c.format, c.control, c.page, c.pairs, c.n,
                                            &status),
              kCmiStatusBadArgument);
    EXPECT_EQ(status, kCmiStatusBadArgument);
    EXPECT_EQ(ReadFileBytes(path), before);
  }
  // A null status is tolerated.
  EXPECT_EQ(CmiGenerateAndWriteAndControl(images, 1, path.c_str(), kCmiFormatTiff, 57, 0, nullptr, 0, nullptr),
            kCmiStatusBadArgument);
  EXPECT_EQ(CmiGenerateAndWriteAndControl(images, 1, path.c_str(), kCmiFormatTiff, kCmiPageAppend, 0, nullptr, 0,
                                          nullptr),
            0);
  EXPECT_EQ(PageCount(path), 4);
}

}  // namespace
