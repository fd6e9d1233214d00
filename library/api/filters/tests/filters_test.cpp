// The blend, calculate and neighbourhood-filter entry points on small bitmaps
// built here: values worked out by hand or by ImageMagick, flat images,
// rectangles, the modes each entry point takes, and refused arguments.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "Pelrith.h"
#include "packed_dib.h"
#include "plat/fault_injection.h"
#include "tests/support/test_support.h"

namespace {

using api_testing::DibImage;
using api_testing::DibSpec;
using api_testing::MakeDib;
using api_testing::ReadDib;
using api_testing::ScopedHandle;
using Grey = std::vector<uint32_t>;  // row-major, top row first

// One filter entry point with fixed values: (handle, mode, pairs, n, status).
using FilterCall = std::function<HGLOBAL(HGLOBAL, int32_t, const IpiAttributePair*, int32_t, int32_t*)>;

struct Filter {
  const char* name;
  FilterCall call;
};

const std::vector<Filter>& Filters() {
  static const std::vector<Filter> filters = {
      {"blur", [](HGLOBAL h, int32_t m, const IpiAttributePair* p, int32_t n,
                  int32_t* s) { return CmiBlur(h, m, p, n, s); }},
      {"sharpen", [](HGLOBAL h, int32_t m, const IpiAttributePair* p, int32_t n,
                     int32_t* s) { return CmiSharpen(h, m, p, n, s); }},
      {"median", [](HGLOBAL h, int32_t m, const IpiAttributePair* p, int32_t n,
                    int32_t* s) { return CmiMedian(h, m, 1, p, n, s); }},
      {"median7", [](HGLOBAL h, int32_t m, const IpiAttributePair* p, int32_t n,
                     int32_t* s) { return CmiMedian(h, m, 7, p, n, s); }},
      {"findEdges", [](HGLOBAL h, int32_t m, const IpiAttributePair* p, int32_t n,
                       int32_t* s) { return CmiFindEdges(h, m, p, n, s); }},
      {"edgeEnhance", [](HGLOBAL h, int32_t m, const IpiAttributePair* p, int32_t n,
                         int32_t* s) { return CmiEdgeEnhance(h, m, p, n, s); }},
      {"edgeDetection54", [](HGLOBAL h, int32_t m, const IpiAttributePair* p, int32_t n,
                             int32_t* s) { return CmiEdgeDetection(h, m, 54, p, n, s); }},
      {"edgeDetection55", [](HGLOBAL h, int32_t m, const IpiAttributePair* p, int32_t n,
                             int32_t* s) { return CmiEdgeDetection(h, m, 55, p, n, s); }},
      {"rankMax", [](HGLOBAL h, int32_t m, const IpiAttributePair* p, int32_t n,
                     int32_t* s) { return CmiRankOrder(h, m, 52, 1, p, n, s); }},
      {"rankMin", [](HGLOBAL h, int32_t m, const IpiAttributePair* p, int32_t n,
                     int32_t* s) { return CmiRankOrder(h, m, 53, 2, p, n, s); }},
      {"emboss", [](HGLOBAL h, int32_t m, const IpiAttributePair* p, int32_t n,
                    int32_t* s) { return CmiEmboss(h, m, p, n, s); }},
  };
  return filters;
}

const Filter& FindFilter(const std::string& name) {
  for (const Filter& f : Filters()) {
    if (name == f.name) return f;
  }
  throw std::runtime_error("no filter " + name);
}

HGLOBAL MakeGrey(int32_t width, int32_t height, const Grey& values) {
  return MakeDib({8, width, height, {}}, [&](int32_t x, int32_t y) { return values[y * width + x]; });
}

uint32_t Pattern(int32_t bits, int32_t x, int32_t y) {
  const uint32_t v = static_cast<uint32_t>(x * 37 + y * 91 + x * y * 5 + 3);
  return bits == 24 ? (v * 0x2F1B07u) & 0xFFFFFF : v % (1u << bits);
}

HGLOBAL MakePattern(int32_t bits, int32_t width, int32_t height) {
  return MakeDib({bits, width, height, {}}, [bits](int32_t x, int32_t y) { return Pattern(bits, x, y); });
}

int32_t ModeFor(int32_t bits) { return bits == 24 ? 18 : 17; }

// Runs a filter that must succeed and decodes its result.
DibImage RunFilter(const std::string& name, HGLOBAL source, int32_t mode,
                   const std::vector<IpiAttributePair>& pairs = {}) {
  int32_t status = 99;
  ScopedHandle result(FindFilter(name).call(source, mode, pairs.data(), static_cast<int32_t>(pairs.size()), &status));
  EXPECT_EQ(status, 0) << name;
  if (result.get() == 0) return {};
  return ReadDib(result.get());
}

// --- oracle ----------------------------------------------------------------------------

// A grey image as a binary PGM and back through ImageMagick.
std::string ToPgm(int32_t width, int32_t height, const Grey& values) {
  std::string pgm = "P5\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
  for (uint32_t v : values) pgm.push_back(static_cast<char>(v));
  return pgm;
}

Grey ImageMagickStatistic(const std::string& statistic, int32_t side, int32_t width, int32_t height,
                          const Grey& values) {
  testing_support::ScopedTempDir dir;
  const std::string in = dir.File("in.pgm");
  const std::string pgm = ToPgm(width, height, values);
  testing_support::WriteFileBytes(in, std::vector<uint8_t>(pgm.begin(), pgm.end()));
  const std::string out = dir.File("out.pgm");
  const std::string size = std::to_string(side) + "x" + std::to_string(side);
  EXPECT_EQ(testing_support::RunCommand("convert-im6.q16 " + in + " -statistic " + statistic + " " + size + " " + out),
            0);
  const std::vector<uint8_t> bytes = testing_support::ReadFileBytes(out);
  const api_testing::PnmImage image = api_testing::ParsePnm(std::string(bytes.begin(), bytes.end()));
  Grey grey;
  for (const api_testing::Rgb& p : image.pixels) grey.push_back(p[0]);
  return grey;
}

// --- the neighbourhood filters ---------------------------------------------------------

TEST(FilterEntryPoints, FlatImages) {
  // On a flat image every window holds one value: blur, median, rank,
  // sharpen (3v - 2v) and edge enhance (5v - 4v) keep it, emboss gives the
  // mid-grey offset, the edge kernels give 0 and find edges white.
  struct Case {
    const char* filter;
    uint32_t expected;  // for the flat value 90
  };
  const Case cases[] = {{"blur", 90},        {"median", 90},           {"median7", 90},
                        {"rankMax", 90},     {"rankMin", 90},          {"sharpen", 90},
                        {"edgeEnhance", 90}, {"emboss", 128},          {"edgeDetection54", 0},
                        {"edgeDetection55", 0}, {"findEdges", 255}};
  for (int32_t bits : {8, 24}) {
    const uint32_t flat = bits == 24 ? 0x5A5A5A : 90;
    ScopedHandle source(MakeDib({bits, 7, 5, {}}, [&](int32_t, int32_t) { return flat; }));
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.filter) + " bits " + std::to_string(bits));
      const DibImage out = RunFilter(c.filter, source.get(), ModeFor(bits));
      ASSERT_EQ(out.width, 7);
      ASSERT_EQ(out.height, 5);
      ASSERT_EQ(out.bits, bits);
      const uint32_t expected = bits == 24 ? c.expected * 0x010101u : c.expected;
      for (uint32_t v : out.indices) ASSERT_EQ(v, expected);
    }
  }
}

