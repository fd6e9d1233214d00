#include "core/operators/point/equalization.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/operators/point/tests/point_test_fixture.h"
#include "core/status.h"

namespace {

using operator_test::Geometry;
using operator_test::RandomBytes;
using operator_test::RandomRegion;
using point_test::PointTest;

class EqualizationTest : public PointTest {};
INSTANTIATE_TEST_SUITE_P(AllRepositories, EqualizationTest, point_test::AllRepositories(),
                         point_test::RepositoryParamName);

// An entry by the definitions of the five curves, c the cumulative share.
double CurveValue(int32_t rule, double c, double l, double u, double a) {
  switch (rule) {
    case 211: return (u - l) * c + l + 0.5;
    case 43: return std::pow((std::cbrt(u) - std::cbrt(l)) * c + std::cbrt(l), 3) + 0.5;
    case 125: return l * std::exp(c * std::log(u / l)) + 0.5;
    case 78: return c == 1.0 ? u : l - std::log(1.0 - c) / a;
    case 244: return c == 1.0 ? u : l + std::sqrt(-2.0 * a * a * std::log(1.0 - c));
  }
  return -1;
}
uint8_t ToEntry(double v) { return static_cast<uint8_t>(std::clamp(std::trunc(v), 0.0, 255.0)); }

TEST(EqualizeTable, FlatImageSplitsAtItsValue) {
  IpiSystem* sys = IpiOpenSystem(nullptr);
  uint32_t counts[256] = {};
  counts[100] = 1234;
  uint8_t table[256];
  ASSERT_EQ(IpiBuildEqualizeTable(sys, counts, table, kEqualizeUniform, IpiIntegerValue(0), IpiIntegerValue(255), 0),
            0);
  for (int k = 0; k < 256; ++k) EXPECT_EQ(table[k], k < 100 ? 0 : 255) << k;  // 0.5 truncated below, 255.5 from 100
  EXPECT_EQ(IpiCloseSystem(sys), 0);
}

// Each rule against its curve: a spread histogram (values near 1 - c = 0
// included), bounds 10 and 240, and the top of rules 78 and 244, where 1 - c
// is 0, at the upper bound.
TEST(EqualizeTable, EveryRuleFollowsItsCurve) {
  IpiSystem* sys = IpiOpenSystem(nullptr);
  uint32_t counts[256] = {};
  for (int k = 0; k < 256; k += 3) counts[k] = static_cast<uint32_t>(1 + (k * 7) % 13);
  uint64_t total = 0;
  for (uint32_t n : counts) total += n;
  for (const int32_t rule : {211, 43, 125, 78, 244}) {
    for (const double a : {40.0, 0.01}) {
      SCOPED_TRACE(testing::Message() << "rule " << rule << " a " << a);
      uint8_t table[256];
      ASSERT_EQ(IpiBuildEqualizeTable(sys, counts, table, rule, IpiIntegerValue(10), IpiRealValue(240.0), a), 0);
      uint64_t running = 0;
      for (int k = 0; k < 256; ++k) {
        running += counts[k];
        const double c = static_cast<double>(running) / static_cast<double>(total);
        // Values beyond 255 (rule 78 with a small parameter) saturate, never wrap.
        ASSERT_EQ(table[k], ToEntry(CurveValue(rule, c, 10, 240, a))) << k;
      }
      if (rule == 78 || rule == 244) {
        EXPECT_EQ(table[255], 240);
      }
    }
  }
  EXPECT_EQ(IpiCloseSystem(sys), 0);
}

TEST(EqualizeTable, EmptyHistogramGivesTheLowerBoundAndUnknownRulesNothing) {
  IpiSystem* sys = IpiOpenSystem(nullptr);
  const uint32_t counts[256] = {};
  for (const int32_t rule : {211, 43, 125, 78, 244}) {
    SCOPED_TRACE(rule);
    uint8_t table[256];
    ASSERT_EQ(IpiBuildEqualizeTable(sys, counts, table, rule, IpiIntegerValue(10), IpiIntegerValue(200), 30.0), 0);
    for (int k = 0; k < 256; ++k) ASSERT_EQ(table[k], 10) << k;  // c = 0, not 0 / 0
  }
  uint8_t table[256];
  std::fill(std::begin(table), std::end(table), 77);
  EXPECT_EQ(IpiBuildEqualizeTable(sys, counts, table, 212, IpiIntegerValue(0), IpiIntegerValue(255), 0),
            kIpiOutOfRange);
  EXPECT_EQ(IpiBuildEqualizeTable(sys, counts, table, 125, IpiIntegerValue(0), IpiIntegerValue(255), 0),
            kIpiOutOfRange);
  for (int k = 0; k < 256; ++k) ASSERT_EQ(table[k], 77);
  EXPECT_EQ(IpiCloseSystem(sys), 0);
}

TEST_P(EqualizationTest, EqualizesUnderTheRegionsWithTheSourceHistogram) {
  const std::vector<uint8_t> flat(30, 100);
  IpiObject* source = Image(Geometry({6, 5}), &flat);
  IpiObject* destination = Image(Geometry({6, 5}), nullptr);
  ASSERT_EQ(IpiEqualize(sys_, source, destination, kEqualizeUniform, IpiIntegerValue(0), IpiIntegerValue(255), 0), 0);
  EXPECT_EQ(Read(destination), std::vector<uint8_t>(30, 255));

  const Geometry source_shape({9, 4, 1, 1, 2}), destination_shape({9, 5, 1, 1, 2}, {0, 1, 0, 0, 0});
  std::vector<uint8_t> in = RandomBytes(static_cast<size_t>(source_shape.Elements()), 8);
  for (uint8_t& v : in) v = static_cast<uint8_t>(40 + v % 90);  // a narrow spread to widen
  const std::vector<uint8_t> before = RandomBytes(static_cast<size_t>(destination_shape.Elements()), 9);
  const std::vector<uint8_t> source_region = RandomRegion(in.size(), 10);
  const std::vector<uint8_t> destination_region = RandomRegion(before.size(), 11);
  source = Image(source_shape, &in);
  destination = Image(destination_shape, &before);
  Region(source, source_shape, source_region);
  Region(destination, destination_shape, destination_region);
  ASSERT_EQ(IpiEqualize(sys_, source, destination, kEqualizeUniform, IpiIntegerValue(0), IpiIntegerValue(255), 0), 0);
  uint64_t counts[256] = {}, total = 0;
  for (size_t e = 0; e < in.size(); ++e) {
    if (source_region[e] != 0) ++counts[in[e]], ++total;
  }
  uint8_t table[256];
  uint64_t running = 0;
  for (int k = 0; k < 256; ++k) {
    running += counts[k];
    table[k] = ToEntry(255.0 * static_cast<double>(running) / static_cast<double>(total) + 0.5);
  }
  const auto expected =
      point_test::Reference(source_shape, destination_shape, before, &source_region, &destination_region, 8,
                            kOrderMsbFirst, [&](int64_t s, int64_t) { return table[in[static_cast<size_t>(s)]]; });
  EXPECT_EQ(Read(destination), expected);

  // Everything outside the source region: an empty histogram, no NaN, and no
  // element passes the gate.
  Region(source, source_shape, std::vector<uint8_t>(in.size(), 0));
  ASSERT_EQ(IpiEqualize(sys_, source, destination, kEqualizeUniform, IpiIntegerValue(0), IpiIntegerValue(255), 0), 0);
  EXPECT_EQ(Read(destination), expected);
}

TEST_P(EqualizationTest, RefusesOtherTypes) {
  const std::vector<uint8_t> packed = {0xF0, 0x0F};
  IpiObject* bitmap = Bitmap(Geometry({4, 4}), kOrderMsbFirst, &packed);
  const std::vector<uint8_t> before(16, 3);
  IpiObject* destination = Image(Geometry({4, 4}), &before);
  EXPECT_EQ(IpiEqualize(sys_, bitmap, destination, kEqualizeUniform, IpiIntegerValue(0), IpiIntegerValue(255), 0),
            kIpiMismatchDataType);
  const std::vector<uint8_t> in(16, 3);
  EXPECT_EQ(IpiEqualize(sys_, Image(Geometry({4, 4}), &in), bitmap, kEqualizeUniform, IpiIntegerValue(0),
                        IpiIntegerValue(255), 0),
            kIpiMismatchDataType);
  EXPECT_EQ(Read(bitmap), packed);
  EXPECT_EQ(Read(destination), before);
}

}  // namespace
