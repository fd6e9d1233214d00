// Quarter turns, half turns and flips of whole packed bitmaps, byte for byte:
// the returned bitmap (header, colour table, rows and their padding) against
// one built here from the picture by the layout rules alone, over every depth,
// odd widths, damaged-looking but valid sources (padding bits set, reserved
// bytes, resolutions, long headers, short colour tables) and run-length rows.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "Pelrith.h"
#include "packed_dib.h"
#include "plat/fault_injection.h"

namespace {

using api_testing::ScopedHandle;
using Bgr = std::array<uint8_t, 3>;
using Picture = std::function<uint32_t(int32_t x, int32_t y)>;  // index or 0xRRGGBB, top row 0

void PutU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

size_t RowBytes(int32_t width, int32_t bits) { return (static_cast<size_t>(width) * bits + 31) / 32 * 4; }

// Sets pixel x of a stored row, clearing its bits first.
void PutPixel(uint8_t* row, int32_t bits, int32_t x, uint32_t v) {
  switch (bits) {
    case 1: {
      const auto mask = static_cast<uint8_t>(0x80 >> (x % 8));
      row[x / 8] = static_cast<uint8_t>((row[x / 8] & ~mask) | ((v & 1) ? mask : 0));
      break;
    }
    case 4: {
      const int shift = x % 2 ? 0 : 4;
      row[x / 2] = static_cast<uint8_t>((row[x / 2] & ~(0xF << shift)) | (v & 0xF) << shift);
      break;
    }
    case 8: row[x] = static_cast<uint8_t>(v); break;
    default:
      row[3 * x] = static_cast<uint8_t>(v);
      row[3 * x + 1] = static_cast<uint8_t>(v >> 8);
      row[3 * x + 2] = static_cast<uint8_t>(v >> 16);
  }
}

// How a source bitmap is laid out beyond its pixels.
struct Layout {
  const char* name;
  uint32_t header_bytes;   // 40, or 124 with the later fields zero
  bool has_short_table;    // biClrUsed below 2^bits; on 24 bits a table that is skipped
  bool is_dirty;           // padding bits and bytes set, reserved table bytes and resolutions non-zero
};

const Layout kLayouts[] = {
    {"plain", 40, false, false},
    {"dirty", 40, false, true},
    {"long header, short table, dirty", 124, true, true},
};

Bgr TableEntry(uint32_t i) {
  return {static_cast<uint8_t>(i * 37 + 5), static_cast<uint8_t>(i * 91 + 11), static_cast<uint8_t>(i * 13 + 200)};
}

// biClrUsed of the source.
uint32_t ColoursUsed(int32_t bits, const Layout& layout) {
  if (!layout.has_short_table) return 0;
  return bits == 1 ? 1 : 3;
}

uint32_t PresentEntries(int32_t bits, const Layout& layout) {
  if (layout.has_short_table) return ColoursUsed(bits, layout);
  return bits <= 8 ? 1u << bits : 0;
}

std::vector<uint8_t> SourceBytes(int32_t bits, int32_t width, int32_t height, const Layout& layout,
                                 const Picture& picture) {
  const uint32_t entries = PresentEntries(bits, layout);
  const size_t row = RowBytes(width, bits);
  std::vector<uint8_t> bytes(layout.header_bytes + 4 * entries + row * height, 0);
  uint8_t* p = bytes.data();
  PutU32(p, layout.header_bytes);
  PutU32(p + 4, static_cast<uint32_t>(width));
  PutU32(p + 8, static_cast<uint32_t>(height));
  p[12] = 1;
  p[14] = static_cast<uint8_t>(bits);
  PutU32(p + 32, ColoursUsed(bits, layout));
  if (layout.is_dirty) {
    PutU32(p + 24, 11811);  // 300 dpi
    PutU32(p + 28, 3937);
    PutU32(p + 36, 2);
  }
  uint8_t* table = p + layout.header_bytes;
  for (uint32_t i = 0; i < entries; ++i) {
    const Bgr e = TableEntry(i);
    std::memcpy(table + 4 * i, e.data(), 3);
    table[4 * i + 3] = layout.is_dirty ? 0xA5 : 0;
  }
  uint8_t* rows = table + 4 * entries;
  if (layout.is_dirty) std::memset(rows, 0xFF, row * height);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) PutPixel(rows + row * (height - 1 - y), bits, x, picture(x, y));
  }
  return bytes;
}