TEST(FilterEntryPoints, MedianRemovesASpike) {
  Grey values(25, 100);
  values[2 * 5 + 2] = 255;
  values[0] = 0;  // a dark corner outvoted by its mirrored neighbours
  ScopedHandle source(MakeGrey(5, 5, values));
  const DibImage out = RunFilter("median", source.get(), 17);
  ASSERT_EQ(out.indices.size(), 25u);
  for (uint32_t v : out.indices) EXPECT_EQ(v, 100u);
}

TEST(FilterEntryPoints, MedianAndRanksMatchImageMagick) {
  // With a 3 x 3 window the mirrored edge repeats the edge sample, as
  // ImageMagick's default edge does.
  const int32_t w = 9;
  const int32_t h = 7;
  Grey values(w * h);
  for (int32_t i = 0; i < w * h; ++i) values[i] = static_cast<uint32_t>((i * 97 + (i / w) * 31) % 256);
  ScopedHandle source(MakeGrey(w, h, values));
  const struct {
    const char* filter;
    const char* statistic;
  } cases[] = {{"median", "Median"}, {"rankMax", "Maximum"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.filter);
    const DibImage out = RunFilter(c.filter, source.get(), 17);
    EXPECT_EQ(out.indices, ImageMagickStatistic(c.statistic, 3, w, h, values));
  }
  // Rank 53 with radius 1 is the 3 x 3 minimum.
  int32_t status = 99;
  ScopedHandle minimum(CmiRankOrder(source.get(), 17, 53, 1, nullptr, 0, &status));
  ASSERT_EQ(status, 0);
  EXPECT_EQ(ReadDib(minimum.get()).indices, ImageMagickStatistic("Minimum", 3, w, h, values));
}

