#include "core/operators/operator_frame.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/operators/tests/operator_test_support.h"
#include "core/status.h"
#include "tests/support/test_support.h"

namespace {

using operator_test::GetElement;
using operator_test::Geometry;
using operator_test::ImageStore;
using operator_test::RandomBytes;

TEST(FrameRegion, OverlapOfShiftedExtents) {
  struct Case {
    const char* name;
    int64_t reference;            // destination extent
    int64_t extent;               // source extent
    int64_t offset;               // destination match - source match
    int64_t first, last;          // expected destination range (first > last: empty)
  };
  const Case cases[] = {
      {"Same", 5, 5, 0, 0, 4},
      {"DestinationShiftedRight", 6, 5, 2, 2, 5},
      {"SourceShiftedRight", 6, 5, -2, 0, 2},
      {"SourceLarger", 3, 8, 0, 0, 2},
      {"SourceSmaller", 8, 3, 4, 4, 6},
      {"TouchingEdge", 5, 5, 4, 4, 4},
      {"PastEdge", 5, 5, 5, 5, 4},
      {"PastStart", 5, 5, -5, 0, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int64_t reference[5] = {c.reference, 1, 1, 1, 1};
    const int64_t extents[2][5] = {{c.reference, 1, 1, 1, 1}, {c.extent, 1, 1, 1, 1}};
    const int64_t offsets[2][5] = {{0, 0, 0, 0, 0}, {c.offset, 0, 0, 0, 0}};
    const FrameRegion region = ComputeFrameRegion(reference, extents, offsets, 2, 5);
    EXPECT_EQ(region.first[kDimX], c.first);
    EXPECT_EQ(region.last[kDimX], c.last);
    EXPECT_EQ(region.empty(), c.first > c.last);
  }
  // Dimensions past the walked ones stay 0..0 (bands not walked).
  const int64_t reference[5] = {2, 2, 1, 1, 3};
  const int64_t offsets[1][5] = {{0, 0, 0, 0, 1}};
  const FrameRegion fixed = ComputeFrameRegion(reference, &reference, offsets, 1, 4);
  EXPECT_EQ(fixed.first[kDimB], 0);
  EXPECT_EQ(fixed.last[kDimB], 0);
}

class FrameTest : public operator_test::RepositoryFixture {
 protected:
  IpiObject* Bytes(const Geometry& g, const std::vector<uint8_t>* data) {
    return store_->Image(g.Attributes(), data);
  }

};

INSTANTIATE_TEST_SUITE_P(AllRepositories, FrameTest,
                         ::testing::Values(kRepositoryCallerMemory, kRepositoryGlobalBlock, kRepositoryFile),
                         [](const auto& param_info) { return operator_test::RepositoryName(param_info.param); });

// Two sources and one destination, each with its own match points: the
// region is the intersection of all three, and each source is read at the
// destination coordinate minus its own shift.
TEST_P(FrameTest, SeveralSourcesMeetAtTheirMatchPoints) {
  const Geometry ga({6, 5, 1, 1, 2}, {1, 0, 0, 0, 0});
  const Geometry gb({5, 6, 1, 1, 2}, {0, 2, 0, 0, 1});
  const Geometry gd({7, 4, 1, 1, 2}, {2, 1, 0, 0, 1});
  const std::vector<uint8_t> a = RandomBytes(static_cast<size_t>(ga.Elements()), 1);
  const std::vector<uint8_t> b = RandomBytes(static_cast<size_t>(gb.Elements()), 2);
  const std::vector<uint8_t> d = RandomBytes(static_cast<size_t>(gd.Elements()), 3);
  IpiObject* ia = Bytes(ga, &a);
  IpiObject* ib = Bytes(gb, &b);
  IpiObject* id = Bytes(gd, &d);
  const std::vector<uint8_t> region = operator_test::RandomRegion(static_cast<size_t>(gb.Elements()), 4);
  store_->Region(ib, region);  // the second source gates too
  ASSERT_EQ(RunFrame(sys_, BandWalk::kWalk, {{ia}, {ib}}, {{id}},
                     [](const FrameRow& row) {
                       EXPECT_EQ(row.gate_word, 1);
                       const RowRef& x = row.source(0);
                       const RowRef& y = row.source(1);
                       const RowRef& out = row.destination(0);
                       for (int64_t i = 0; i < row.count; ++i) {
                         if (row.gate.open(i)) out.data[i] = static_cast<uint8_t>(x.data[i] + y.data[i]);
                       }
                     }),
            0);
  std::vector<uint8_t> expected = d;
  int64_t c[5];
  for (c[4] = 0; c[4] < gd.extent[4]; ++c[4])
    for (c[1] = 0; c[1] < gd.extent[1]; ++c[1])
      for (c[0] = 0; c[0] < gd.extent[0]; ++c[0]) {
        c[2] = c[3] = 0;
        int64_t sa[5], sb[5];
        for (int i = 0; i < 5; ++i) {
          sa[i] = c[i] - (gd.match[i] - ga.match[i]);
          sb[i] = c[i] - (gd.match[i] - gb.match[i]);
        }
        if (!ga.Contains(sa) || !gb.Contains(sb) || region[static_cast<size_t>(gb.Index(sb))] == 0) continue;
        expected[static_cast<size_t>(gd.Index(c))] =
            static_cast<uint8_t>(a[static_cast<size_t>(ga.Index(sa))] + b[static_cast<size_t>(gb.Index(sb))]);
      }
  EXPECT_EQ(store_->Read(id), expected);
}

// With no destination the first source is the reference: a read-only walk
// (a histogram) sees every element its region leaves open, once.
TEST_P(FrameTest, SourceOnlyWalkVisitsTheOpenElements) {
  const Geometry g({9, 4, 2, 1, 3});
  const std::vector<uint8_t> data = RandomBytes(static_cast<size_t>(g.Elements()), 5);
  IpiObject* image = Bytes(g, &data);
  const std::vector<uint8_t> region = operator_test::RandomRegion(static_cast<size_t>(g.Elements()), 6);
  store_->Region(image, region);
  std::map<int, int64_t> counts;
  ASSERT_EQ(RunFrame(sys_, BandWalk::kWalk, {{image}}, {},
                     [&](const FrameRow& row) {
                       for (int64_t i = 0; i < row.count; ++i) {
                         if (row.gate.open(i)) ++counts[row.source(0).data[i]];
                       }
                     }),
            0);
  std::map<int, int64_t> expected;
  for (size_t e = 0; e < data.size(); ++e) {
    if (region[e] != 0) ++expected[data[e]];
  }
  EXPECT_EQ(counts, expected);
}

// A window of 3 rows around each row: slot k is row y + k of the same plane,
// null outside it; 1-bit rows whose width is not a multiple of 8 start each
// slot at its own bit.
TEST_P(FrameTest, WindowRowsStayInsideTheirPlane) {
  for (const int bits : {8, 1}) {
    SCOPED_TRACE(bits);
    const Geometry g({11, 4, 2});
    std::vector<IpiAttribute> list = g.Attributes();
    if (bits == 1) list.push_back({"dataType", kDataTypeBoolean});
    const std::vector<uint8_t> data = RandomBytes(static_cast<size_t>((g.Elements() * bits + 7) / 8), 7);
    IpiObject* image = store_->Image(list, &data);
    int rows = 0;
    ASSERT_EQ(RunFrame(sys_, BandWalk::kWalk, {{image, 1, 3}}, {},
                       [&](const FrameRow& row) {
                         ++rows;
                         const RowRef& middle = row.source(0);
                         for (int k = -1; k <= 1; ++k) {
                           const RowRef slot = middle.WindowRow(k);
                           const int64_t y = row.y + k;
                           EXPECT_EQ(slot.data == nullptr, y < 0 || y >= g.extent[1]) << row.y << " " << k;
                           if (slot.data == nullptr) continue;
                           for (int64_t i = 0; i < slot.count; ++i) {
                             const int64_t e = i + g.extent[0] * (y + g.extent[1] * row.z);
                             const uint64_t got = bits == 1 ? slot.Test(i) : slot.data[i];
                             ASSERT_EQ(got, GetElement(data, e, bits, kOrderMsbFirst)) << row.y << " " << k << " " << i;
                           }
                         }
                       }),
              0);
    EXPECT_EQ(rows, 8);
  }
}

// The system's states decide: with "roiState" 0 a region is ignored, with
// "matchPointState" 0 both images are taken from index 0.
TEST_P(FrameTest, SystemStatesSwitchRegionsAndMatchPointsOff) {
  const Geometry g({4, 3}, {1, 1});
  const std::vector<uint8_t> data = RandomBytes(static_cast<size_t>(g.Elements()), 8);
  IpiObject* src = Bytes(g, &data);
  IpiObject* dst = Bytes(Geometry({4, 3}), nullptr);
  store_->Region(dst, std::vector<uint8_t>(static_cast<size_t>(g.Elements()), 0));  // all closed
  SetSystem("roiState", 0);
  SetSystem("matchPointState", 0);
  ASSERT_EQ(RunRowOperator(sys_, *src, *dst,
                           [](RowIn in, RowOut out, const Gate& gate) {
                             EXPECT_TRUE(gate.none());
                             for (int64_t i = 0; i < in.count; ++i) out.data[i] = in.data[i];
                           }),
            0);
  EXPECT_EQ(store_->Read(dst), data);
  SetSystem("roiState", 1);
  ASSERT_EQ(RunRowOperator(sys_, *src, *dst, [](RowIn, RowOut out, const Gate& gate) {
              for (int64_t i = 0; i < out.count; ++i) {
                if (gate.open(i)) out.data[i] = 0;
              }
            }),
            0);
  EXPECT_EQ(store_->Read(dst), data);  // every element closed
}

TEST_P(FrameTest, RefusalsWriteNothingAndFailuresCloseEverything) {
  const Geometry g({5, 3});
  const std::vector<uint8_t> data = RandomBytes(static_cast<size_t>(g.Elements()), 9);
  const std::vector<uint8_t> before = RandomBytes(static_cast<size_t>(g.Elements()), 10);
  IpiObject* src = Bytes(g, &data);
  auto copy = [](const FrameRow& row) {
    for (int64_t i = 0; i < row.count; ++i) row.destination(0).data[i] = row.source(0).data[i];
  };

  // More planes than bands: refused before anything is opened.
  IpiObject* empty = Bytes(g, nullptr);
  EXPECT_EQ(RunFrame(sys_, BandWalk::kFixed, {{src, 3}}, {{empty}}, copy), kIpiInsufficientSize);
  EXPECT_EQ(IpiInquireAttribute(sys_, empty, "inited"), 0);

  // A region with fewer bands than the image it gates.
  const Geometry three({5, 3, 1, 1, 3});
  const std::vector<uint8_t> three_data(static_cast<size_t>(three.Elements()), 7);
  IpiObject* banded = Bytes(three, &three_data);
  IpiObject* banded_copy = Bytes(three, &three_data);
  IpiObject* short_region = store_->Make(&kRoiClass, {{"bDimension", 1}}, nullptr, banded);
  ASSERT_EQ(IpiSetAttribute(sys_, banded, "roi", IpiObjectId(short_region)), 0);
  EXPECT_EQ(RunFrame(sys_, BandWalk::kWalk, {{banded}}, {{banded_copy}}, copy), kIpiInsufficientSize);
  EXPECT_EQ(store_->Read(banded_copy), three_data);

  // A kernel that fails on row 1: row 0 stays written, the status comes back
  // as the last error, and the destination was closed (it now holds data).
  IpiObject* dst = Bytes(g, &before);
  int calls = 0;
  EXPECT_EQ(RunFrame(sys_, BandWalk::kWalk, {{src}}, {{dst}},
                     [&](const FrameRow& row) {
                       if (++calls == 2) {
                         IpiReportError(sys_, kIpiOutOfRange);
                         return static_cast<int>(kIpiOutOfRange);
                       }
                       copy(row);
                       return 0;
                     }),
            kIpiOutOfRange);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiOutOfRange);
  std::vector<uint8_t> expected = before;
  std::copy(data.begin(), data.begin() + 5, expected.begin());
  EXPECT_EQ(store_->Read(dst), expected);
}

// Caller memory shorter than the image's data is refused before a row is
// written, rather than failing half-way.
TEST(FrameCallerMemory, ShortMemoryIsRefusedBeforeWriting) {
  IpiSystem* sys = IpiOpenSystem(nullptr);
  ASSERT_NE(sys, nullptr);
  std::vector<uint8_t> source(12, 5), destination(12, 9);
  auto make = [&](std::vector<uint8_t>& memory, intptr_t size) {
    const IpiAttribute list[] = {{"xDimension", 4}, {"yDimension", 3}, {"repository", kRepositoryCallerMemory},
                                 {"applicationAddressSpace", reinterpret_cast<intptr_t>(memory.data())},
                                 {"size", size}};
    return IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, list, 5);
  };
  IpiObject* src = make(source, 12);
  IpiObject* dst = make(destination, 11);
  EXPECT_EQ(RunRowOperator(sys, *src, *dst,
                           [](RowIn in, RowOut out, const Gate&) {
                             for (int64_t i = 0; i < in.count; ++i) out.data[i] = in.data[i];
                           }),
            kIpiInsufficientSize);
  EXPECT_EQ(destination, std::vector<uint8_t>(12, 9));
  EXPECT_EQ(IpiCloseSystem(sys), 0);
}

