#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <random>

#include "gdi/tests/gdi_fixture.h"
#include "plat/gdi.h"
#include "plat/gdi_region.h"

namespace plat::gdi::test {
namespace {

constexpr int kGrid = 64;
using Mask = std::vector<uint8_t>;  // kGrid × kGrid, row-major

// Brute-force pixel sets: a pixel belongs when its centre is inside.
Mask RectMask(const RECT& r) {
  Mask m(kGrid * kGrid);
  for (int y = 0; y < kGrid; ++y)
    for (int x = 0; x < kGrid; ++x) m[y * kGrid + x] = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
  return m;
}

Mask RoundRectMask(const RECT& r, int ew, int eh) {
  Mask m(kGrid * kGrid);
  const double w = r.right - r.left, h = r.bottom - r.top;
  const double a = std::min<double>(ew, w) / 2, b = std::min<double>(eh, h) / 2;
  for (int y = 0; y < kGrid; ++y) {
    for (int x = 0; x < kGrid; ++x) {
      const double px = x + 0.5, py = y + 0.5;
      if (px < r.left || px > r.right || py < r.top || py > r.bottom) continue;
      // Distance into the nearest corner's ellipse, if the centre is in a corner box.
      const double cx = px < r.left + a ? r.left + a : (px > r.right - a ? r.right - a : px);
      const double cy = py < r.top + b ? r.top + b : (py > r.bottom - b ? r.bottom - b : py);
      const double dx = a > 0 ? (px - cx) / a : 0, dy = b > 0 ? (py - cy) / b : 0;
      m[y * kGrid + x] = dx * dx + dy * dy <= 1.0;
    }
  }
  return m;
}

Mask PolygonMask(const std::vector<POINT>& points, int fill_mode) {
  Mask m(kGrid * kGrid);
  const size_t n = points.size();
  for (int y = 0; y < kGrid; ++y) {
    for (int x = 0; x < kGrid; ++x) {
      const double px = x + 0.5, py = y + 0.5;
      int winding = 0, crossings = 0;
      for (size_t i = 0; i < n; ++i) {
        const POINT a = points[i], b = points[(i + 1) % n];
        if (a.y == b.y) continue;
        const bool down = a.y < b.y;
        const double y0 = down ? a.y : b.y, y1 = down ? b.y : a.y;
        if (py < y0 || py >= y1) continue;
        const double x0 = down ? a.x : b.x, x1 = down ? b.x : a.x;
        // Crossing strictly right of the centre (same half-open rule as the fill).
        if ((px - x0) * (y1 - y0) < (py - y0) * (x1 - x0)) {
          ++crossings;
          winding += down ? 1 : -1;
        }
      }
      m[y * kGrid + x] = fill_mode == WINDING ? winding != 0 : (crossings & 1);
    }
  }
  return m;
}

struct Shape {
  HRGN region;
  Mask mask;
};

Shape RandomShape(std::mt19937& random) {
  auto coord = [&] { return static_cast<int>(random() % 72) - 4; };
  switch (random() % 4) {
    case 0: {
      RECT r = NormalizedRect(RECT{coord(), coord(), coord(), coord()});
      return {CreateRectRgn(r.left, r.top, r.right, r.bottom), RectMask(r)};
    }
    case 1: {
      RECT r = NormalizedRect(RECT{coord(), coord(), coord(), coord()});
      return {CreateEllipticRgn(r.left, r.top, r.right, r.bottom), RoundRectMask(r, r.right - r.left, r.bottom - r.top)};
    }
    case 2: {
      RECT r = NormalizedRect(RECT{coord(), coord(), coord(), coord()});
      const int ew = static_cast<int>(random() % 30) + 2, eh = static_cast<int>(random() % 30) + 2;
      return {CreateRoundRectRgn(r.left, r.top, r.right, r.bottom, ew, eh), RoundRectMask(r, ew, eh)};
    }
    default: {
      std::vector<POINT> points(3 + random() % 6);
      for (POINT& p : points) p = POINT{coord(), coord()};
      const int mode = random() % 2 ? WINDING : ALTERNATE;
      return {CreatePolygonRgn(points.data(), static_cast<int>(points.size()), mode), PolygonMask(points, mode)};
    }
  }
}

TEST_F(GdiTest, SeededRegionsMatchBruteForceMasks) {
  std::mt19937 random(20251211);
  const int modes[] = {RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF, RGN_COPY};
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE(round);
    Shape a = RandomShape(random), b = RandomShape(random);
    ASSERT_NE(a.region, nullptr);
    ASSERT_NE(b.region, nullptr);
    const int mode = modes[round % 5];
    HRGN out = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(CombineRgn(out, a.region, b.region, mode), ERROR);
    int mismatches = 0;
    for (int y = 0; y < kGrid; ++y) {
      for (int x = 0; x < kGrid; ++x) {
        const bool in_a = a.mask[y * kGrid + x], in_b = b.mask[y * kGrid + x];
        bool want = false;
        switch (mode) {
          case RGN_AND: want = in_a && in_b; break;
          case RGN_OR: want = in_a || in_b; break;
          case RGN_XOR: want = in_a != in_b; break;
          case RGN_DIFF: want = in_a && !in_b; break;
          default: want = in_a;
        }
        if (static_cast<bool>(PtInRegion(a.region, x, y)) != in_a) ++mismatches;
        if (static_cast<bool>(PtInRegion(out, x, y)) != want) ++mismatches;
      }
    }
    EXPECT_EQ(mismatches, 0);
    // Region data round trip: the same bytes and an equal region.
    const DWORD size = GetRegionData(out, 0, nullptr);
    std::vector<BYTE> bytes(size);
    ASSERT_EQ(GetRegionData(out, size, reinterpret_cast<RGNDATA*>(bytes.data())), size);
    HRGN back = ExtCreateRegion(nullptr, size, reinterpret_cast<const RGNDATA*>(bytes.data()));
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(EqualRgn(out, back));
    std::vector<BYTE> again(size);
    ASSERT_EQ(GetRegionData(back, size, reinterpret_cast<RGNDATA*>(again.data())), size);
    EXPECT_EQ(bytes, again);
    for (HRGN r : {a.region, b.region, out, back}) DeleteObject(r);
  }
}

TEST_F(GdiTest, RegionDataSizesAreAnsweredAndShortBuffersUntouched) {
  HRGN a = CreateRectRgn(0, 0, 4, 4), b = CreateRectRgn(6, 2, 8, 6);
  CombineRgn(a, a, b, RGN_OR);
  // Bands: [0,2) one rectangle, [2,4) two, [4,6) one.
  const DWORD needed = GetRegionData(a, 0, nullptr);
  EXPECT_EQ(needed, 32u + 16u * 4);
  std::vector<BYTE> small(needed - 1, 0xAB);
  EXPECT_EQ(GetRegionData(a, needed - 1, reinterpret_cast<RGNDATA*>(small.data())), 0u);
  EXPECT_EQ(small, std::vector<BYTE>(needed - 1, 0xAB));
  std::vector<BYTE> full(needed);
  ASSERT_EQ(GetRegionData(a, needed, reinterpret_cast<RGNDATA*>(full.data())), needed);
  RGNDATAHEADER header;
  std::memcpy(&header, full.data(), sizeof(header));
  EXPECT_EQ(header.dwSize, 32u);
  EXPECT_EQ(header.iType, 1u);
  EXPECT_EQ(header.nCount, 4u);
  EXPECT_EQ(header.rcBound.right, 8);
  const LONG expected[4][4] = {{0, 0, 4, 2}, {0, 2, 4, 4}, {6, 2, 8, 4}, {6, 4, 8, 6}};
  for (int i = 0; i < 4; ++i) {
    LONG r[4];
    std::memcpy(r, full.data() + 32 + 16 * i, 16);
    EXPECT_EQ(std::vector<LONG>(r, r + 4), std::vector<LONG>(expected[i], expected[i] + 4)) << i;
  }
  DeleteObject(a);
  DeleteObject(b);
}

TEST_F(GdiTest, MalformedRegionDataIsRefused) {
  struct Data {
    RGNDATAHEADER header;
    RECT rects[3];
  };
  const Data good{{32, 1, 3, 48, {0, 0, 9, 6}}, {{0, 0, 4, 3}, {5, 0, 9, 3}, {2, 3, 6, 6}}};
  HRGN ok = ExtCreateRegion(nullptr, sizeof(good), reinterpret_cast<const RGNDATA*>(&good));
  ASSERT_NE(ok, nullptr);
  DeleteObject(ok);
  struct Case {
    const char* name;
    std::function<void(Data&)> damage;
    DWORD size;
  } cases[] = {
      {"header size not 32", [](Data& d) { d.header.dwSize = 40; }, sizeof(Data)},
      {"type not rectangles", [](Data& d) { d.header.iType = 2; }, sizeof(Data)},
      {"count past the size", [](Data& d) { d.header.nCount = 4; }, sizeof(Data)},
      {"count wraps 32 bits", [](Data& d) { d.header.nCount = 0x10000002; }, sizeof(Data)},
      {"size shorter than header", [](Data&) {}, 31},
      {"size shorter than rects", [](Data&) {}, sizeof(Data) - 1},
      {"left not below right", [](Data& d) { d.rects[1].left = 9; }, sizeof(Data)},
      {"top not below bottom", [](Data& d) { d.rects[2].bottom = 3; }, sizeof(Data)},
      {"band unsorted by left", [](Data& d) { std::swap(d.rects[0], d.rects[1]); }, sizeof(Data)},
      {"bands unsorted by top", [](Data& d) { std::swap(d.rects[0], d.rects[2]), std::swap(d.rects[1], d.rects[2]); },
       sizeof(Data)},
      {"overlap inside a band", [](Data& d) { d.rects[1].left = 3; }, sizeof(Data)},
      {"band rects of unequal height", [](Data& d) { d.rects[1].bottom = 2; }, sizeof(Data)},
      {"bands overlapping", [](Data& d) { d.rects[2].top = 2; }, sizeof(Data)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Data data = good;
    c.damage(data);
    EXPECT_EQ(ExtCreateRegion(nullptr, c.size, reinterpret_cast<const RGNDATA*>(&data)), nullptr);
  }
  const XFORM identity{1, 0, 0, 1, 0, 0};
  EXPECT_EQ(ExtCreateRegion(&identity, sizeof(good), reinterpret_cast<const RGNDATA*>(&good)), nullptr);
  EXPECT_EQ(ExtCreateRegion(nullptr, sizeof(good), nullptr), nullptr);
  // nRgnSize is not trusted either way.
  Data odd = good;
  odd.header.nRgnSize = 0xFFFFFFFF;
  HRGN lenient = ExtCreateRegion(nullptr, sizeof(odd), reinterpret_cast<const RGNDATA*>(&odd));
  EXPECT_NE(lenient, nullptr);
  DeleteObject(lenient);
}

TEST_F(GdiTest, SmallEllipsesAndPolygonCountsFollowTheCentreRule) {
  Region one = Region::Ellipse(RECT{0, 0, 1, 1});
  EXPECT_TRUE(one.Contains(0, 0));
  Region two = Region::Ellipse(RECT{0, 0, 2, 2});
  EXPECT_EQ(two.rects().size(), 1u);
  EXPECT_EQ(two.bounds().right, 2);
  const POINT tri[3] = {{0, 0}, {4, 0}, {0, 4}};
  EXPECT_EQ(CreatePolygonRgn(tri, 1, ALTERNATE), nullptr);
  EXPECT_EQ(CreatePolygonRgn(nullptr, 3, ALTERNATE), nullptr);
  EXPECT_EQ(CreatePolygonRgn(tri, 3, 7), nullptr);
  const INT counts[2] = {3, -1};
  EXPECT_EQ(CreatePolyPolygonRgn(tri, counts, 2, WINDING), nullptr);
}

}  // namespace
}  // namespace plat::gdi::test