TEST(FilterEntryPoints, KernelsOnSteps) {
  // A step from 200 (left or top) to 0, worked out by hand: the edge kernels
  // give (4 x 200) / 4 on both sides of the step, emboss v(x-1, y-1) -
  // v(x+1, y+1) + 128, edge enhance 5v less the four neighbours.
  const Grey across = {200, 200, 200, 0, 0, 0,  //
                       200, 200, 200, 0, 0, 0,  //
                       200, 200, 200, 0, 0, 0};
  const Grey down = {0,   0,   0,   0,  //
                     0,   0,   0,   0,  //
                     200, 200, 200, 200, //
                     200, 200, 200, 200};
  struct Case {
    const char* filter;
    int32_t width;
    int32_t height;
    const Grey* input;
    Grey expected;
  };
  const Case cases[] = {
      {"edgeDetection55", 6, 3, &across, {0, 0, 200, 200, 0, 0, 0, 0, 200, 200, 0, 0, 0, 0, 200, 200, 0, 0}},
      {"edgeDetection54", 6, 3, &across, Grey(18, 0)},
      {"edgeDetection54", 4, 4, &down, {0, 0, 0, 0, 200, 200, 200, 200, 200, 200, 200, 200, 0, 0, 0, 0}},
      {"emboss", 6, 3, &across,
       {128, 128, 255, 255, 128, 128, 128, 128, 255, 255, 128, 128, 128, 128, 255, 255, 128, 128}},
      {"edgeEnhance", 6, 3, &across, {200, 200, 255, 0, 0, 0, 200, 200, 255, 0, 0, 0, 200, 200, 255, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.filter);
    ScopedHandle source(MakeGrey(c.width, c.height, *c.input));
    EXPECT_EQ(RunFilter(c.filter, source.get(), 17).indices, c.expected);
  }
}

TEST(FilterEntryPoints, RectanglesLeaveTheOutsideUntouched) {
  // Inside the rectangle the result is the filter of the rectangle cut out
  // on its own (its edges mirrored at the rectangle's borders).
  const int32_t w = 9;
  const int32_t h = 7;
  const int32_t rx = 2, ry = 1, rw = 5, rh = 4;
  const std::vector<IpiAttributePair> rect = {
      {"sourceXPoint", rx}, {"sourceYPoint", ry}, {"sourceWidth", rw}, {"sourceHeight", rh}};
  for (int32_t bits : {8, 24}) {
    ScopedHandle source(MakePattern(bits, w, h));
    ScopedHandle window(
        MakeDib({bits, rw, rh, {}}, [&](int32_t x, int32_t y) { return Pattern(bits, x + rx, y + ry); }));
    for (const Filter& f : Filters()) {
      SCOPED_TRACE(std::string(f.name) + " bits " + std::to_string(bits));
      const DibImage whole = RunFilter(f.name, source.get(), ModeFor(bits), rect);
      const DibImage part = RunFilter(f.name, window.get(), ModeFor(bits));
      ASSERT_EQ(whole.width, w);
      ASSERT_EQ(whole.height, h);
      for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
          const bool inside = x >= rx && x < rx + rw && y >= ry && y < ry + rh;
          const uint32_t expected = inside ? part.Index(x - rx, y - ry) : Pattern(bits, x, y);
          ASSERT_EQ(whole.Index(x, y), expected) << x << "," << y;
        }
      }
    }
  }
}

