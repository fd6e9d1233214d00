// GIF files at the file layer. Files made by pamtogif and ImageMagick are read
// and their header values checked against giftext; each is written back from
// what was read and giftopnm must see the same pixels, since the code stream
// travels unchanged. Fixtures built in code cover the default palettes,
// local tables, code sizes, sub-block cuts, damaged and truncated files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/scoped_object.h"
#include "core/status.h"
#include "core/streams/stream.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dispatch/read_dispatch.h"
#include "interchange/dispatch/read_front.h"
#include "interchange/dispatch/write_dispatch.h"
#include "interchange/gif/gif_file.h"
#include "tests/support/test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;
using testing_support::ReadFileBytes;
using testing_support::RunCommand;
using testing_support::ScopedTempDir;
using testing_support::WriteFileBytes;

// A PPM of `width` x `height` whose pixels take `colours` values of a fixed
// palette, in a pattern with runs and noise.
Bytes MakePpm(int width, int height, int colours, uint32_t seed) {
  std::mt19937 random(seed);
  std::string head = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
  Bytes out(head.begin(), head.end());
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int index = (random() % 5 == 0) ? static_cast<int>(random() % colours) : ((x / 3 + y / 2) % colours);
      out.push_back(static_cast<uint8_t>(index * 37 % 256));
      out.push_back(static_cast<uint8_t>(index * 91 % 256));
      out.push_back(static_cast<uint8_t>(255 - index * 13 % 256));
    }
  }
  return out;
}

// What giftext says about a file's screen and first image.
struct GifText {
  int screen_width = -1, screen_height = -1, bits_per_pixel = -1;
  std::vector<int> global_map;  // R, G, B values
  int left = -1, top = -1, width = -1, height = -1;
  bool interlaced = false, has_local_map = false, transparency = false;
  int transparent_index = -1;
};

GifText RunGiftext(const std::string& path) {
  std::string out;
  EXPECT_EQ(RunCommand("giftext -c '" + path + "' 2>&1", &out), 0) << out;
  GifText g;
  std::istringstream lines(out);
  std::string line;
  bool in_global_map = false;
  bool in_image = false;
  while (std::getline(lines, line)) {
    std::sscanf(line.c_str(), " Screen Size - Width = %d, Height = %d.", &g.screen_width, &g.screen_height);
    if (const char* p = std::strstr(line.c_str(), "BitsPerPixel = ")) std::sscanf(p, "BitsPerPixel = %d", &g.bits_per_pixel);
    if (line.find("Global Color Map:") != std::string::npos) in_global_map = true;
    if (line.find("Image #1") != std::string::npos) in_image = true;
    if (line.find("GIF89") != std::string::npos) in_global_map = false;
    if (std::sscanf(line.c_str(), " Image Size - Left = %d, Top = %d, Width = %d, Height = %d.", &g.left, &g.top,
                    &g.width, &g.height) == 4) {
      in_global_map = false;
    }
    if (in_image && line.find("Image is Interlaced") != std::string::npos) g.interlaced = true;
    if (in_image && line.find("Image Color Map:") != std::string::npos && line.find("No Image") == std::string::npos) {
      g.has_local_map = true;
    }
    if (!in_image && line.find("Transparency on: yes") != std::string::npos) g.transparency = true;
    if (!in_image) std::sscanf(line.c_str(), " Transparent Index: %d", &g.transparent_index);
    if (in_global_map) {
      const char* p = line.c_str();
      int index = 0, r = 0, gr = 0, b = 0, used = 0;
      while (std::sscanf(p, " %d: %xh %xh %xh%n", &index, &r, &gr, &b, &used) == 4) {
        g.global_map.insert(g.global_map.end(), {r, gr, b});
        p += used;
      }
    }
  }
  return g;
}

std::string GifToPnm(const std::string& path) {
  std::string out;
  EXPECT_EQ(RunCommand("giftopnm '" + path + "' 2>/dev/null", &out), 0) << path;
  return out;
}

class GifFileTest : public testing::Test {
 protected:
  void SetUp() override { sys_ = IpiOpenSystem(nullptr); }
  void TearDown() override { IpiCloseSystem(sys_); }