TEST(FramePreconditions, ReportTheirCodes) {
  IpiSystem* sys = IpiOpenSystem(nullptr);
  ASSERT_NE(sys, nullptr);
  const IpiAttribute list[] = {{"xDimension", 4}, {"yDimension", 3}, {"bDimension", 3}};
  IpiObject* a = IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, list, 3);
  IpiObject* b = IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, list, 2);
  IpiObject* dead = IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, list, 3);
  ASSERT_EQ(IpiDeleteObject(sys, dead), 0);
  struct Case {
    const char* name;
    int status;
    int expected;
  };
  const Case cases[] = {
      {"TypeMatches", RequireDataType(sys, a, kDataTypeNonnegative), 0},
      {"TypeInList", RequireDataType(sys, a, {kDataTypeBoolean, kDataTypeNonnegative}), 0},
      {"TypeDiffers", RequireDataType(sys, a, kDataTypeWord), kIpiMismatchDataType},
      {"TypeOfDeadObject", RequireDataType(sys, dead, kDataTypeNonnegative), kIpiInvalidInstance},
      {"StoredBitsMatch", RequireStoredBits(sys, a, 8), 0},
      {"StoredBitsDiffer", RequireStoredBits(sys, a, 16), kIpiMismatchDataType},
      {"BandsInRange", RequireBands(sys, a, 3, 3), 0},
      {"BandsOutOfRange", RequireBands(sys, b, 3, 4), kIpiNonPermissibleOption},
      {"SameSize", RequireSameSize(sys, a, b), 0},
      {"ValueInRange", RequireInRange(sys, 5, 0, 5), 0},
      {"ValueOutOfRange", RequireInRange(sys, 6, 0, 5), kIpiOutOfRange},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.status, c.expected);
  }
  ASSERT_EQ(IpiSetAttribute(sys, b, "yDimension", 2), 0);
  EXPECT_EQ(RequireSameSize(sys, a, b), kIpiOutOfRange);
  EXPECT_EQ(IpiGetLastError(sys), kIpiOutOfRange);
  EXPECT_EQ(RequireDataType(nullptr, a, kDataTypeNonnegative), kIpiInvalidHandle);
  EXPECT_EQ(IpiCloseSystem(sys), 0);
}

}  // namespace
