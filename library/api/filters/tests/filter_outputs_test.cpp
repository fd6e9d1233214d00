// The neighbourhood-filter entry points byte for byte: every filter on a sweep
// of grey and RGB bitmaps (odd sizes, sizes under the window, rows longer
// than the row kernels' chunk, short and coloured tables, junk in the row
// padding) and rectangles, each whole result handle folded into one digest
// per filter. The digests were taken from the results before the filters
// read the caller's rows in place; they hold those results fixed. A
// run-length coded source takes the imported road: its results must equal
// the plain source's byte for byte.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Pelrith.h"
#include "packed_dib.h"

namespace {

using api_testing::ScopedHandle;

constexpr uint32_t kRunLength8 = 1;

using FilterCall = std::function<HGLOBAL(HGLOBAL, int32_t, const IpiAttributePair*, int32_t, int32_t*)>;

struct FilterCase {
  const char* name;
  uint64_t digest;  // of every result in the sweep
  FilterCall call;
};

const std::vector<FilterCase>& FilterCases() {
  using P = const IpiAttributePair*;
  static const std::vector<FilterCase> cases = {
      {"blur", 0x1E53A50D83B93327ull,
       [](HGLOBAL h, int32_t m, P p, int32_t n, int32_t* s) { return CmiBlur(h, m, p, n, s); }},
      {"sharpen", 0xE89FF3450E20D182ull,
       [](HGLOBAL h, int32_t m, P p, int32_t n, int32_t* s) { return CmiSharpen(h, m, p, n, s); }},
      {"emboss", 0x45542FE1D339A596ull,
       [](HGLOBAL h, int32_t m, P p, int32_t n, int32_t* s) { return CmiEmboss(h, m, p, n, s); }},
      {"edgeEnhance", 0x117E34CD6519BFE5ull,
       [](HGLOBAL h, int32_t m, P p, int32_t n, int32_t* s) { return CmiEdgeEnhance(h, m, p, n, s); }},
      {"findEdges", 0x993ED62E2B419865ull,
       [](HGLOBAL h, int32_t m, P p, int32_t n, int32_t* s) { return CmiFindEdges(h, m, p, n, s); }},
      {"edgeDetection54", 0x06E091452AF58200ull,
       [](HGLOBAL h, int32_t m, P p, int32_t n, int32_t* s) { return CmiEdgeDetection(h, m, 54, p, n, s); }},
      {"edgeDetection55", 0x24FC6D38D5E6E76Aull,
       [](HGLOBAL h, int32_t m, P p, int32_t n, int32_t* s) { return CmiEdgeDetection(h, m, 55, p, n, s); }},
      {"median1", 0x9ABE72E0298A1796ull,
       [](HGLOBAL h, int32_t m, P p, int32_t n, int32_t* s) { return CmiMedian(h, m, 1, p, n, s); }},
      {"median2", 0x2DAB7F3C484CD60Eull,
       [](HGLOBAL h, int32_t m, P p, int32_t n, int32_t* s) { return CmiMedian(h, m, 2, p, n, s); }},
      {"median3", 0xBF60287499E90227ull,
       [](HGLOBAL h, int32_t m, P p, int32_t n, int32_t* s) { return CmiMedian(h, m, 3, p, n, s); }},
      {"median7", 0x7AC62EC3A183041Aull,
       [](HGLOBAL h, int32_t m, P p, int32_t n, int32_t* s) { return CmiMedian(h, m, 7, p, n, s); }},
      {"rankLargest1", 0x5FF461A15F1B7510ull,
       [](HGLOBAL h, int32_t m, P p, int32_t n, int32_t* s) { return CmiRankOrder(h, m, 52, 1, p, n, s); }},
      {"rankSmallest2", 0xE33960A68F5463C4ull,
       [](HGLOBAL h, int32_t m, P p, int32_t n, int32_t* s) { return CmiRankOrder(h, m, 53, 2, p, n, s); }},
      {"rankLargest4", 0xAC93162364856720ull,
       [](HGLOBAL h, int32_t m, P p, int32_t n, int32_t* s) { return CmiRankOrder(h, m, 52, 4, p, n, s); }},
  };
  return cases;
}

// A deterministic sample stream: smooth ramps, noise and hard steps, so every
// filter has edges, flats and outliers to work on.
struct Samples {
  uint32_t state;
  uint8_t At(int32_t x, int32_t y, int32_t channel) {
    state = state * 1664525u + 1013904223u;
    const uint32_t noise = state >> 24;
    if ((x / 3 + y / 2) % 5 == 0) return static_cast<uint8_t>(noise);
    if ((x + y) % 7 < 2) return static_cast<uint8_t>(channel * 80 + (noise & 15));
    return static_cast<uint8_t>(x * 29 + y * 13 + channel * 50 + (noise & 7));
  }
};

// What the table at the head of a source holds: for 8 bits a grey ramp, 256
// colours or 20 entries; for 24 bits nothing, or 20 entries (kShort) that
// the rows follow.
enum class Table { kGreyRamp, kColours, kShort };

struct Source {
  int32_t bits;
  int32_t width;
  int32_t height;
  Table table;
  uint32_t seed;
};

// The pixel samples of a source, top row first, `bits / 8` bytes a pixel in
// stored order (blue, green, red).
std::vector<uint8_t> SourceSamples(const Source& s) {
  const int32_t channels = s.bits / 8;
  std::vector<uint8_t> samples(static_cast<size_t>(s.width) * s.height * channels);
  Samples gen{s.seed};
  for (int32_t y = 0; y < s.height; ++y) {
    for (int32_t x = 0; x < s.width; ++x) {
      for (int32_t c = 0; c < channels; ++c) {
        samples[(static_cast<size_t>(y) * s.width + x) * channels + c] = gen.At(x, y, c);
      }
    }
  }
  return samples;
}

// The packed bitmap of a source: plain rows with junk in their padding, or
// (for 8 bits) run-length coded rows of one-pixel runs.
HGLOBAL MakeSource(const Source& s, bool run_length) {
  const uint32_t entries = s.table == Table::kShort ? 20 : s.bits == 24 ? 0 : 256;
  const size_t row_bytes = (static_cast<size_t>(s.width) * s.bits + 31) / 32 * 4;
  const size_t payload = static_cast<size_t>(s.width) * (s.bits / 8);
  const std::vector<uint8_t> samples = SourceSamples(s);
  std::vector<uint8_t> body;
  for (int32_t stored = 0; stored < s.height; ++stored) {
    const uint8_t* row = samples.data() + static_cast<size_t>(s.height - 1 - stored) * payload;
    if (run_length) {
      for (size_t x = 0; x < payload; ++x) body.insert(body.end(), {1, row[x]});
      body.insert(body.end(), {0, 0});  // end of line
    } else {
      body.insert(body.end(), row, row + payload);
      for (size_t pad = payload; pad < row_bytes; ++pad) body.push_back(static_cast<uint8_t>(0xA5 + pad));
    }
  }
  if (run_length) body.insert(body.end(), {0, 1});  // end of bitmap

  api_testing::RawDib dib{s.bits, s.width, s.height, run_length ? kRunLength8 : 0,
                          s.table == Table::kShort ? entries : 0, std::vector<uint8_t>(4 * entries), body};
  for (uint32_t i = 0; i < entries; ++i) {
    uint8_t* e = &dib.table[4 * i];
    const auto level = static_cast<uint8_t>(i);
    if (s.table == Table::kColours) {
      e[0] = static_cast<uint8_t>(level * 7);
      e[1] = static_cast<uint8_t>(255 - level);
      e[2] = static_cast<uint8_t>(level ^ 0x5A);
      e[3] = 0x11;  // a reserved byte that is not 0
    } else {
      e[0] = e[1] = e[2] = level;
    }
  }
  return api_testing::MakeRawDib(dib);
}

struct Rect {
  int32_t x, y, width, height;
};

// Rectangles inside a width x height bitmap: the whole, the inside less a
// one-pixel frame, the right half (touching two edges), the bottom row and
// the last column.
std::vector<Rect> RectanglesOf(int32_t w, int32_t h) {
  std::vector<Rect> rects = {{0, 0, w, h}};
  if (w > 2 && h > 2) rects.push_back({1, 1, w - 2, h - 2});
  if (w > 1) rects.push_back({w / 2, 0, w - w / 2, h});
  if (h > 1) rects.push_back({0, h - 1, w, 1});
  if (w > 1) rects.push_back({w - 1, 0, 1, h});
  return rects;
}

std::vector<Source> Sources() {
  const struct {
    int32_t width, height;
  } sizes[] = {{1, 1}, {1, 6}, {6, 1}, {2, 2}, {3, 5}, {5, 3}, {9, 7}, {16, 4}, {33, 17}, {1031, 3}};
  std::vector<Source> sources;
  uint32_t seed = 1;
  for (const auto& size : sizes) {
    for (Table table : {Table::kGreyRamp, Table::kColours, Table::kShort}) {
      sources.push_back({8, size.width, size.height, table, seed++});
    }
    sources.push_back({24, size.width, size.height, Table::kGreyRamp, seed++});
  }
  return sources;
}

// The result of one call as bytes: status, then the whole handle.
std::vector<uint8_t> Outcome(const FilterCall& call, HGLOBAL source, int32_t bits, const Rect& r) {
  const IpiAttributePair rect[] = {
      {"sourceXPoint", r.x}, {"sourceYPoint", r.y}, {"sourceWidth", r.width}, {"sourceHeight", r.height}};
  int32_t status = 99;
  ScopedHandle result(call(source, bits == 24 ? 18 : 17, rect, 4, &status));
  return api_testing::CallOutcome(status, result.get());
}

TEST(FilterOutputs, EveryFilterKeepsItsBytes) {
  const std::vector<Source> sources = Sources();
  for (const FilterCase& f : FilterCases()) {
    SCOPED_TRACE(f.name);
    uint64_t digest = api_testing::kDigestStart;
    for (const Source& s : sources) {
      ScopedHandle source(MakeSource(s, false));
      for (const Rect& r : RectanglesOf(s.width, s.height)) {
        const std::vector<uint8_t> outcome = Outcome(f.call, source.get(), s.bits, r);
        ASSERT_EQ(outcome[0], 0) << s.bits << " bits " << s.width << "x" << s.height;
        digest = api_testing::FoldDigest(digest, outcome.data(), outcome.size());
      }
    }
    EXPECT_EQ(digest, f.digest) << std::hex << "0x" << digest;
  }
}

TEST(FilterOutputs, ATableBefore24BitRowsIsSkipped) {
  for (const Source& s : Sources()) {
    if (s.bits != 24) continue;
    SCOPED_TRACE(std::to_string(s.width) + "x" + std::to_string(s.height));
    Source with_table = s;
    with_table.table = Table::kShort;
    ScopedHandle plain(MakeSource(s, false));
    ScopedHandle tabled(MakeSource(with_table, false));
    for (const FilterCase& f : FilterCases()) {
      SCOPED_TRACE(f.name);
      for (const Rect& r : RectanglesOf(s.width, s.height)) {
        const std::vector<uint8_t> outcome = Outcome(f.call, tabled.get(), 24, r);
        ASSERT_GT(outcome.size(), 4u) << "refused";
        ASSERT_EQ(Outcome(f.call, plain.get(), 24, r), outcome);
      }
    }
  }
}

TEST(FilterOutputs, RunLengthSourcesGiveThePlainSourcesResults) {
  for (const Source& s : Sources()) {
    if (s.bits != 8) continue;
    SCOPED_TRACE(std::to_string(s.width) + "x" + std::to_string(s.height));
    ScopedHandle plain(MakeSource(s, false));
    ScopedHandle coded(MakeSource(s, true));
    for (const FilterCase& f : FilterCases()) {
      SCOPED_TRACE(f.name);
      for (const Rect& r : RectanglesOf(s.width, s.height)) {
        ASSERT_EQ(Outcome(f.call, plain.get(), 8, r), Outcome(f.call, coded.get(), 8, r))
            << r.x << "," << r.y << " " << r.width << "x" << r.height;
      }
    }
  }
}

}  // namespace