  // A holder of coded data (a temporary file, so any size fits) with a
  // lookup table.
  IpiObject* Holder() {
    IpiObject* lut = IpiCreateObject(sys_, nullptr, &kLookupTableClass, nullptr, nullptr, 0);
    const IpiAttribute shape[] = {{"repository", kRepositoryFile}, {"lut", static_cast<intptr_t>(IpiObjectId(lut))}};
    return IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, shape, 2);
  }
  int Read(const std::string& path, IpiObject* target, int mode = kReadModeBoth) {
    return IpiReadImageFile(sys_, path.c_str(), target, kFormatGif, mode, nullptr, 0);
  }
  int ReadMemory(const Bytes& bytes, IpiObject* target, int mode = kReadModeBoth) {
    const IpiAttribute pairs[] = {{"applicationAddressSpace", reinterpret_cast<intptr_t>(bytes.data())},
                                  {"size", static_cast<intptr_t>(bytes.size())}};
    return IpiReadImageFile(sys_, nullptr, target, kFormatGif, mode, pairs, 2);
  }
  intptr_t Get(IpiObject* obj, const char* name) { return IpiInquireAttribute(sys_, obj, name); }
  std::vector<int> LutValues(IpiObject* image) {
    IpiObject* lut = IpiObjectFromId(sys_, static_cast<uint32_t>(Get(image, "lut")));
    const int64_t entries = lut->fields.dimension[kDimX];
    Bytes bands(static_cast<size_t>(3 * entries));
    IpiStream* s = IpiOpenStream(sys_, lut, "r", 0);
    EXPECT_EQ(IpiReadBytes(sys_, s, 0, bands.data(), 3 * entries), 3 * entries);
    IpiCloseStream(sys_, s);
    std::vector<int> rgb;
    for (int64_t i = 0; i < entries; ++i) {
      for (int b = 0; b < 3; ++b) rgb.push_back(bands[static_cast<size_t>(b * entries + i)]);
    }
    return rgb;
  }
  Bytes CodeBytes(IpiObject* obj) {
    Bytes out(static_cast<size_t>(Get(obj, "size")));
    IpiStream* s = IpiOpenStream(sys_, obj, "r", 0);
    if (!out.empty()) {
      EXPECT_EQ(IpiReadBytes(sys_, s, 0, out.data(), static_cast<int64_t>(out.size())), static_cast<int64_t>(out.size()));
    }
    IpiCloseStream(sys_, s);
    return out;
  }

  IpiSystem* sys_ = nullptr;
  ScopedTempDir dir_;
};

// Files from the oracles: each command turns a.ppm into the GIF named.
struct OracleFile {
  const char* name;
  int width, height, colours;
  const char* command;
  bool is_87a;
};
constexpr OracleFile kOracleFiles[] = {
    {"pamtogif plain", 37, 21, 4, "pamtogif a.ppm > out.gif", false},
    {"pamtogif interlace, transparency, comment", 50, 33, 16,
     "pamtogif -interlace -transparent==rgb:25/5b/f2 -comment 'made here' a.ppm > out.gif", false},
    {"pamtogif 256 colours", 64, 40, 200, "pamtogif a.ppm > out.gif", false},
    {"convert GIF87a two colours", 19, 7, 2, "convert-im6.q16 a.ppm GIF87:out.gif", true},
    {"convert GIF89a", 30, 30, 7, "convert-im6.q16 a.ppm GIF89:out.gif", false},
    {"convert interlaced", 41, 17, 30, "convert-im6.q16 a.ppm -interlace GIF GIF89:out.gif", false},
};

