#include "core/operators/data_type_conversion.h"

#include <gtest/gtest.h>

#include <tuple>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/status.h"
#include "core/operators/tests/operator_test_support.h"
#include "tests/support/test_support.h"

namespace {

using operator_test::GetElement;
using operator_test::Geometry;
using operator_test::ImageStore;
using operator_test::RandomBytes;
using operator_test::SetElement;

constexpr int32_t kMsb = kOrderMsbFirst;
constexpr int32_t kLsb = kOrderLsbFirst;

struct Side {
  int32_t data_type;
  int bits;
  int32_t bit_order;
  Geometry geometry;
  bool gated;
};

struct CopyCase {
  const char* name;
  Side source;
  Side destination;
  bool destination_has_data = true;
  int32_t nonnegative_precision = 8;  // the system's, for narrow 153 data
};

const CopyCase kCopyCases[] = {
    {"BytesSameSize", {kDataTypeNonnegative, 8, kMsb, {{5, 4}}, false},
     {kDataTypeNonnegative, 8, kMsb, {{5, 4}}, false}},
    {"BytesDestinationShifted", {kDataTypeNonnegative, 8, kMsb, {{5, 4}}, false},
     {kDataTypeNonnegative, 8, kMsb, {{6, 4}, {2, 1}}, false}},
    {"BytesSourceShiftedPastBothEdges", {kDataTypeNonnegative, 8, kMsb, {{7, 6}, {3, 2}}, false},
     {kDataTypeNonnegative, 8, kMsb, {{4, 3}}, false}},
    {"BytesPlanesAndBandsShifted", {kDataTypeNonnegative, 8, kMsb, {{3, 2, 2, 2, 3}, {0, 0, 0, 0, 1}}, false},
     {kDataTypeNonnegative, 8, kMsb, {{3, 2, 2, 2, 2}, {0, 0, 1, 0, 0}}, false}},
    {"BytesNoOverlap", {kDataTypeNonnegative, 8, kMsb, {{5, 4}}, false},
     {kDataTypeNonnegative, 8, kMsb, {{5, 4}, {5, 0}}, false}},
    {"BytesGatedBySource", {kDataTypeNonnegative, 8, kMsb, {{6, 5, 1, 1, 2}, {1, 0}}, true},
     {kDataTypeNonnegative, 8, kMsb, {{6, 4, 1, 1, 2}}, false}},
    {"BytesGatedByDestination", {kDataTypeNonnegative, 8, kMsb, {{6, 5, 1, 1, 2}}, false},
     {kDataTypeNonnegative, 8, kMsb, {{6, 4, 1, 1, 2}, {0, 1}}, true}},
    {"BytesGatedByBoth", {kDataTypeNonnegative, 8, kMsb, {{6, 5, 1, 1, 2}, {1, 0}}, true},
     {kDataTypeNonnegative, 8, kMsb, {{6, 4, 1, 1, 2}, {0, 1}}, true}},
    {"BytesIntoEmptyDestination", {kDataTypeNonnegative, 8, kMsb, {{5, 4}}, true},
     {kDataTypeNonnegative, 8, kMsb, {{6, 5}, {1, 1}}, false}, false},
    {"SixteenBitGatedAndShifted", {kDataTypeNonnegative, 16, kMsb, {{5, 3}, {0, 1}}, true},
     {kDataTypeNonnegative, 16, kMsb, {{4, 4}, {1, 0}}, true}},
    {"WordsGatedAndShifted", {kDataTypeWord, 32, kMsb, {{5, 3, 1, 1, 2}, {2, 0}}, true},
     {kDataTypeWord, 32, kMsb, {{5, 3, 1, 1, 2}}, true}},
    {"BooleanBitOrdersDiffer", {kDataTypeBoolean, 1, kMsb, {{13, 3}}, false},
     {kDataTypeBoolean, 1, kLsb, {{17, 4}, {3, 1}}, false}},
    {"BooleanGatedByBoth", {kDataTypeBoolean, 1, kLsb, {{11, 3, 1, 1, 2}, {0, 1}}, true},
     {kDataTypeBoolean, 1, kLsb, {{9, 3, 1, 1, 2}, {2, 0}}, true}},
    {"BooleanToBytes", {kDataTypeBoolean, 1, kLsb, {{11, 3}, {1, 0}}, true},
     {kDataTypeNonnegative, 8, kMsb, {{9, 4}, {0, 1}}, true}},
    {"NarrowNonnegativeOrdersDiffer", {kDataTypeNonnegative, 4, kMsb, {{7, 3}, {0, 1}}, true},
     {kDataTypeNonnegative, 4, kLsb, {{9, 3}, {3, 0}}, true}, true, 4},
};

// Random 0/1 region elements, about a third of them closed.
std::vector<uint8_t> RegionBytes(const Geometry& g, int bits, int32_t order, uint32_t seed) {
  std::vector<uint8_t> bytes(static_cast<size_t>((g.Elements() * bits + 7) / 8), 0);
  std::mt19937 random(seed);
  for (int64_t e = 0; e < g.Elements(); ++e) SetElement(bytes, e, bits, order, random() % 3 != 0 ? 1 : 0);
  return bytes;
}

class CopyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sys_ = IpiOpenSystem(nullptr);
    ASSERT_NE(sys_, nullptr);
    SetSystem("roiState", 1);
    SetSystem("matchPointState", 1);
  }
  void TearDown() override {
    EXPECT_EQ(IpiCloseSystem(sys_), 0);
    EXPECT_TRUE(testing_support::LibraryTempFiles().empty());
  }
  void SetSystem(const char* name, intptr_t value) {
    const IpiAttribute entry{name, value};
    ASSERT_EQ(IpiSetSystemAttributes(sys_, &entry, 1), 0);
  }

  struct Built {
    IpiObject* image = nullptr;
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> region;  // empty: ungated
  };

  Built Build(ImageStore& store, const Side& side, uint32_t seed, bool with_data) {
    Built built;
    std::vector<IpiAttribute> list = side.geometry.Attributes();
    list.push_back({"dataType", side.data_type});
    list.push_back({"dataPrecision", side.bits});
    list.push_back({"bitOrder", side.bit_order});
    const int64_t bytes = (side.geometry.Elements() * side.bits + 7) / 8;
    built.bytes = with_data ? RandomBytes(static_cast<size_t>(bytes), seed) : std::vector<uint8_t>(bytes, 0);
    built.image = store.Image(list, with_data ? &built.bytes : nullptr);
    if (side.gated) {
      // The region takes the system's precision for 153 data and its image's bit order.
      const int region_bits = IpiSystemValue(sys_, IpiSystemAttribute::kNonnegativeIntegerPrecision);
      built.region = RegionBytes(side.geometry, region_bits, side.bit_order, seed + 1);
      store.Region(built.image, built.region);
    }
    return built;
  }

  // Runs one case with source and destination in the given repositories and
  // returns the destination's bytes, after checking them against the naive
  // reference: every destination element reached from the source through the
  // match points, where each region consulted is non-zero, takes the source
  // element; every other element keeps its value.
  std::vector<uint8_t> RunCase(const CopyCase& c, int32_t source_repository, int32_t destination_repository) {
    SCOPED_TRACE(c.name);
    SetSystem("nonnegativeIntegerPrecision", c.nonnegative_precision);
    ImageStore sources(sys_, source_repository);
    ImageStore destinations(sys_, destination_repository);
    const Built src = Build(sources, c.source, 11, true);
    const Built dst = Build(destinations, c.destination, 23, c.destination_has_data);
    EXPECT_EQ(IpiConvertDataType(sys_, src.image, dst.image), 0);

    std::vector<uint8_t> expected = dst.bytes;
    const int region_bits = c.nonnegative_precision;
    operator_test::ForEachReachedElement(c.source.geometry, c.destination.geometry, [&](int64_t d, int64_t s) {
      if (!src.region.empty() && GetElement(src.region, s, region_bits, c.source.bit_order) == 0) return;
      if (!dst.region.empty() && GetElement(dst.region, d, region_bits, c.destination.bit_order) == 0) return;
      uint64_t value = GetElement(src.bytes, s, c.source.bits, c.source.bit_order);
      if (c.source.data_type == kDataTypeBoolean && c.destination.data_type == kDataTypeNonnegative) {
        value = value != 0 ? 255 : 0;
      }
      SetElement(expected, d, c.destination.bits, c.destination.bit_order, value);
    });
    const std::vector<uint8_t> got = destinations.Read(dst.image);
    EXPECT_EQ(got, expected);
    SetSystem("nonnegativeIntegerPrecision", 8);
    return got;
  }

  IpiSystem* sys_ = nullptr;
};

