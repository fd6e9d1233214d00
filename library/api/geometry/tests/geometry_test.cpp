// The geometry entry points through their exported names: orientation against
// netpbm and ImageMagick, windows and fill levels, painting, resizing, bad
// arguments and damaged handles; and the page resampling used by file
// conversion.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "Pelrith.h"
#include "api/frame/call_frame.h"
#include "api/frame/packed_bitmap.h"
#include "api/geometry/composite_resampling.h"
#include "core/objects/address_space.h"
#include "core/objects/attributes.h"
#include "core/objects/composite_array.h"
#include "packed_dib.h"
#include "tests/support/test_support.h"

namespace {

using api_testing::DibImage;
using api_testing::DibSpec;
using api_testing::MakeDib;
using api_testing::ReadDib;
using api_testing::Rgb;
using api_testing::ScopedHandle;

// An asymmetric pattern: neighbouring samples differ wherever the depth allows.
uint32_t Pattern(int32_t bits, int32_t x, int32_t y) {
  const uint32_t v = static_cast<uint32_t>(x * 5 + y * 11 + x * y * 3 + 1);
  if (bits == 1) return (x + 2 * y + x * y) % 3 == 0 ? 1u : 0u;
  return bits == 24 ? (v * 0x0B0705u) & 0xFFFFFF : v % (1u << bits);
}

HGLOBAL PatternDib(int32_t bits, int32_t width, int32_t height) {
  return MakeDib({bits, width, height, {}}, [bits](int32_t x, int32_t y) { return Pattern(bits, x, y); });
}

using Operation = std::function<HGLOBAL(HGLOBAL source, int32_t* status)>;

// Runs `op` and decodes its result; fails the test when the call fails.
DibImage RunOn(const Operation& op, HGLOBAL source) {
  int32_t status = -5;
  ScopedHandle result(op(source, &status));
  EXPECT_EQ(status, 0);
  if (result.get() == 0) return {};
  return ReadDib(result.get());
}

std::vector<Rgb> Colours(const DibImage& image) {
  std::vector<Rgb> out;
  for (int32_t y = 0; y < image.height; ++y) {
    for (int32_t x = 0; x < image.width; ++x) out.push_back(image.Colour(x, y));
  }
  return out;
}

// The picture as an independent program turns or flips it; `command` holds
// {in} where the input file goes and writes a PNM to stdout.
api_testing::PnmImage Oracle(const DibImage& image, const std::string& command) {
  testing_support::ScopedTempDir dir;
  const std::string input = dir.File("in.ppm");
  const std::string ppm = api_testing::ToPpm(image);
  testing_support::WriteFileBytes(input, std::vector<uint8_t>(ppm.begin(), ppm.end()));
  std::string line = command;
  line.replace(line.find("{in}"), 4, input);
  std::string output;
  EXPECT_EQ(testing_support::RunCommand(line, &output), 0) << line;
  return api_testing::ParsePnm(output);
}

// --- orientation ---------------------------------------------------------

struct OrientationCase {
  const char* name;
  const char* oracle;
  bool swaps_sides;  // width and height exchanged
  std::function<HGLOBAL(HGLOBAL, int32_t w, int32_t h, int32_t*)> call;
};

const OrientationCase kOrientationCases[] = {
    {"rotate 1 turn", "pamflip -cw {in}", true,
     [](HGLOBAL s, int32_t w, int32_t h, int32_t* st) { return CmiRotate(s, w, h, 1, nullptr, 0, st); }},
    {"rotate 2 turns", "pamflip -r180 {in}", false,
     [](HGLOBAL s, int32_t w, int32_t h, int32_t* st) { return CmiRotate(s, w, h, 2, nullptr, 0, st); }},
    {"rotate 3 turns", "pamflip -ccw {in}", true,
     [](HGLOBAL s, int32_t w, int32_t h, int32_t* st) { return CmiRotate(s, w, h, 3, nullptr, 0, st); }},
    {"rotate 90 degrees", "convert-im6.q16 {in} -rotate 90 -depth 8 ppm:-", true,
     [](HGLOBAL s, int32_t w, int32_t h, int32_t* st) { return CmiRotateArbitrary(s, w, h, 90.0, nullptr, 0, st); }},
    {"rotate 180 degrees", "convert-im6.q16 {in} -rotate 180 -depth 8 ppm:-", false,
     [](HGLOBAL s, int32_t w, int32_t h, int32_t* st) { return CmiRotateArbitrary(s, w, h, 180.0, nullptr, 0, st); }},
    {"rotate -90 degrees", "convert-im6.q16 {in} -rotate 270 -depth 8 ppm:-", true,
     [](HGLOBAL s, int32_t w, int32_t h, int32_t* st) { return CmiRotateArbitrary(s, w, h, -90.0, nullptr, 0, st); }},
    {"rotate 450 degrees, bilinear", "convert-im6.q16 {in} -rotate 90 -depth 8 ppm:-", true,
     [](HGLOBAL s, int32_t w, int32_t h, int32_t* st) {
       const IpiAttributePair bilinear[] = {{"interpolation", 9}};
       return CmiRotateArbitrary(s, w, h, 450.0, bilinear, 1, st);
     }},
    {"flip 48", "pamflip -tb {in}", false,
     [](HGLOBAL s, int32_t, int32_t, int32_t* st) { return CmiFlip(s, 48, nullptr, 0, st); }},
    {"flip 49", "pamflip -lr {in}", false,
     [](HGLOBAL s, int32_t, int32_t, int32_t* st) { return CmiFlip(s, 49, nullptr, 0, st); }},
};

// Every turn, angle and flip of every depth, with odd widths that leave
// partial bytes and padded rows, against an independent program.
TEST(GeometryOrientation, MatchesIndependentPrograms) {
  for (int32_t bits : {1, 4, 8, 24}) {
    for (int32_t width : {1, 7, 9, 13}) {
      const int32_t height = 3;
      ScopedHandle source(PatternDib(bits, width, height));
      const DibImage original = ReadDib(source.get());
      for (const OrientationCase& c : kOrientationCases) {
        SCOPED_TRACE(testing::Message() << c.name << ", " << bits << " bits, width " << width);
        const int32_t w = c.swaps_sides ? height : width;
        const int32_t h = c.swaps_sides ? width : height;
        const DibImage result =
            RunOn([&](HGLOBAL s, int32_t* st) { return c.call(s, w, h, st); }, source.get());
        ASSERT_EQ(result.bits, bits);
        const api_testing::PnmImage expected = Oracle(original, c.oracle);
        ASSERT_EQ(result.width, expected.width);
        ASSERT_EQ(result.height, expected.height);
        EXPECT_EQ(Colours(result), expected.pixels);
      }
    }
  }
}

// One fixture pins the sense of a clockwise turn for both entry points:
//   a b c       d a
//   d e f  ->   e b
//               f c
TEST(GeometryOrientation, QuarterTurnAndNinetyDegreesAgreeOnAFixture) {
  ScopedHandle source(MakeDib({24, 3, 2, {}}, [](int32_t x, int32_t y) { return 0x100000u * (1 + x + 3 * y); }));
  const uint32_t a = 0x100000, b = 0x200000, c = 0x300000, d = 0x400000, e = 0x500000, f = 0x600000;
  const std::vector<uint32_t> clockwise = {d, a, e, b, f, c};
  const DibImage turned = RunOn([](HGLOBAL s, int32_t* st) { return CmiRotate(s, 2, 3, 1, nullptr, 0, st); },
                              source.get());
  const DibImage rotated =
      RunOn([](HGLOBAL s, int32_t* st) { return CmiRotateArbitrary(s, 2, 3, 90.0, nullptr, 0, st); }, source.get());
  EXPECT_EQ(turned.indices, clockwise);
  EXPECT_EQ(rotated.indices, clockwise);
}

// A canvas larger than the turned picture shows the fill colour; 0 degrees
// is the identity.
TEST(GeometryOrientation, LargerCanvasShowsFillAndZeroIsIdentity) {
  const Rgb white = {255, 255, 255};
  ScopedHandle source(PatternDib(8, 5, 3));
  const DibImage original = ReadDib(source.get());
  const DibImage half = RunOn([](HGLOBAL s, int32_t* st) { return CmiRotate(s, 7, 4, 2, nullptr, 0, st); }, source.get());
  ASSERT_EQ(half.width, 7);
  for (int32_t y = 0; y < 4; ++y) {
    for (int32_t x = 0; x < 7; ++x) {
      SCOPED_TRACE(testing::Message() << x << "," << y);
      if (x < 5 && y < 3) {
        EXPECT_EQ(half.Colour(x, y), original.Colour(4 - x, 2 - y));
      } else {
        EXPECT_EQ(half.Colour(x, y), white);
      }
    }
  }
  for (int32_t bits : {1, 4, 24}) {
    ScopedHandle s(PatternDib(bits, 9, 4));
    const DibImage same =
        RunOn([](HGLOBAL h, int32_t* st) { return CmiRotateArbitrary(h, 9, 4, 0.0, nullptr, 0, st); }, s.get());
    EXPECT_EQ(same.indices, ReadDib(s.get()).indices) << bits;
  }
}

// Only the rectangle of the options is mirrored.
TEST(GeometryOrientation, FlipOfARectangle) {
  ScopedHandle source(PatternDib(4, 9, 5));
  const DibImage original = ReadDib(source.get());
  const IpiAttributePair rect[] = {{"sourceXPoint", 2}, {"sourceYPoint", 1}, {"sourceWidth", 5}, {"sourceHeight", 3}};
  const DibImage flipped =
      RunOn([&](HGLOBAL s, int32_t* st) { return CmiFlip(s, 49, rect, 4, st); }, source.get());
  for (int32_t y = 0; y < 5; ++y) {
    for (int32_t x = 0; x < 9; ++x) {
      const bool inside = x >= 2 && x < 7 && y >= 1 && y < 4;
      EXPECT_EQ(flipped.Index(x, y), original.Index(inside ? 2 + 6 - x : x, y)) << x << "," << y;
    }
  }
}

// Skew by 0 copies the source; a skew moves each row by its share of the
// shear, and what it uncovers shows the fill colour.
TEST(GeometryOrientation, Skew) {
  ScopedHandle source(PatternDib(8, 4, 3));
  const DibImage original = ReadDib(source.get());
  for (int32_t direction : {48, 49}) {
    const DibImage same =
        RunOn([&](HGLOBAL s, int32_t* st) { return CmiSkew(s, 4, 3, direction, 0.0, nullptr, 0, st); }, source.get());
    EXPECT_EQ(same.indices, original.indices) << direction;
  }
  // 45 degrees along x onto a 6 x 3 canvas: the source sits at the right; row
  // y shows it moved left by y... and by 2 - y from the right edge.
  const DibImage sheared =
      RunOn([](HGLOBAL s, int32_t* st) { return CmiSkew(s, 6, 3, 48, 45.0, nullptr, 0, st); }, source.get());
  ASSERT_EQ(sheared.width, 6);
  for (int32_t y = 0; y < 3; ++y) {
    for (int32_t x = 0; x < 6; ++x) {
      const int32_t from = x + y - 2;  // column of the source
      const uint32_t expected = from >= 0 && from < 4 ? original.Index(from, y) : 255u;
      EXPECT_EQ(sheared.Index(x, y), expected) << x << "," << y;
    }
  }
}

// --- windows, fill levels and painting -----------------------------------

// A window copied at its own size is an exact cut-out, whatever the
// interpolation; a window smaller than the new bitmap leaves the rest in the
// fill colour, also when it only moves the source by a few samples.
TEST(GeometryWindows, SubsampleCutOutsAndFill) {
  struct Case {
    const char* name;
    int32_t bits, src_x, src_y, src_w, src_h, w, h, dst_x, dst_y, dst_w, dst_h, interpolation;
    std::vector<IpiAttributePair> options;
    uint32_t fill;  // index, or 0xRRGGBB
  };
  const Case cases[] = {
      {"cut-out, B-spline", 8, 2, 1, 5, 3, 5, 3, 0, 0, 5, 3, 10, {}, 255},
      {"cut-out 1 bit", 1, 3, 0, 9, 2, 9, 2, 0, 0, 9, 2, 9, {}, 1},
      {"window in a canvas", 24, 1, 1, 3, 2, 7, 5, 2, 2, 3, 2, 8, {}, 0xFFFFFF},
      {"moved whole window", 8, 0, 0, 13, 4, 13, 4, 2, 1, 13, 4, 8, {{"constantLevel", 7}}, 7},
      {"moved whole window, 1 bit", 1, 0, 0, 13, 4, 13, 4, 3, 1, 13, 4, 8, {{"constantLevel", 0}}, 0},
      {"levels per band", 24, 0, 0, 2, 2, 4, 4, 1, 1, 2, 2, 8,
       {{"constantLevel", 10}, {"constantLevel2", 20}, {"constantLevel3", 30}}, 0x0A141E},
      {"4-bit default white", 4, 1, 0, 3, 2, 7, 3, 4, 1, 3, 2, 8, {}, 15},
      {"4-bit level", 4, 1, 0, 3, 2, 7, 3, 4, 1, 3, 2, 8, {{"constantLevel", 6}}, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedHandle source(PatternDib(c.bits, 13, 4));
    const DibImage original = ReadDib(source.get());
    const DibImage result = RunOn(
        [&](HGLOBAL s, int32_t* st) {
          return CmiSubsample(s, c.src_x, c.src_y, c.src_w, c.src_h, c.w, c.h, c.dst_x, c.dst_y, c.dst_w, c.dst_h,
                              c.interpolation, 0, c.options.data(), static_cast<int32_t>(c.options.size()), st);
        },
        source.get());
    ASSERT_EQ(result.width, c.w);
    ASSERT_EQ(result.height, c.h);
    ASSERT_EQ(result.bits, c.bits);
    for (int32_t y = 0; y < c.h; ++y) {
      for (int32_t x = 0; x < c.w; ++x) {
        const bool inside = x >= c.dst_x && x < c.dst_x + c.dst_w && y >= c.dst_y && y < c.dst_y + c.dst_h;
        const uint32_t expected =
            inside ? original.Index(c.src_x + x - c.dst_x, c.src_y + y - c.dst_y) : c.fill;
        ASSERT_EQ(result.Index(x, y), expected) << x << "," << y;
      }
    }
  }
}

// The default fill is the palette's white: index 0 of (white, black), 1 of
// (black, white), 255 in every band without a palette. A rectangle is painted
// and nothing else changes.
TEST(GeometryWindows, ConstantPaintsTheDefaultOrGivenLevels) {
  struct Case {
    const char* name;
    int32_t bits;
    std::vector<Rgb> palette;
    int32_t levels[3];
    uint32_t painted;
  };
  const Case cases[] = {
      {"1 bit (white, black)", 1, {{255, 255, 255}, {0, 0, 0}}, {-1, -1, -1}, 0},
      {"1 bit (black, white)", 1, {{0, 0, 0}, {255, 255, 255}}, {-1, -1, -1}, 1},
      {"1 bit level 1", 1, {{255, 255, 255}, {0, 0, 0}}, {1, -1, -1}, 1},
      {"8 bit grey ramp", 8, {}, {-1, -1, -1}, 255},
      {"8 bit level", 8, {}, {42, -1, -1}, 42},
      {"4 bit", 4, {}, {-1, -1, -1}, 15},
      {"24 bit, no palette", 24, {}, {-1, -1, -1}, 0xFFFFFF},
      {"24 bit levels", 24, {}, {1, 2, 3}, 0x010203},
      {"24 bit, one default", 24, {}, {1, -1, 3}, 0x01FF03},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedHandle source(MakeDib({c.bits, 9, 4, c.palette}, [&](int32_t x, int32_t y) {
      return c.bits == 1 ? static_cast<uint32_t>(x + y) % 2 : Pattern(c.bits, x, y);
    }));
    const DibImage original = ReadDib(source.get());
    const DibImage result = RunOn(
        [&](HGLOBAL s, int32_t* st) {
          return CmiConstant(s, 2, 1, 5, 2, c.levels[0], c.levels[1], c.levels[2], nullptr, 0, st);
        },
        source.get());
    ASSERT_EQ(result.width, 9);
    for (int32_t y = 0; y < 4; ++y) {
      for (int32_t x = 0; x < 9; ++x) {
        const bool inside = x >= 2 && x < 7 && y >= 1 && y < 3;
        ASSERT_EQ(result.Index(x, y), inside ? c.painted : original.Index(x, y)) << x << "," << y;
      }
    }
  }
}

// Resizing to the same size is the identity for the kernels that interpolate;
// 2 x 2 to 1 x 1 bilinear is the rounded mean.
TEST(GeometryWindows, ResizeIdentityAndAKnownCase) {
  for (int32_t bits : {1, 4, 8, 24}) {
    for (int32_t interpolation : {8, 9, 11}) {
      if (bits == 1 && interpolation == 11) continue;
      ScopedHandle source(PatternDib(bits, 7, 3));
      const DibImage same = RunOn(
          [&](HGLOBAL s, int32_t* st) { return CmiResize(s, 7, 3, interpolation, 0, nullptr, 0, st); },
          source.get());
      EXPECT_EQ(same.indices, ReadDib(source.get()).indices) << bits << " bits, interpolation " << interpolation;
    }
  }
  const uint32_t values[4] = {10, 20, 30, 41};
  ScopedHandle square(MakeDib({8, 2, 2, {}}, [&](int32_t x, int32_t y) { return values[2 * y + x]; }));
  const DibImage mean =
      RunOn([](HGLOBAL s, int32_t* st) { return CmiResize(s, 1, 1, 9, 0, nullptr, 0, st); }, square.get());
  ASSERT_EQ(mean.indices.size(), 1u);
  EXPECT_EQ(mean.indices[0], 25u);  // 25.25
  const DibImage doubled =
      RunOn([](HGLOBAL s, int32_t* st) { return CmiResize(s, 4, 4, 8, 0, nullptr, 0, st); }, square.get());
  EXPECT_EQ(doubled.indices, (std::vector<uint32_t>{10, 10, 20, 20, 10, 10, 20, 20, 30, 30, 41, 41, 30, 30, 41, 41}));
}

// Intermediate images kept in temporary files give the same result and leave
// no file behind.
TEST(GeometryWindows, FileRepositoryGivesTheSameResult) {
  ScopedHandle source(PatternDib(24, 9, 5));
  const IpiAttributePair files[] = {{"repository", 0}};
  const std::vector<std::string> files_before = testing_support::LibraryTempFiles();
  const DibImage in_memory =
      RunOn([](HGLOBAL s, int32_t* st) { return CmiRotateArbitrary(s, 5, 9, 90.0, nullptr, 0, st); }, source.get());
  const DibImage in_files =
      RunOn([&](HGLOBAL s, int32_t* st) { return CmiRotateArbitrary(s, 5, 9, 90.0, files, 1, st); }, source.get());
  EXPECT_EQ(in_files.indices, in_memory.indices);
  EXPECT_EQ(testing_support::LibraryTempFiles(), files_before);
}

// --- bad arguments and damaged handles -----------------------------------

struct RefusalCase {
  const char* name;
  std::function<HGLOBAL(HGLOBAL, int32_t*)> call;
  int32_t status;
};

double NaN() { return std::numeric_limits<double>::quiet_NaN(); }

const std::vector<RefusalCase>& RefusalCases() {
  static const IpiAttributePair level_300[] = {{"constantLevel", 300}};
  static const IpiAttributePair interpolation_10[] = {{"interpolation", 10}};
  static const IpiAttributePair outside[] = {{"sourceXPoint", 6}, {"sourceWidth", 4}};
  static const std::vector<RefusalCase> cases = {
      {"resize width 0", [](HGLOBAL h, int32_t* s) { return CmiResize(h, 0, 3, 8, 0, nullptr, 0, s); }, -100},
      {"resize interpolation 7", [](HGLOBAL h, int32_t* s) { return CmiResize(h, 3, 3, 7, 0, nullptr, 0, s); }, -100},
      {"resize morphology 1", [](HGLOBAL h, int32_t* s) { return CmiResize(h, 3, 3, 8, 1, nullptr, 0, s); }, -100},
      {"resize beyond the limits",
       [](HGLOBAL h, int32_t* s) { return CmiResize(h, 1 << 20, 1 << 20, 8, 0, nullptr, 0, s); }, 3},
      {"rotate turns 0", [](HGLOBAL h, int32_t* s) { return CmiRotate(h, 3, 3, 0, nullptr, 0, s); }, -100},
      {"rotate turns 4", [](HGLOBAL h, int32_t* s) { return CmiRotate(h, 3, 3, 4, nullptr, 0, s); }, -100},
      {"rotate height -1", [](HGLOBAL h, int32_t* s) { return CmiRotate(h, 3, -1, 1, nullptr, 0, s); }, -100},
      {"rotate level 300", [](HGLOBAL h, int32_t* s) { return CmiRotate(h, 3, 3, 1, level_300, 1, s); }, -100},
      {"angle NaN", [](HGLOBAL h, int32_t* s) { return CmiRotateArbitrary(h, 3, 3, NaN(), nullptr, 0, s); }, -100},
      {"angle infinite",
       [](HGLOBAL h, int32_t* s) {
         return CmiRotateArbitrary(h, 3, 3, std::numeric_limits<double>::infinity(), nullptr, 0, s);
       },
       -100},
      {"rotation interpolation 10",
       [](HGLOBAL h, int32_t* s) { return CmiRotateArbitrary(h, 3, 3, 10.0, interpolation_10, 1, s); }, -100},
      {"flip direction 0", [](HGLOBAL h, int32_t* s) { return CmiFlip(h, 0, nullptr, 0, s); }, -100},
      {"flip pairs missing", [](HGLOBAL h, int32_t* s) { return CmiFlip(h, 48, nullptr, 2, s); }, -100},
      {"skew 90 degrees", [](HGLOBAL h, int32_t* s) { return CmiSkew(h, 3, 3, 48, 90.0, nullptr, 0, s); }, -100},
      {"skew -90 degrees", [](HGLOBAL h, int32_t* s) { return CmiSkew(h, 3, 3, 49, -90.0, nullptr, 0, s); }, -100},
      {"skew direction 50", [](HGLOBAL h, int32_t* s) { return CmiSkew(h, 3, 3, 50, 10.0, nullptr, 0, s); }, -100},
      {"skew NaN", [](HGLOBAL h, int32_t* s) { return CmiSkew(h, 3, 3, 48, NaN(), nullptr, 0, s); }, -100},
      {"subsample source width 0",
       [](HGLOBAL h, int32_t* s) { return CmiSubsample(h, 0, 0, 0, 2, 4, 4, 0, 0, 4, 4, 8, 0, nullptr, 0, s); },
       -100},
      {"subsample destination window starts outside",
       [](HGLOBAL h, int32_t* s) { return CmiSubsample(h, 0, 0, 2, 2, 4, 4, 4, 0, 2, 2, 8, 0, nullptr, 0, s); },
       -100},
      {"subsample negative destination",
       [](HGLOBAL h, int32_t* s) { return CmiSubsample(h, 0, 0, 2, 2, 4, 4, -1, 0, 2, 2, 8, 0, nullptr, 0, s); },
       -100},
      {"subsample interpolation 12",
       [](HGLOBAL h, int32_t* s) { return CmiSubsample(h, 0, 0, 2, 2, 4, 4, 0, 0, 4, 4, 12, 0, nullptr, 0, s); },
       -100},
      {"subsample morphology 14",
       [](HGLOBAL h, int32_t* s) { return CmiSubsample(h, 0, 0, 2, 2, 4, 4, 0, 0, 4, 4, 8, 14, nullptr, 0, s); },
       -100},
      {"constant level 256",
       [](HGLOBAL h, int32_t* s) { return CmiConstant(h, 0, 0, 2, 2, 256, -1, -1, nullptr, 0, s); }, -100},
      {"constant height 0",
       [](HGLOBAL h, int32_t* s) { return CmiConstant(h, 0, 0, 2, 0, 1, 1, 1, nullptr, 0, s); }, -100},
      // Windows checked against the bitmap once it is locked.
      {"subsample source window past the bitmap",
       [](HGLOBAL h, int32_t* s) { return CmiSubsample(h, 5, 0, 4, 2, 4, 4, 0, 0, 4, 4, 8, 0, nullptr, 0, s); },
       -100},
      {"constant rectangle past the bitmap",
       [](HGLOBAL h, int32_t* s) { return CmiConstant(h, 6, 0, 3, 2, 1, 1, 1, nullptr, 0, s); }, -100},
      {"flip rectangle past the bitmap", [](HGLOBAL h, int32_t* s) { return CmiFlip(h, 48, outside, 2, s); }, -100},
  };
  return cases;
}

bool ChecksBeforeLocking(const RefusalCase& c) { return std::strstr(c.name, "past the bitmap") == nullptr; }

// Each refusal gives its status and no result, leaves the caller's handle
// unlocked and usable, and comes before the handle is touched (a freed
// handle still gives the argument's status, not -1).
TEST(GeometryRefusals, BadArguments) {
  ScopedHandle source(PatternDib(8, 8, 4));
  HGLOBAL freed = PatternDib(8, 8, 4);
  ASSERT_EQ(GlobalFree(freed), 0u);
  for (const RefusalCase& c : RefusalCases()) {
    SCOPED_TRACE(c.name);
    int32_t status = 0;
    EXPECT_EQ(c.call(source.get(), &status), 0u);
    EXPECT_EQ(status, c.status);
    ASSERT_NE(GlobalLock(source.get()), nullptr);
    EXPECT_EQ(GlobalUnlock(source.get()), 0) << "the caller's handle was left locked";
    EXPECT_EQ(c.call(source.get(), nullptr), 0u) << "a null status is tolerated";
    if (ChecksBeforeLocking(c)) {
      status = 0;
      EXPECT_EQ(c.call(freed, &status), 0u);
      EXPECT_EQ(status, c.status);
    }
  }
}

// Every entry point refuses null, freed, short and damaged handles.
TEST(GeometryRefusals, DamagedHandles) {
  const std::vector<Operation> calls = {
      [](HGLOBAL h, int32_t* s) { return CmiResize(h, 3, 3, 8, 0, nullptr, 0, s); },
      [](HGLOBAL h, int32_t* s) { return CmiRotate(h, 3, 3, 1, nullptr, 0, s); },
      [](HGLOBAL h, int32_t* s) { return CmiRotateArbitrary(h, 3, 3, 30.0, nullptr, 0, s); },
      [](HGLOBAL h, int32_t* s) { return CmiFlip(h, 49, nullptr, 0, s); },
      [](HGLOBAL h, int32_t* s) { return CmiSkew(h, 3, 3, 48, 20.0, nullptr, 0, s); },
      [](HGLOBAL h, int32_t* s) { return CmiSubsample(h, 0, 0, 1, 1, 2, 2, 0, 0, 2, 2, 8, 0, nullptr, 0, s); },
      [](HGLOBAL h, int32_t* s) { return CmiConstant(h, 0, 0, 1, 1, -1, -1, -1, nullptr, 0, s); },
  };
  struct Damage {
    const char* what;
    size_t offset;
    uint32_t value;
    int32_t status;
  };
  const Damage damages[] = {
      {"header size", 0, 12, -100},
      {"rows past the handle", 8, 5000, -100},
      {"colour table of a million entries", 32, 1000000, -100},
      {"beyond the limits", 4, 0x7FFFFFFF, 3},
  };
  HGLOBAL freed = PatternDib(8, 4, 4);
  ASSERT_EQ(GlobalFree(freed), 0u);
  ScopedHandle tiny(GlobalAlloc(GHND, 10));
  for (size_t i = 0; i < calls.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "entry point " << i);
    int32_t status = 0;
    EXPECT_EQ(calls[i](0, &status), 0u);
    EXPECT_EQ(status, -1);
    EXPECT_EQ(calls[i](freed, &status), 0u);
    EXPECT_EQ(status, -1);
    EXPECT_EQ(calls[i](tiny.get(), &status), 0u);
    EXPECT_EQ(status, -100);
    for (const Damage& d : damages) {
      ScopedHandle source(PatternDib(8, 4, 4));
      auto* bytes = static_cast<uint8_t*>(GlobalLock(source.get()));
      std::memcpy(bytes + d.offset, &d.value, 4);
      GlobalUnlock(source.get());
      EXPECT_EQ(calls[i](source.get(), &status), 0u) << d.what;
      EXPECT_EQ(status, d.status) << d.what;
    }
  }
}

// --- pages of a composite array ------------------------------------------

// A context holding packed bitmaps as the pages of a composite array.
class PageContext {
 public:
  PageContext() {
    EXPECT_TRUE(call_.OpenContext());
    sys_ = call_.sys();
  }
  IpiSystem* sys() const { return sys_; }