TEST_F(GifFileTest, ReadsOracleFilesAsGiftextSeesThemAndWritesThemBack) {
  for (const OracleFile& f : kOracleFiles) {
    SCOPED_TRACE(f.name);
    WriteFileBytes(dir_.File("a.ppm"), MakePpm(f.width, f.height, f.colours, 11));
    std::string log;
    ASSERT_EQ(RunCommand("cd '" + dir_.path() + "' && (" + f.command + ") 2>&1", &log), 0) << log;
    const std::string source = dir_.File("out.gif");
    const GifText text = RunGiftext(source);
    // pamtogif writes GIF87a unless it needs an extension.
    const bool is_87a = ReadFileBytes(source).at(4) == '7';
    if (f.is_87a) {
      EXPECT_TRUE(is_87a);
    }

    ScopedObject holder(sys_, Holder());
    ASSERT_EQ(Read(source, holder.get()), 0);
    IpiObject* h = holder.get();
    EXPECT_EQ(Get(h, "version"), is_87a ? kGifVersion87a : kGifVersion89a);
    EXPECT_EQ(Get(h, "screenWidth"), text.screen_width);
    EXPECT_EQ(Get(h, "screenDepth"), text.screen_height);
    EXPECT_EQ(Get(h, "xDimension"), text.width);
    EXPECT_EQ(Get(h, "yDimension"), text.height);
    EXPECT_EQ(Get(h, "left"), text.left);
    EXPECT_EQ(Get(h, "top"), text.top);
    EXPECT_EQ(Get(h, "dataPrecision"), text.bits_per_pixel);
    EXPECT_EQ(Get(h, "dataType"), text.bits_per_pixel == 1 ? kDataTypeBoolean : kDataTypeNonnegative);
    EXPECT_EQ(Get(h, "interlacedImage"), text.interlaced ? 1 : 0);
    EXPECT_EQ(Get(h, "transparency"), text.transparency ? 1 : 0);
    if (text.transparency) {
      EXPECT_EQ(Get(h, "transparencyPaletteIndex"), text.transparent_index);
    }
    EXPECT_EQ(Get(h, "compression"), kCompressionLzw);
    EXPECT_GT(Get(h, "size"), 0);
    // The lookup table starts with the global map; the rest is black.
    const std::vector<int> lut = LutValues(h);
    ASSERT_GE(lut.size(), text.global_map.size());
    EXPECT_EQ(std::vector<int>(lut.begin(), lut.begin() + static_cast<std::ptrdiff_t>(text.global_map.size())),
              text.global_map);

    const std::string written = dir_.File("back.gif");
    ASSERT_EQ(IpiWriteImageFile(sys_, h, written.c_str(), kFormatGif, nullptr, 0), 0);
    const GifText back = RunGiftext(written);
    EXPECT_EQ(back.global_map, text.global_map);
    EXPECT_EQ(back.interlaced, text.interlaced);
    EXPECT_EQ(back.transparency, text.transparency);
    if (text.transparency) {
      EXPECT_EQ(back.transparent_index, text.transparent_index);
    }
    EXPECT_EQ(back.width, text.width);
    EXPECT_EQ(GifToPnm(written), GifToPnm(source));
    EXPECT_EQ(ReadFileBytes(written).at(4), is_87a ? '7' : '9');
  }
}

// A small GIF built byte by byte.
struct GifBuilder {
  std::string signature = "GIF89a";
  int screen_width = 4, screen_height = 2;
  int global_code = 1;
  bool global_table = true;
  Bytes extensions;
  int local_code = 0;
  bool local_table = false;
  bool interlaced = false;
  int width = 4, height = 2;
  int code_size = 2;
  Bytes code = {0x84, 0x1D, 0x81, 0x7A, 0x50};  // some code bytes; never decoded here
  int block_bytes = 255;
  bool trailer = true;

  static void U16(Bytes& out, int v) {
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>(v >> 8));
  }
  static void Table(Bytes& out, int code) {
    for (int i = 0; i < (2 << code); ++i) out.insert(out.end(), {uint8_t(i * 3), uint8_t(i * 5), uint8_t(i * 7)});
  }
  Bytes Build() const {
    Bytes out(signature.begin(), signature.end());
    U16(out, screen_width);
    U16(out, screen_height);
    out.push_back(static_cast<uint8_t>((global_table ? 0x80 : 0) | 0x70 | global_code));
    out.push_back(0);
    out.push_back(0);
    if (global_table) Table(out, global_code);
    out.insert(out.end(), extensions.begin(), extensions.end());
    out.push_back(0x2C);
    U16(out, 0);
    U16(out, 0);
    U16(out, width);
    U16(out, height);
    out.push_back(static_cast<uint8_t>((local_table ? 0x80 : 0) | (interlaced ? 0x40 : 0) | local_code));
    if (local_table) Table(out, local_code);
    out.push_back(static_cast<uint8_t>(code_size));
    for (size_t i = 0; i < code.size(); i += static_cast<size_t>(block_bytes)) {
      const size_t n = std::min(code.size() - i, static_cast<size_t>(block_bytes));
      out.push_back(static_cast<uint8_t>(n));
      out.insert(out.end(), code.begin() + static_cast<std::ptrdiff_t>(i),
                 code.begin() + static_cast<std::ptrdiff_t>(i + n));
    }
    out.push_back(0);
    if (trailer) out.push_back(0x3B);
    return out;
  }
};