class RepositoryPairTest : public CopyTest,
                           public ::testing::WithParamInterface<std::tuple<int32_t, int32_t>> {};
class RepositoryTest : public CopyTest, public ::testing::WithParamInterface<int32_t> {};

INSTANTIATE_TEST_SUITE_P(
    AllRepositories, RepositoryPairTest,
    ::testing::Combine(::testing::Values(kRepositoryCallerMemory, kRepositoryGlobalBlock, kRepositoryFile),
                       ::testing::Values(kRepositoryCallerMemory, kRepositoryGlobalBlock, kRepositoryFile)),
    [](const auto& param_info) {
      return std::string(operator_test::RepositoryName(std::get<0>(param_info.param))) + "To" +
             operator_test::RepositoryName(std::get<1>(param_info.param));
    });

INSTANTIATE_TEST_SUITE_P(AllRepositories, RepositoryTest,
                         ::testing::Values(kRepositoryCallerMemory, kRepositoryGlobalBlock, kRepositoryFile),
                         [](const auto& param_info) { return operator_test::RepositoryName(param_info.param); });

TEST_P(RepositoryPairTest, MatchesNaiveReferenceThroughMatchPointsAndRegions) {
  for (const CopyCase& c : kCopyCases) RunCase(c, std::get<0>(GetParam()), std::get<1>(GetParam()));
}