TEST(FilterEntryPoints, ModesMustNameTheBitCount) {
  // Only 8-bit grey (17) and 24-bit RGB (18) bitmaps are filtered; every
  // other pairing, a 1-bit bitmap called grey or a 24-bit one called 256
  // colours among them, is refused with nothing returned.
  const int32_t modes[] = {14, 15, 16, 17, 18, 50, 0};
  for (int32_t bits : {1, 4, 8, 24}) {
    ScopedHandle source(MakePattern(bits, 5, 3));
    for (int32_t mode : modes) {
      const bool accepted = (bits == 8 && mode == 17) || (bits == 24 && mode == 18);
      for (const Filter& f : Filters()) {
        SCOPED_TRACE(std::string(f.name) + " bits " + std::to_string(bits) + " mode " + std::to_string(mode));
        int32_t status = 99;
        ScopedHandle result(f.call(source.get(), mode, nullptr, 0, &status));
        EXPECT_EQ(status, accepted ? 0 : -100);
        EXPECT_EQ(result.get() != 0, accepted);
      }
    }
  }
}

TEST(FilterEntryPoints, RefusesBadArguments) {
  ScopedHandle grey(MakePattern(8, 5, 4));
  const HGLOBAL g = grey.get();
  ScopedHandle damaged(GlobalAlloc(GHND, 10));
  const IpiAttributePair outside[] = {{"sourceXPoint", 3}, {"sourceWidth", 3}};
  const IpiAttributePair empty[] = {{"sourceHeight", 0}};
  struct Case {
    const char* name;
    std::function<HGLOBAL(int32_t*)> call;
    int32_t expected;
  };
  const Case cases[] = {
      {"median radius 0", [&](int32_t* s) { return CmiMedian(g, 17, 0, nullptr, 0, s); }, -100},
      {"median radius 8", [&](int32_t* s) { return CmiMedian(g, 17, 8, nullptr, 0, s); }, -100},
      {"rank radius 8", [&](int32_t* s) { return CmiRankOrder(g, 17, 52, 8, nullptr, 0, s); }, -100},
      {"rank kind 51", [&](int32_t* s) { return CmiRankOrder(g, 17, 51, 1, nullptr, 0, s); }, -100},
      {"edge direction 56", [&](int32_t* s) { return CmiEdgeDetection(g, 17, 56, nullptr, 0, s); }, -100},
      {"pairs missing", [&](int32_t* s) { return CmiBlur(g, 17, nullptr, 2, s); }, -100},
      {"rectangle outside", [&](int32_t* s) { return CmiBlur(g, 17, outside, 2, s); }, -100},
      {"rectangle empty", [&](int32_t* s) { return CmiSharpen(g, 17, empty, 1, s); }, -100},
      {"no handle", [&](int32_t* s) { return CmiEmboss(0, 17, nullptr, 0, s); }, -1},
      {"damaged handle", [&](int32_t* s) { return CmiFindEdges(damaged.get(), 17, nullptr, 0, s); }, -100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int32_t status = 99;
    ScopedHandle result(c.call(&status));
    EXPECT_EQ(status, c.expected);
    EXPECT_EQ(result.get(), 0u);
  }
  // A null status is tolerated.
  ScopedHandle quiet(CmiBlur(g, 17, nullptr, 0, nullptr));
  EXPECT_NE(quiet.get(), 0u);
}

TEST(FilterEntryPoints, AnExhaustedHeapGivesNoResult) {
  // The allocation that fails is the call's first: the result's, or an
  // intermediate's where the bitmap goes through image objects. Either way
  // the call ends with -1, and the next call works.
  for (int32_t bits : {8, 24}) {
    ScopedHandle source(MakePattern(bits, 9, 5));
    for (const Filter& f : Filters()) {
      SCOPED_TRACE(std::string(f.name) + " bits " + std::to_string(bits));
      int32_t status = 99;
      plat::testing::FailNextGlobalAlloc();
      ScopedHandle failed(f.call(source.get(), ModeFor(bits), nullptr, 0, &status));
      plat::testing::ResetFaults();
      EXPECT_EQ(status, -1);
      EXPECT_EQ(failed.get(), 0u);
      ScopedHandle again(f.call(source.get(), ModeFor(bits), nullptr, 0, &status));
      EXPECT_EQ(status, 0);
      EXPECT_NE(again.get(), 0u);
    }
  }
}

// --- blend and calculate ---------------------------------------------------------------

TEST(TwoImageEntryPoints, CalculateTable) {
  // Two 2 x 2 grey images; every operation by hand, the division by zero
  // (third sample) included: nothing is written there, so it stays 0.
  const Grey a = {200, 100, 255, 7};
  const Grey b = {100, 200, 0, 3};
  const struct {
    int32_t operation;
    Grey expected;
  } cases[] = {
      {56, {255, 255, 255, 10}},  {57, {100, 0, 255, 4}},    {58, {255, 255, 0, 21}},   {59, {2, 0, 0, 2}},
      {60, {100, 100, 0, 3}},     {61, {200, 200, 255, 7}},  {62, {100, 100, 255, 4}},  {63, {64, 64, 0, 3}},
      {64, {236, 236, 255, 7}},   {65, {191, 191, 255, 252}}, {66, {19, 19, 0, 248}},   {67, {172, 172, 255, 4}},
  };
  ScopedHandle first(MakeGrey(2, 2, a));
  ScopedHandle second(MakeGrey(2, 2, b));
  ScopedHandle first_rgb(MakeDib({24, 2, 2, {}}, [&](int32_t x, int32_t y) { return a[y * 2 + x] * 0x010101u; }));
  ScopedHandle second_rgb(MakeDib({24, 2, 2, {}}, [&](int32_t x, int32_t y) { return b[y * 2 + x] * 0x010101u; }));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.operation);
    int32_t status = 99;
    ScopedHandle grey(CmiCalculate(first.get(), second.get(), 17, 1, c.operation, nullptr, 0, &status));
    ASSERT_EQ(status, 0);
    EXPECT_EQ(ReadDib(grey.get()).indices, c.expected);
    ScopedHandle rgb(CmiCalculate(first_rgb.get(), second_rgb.get(), 18, 1, c.operation, nullptr, 0, &status));
    ASSERT_EQ(status, 0);
    Grey expected_rgb;
    for (uint32_t v : c.expected) expected_rgb.push_back(v * 0x010101u);
    EXPECT_EQ(ReadDib(rgb.get()).indices, expected_rgb);
  }
}