HGLOBAL ToHandle(const std::vector<uint8_t>& bytes) {
  HGLOBAL handle = GlobalAlloc(GHND, bytes.size());
  std::memcpy(GlobalLock(handle), bytes.data(), bytes.size());
  GlobalUnlock(handle);
  return handle;
}

std::vector<uint8_t> HandleBytes(HGLOBAL handle) {
  const auto* p = static_cast<const uint8_t*>(GlobalLock(handle));
  std::vector<uint8_t> bytes(p, p + GlobalSize(handle));
  GlobalUnlock(handle);
  return bytes;
}

// The moves of the interface and where each result pixel comes from in the
// source picture (width w, height h).
struct Move {
  const char* name;
  bool swaps_sides;
  std::function<HGLOBAL(HGLOBAL, int32_t w, int32_t h, int32_t*)> call;
  std::function<std::pair<int32_t, int32_t>(int32_t x, int32_t y, int32_t w, int32_t h)> source_of;
};

const Move kMoves[] = {
    {"clockwise quarter turn", true,
     [](HGLOBAL s, int32_t w, int32_t h, int32_t* st) { return CmiRotate(s, h, w, 1, nullptr, 0, st); },
     [](int32_t x, int32_t y, int32_t, int32_t h) { return std::pair{y, h - 1 - x}; }},
    {"half turn", false,
     [](HGLOBAL s, int32_t w, int32_t h, int32_t* st) { return CmiRotate(s, w, h, 2, nullptr, 0, st); },
     [](int32_t x, int32_t y, int32_t w, int32_t h) { return std::pair{w - 1 - x, h - 1 - y}; }},
    {"anticlockwise quarter turn", true,
     [](HGLOBAL s, int32_t w, int32_t h, int32_t* st) { return CmiRotate(s, h, w, 3, nullptr, 0, st); },
     [](int32_t x, int32_t y, int32_t w, int32_t) { return std::pair{w - 1 - y, x}; }},
    {"flip top and bottom", false,
     [](HGLOBAL s, int32_t, int32_t, int32_t* st) { return CmiFlip(s, 48, nullptr, 0, st); },
     [](int32_t x, int32_t y, int32_t, int32_t h) { return std::pair{x, h - 1 - y}; }},
    {"flip left and right", false,
     [](HGLOBAL s, int32_t, int32_t, int32_t* st) { return CmiFlip(s, 49, nullptr, 0, st); },
     [](int32_t x, int32_t y, int32_t w, int32_t) { return std::pair{w - 1 - x, y}; }},
};

// The bitmap the library returns for `picture` moved: a 40-byte header with
// no resolution and a full table counted, the source's table entries with a
// zero fourth byte and zeros for the entries it lacks, rows bottom-up with
// zero padding.
std::vector<uint8_t> ExpectedResult(int32_t bits, int32_t width, int32_t height, uint32_t present_entries,
                                    const Picture& picture, const Move& move) {
  const int32_t w = move.swaps_sides ? height : width;
  const int32_t h = move.swaps_sides ? width : height;
  const uint32_t entries = bits <= 8 ? 1u << bits : 0;
  const size_t row = RowBytes(w, bits);
  std::vector<uint8_t> bytes(40 + 4 * entries + row * h, 0);
  uint8_t* p = bytes.data();
  PutU32(p, 40);
  PutU32(p + 4, static_cast<uint32_t>(w));
  PutU32(p + 8, static_cast<uint32_t>(h));
  p[12] = 1;
  p[14] = static_cast<uint8_t>(bits);
  PutU32(p + 32, entries);
  PutU32(p + 36, entries);
  for (uint32_t i = 0; i < entries && i < present_entries; ++i) {
    const Bgr e = TableEntry(i);
    std::memcpy(p + 40 + 4 * i, e.data(), 3);
  }
  uint8_t* rows = p + 40 + 4 * entries;
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      const auto [sx, sy] = move.source_of(x, y, width, height);
      PutPixel(rows + row * (h - 1 - y), bits, x, picture(sx, sy));
    }
  }
  return bytes;
}