TEST_F(GifFileTest, DefaultPalettesAndLutSizes) {
  const struct {
    int code;
    size_t lut_entries;
    std::vector<int> first;  // leading R, G, B values
  } kCases[] = {
      {0, 2, {0, 0, 0, 255, 255, 255}},
      {1, 16, {0, 0, 0, 128, 128, 128, 192, 192, 192, 255, 255, 255, 0, 0, 0}},
      {2, 16, {0, 0, 0, 0, 0, 128, 0, 128, 0, 0, 128, 128, 128, 0, 0}},
      {7, 256, {0, 0, 0, 0, 0, 64, 0, 0, 128}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.code);
    GifBuilder gif;
    gif.global_table = false;
    gif.global_code = c.code;
    gif.local_code = c.code;
    gif.code_size = std::max(2, c.code + 1);
    ScopedObject holder(sys_, Holder());
    ASSERT_EQ(ReadMemory(gif.Build(), holder.get()), 0);
    const std::vector<int> lut = LutValues(holder.get());
    EXPECT_EQ(lut.size(), 3 * c.lut_entries);
    EXPECT_EQ(std::vector<int>(lut.begin(), lut.begin() + static_cast<std::ptrdiff_t>(c.first.size())), c.first);
    EXPECT_EQ(Get(holder.get(), "dataPrecision"), c.code + 1);
  }
  // The last cube entry of size code 7 is (224, 224, 192).
  GifBuilder gif;
  gif.global_table = false;
  gif.global_code = gif.local_code = 7;
  gif.code_size = 8;
  ScopedObject holder(sys_, Holder());
  ASSERT_EQ(ReadMemory(gif.Build(), holder.get()), 0);
  const std::vector<int> lut = LutValues(holder.get());
  EXPECT_EQ(std::vector<int>(lut.end() - 3, lut.end()), (std::vector<int>{224, 224, 192}));
}

TEST_F(GifFileTest, ALocalTableGovernsItsImage) {
  // A two-entry global table and a 256-entry local one with code size 8:
  // the lookup table gets all 256 local entries and the image 8 bits.
  GifBuilder gif;
  gif.global_code = 0;
  gif.local_table = true;
  gif.local_code = 7;
  gif.code_size = 8;
  ScopedObject holder(sys_, Holder());
  ASSERT_EQ(ReadMemory(gif.Build(), holder.get()), 0);
  EXPECT_EQ(Get(holder.get(), "dataPrecision"), 8);
  const std::vector<int> lut = LutValues(holder.get());
  ASSERT_EQ(lut.size(), 3u * 256);
  EXPECT_EQ(lut[3 * 255], 255 * 3 % 256);
  EXPECT_EQ(lut[3 * 255 + 2], 255 * 7 % 256);
}

TEST_F(GifFileTest, AcceptsCodeSizesFromWhatThePaletteNeedsToEleven) {
  const struct {
    int global_code;
    int code_size;
    int status;
  } kCases[] = {
      {1, 2, 0}, {1, 8, 0}, {1, 11, 0}, {1, 12, kIpiSyntaxError}, {1, 1, kIpiSyntaxError},
      {0, 2, 0}, {0, 1, kIpiSyntaxError}, {3, 3, kIpiSyntaxError}, {3, 4, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.global_code << " " << c.code_size);
    GifBuilder gif;
    gif.global_code = c.global_code;
    gif.code_size = c.code_size;
    ScopedObject holder(sys_, Holder());
    EXPECT_EQ(ReadMemory(gif.Build(), holder.get()), c.status);
    if (c.status == 0) {
      EXPECT_EQ(Get(holder.get(), "codeSize"), c.code_size);
    }
  }
}