  IpiObject* Import(HGLOBAL handle) {
    const CmiSource* source = call_.LockSource(handle);
    EXPECT_NE(source, nullptr);
    return source != nullptr ? call_.ImportSource(*source, nullptr, nullptr) : nullptr;
  }
  IpiObject* Array(const std::vector<IpiObject*>& pages) {
    IpiObject* array = call_.CreateObject(nullptr, &kCompositeIdArrayClass, nullptr,
                                          {{"entries", static_cast<intptr_t>(pages.size())}});
    EXPECT_NE(array, nullptr);
    for (size_t i = 0; i < pages.size(); ++i) {
      EXPECT_EQ(IpiPutCompositeElement(sys_, pages[i], array, static_cast<int64_t>(i)), 0);
    }
    return array;
  }
  DibImage Page(IpiObject* array, int64_t index) {
    IpiObject* page = IpiGetCompositeElement(sys_, array, index);
    EXPECT_NE(page, nullptr);
    int32_t status = 0;
    ScopedHandle handle(ObjectToPackedDib(sys_, page, &status));
    EXPECT_EQ(status, 0);
    return handle.get() != 0 ? ReadDib(handle.get()) : DibImage{};
  }

 private:
  int32_t status_ = 0;
  CmiCall call_{&status_, nullptr, 0};
  IpiSystem* sys_ = nullptr;
};

// A page and a packed bitmap given the same windows come out alike; pages
// of different sizes each take their own whole window.
TEST(CompositeResampling, PagesMatchTheSubsampleEntryPoint) {
  ScopedHandle first(PatternDib(8, 9, 5));
  ScopedHandle second(PatternDib(24, 7, 3));
  PageContext context;
  IpiObject* source = context.Array({context.Import(first.get()), context.Import(second.get())});
  IpiObject* destination = context.Array({nullptr, nullptr});
  const IpiAttributePair level[] = {{"constantLevel", 3}};
  CompositeResampling how;
  how.width = 11;
  how.height = 6;
  how.destination = {1, 2, 4, 3};
  how.interpolation = 9;
  int32_t status = -5;
  ASSERT_EQ(ResampleComposite(context.sys(), source, destination, how, CmiOptions(level, 1), &status), 0);
  EXPECT_EQ(status, 0);
  const HGLOBAL handles[2] = {first.get(), second.get()};
  const int32_t sizes[2][2] = {{9, 5}, {7, 3}};
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    const DibImage expected = RunOn(
        [&](HGLOBAL s, int32_t* st) {
          return CmiSubsample(s, 0, 0, sizes[i][0], sizes[i][1], 11, 6, 1, 2, 4, 3, 9, 0, level, 1, st);
        },
        handles[i]);
    EXPECT_EQ(context.Page(destination, i).indices, expected.indices);
  }
  // Nothing to change: the page itself goes across.
  CompositeResampling keep;
  ASSERT_EQ(ResampleComposite(context.sys(), source, destination, keep, CmiOptions(nullptr, 0), nullptr), 0);
  EXPECT_EQ(IpiGetCompositeElement(context.sys(), destination, 1), IpiGetCompositeElement(context.sys(), source, 1));
  how.interpolation = 12;
  EXPECT_EQ(ResampleComposite(context.sys(), source, destination, how, CmiOptions(nullptr, 0), &status), -100);
  EXPECT_EQ(status, -100);
  how.interpolation = 8;
  how.source = {8, 0, 3, 1};  // past the second page
  EXPECT_EQ(ResampleComposite(context.sys(), source, destination, how, CmiOptions(nullptr, 0), &status), -100);
}