TEST(TwoImageEntryPoints, BlendEndpointsAndMiddle) {
  const Grey a = {200, 100, 255, 7};
  const Grey b = {100, 200, 0, 3};
  ScopedHandle first(MakeGrey(2, 2, a));
  ScopedHandle second(MakeGrey(2, 2, b));
  const struct {
    double ratio;
    Grey expected;
  } cases[] = {{1.0, a}, {0.0, b}, {0.5, {150, 150, 128, 5}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ratio);
    for (int32_t target : {1, 0}) {
      int32_t status = 99;
      ScopedHandle out(CmiBlend(first.get(), second.get(), 17, target, c.ratio, nullptr, 0, &status));
      ASSERT_EQ(status, 0);
      EXPECT_EQ(ReadDib(out.get()).indices, c.expected);
    }
  }
}

TEST(TwoImageEntryPoints, OnlyTheCommonPartOfTheWindowsChanges) {
  // First 4 x 3 with the rectangle (1, 1, 3, 2); second 2 x 3 whole. The
  // common part is 2 x 2: it lands at (1, 1) of the first image, or at the
  // top-left of the second when the second is the target.
  const Grey a = {10, 11, 12, 13, 20, 21, 22, 23, 30, 31, 32, 33};
  const Grey b = {1, 2, 3, 4, 5, 6};
  ScopedHandle first(MakeGrey(4, 3, a));
  ScopedHandle second(MakeGrey(2, 3, b));
  const IpiAttributePair rect[] = {{"sourceXPoint", 1}, {"sourceYPoint", 1}, {"sourceWidth", 3}, {"sourceHeight", 2}};
  int32_t status = 99;
  ScopedHandle into_first(CmiCalculate(first.get(), second.get(), 17, 1, 56, rect, 4, &status));
  ASSERT_EQ(status, 0);
  EXPECT_EQ(ReadDib(into_first.get()).indices, (Grey{10, 11, 12, 13, 20, 22, 24, 23, 30, 34, 36, 33}));
  ScopedHandle into_second(CmiCalculate(first.get(), second.get(), 17, 0, 56, rect, 4, &status));
  ASSERT_EQ(status, 0);
  EXPECT_EQ(ReadDib(into_second.get()).indices, (Grey{22, 24, 34, 36, 5, 6}));
  // The second image's own rectangle: its bottom row against the first's.
  const IpiAttributePair second_rect[] = {{"source2YPoint", 2}, {"source2Height", 1}};
  ScopedHandle bottom(CmiCalculate(first.get(), second.get(), 17, 0, 61, second_rect, 2, &status));
  ASSERT_EQ(status, 0);
  EXPECT_EQ(ReadDib(bottom.get()).indices, (Grey{1, 2, 3, 4, 10, 11}));
}