TEST_F(GifFileTest, KeepsTheCodeStreamAndCutsItIntoFullSubBlocks) {
  for (size_t code_bytes : {1u, 254u, 255u, 256u, 600u}) {
    SCOPED_TRACE(code_bytes);
    GifBuilder gif;
    gif.code.resize(code_bytes);
    for (size_t i = 0; i < code_bytes; ++i) gif.code[i] = static_cast<uint8_t>(i * 7 + 1);
    gif.block_bytes = 100;  // read from blocks of 100, written in blocks of 255
    gif.code_size = 5;      // more than the palette needs: written back as it was
    ScopedObject holder(sys_, Holder());
    ASSERT_EQ(ReadMemory(gif.Build(), holder.get()), 0);
    EXPECT_EQ(Get(holder.get(), "size"), static_cast<intptr_t>(code_bytes));
    EXPECT_EQ(CodeBytes(holder.get()), gif.code);

    ASSERT_EQ(IpiWriteImageFile(sys_, holder.get(), dir_.File("w.gif").c_str(), kFormatGif, nullptr, 0), 0);
    GifBuilder expected = gif;
    expected.block_bytes = 255;
    expected.local_code = 1;  // the writer's descriptor repeats the size bits
    Bytes file = ReadFileBytes(dir_.File("w.gif"));
    Bytes want = expected.Build();
    want[10] = 0x91;  // the writer's packed byte: colour resolution = precision = 2
    EXPECT_EQ(file, want);
  }
}

TEST_F(GifFileTest, WritesVersionTransparencyAndCodeSizeAsTheObjectSays) {
  GifBuilder gif;  // four colours, 89a
  ScopedObject holder(sys_, Holder());
  ASSERT_EQ(ReadMemory(gif.Build(), holder.get()), 0);
  const std::string path = dir_.File("t.gif");
  const uint8_t control[] = {0x21, 0xF9};
  auto find_control = [&](const Bytes& file) {
    return std::search(file.begin(), file.end(), control, control + 2) != file.end();
  };

  const IpiAttribute transparent[] = {{"transparency", 1}, {"transparencyPaletteIndex", 3}};
  ASSERT_EQ(IpiSetAttributes(sys_, holder.get(), transparent, 2), 0);
  ASSERT_EQ(IpiWriteImageFile(sys_, holder.get(), path.c_str(), kFormatGif, nullptr, 0), 0);
  const GifText text = RunGiftext(path);
  EXPECT_TRUE(text.transparency);
  EXPECT_EQ(text.transparent_index, 3);

  // GIF87a has no graphic control extension, whatever "transparency" says.
  ASSERT_EQ(IpiSetAttribute(sys_, holder.get(), "version", kGifVersion87a), 0);
  ASSERT_EQ(IpiWriteImageFile(sys_, holder.get(), path.c_str(), kFormatGif, nullptr, 0), 0);
  Bytes file = ReadFileBytes(path);
  EXPECT_EQ(std::string(file.begin(), file.begin() + 6), "GIF87a");
  EXPECT_FALSE(find_control(file));

  // Without a stored code size a 1-bit image gets 2, an 8-bit one 8.
  for (const auto& [precision, code_size] : {std::pair{1, 2}, std::pair{8, 8}}) {
    const IpiAttribute shape[] = {{"codeSize", 0}, {"dataPrecision", precision}};
    ASSERT_EQ(IpiSetAttributes(sys_, holder.get(), shape, 2), 0);
    ASSERT_EQ(IpiWriteImageFile(sys_, holder.get(), path.c_str(), kFormatGif, nullptr, 0), 0);
    file = ReadFileBytes(path);
    const size_t descriptor = 13 + (size_t{3} << precision);
    EXPECT_EQ(file.at(descriptor), 0x2C);
    EXPECT_EQ(file.at(descriptor + 10), code_size);
  }
}

