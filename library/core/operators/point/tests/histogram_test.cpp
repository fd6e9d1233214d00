#include "core/operators/point/histogram.h"

#include <gtest/gtest.h>

#include <cstring>

#include "core/operators/point/tests/point_test_fixture.h"
#include "core/status.h"

namespace {

using operator_test::Geometry;
using operator_test::RandomBytes;
using operator_test::RandomRegion;
using point_test::PointTest;

class HistogramTest : public PointTest {
 protected:
  IpiObject* Histogram(int64_t bins) {
    return store_->Make(&kHistogramClass, {{"xDimension", static_cast<intptr_t>(bins)}});
  }
  std::vector<uint32_t> Counts(IpiObject* histogram) {
    const std::vector<uint8_t> bytes = Read(histogram);
    std::vector<uint32_t> counts(bytes.size() / 4);
    std::memcpy(counts.data(), bytes.data(), counts.size() * 4);
    return counts;
  }
};
INSTANTIATE_TEST_SUITE_P(AllRepositories, HistogramTest, point_test::AllRepositories(),
                         point_test::RepositoryParamName);

// Every value 0..255 once, counted into N bins of width 255 / (N - 1); values
// past the last bin count in it.
TEST_P(HistogramTest, BinsOfARampByHand) {
  std::vector<uint8_t> ramp(256);
  for (int v = 0; v < 256; ++v) ramp[static_cast<size_t>(v)] = static_cast<uint8_t>(v);
  struct Case {
    int64_t bins;
    std::vector<std::pair<int64_t, uint32_t>> counts;  // (bin, count) runs: bins up to `bin` hold `count`
  };
  const Case cases[] = {
      {256, {{255, 1}}},
      {16, {{14, 17}, {15, 1}}},     // 0..16 in bin 0, 17..33 in bin 1, 255 alone in bin 15
      {2, {{0, 255}, {1, 1}}},       // width 255
      {200, {{198, 1}, {199, 57}}},  // width 1: 199..255 share the last bin
      {100, {{98, 2}, {99, 58}}},    // width 2: 198..255 share the last bin
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bins);
    IpiObject* histogram = Histogram(c.bins);
    ASSERT_EQ(IpiComputeHistogram(sys_, Image(Geometry({16, 16}), &ramp), histogram), 0);
    const std::vector<uint32_t> counts = Counts(histogram);
    ASSERT_EQ(static_cast<int64_t>(counts.size()), c.bins);
    int64_t bin = 0;
    for (const auto& [last, count] : c.counts) {
      for (; bin <= last; ++bin) EXPECT_EQ(counts[static_cast<size_t>(bin)], count) << bin;
    }
  }
}

TEST_P(HistogramTest, CountsEveryBandUnderTheRegionIgnoringMatchPoints) {
  const Geometry shape({7, 3, 1, 1, 3}, {4, 2, 0, 0, 1});
  const std::vector<uint8_t> in = RandomBytes(static_cast<size_t>(shape.Elements()), 3);
  const std::vector<uint8_t> region = RandomRegion(in.size(), 4);
  IpiObject* source = Image(shape, &in);
  IpiObject* histogram = Histogram(256);
  ASSERT_EQ(IpiComputeHistogram(sys_, source, histogram), 0);
  std::vector<uint32_t> expected(256);
  for (uint8_t v : in) ++expected[v];
  EXPECT_EQ(Counts(histogram), expected);

  Region(source, shape, region);
  ASSERT_EQ(IpiComputeHistogram(sys_, source, histogram), 0);
  std::fill(expected.begin(), expected.end(), 0);
  for (size_t e = 0; e < in.size(); ++e) expected[in[e]] += region[e] != 0 ? 1 : 0;
  EXPECT_EQ(Counts(histogram), expected);

  // A region that closes everything leaves every bin at 0.
  Region(source, shape, std::vector<uint8_t>(in.size(), 0));
  ASSERT_EQ(IpiComputeHistogram(sys_, source, histogram), 0);
  EXPECT_EQ(Counts(histogram), std::vector<uint32_t>(256, 0));
}

TEST_P(HistogramTest, RefusesBinCountsAndTypesItCannotServe) {
  const std::vector<uint8_t> in(12, 200);
  IpiObject* source = Image(Geometry({4, 3}), &in);
  // Past 256 bins the width would be 0; one bin has no width either.
  EXPECT_EQ(IpiComputeHistogram(sys_, source, Histogram(300)), kIpiOutOfRange);
  EXPECT_EQ(IpiComputeHistogram(sys_, source, Histogram(257)), kIpiOutOfRange);
  EXPECT_EQ(IpiComputeHistogram(sys_, source, Histogram(1)), kIpiOutOfRange);
  IpiObject* bytes = store_->Make(&kHistogramClass, {{"dataType", kDataTypeNonnegative}, {"dataPrecision", 8}});
  EXPECT_EQ(IpiComputeHistogram(sys_, source, bytes), kIpiMismatchDataType);
  const std::vector<uint8_t> packed = {0xFF, 0x0F};
  IpiObject* bitmap = Bitmap(Geometry({4, 3}), kOrderMsbFirst, &packed);
  EXPECT_EQ(IpiComputeHistogram(sys_, bitmap, Histogram(256)), kIpiMismatchDataType);
}

}  // namespace