// Pages placed on a canvas keep their size and show the fill levels around
// them; a page reaching past the canvas is cut off.
TEST(CompositeResampling, PlaceOnCanvas) {
  ScopedHandle page(PatternDib(24, 4, 3));
  const DibImage original = ReadDib(page.get());
  PageContext context;
  IpiObject* pages = context.Array({context.Import(page.get())});
  const IpiAttributePair levels[] = {{"constantLevel", 1}, {"constantLevel2", 2}, {"constantLevel3", 3}};
  struct Case { int64_t x, y; };
  for (const Case& c : {Case{2, 1}, Case{5, 3}, Case{0, 0}}) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    IpiObject* canvas = context.Array({nullptr});
    ASSERT_EQ(PlaceOnCanvas(context.sys(), pages, canvas, 7, 5, c.x, c.y, CmiOptions(levels, 3), nullptr), 0);
    const DibImage placed = context.Page(canvas, 0);
    ASSERT_EQ(placed.width, 7);
    ASSERT_EQ(placed.height, 5);
    for (int32_t y = 0; y < 5; ++y) {
      for (int32_t x = 0; x < 7; ++x) {
        const bool inside = x >= c.x && x < c.x + 4 && y >= c.y && y < c.y + 3;
        ASSERT_EQ(placed.Index(x, y), inside ? original.Index(x - c.x, y - c.y) : 0x010203u) << x << "," << y;
      }
    }
  }
  const IpiAttributePair too_bright[] = {{"constantLevel", 256}};
  EXPECT_EQ(PlaceOnCanvas(context.sys(), pages, pages, 7, 5, 0, 0, CmiOptions(too_bright, 1), nullptr), -100);
  EXPECT_EQ(PlaceOnCanvas(context.sys(), pages, pages, 0, 5, 0, 0, CmiOptions(nullptr, 0), nullptr), -100);
}

