// Pinch and spherize on small bitmaps built here: amount 0 is the identity
// in every depth, the fixed borders and the untouched corners outside the
// ellipse, single-axis maps, rectangles, and refused arguments.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "Pelrith.h"
#include "packed_dib.h"

namespace {

using api_testing::DibImage;
using api_testing::MakeDib;
using api_testing::ReadDib;
using api_testing::ScopedHandle;

uint32_t Pattern(int32_t bits, int32_t x, int32_t y) {
  const uint32_t v = static_cast<uint32_t>(x * 37 + y * 91 + x * y * 5 + 3);
  return bits == 24 ? (v * 0x2F1B07u) & 0xFFFFFF : v % (1u << bits);
}

HGLOBAL MakePattern(int32_t bits, int32_t width, int32_t height) {
  return MakeDib({bits, width, height, {}}, [bits](int32_t x, int32_t y) { return Pattern(bits, x, y); });
}

// (handle, pairs, n, status) with the other arguments fixed.
using Distortion = std::function<HGLOBAL(HGLOBAL, const IpiAttributePair*, int32_t, int32_t*)>;

Distortion Pinch(int32_t amount) {
  return [amount](HGLOBAL h, const IpiAttributePair* p, int32_t n, int32_t* s) { return CmiPinch(h, amount, p, n, s); };
}
Distortion Spherize(int32_t direction, int32_t amount) {
  return [direction, amount](HGLOBAL h, const IpiAttributePair* p, int32_t n, int32_t* s) {
    return CmiSpherize(h, direction, amount, p, n, s);
  };
}

DibImage Distort(const Distortion& distortion, HGLOBAL source, const std::vector<IpiAttributePair>& pairs = {}) {
  int32_t status = 99;
  ScopedHandle result(distortion(source, pairs.data(), static_cast<int32_t>(pairs.size()), &status));
  EXPECT_EQ(status, 0);
  if (result.get() == 0) return {};
  return ReadDib(result.get());
}

TEST(DistortionEntryPoints, AmountZeroIsTheIdentity) {
  const struct {
    const char* name;
    Distortion call;
  } cases[] = {{"pinch", Pinch(0)},
               {"spherize 0", Spherize(0, 0)},
               {"spherize 48", Spherize(48, 0)},
               {"spherize 49", Spherize(49, 0)}};
  for (int32_t bits : {1, 4, 8, 24}) {
    for (const auto& [w, h] : {std::pair{7, 5}, std::pair{8, 6}, std::pair{1, 3}}) {
      ScopedHandle source(MakePattern(bits, w, h));
      const DibImage input = ReadDib(source.get());
      for (int32_t interpolation : {8, 9}) {
        for (const auto& c : cases) {
          SCOPED_TRACE(std::string(c.name) + " bits " + std::to_string(bits) + " " + std::to_string(w) + "x" +
                       std::to_string(h) + " interpolation " + std::to_string(interpolation));
          const DibImage out = Distort(c.call, source.get(), {{"interpolation", interpolation}});
          EXPECT_EQ(out.bits, bits);
          EXPECT_EQ(out.indices, input.indices);
        }
      }
    }
  }
}

TEST(DistortionEntryPoints, SpherizeBothAxesLeavesTheCornersUntouched) {
  // Outside the ellipse inscribed in the rectangle nothing moves; inside it
  // the picture does.
  const int32_t w = 16;
  const int32_t h = 11;
  for (int32_t bits : {1, 8, 24}) {
    ScopedHandle source(MakePattern(bits, w, h));
    for (int32_t amount : {100, -100, 40}) {
      SCOPED_TRACE("bits " + std::to_string(bits) + " amount " + std::to_string(amount));
      const DibImage out = Distort(Spherize(0, amount), source.get());
      ASSERT_EQ(out.width, w);
      int changed = 0;
      for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
          const double dx = x - w / 2;
          const double dy = y - h / 2;
          const bool inside = 4 * dx * dx / (w * w) + 4 * dy * dy / (h * h) <= 1.0;
          if (!inside) {
            ASSERT_EQ(out.Index(x, y), Pattern(bits, x, y)) << x << "," << y;
          } else if (out.Index(x, y) != Pattern(bits, x, y)) {
            ++changed;
          }
        }
      }
      EXPECT_GT(changed, 0);
    }
  }
}

TEST(DistortionEntryPoints, SingleAxisSpherizeMovesAlongItsAxisOnly) {
  // Along x (48) a picture that varies only down the rows is unchanged, one
  // that varies across the columns is not; along y (49) the other way round.
  const int32_t w = 12;
  const int32_t h = 10;
  ScopedHandle rows(MakeDib({8, w, h, {}}, [](int32_t, int32_t y) { return static_cast<uint32_t>(y * 20); }));
  ScopedHandle columns(MakeDib({8, w, h, {}}, [](int32_t x, int32_t) { return static_cast<uint32_t>(x * 20); }));
  const DibImage row_input = ReadDib(rows.get());
  const DibImage column_input = ReadDib(columns.get());
  EXPECT_EQ(Distort(Spherize(48, 80), rows.get()).indices, row_input.indices);
  EXPECT_NE(Distort(Spherize(48, 80), columns.get()).indices, column_input.indices);
  EXPECT_EQ(Distort(Spherize(49, 80), columns.get()).indices, column_input.indices);
  EXPECT_NE(Distort(Spherize(49, 80), rows.get()).indices, row_input.indices);
}