// Neighbouring pixels differ wherever the depth allows.
Picture PatternOf(int32_t bits) {
  return [bits](int32_t x, int32_t y) -> uint32_t {
    const auto v = static_cast<uint32_t>(x * 7 + y * 13 + x * y * 5 + 3);
    if (bits == 1) return (x * 3 + y * 5 + x * y) % 7 < 3 ? 1u : 0u;
    return bits == 24 ? (v * 0x0B0705u) & 0xFFFFFF : v % (1u << bits);
  };
}

TEST(PackedTurns, EveryMoveIsByteExact) {
  const std::pair<int32_t, int32_t> sizes[] = {{1, 5}, {7, 3}, {33, 9}, {70, 45}, {9, 1}};
  for (int32_t bits : {1, 4, 8, 24}) {
    const Picture picture = PatternOf(bits);
    for (const auto& [width, height] : sizes) {
      for (const Layout& layout : kLayouts) {
        const std::vector<uint8_t> source_bytes = SourceBytes(bits, width, height, layout, picture);
        ScopedHandle source(ToHandle(source_bytes));
        for (const Move& move : kMoves) {
          SCOPED_TRACE(testing::Message() << move.name << ", " << bits << " bits, " << width << " x " << height
                                          << ", " << layout.name);
          int32_t status = -5;
          ScopedHandle result(move.call(source.get(), width, height, &status));
          ASSERT_EQ(status, 0);
          ASSERT_NE(result.get(), 0u);
          EXPECT_EQ(HandleBytes(result.get()),
                    ExpectedResult(bits, width, height, PresentEntries(bits, layout), picture, move));
          EXPECT_EQ(HandleBytes(source.get()), source_bytes) << "the source was changed";
          ASSERT_NE(GlobalLock(source.get()), nullptr);
          EXPECT_EQ(GlobalUnlock(source.get()), 0) << "the source was left locked";
        }
      }
    }
  }
}

// Run-length rows come out as plain rows of the moved picture.
TEST(PackedTurns, RunLengthSourcesComeOutPlain) {
  // 2 x 2, 8 bits, a full grey table; stored bottom row 5 6, top row 7 8.
  const uint8_t body[] = {1, 5, 1, 6, 0, 0, 1, 7, 1, 8, 0, 1};
  std::vector<uint8_t> bytes(40 + 4 * 256, 0);
  PutU32(bytes.data(), 40);
  PutU32(bytes.data() + 4, 2);
  PutU32(bytes.data() + 8, 2);
  bytes[12] = 1;
  bytes[14] = 8;
  PutU32(bytes.data() + 16, 1);  // RLE8
  PutU32(bytes.data() + 20, sizeof body);
  for (uint32_t i = 0; i < 256; ++i) std::memcpy(bytes.data() + 40 + 4 * i, TableEntry(i).data(), 3);
  bytes.insert(bytes.end(), body, body + sizeof body);
  ScopedHandle source(ToHandle(bytes));
  const Picture picture = [](int32_t x, int32_t y) { return static_cast<uint32_t>(y == 0 ? 7 + x : 5 + x); };
  for (const Move& move : kMoves) {
    SCOPED_TRACE(move.name);
    int32_t status = -5;
    ScopedHandle result(move.call(source.get(), 2, 2, &status));
    ASSERT_EQ(status, 0);
    EXPECT_EQ(HandleBytes(result.get()), ExpectedResult(8, 2, 2, 256, picture, move));
  }
}

// A result that cannot be allocated gives -1 and no handle, and leaves the
// source unlocked.
TEST(PackedTurns, FailedAllocationGivesMinusOne) {
  ScopedHandle source(ToHandle(SourceBytes(24, 33, 9, kLayouts[0], PatternOf(24))));
  for (const Move& move : kMoves) {
    SCOPED_TRACE(move.name);
    plat::testing::FailNextGlobalAlloc();
    int32_t status = 0;
    EXPECT_EQ(move.call(source.get(), 33, 9, &status), 0u);
    EXPECT_EQ(status, -1);
    plat::testing::ResetFaults();
    ASSERT_NE(GlobalLock(source.get()), nullptr);
    EXPECT_EQ(GlobalUnlock(source.get()), 0);
  }
}

}  // namespace