TEST_F(CopyTest, EveryRepositoryGivesTheSameBytes) {
  // Same seeds in every repository: the results must not depend on where the data lives.
  for (const CopyCase& c : kCopyCases) {
    const std::vector<uint8_t> in_memory = RunCase(c, kRepositoryCallerMemory, kRepositoryCallerMemory);
    EXPECT_EQ(RunCase(c, kRepositoryGlobalBlock, kRepositoryGlobalBlock), in_memory) << c.name;
    EXPECT_EQ(RunCase(c, kRepositoryFile, kRepositoryFile), in_memory) << c.name;
  }
}

// Every alignment of a boolean copy: region widths 1..40 starting at x 0..9 of
// the destination (or of the source), rows of 3 so that later rows start
// inside a byte, all four pairs of bit orders, against a naive bit copy. Each
// case runs twice: ungated (whole bytes where the phases agree) and under an
// all-open destination region (bit by bit); both must give the same bytes.
TEST_P(RepositoryTest, BooleanCopyOfEveryAlignmentMatchesNaiveBitCopy) {
  ImageStore store(sys_, GetParam());
  constexpr int kRows = 3;
  int mismatches = 0;
  for (int32_t source_order : {kMsb, kLsb}) {
    for (int32_t destination_order : {kMsb, kLsb}) {
      for (bool offset_in_destination : {true, false}) {
        for (int offset = 0; offset <= 9; ++offset) {
          for (int width = 1; width <= 40; ++width) {
            Geometry sg{{width, kRows}};
            Geometry dg{{width, kRows}};
            (offset_in_destination ? dg : sg).extent[0] += offset;
            (offset_in_destination ? dg : sg).match[0] = offset;
            const uint32_t seed = static_cast<uint32_t>(offset * 100 + width);
            auto make = [&](const Geometry& g, int32_t order, const std::vector<uint8_t>& bytes) {
              std::vector<IpiAttribute> list = g.Attributes();
              list.push_back({"dataType", kDataTypeBoolean});
              list.push_back({"bitOrder", order});
              return store.Image(list, &bytes);
            };
            const std::vector<uint8_t> src_bytes = RandomBytes(static_cast<size_t>((sg.Elements() + 7) / 8), seed);
            const std::vector<uint8_t> dst_bytes = RandomBytes(static_cast<size_t>((dg.Elements() + 7) / 8), ~seed);
            std::vector<uint8_t> expected = dst_bytes;
            operator_test::ForEachReachedElement(sg, dg, [&](int64_t d, int64_t s) {
              SetElement(expected, d, 1, destination_order, GetElement(src_bytes, s, 1, source_order));
            });

            IpiObject* src = make(sg, source_order, src_bytes);
            IpiObject* fast = make(dg, destination_order, dst_bytes);
            IpiObject* slow = make(dg, destination_order, dst_bytes);
            IpiObject* open_region = store.Region(slow, std::vector<uint8_t>(static_cast<size_t>(dg.Elements()), 1));
            EXPECT_EQ(IpiConvertFromBoolean(sys_, src, fast), 0);
            EXPECT_EQ(IpiConvertFromBoolean(sys_, src, slow), 0);
            const std::vector<uint8_t> fast_bytes = store.Read(fast);
            if (fast_bytes != expected || store.Read(slow) != fast_bytes) {
              ADD_FAILURE() << "orders " << source_order << "->" << destination_order << " offset " << offset
                            << (offset_in_destination ? " in destination" : " in source") << " width " << width;
              if (++mismatches > 5) return;
            }
            for (IpiObject* obj : {open_region, slow, fast, src}) EXPECT_EQ(IpiDeleteObject(sys_, obj), 0);
          }
        }
      }
    }
  }
}