TEST(TwoImageEntryPoints, RefusesBadArgumentsAndMismatchedModes) {
  ScopedHandle grey(MakePattern(8, 3, 2));
  ScopedHandle grey2(MakePattern(8, 3, 2));
  ScopedHandle rgb(MakePattern(24, 3, 2));
  ScopedHandle bits1(MakePattern(1, 3, 2));
  const HGLOBAL g = grey.get();
  const HGLOBAL g2 = grey2.get();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const IpiAttributePair outside2[] = {{"source2XPoint", 3}};
  struct Case {
    const char* name;
    std::function<HGLOBAL(int32_t*)> call;
    int32_t expected;
  };
  const Case cases[] = {
      {"ratio NaN", [&](int32_t* s) { return CmiBlend(g, g2, 17, 1, nan, nullptr, 0, s); }, -100},
      {"ratio infinite", [&](int32_t* s) { return CmiBlend(g, g2, 17, 1, inf, nullptr, 0, s); }, -100},
      {"ratio below 0", [&](int32_t* s) { return CmiBlend(g, g2, 17, 1, -0.1, nullptr, 0, s); }, -100},
      {"ratio above 1", [&](int32_t* s) { return CmiBlend(g, g2, 17, 1, 1.5, nullptr, 0, s); }, -100},
      {"operation 55", [&](int32_t* s) { return CmiCalculate(g, g2, 17, 1, 55, nullptr, 0, s); }, -100},
      {"operation 68", [&](int32_t* s) { return CmiCalculate(g, g2, 17, 1, 68, nullptr, 0, s); }, -100},
      {"mode 16", [&](int32_t* s) { return CmiCalculate(g, g2, 16, 1, 56, nullptr, 0, s); }, -100},
      {"grey with RGB", [&](int32_t* s) { return CmiCalculate(g, rgb.get(), 17, 1, 56, nullptr, 0, s); }, -100},
      {"RGB with grey", [&](int32_t* s) { return CmiBlend(rgb.get(), g, 18, 1, 0.5, nullptr, 0, s); }, -100},
      {"bitmap as grey", [&](int32_t* s) { return CmiBlend(bits1.get(), g, 17, 1, 0.5, nullptr, 0, s); }, -100},
      {"second rectangle outside", [&](int32_t* s) { return CmiCalculate(g, g2, 17, 1, 56, outside2, 1, s); }, -100},
      {"pairs missing", [&](int32_t* s) { return CmiBlend(g, g2, 17, 1, 0.5, nullptr, 1, s); }, -100},
      {"no second handle", [&](int32_t* s) { return CmiBlend(g, 0, 17, 1, 0.5, nullptr, 0, s); }, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int32_t status = 99;
    ScopedHandle result(c.call(&status));
    EXPECT_EQ(status, c.expected);
    EXPECT_EQ(result.get(), 0u);
  }
}

}  // namespace