// With "byteBoundary" on, 1-bit pages arrive widened to whole bytes; they are
// resampled at their true width and come out widened again with the padding
// clear.
TEST(CompositeResampling, WidenedBilevelPages) {
  ScopedHandle page(MakeDib({1, 11, 3, {{0, 0, 0}, {255, 255, 255}}}, [](int32_t x, int32_t y) {
    return static_cast<uint32_t>(x + y) % 3 == 0 ? 1u : 0u;
  }));
  const DibImage original = ReadDib(page.get());
  PageContext context;
  const IpiAttribute byte_boundary[] = {{"byteBoundary", 256}};
  ASSERT_EQ(IpiSetSystemAttributes(context.sys(), byte_boundary, 1), 0);
  IpiObject* imported = context.Import(page.get());
  ASSERT_EQ(IpiInquireAttribute(context.sys(), imported, "xDimension"), 16);
  IpiObject* pages = context.Array({imported});
  IpiObject* out = context.Array({nullptr});
  CompositeResampling how;
  how.width = 13;  // a filled column of white on each side of the page
  how.destination = {1, 0, 11, 3};
  ASSERT_EQ(ResampleComposite(context.sys(), pages, out, how, CmiOptions(nullptr, 0), nullptr), 0);
  IpiObject* result = IpiGetCompositeElement(context.sys(), out, 0);
  EXPECT_EQ(IpiInquireAttribute(context.sys(), result, "xDimension"), 16);
  EXPECT_EQ(IpiInquireAttribute(context.sys(), result, "widthByteBoundary"), 13);
  const DibImage resampled = context.Page(out, 0);
  ASSERT_EQ(resampled.width, 13);
  for (int32_t y = 0; y < 3; ++y) {
    for (int32_t x = 0; x < 13; ++x) {
      const uint32_t expected = x >= 1 && x < 12 ? original.Index(x - 1, y) : 1u;
      ASSERT_EQ(resampled.Index(x, y), expected) << x << "," << y;
    }
  }
  // The padding bits of the widened rows are clear.
  std::vector<uint8_t> bytes(2 * 3);
  const IpiAttribute size[] = {{"size", static_cast<intptr_t>(bytes.size())}};
  ASSERT_EQ(IpiExportToAddressSpace(context.sys(), result, bytes.data(), size, 1), 0);
  for (int32_t y = 0; y < 3; ++y) EXPECT_EQ(bytes[2 * y + 1] & 0x07, 0) << y;
}

}  // namespace