TEST(DistortionEntryPoints, PinchKeepsTheTopAndLeftBorders) {
  const int32_t w = 14;
  const int32_t h = 10;
  for (int32_t bits : {4, 24}) {
    ScopedHandle source(MakePattern(bits, w, h));
    for (int32_t amount : {60, -60, 100, -100}) {
      SCOPED_TRACE("bits " + std::to_string(bits) + " amount " + std::to_string(amount));
      const DibImage out = Distort(Pinch(amount), source.get(), {{"interpolation", 9}});
      ASSERT_EQ(out.width, w);
      for (int32_t x = 0; x < w; ++x) EXPECT_EQ(out.Index(x, 0), Pattern(bits, x, 0)) << x;
      for (int32_t y = 0; y < h; ++y) EXPECT_EQ(out.Index(0, y), Pattern(bits, 0, y)) << y;
      EXPECT_NE(out.indices, ReadDib(source.get()).indices);
    }
  }
}

TEST(DistortionEntryPoints, RectanglesLeaveTheOutsideUntouched) {
  // Inside the rectangle the result is the distortion of the rectangle cut
  // out on its own; the ellipse's region gates only the copy inside the
  // rectangle, not the paste back into the picture.
  const int32_t w = 15;
  const int32_t h = 12;
  const int32_t rx = 3, ry = 2, rw = 10, rh = 8;
  const std::vector<IpiAttributePair> rect = {
      {"sourceXPoint", rx}, {"sourceYPoint", ry}, {"sourceWidth", rw}, {"sourceHeight", rh}};
  const struct {
    const char* name;
    Distortion call;
  } cases[] = {{"pinch", Pinch(70)}, {"spherize 0", Spherize(0, 90)}, {"spherize 49", Spherize(49, -60)}};
  for (int32_t bits : {8, 24}) {
    ScopedHandle source(MakePattern(bits, w, h));
    ScopedHandle window(
        MakeDib({bits, rw, rh, {}}, [&](int32_t x, int32_t y) { return Pattern(bits, x + rx, y + ry); }));
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + " bits " + std::to_string(bits));
      const DibImage whole = Distort(c.call, source.get(), rect);
      const DibImage part = Distort(c.call, window.get());
      ASSERT_EQ(whole.width, w);
      ASSERT_EQ(part.width, rw);
      for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
          const bool inside = x >= rx && x < rx + rw && y >= ry && y < ry + rh;
          ASSERT_EQ(whole.Index(x, y), inside ? part.Index(x - rx, y - ry) : Pattern(bits, x, y)) << x << "," << y;
        }
      }
    }
  }
}

TEST(DistortionEntryPoints, RefusesBadArguments) {
  ScopedHandle image(MakePattern(8, 6, 4));
  const HGLOBAL g = image.get();
  const IpiAttributePair nearest_off[] = {{"interpolation", 7}};
  const IpiAttributePair cubic[] = {{"interpolation", 10}};
  const IpiAttributePair outside[] = {{"sourceYPoint", 1}, {"sourceHeight", 4}};
  struct Case {
    const char* name;
    std::function<HGLOBAL(int32_t*)> call;
    int32_t expected;
  };
  const Case cases[] = {
      {"pinch 101", [&](int32_t* s) { return CmiPinch(g, 101, nullptr, 0, s); }, -100},
      {"pinch -101", [&](int32_t* s) { return CmiPinch(g, -101, nullptr, 0, s); }, -100},
      {"spherize 101", [&](int32_t* s) { return CmiSpherize(g, 0, 101, nullptr, 0, s); }, -100},
      {"spherize direction 1", [&](int32_t* s) { return CmiSpherize(g, 1, 10, nullptr, 0, s); }, -100},
      {"spherize direction 50", [&](int32_t* s) { return CmiSpherize(g, 50, 10, nullptr, 0, s); }, -100},
      {"interpolation 7", [&](int32_t* s) { return CmiPinch(g, 10, nearest_off, 1, s); }, -100},
      {"interpolation 10", [&](int32_t* s) { return CmiSpherize(g, 48, 10, cubic, 1, s); }, -100},
      {"rectangle outside", [&](int32_t* s) { return CmiPinch(g, 10, outside, 2, s); }, -100},
      {"pairs missing", [&](int32_t* s) { return CmiSpherize(g, 0, 10, nullptr, 3, s); }, -100},
      {"no handle", [&](int32_t* s) { return CmiPinch(0, 10, nullptr, 0, s); }, -1},
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