TEST_P(RepositoryTest, RefusesMismatchedTypesAndWritesNothing) {
  ImageStore store(sys_, GetParam());
  struct Case {
    const char* name;
    int (*op)(IpiSystem*, IpiObject*, IpiObject*);
    int32_t source_type, source_bits, destination_type, destination_bits;
    int expected;
  };
  const Case cases[] = {
      {"DispatchOfReal", IpiConvertDataType, kDataTypeReal, 32, kDataTypeReal, 32, kIpiMismatchDataType},
      {"DispatchOfSigned", IpiConvertDataType, kDataTypeSigned, 16, kDataTypeSigned, 16, kIpiMismatchDataType},
      {"BooleanFromBytes", IpiConvertFromBoolean, kDataTypeNonnegative, 8, kDataTypeBoolean, 1, kIpiMismatchDataType},
      {"BooleanToWords", IpiConvertFromBoolean, kDataTypeBoolean, 1, kDataTypeWord, 32, kIpiMismatchDataType},
      {"BooleanToSixteenBit", IpiConvertFromBoolean, kDataTypeBoolean, 1, kDataTypeNonnegative, 16,
       kIpiMismatchDataType},
      {"NonnegativeToBoolean", IpiConvertFromNonnegative, kDataTypeNonnegative, 8, kDataTypeBoolean, 1,
       kIpiMismatchDataType},
      {"NonnegativeWidthsDiffer", IpiConvertFromNonnegative, kDataTypeNonnegative, 8, kDataTypeNonnegative, 16,
       kIpiMismatchDataType},
      {"DispatchNonnegativeWidthsDiffer", IpiConvertDataType, kDataTypeNonnegative, 16, kDataTypeNonnegative, 8,
       kIpiMismatchDataType},
      {"WordsFromBytes", IpiConvertFromInteger32, kDataTypeNonnegative, 8, kDataTypeWord, 32, kIpiMismatchDataType},
      {"WordsStoredNarrow", IpiConvertFromInteger32, kDataTypeWord, 8, kDataTypeWord, 32, kIpiMismatchDataType},
      // Below 8 bits both are stored in 8: they copy.
      {"NarrowPrecisionsStoredAlike", IpiConvertFromNonnegative, kDataTypeNonnegative, 4, kDataTypeNonnegative, 8, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Geometry g{{4, 2}};
    auto make = [&](int32_t type, int bits, uint32_t seed) {
      std::vector<IpiAttribute> list = g.Attributes();
      list.push_back({"dataType", type});
      list.push_back({"dataPrecision", bits});
      IpiObject* obj = store.Image(list);
      const std::vector<uint8_t> bytes = RandomBytes(static_cast<size_t>(store.TotalBytes(obj)), seed);
      store.Write(obj, bytes);
      return std::make_pair(obj, bytes);
    };
    const auto [src, src_bytes] = make(c.source_type, c.source_bits, 1);
    const auto [dst, dst_bytes] = make(c.destination_type, c.destination_bits, 2);
    EXPECT_EQ(c.op(sys_, src, dst), c.expected);
    if (c.expected != 0) {
      EXPECT_EQ(IpiGetLastError(sys_), c.expected);
    }
    EXPECT_EQ(store.Read(dst), c.expected == 0 ? src_bytes : dst_bytes);
  }
  // A deleted object is not live: 9, for either side.
  std::vector<IpiAttribute> list = Geometry{{4, 2}}.Attributes();
  IpiObject* live = store.Image(list);
  IpiObject* dead = store.Image(list);
  ASSERT_EQ(IpiDeleteObject(sys_, dead), 0);
  EXPECT_EQ(IpiConvertDataType(sys_, dead, live), kIpiInvalidInstance);
  EXPECT_EQ(IpiConvertDataType(sys_, live, dead), kIpiInvalidInstance);
  EXPECT_EQ(IpiConvertFromNonnegative(nullptr, live, live), kIpiInvalidHandle);
}

}  // namespace