TEST_F(GifFileTest, WriterRefusesWhatAGifFileCannotHold) {
  GifBuilder gif;
  ScopedObject holder(sys_, Holder());
  ASSERT_EQ(ReadMemory(gif.Build(), holder.get()), 0);
  const std::string path = dir_.File("r.gif");
  WriteFileBytes(path, {'o', 'l', 'd'});
  const struct {
    const char* name;
    IpiAttribute change;
    int status;
  } kCases[] = {
      {"precision 9", {"dataPrecision", 9}, kIpiNonPermissibleOption},
      {"precision 0", {"dataPrecision", 0}, kIpiNonPermissibleOption},
      {"code size below the palette's", {"codeSize", 1}, kIpiNonPermissibleOption},
      {"code size 12", {"codeSize", 12}, kIpiNonPermissibleOption},
      {"left beyond 16 bits", {"left", 70000}, kIpiNonPermissibleOption},
      {"another compression", {"compression", kCompressionPackBits}, kIpiNonPermissibleOption},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    ScopedObject copy(sys_, IpiCreateObject(sys_, nullptr, &kGenericImageClass, holder.get(), &c.change, 1));
    ASSERT_NE(copy.get(), nullptr);
    EXPECT_EQ(IpiWriteImageFile(sys_, copy.get(), path.c_str(), kFormatGif, nullptr, 0), c.status);
    EXPECT_EQ(ReadFileBytes(path), (Bytes{'o', 'l', 'd'}));
  }
  ScopedObject colour(sys_, IpiCreateObject(sys_, nullptr, &kColourImageClass, holder.get(), nullptr, 0));
  EXPECT_EQ(IpiWriteImageFile(sys_, colour.get(), path.c_str(), kFormatGif, nullptr, 0), kIpiMismatchObjectClass);
}

TEST_F(GifFileTest, RefusesDamagedFilesAndEveryCutIntoTheImage) {
  GifBuilder good;
  good.extensions = {0x21, 0xF9, 0x04, 0x01, 0x00, 0x00, 0x02, 0x00, 0x21, 0xFE, 0x02, 'h', 'i', 0x00};
  const Bytes file = good.Build();
  const struct {
    const char* name;
    size_t offset;
    uint8_t value;
  } kDamage[] = {
      {"signature", 3, '9' + 1},
      {"version letter", 4, '8'},
      {"graphic control shorter than 4", 13 + 12 + 2, 0x03},
      {"no image separator", 13 + 12 + 14, 0x2B},
      {"width 0", 13 + 12 + 14 + 5, 0x00},
  };
  for (const auto& d : kDamage) {
    SCOPED_TRACE(d.name);
    Bytes bad = file;
    bad.at(d.offset) = d.value;
    if (std::string(d.name) == "width 0") bad.at(d.offset + 1) = 0;
    ScopedObject holder(sys_, Holder());
    const intptr_t width_before = Get(holder.get(), "xDimension");
    EXPECT_EQ(ReadMemory(bad, holder.get()), kIpiSyntaxError);
    EXPECT_EQ(Get(holder.get(), "xDimension"), width_before);  // nothing set from a refused file
  }

  // Every cut before the end of the code stream is refused; the trailer
  // alone may be missing.
  for (size_t cut = 1; cut < file.size(); ++cut) {
    SCOPED_TRACE(cut);
    const Bytes prefix(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut));
    ScopedObject holder(sys_, Holder());
    EXPECT_EQ(ReadMemory(prefix, holder.get()), cut == file.size() - 1 ? 0 : kIpiSyntaxError);
  }
  ScopedObject holder(sys_, Holder());
  EXPECT_EQ(ReadMemory(file, holder.get()), 0);
  EXPECT_EQ(Get(holder.get(), "transparency"), 1);
  EXPECT_EQ(Get(holder.get(), "transparencyPaletteIndex"), 2);
}

TEST_F(GifFileTest, HeaderPassSetsAttributesOnlyAndThePixelsEndWithNoCoder) {
  GifBuilder gif;
  gif.global_code = 2;  // 8 colours: 3 bits
  gif.code_size = 3;
  const std::string path = dir_.File("p.gif");
  WriteFileBytes(path, gif.Build());

  ScopedObject header(sys_, Holder());
  ASSERT_EQ(Read(path, header.get(), kReadModeHeader), 0);
  EXPECT_EQ(Get(header.get(), "size"), static_cast<intptr_t>(gif.code.size()));
  EXPECT_EQ(Get(header.get(), "dataPrecision"), 3);

  // Through the read front the header pass works and the decode refuses:
  // no coder exists for compression 136. The precision is widened to 4.
  ScopedObject image(sys_, IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, nullptr, 0));
  EXPECT_EQ(IpiReadFile(sys_, path.c_str(), image.get(), kFormatGif, nullptr, 0), kIpiNonPermissibleOption);
  EXPECT_EQ(Get(image.get(), "xDimension"), 4);
  EXPECT_EQ(Get(image.get(), "dataPrecision"), 4);
  EXPECT_EQ(Get(image.get(), "screenWidth"), 4);
}

}  // namespace
