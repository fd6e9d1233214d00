#include "core/operators/point/threshold.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "core/operators/point/tests/point_test_fixture.h"
#include "core/status.h"

namespace {

using operator_test::Geometry;
using operator_test::GetElement;
using operator_test::RandomBytes;
using operator_test::RandomRegion;
using point_test::PointTest;

class ThresholdTest : public PointTest {};
INSTANTIATE_TEST_SUITE_P(AllRepositories, ThresholdTest, point_test::AllRepositories(),
                         point_test::RepositoryParamName);

std::vector<uint8_t> Ramp() {
  std::vector<uint8_t> ramp(256);
  for (int v = 0; v < 256; ++v) ramp[static_cast<size_t>(v)] = static_cast<uint8_t>(v);
  return ramp;
}

// Triples as callers pass them, with the bytes they stand for: integers and
// truncated reals limited to 0..255; a threshold outside 0..255 compares as
// given, so nothing wraps round.
TEST_P(ThresholdTest, TriplesSelectBelowAndAboveValuesByDefinition) {
  struct Case {
    const char* name;
    IpiTypedValue threshold, below, above;
    int t, a, b;  // v < t gives a, else b
  };
  const Case cases[] = {
      {"bitmap mode 128", IpiIntegerValue(128), IpiIntegerValue(0), IpiIntegerValue(1), 128, 0, 1},
      {"real 99.9 is 99", IpiRealValue(99.9), IpiIntegerValue(10), IpiIntegerValue(200), 99, 10, 200},
      {"real -0.5 is 0", IpiRealValue(-0.5), IpiIntegerValue(1), IpiIntegerValue(2), 0, 1, 2},
      {"256 keeps all below", IpiIntegerValue(256), IpiIntegerValue(3), IpiIntegerValue(4), 256, 3, 4},
      {"-1 puts all above", IpiIntegerValue(-1), IpiIntegerValue(3), IpiIntegerValue(4), 0, 3, 4},
      {"values clamp, not wrap", IpiIntegerValue(50), IpiIntegerValue(-1), IpiIntegerValue(256), 50, 0, 255},
      {"real values clamp", IpiIntegerValue(7), IpiRealValue(1e300), IpiRealValue(-1e300), 7, 255, 0},
  };
  const std::vector<uint8_t> ramp = Ramp();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    IpiObject* source = Image(Geometry({256}), &ramp);
    IpiObject* destination = Image(Geometry({256}), nullptr);
    ASSERT_EQ(IpiThreshold(sys_, source, destination, c.threshold, c.below, c.above), 0);
    const std::vector<uint8_t> got = Read(destination);
    for (int v = 0; v < 256; ++v) ASSERT_EQ(got[static_cast<size_t>(v)], v < c.t ? c.a : c.b) << v;
  }
}

// Bitmaps in both bit orders, rows starting inside a byte (13 wide, shifted
// by match points), under both regions, against the definition read through
// the storage rule.
TEST_P(ThresholdTest, BitmapsTakeTheirOwnBitOrderAndKeepGatedBits) {
  const Geometry source_shape({13, 3, 2}, {0, 0, 0});
  const Geometry destination_shape({11, 4, 2}, {3, 1, 0});
  uint32_t seed = 30;
  for (const int32_t order : {kOrderMsbFirst, kOrderLsbFirst}) {
    for (const bool gated : {false, true}) {
      SCOPED_TRACE(testing::Message() << "order " << order << (gated ? " gated" : ""));
      const std::vector<uint8_t> in = RandomBytes(static_cast<size_t>(source_shape.Elements()), ++seed);
      const std::vector<uint8_t> before =
          RandomBytes(point_test::BitBytes(destination_shape.Elements()), ++seed);
      IpiObject* source = Image(source_shape, &in);
      IpiObject* destination = Bitmap(destination_shape, order, &before);
      std::vector<uint8_t> source_region, destination_region;
      if (gated) {
        source_region = RandomRegion(in.size(), ++seed);
        destination_region = RandomRegion(static_cast<size_t>(destination_shape.Elements()), ++seed);
        Region(source, source_shape, source_region);
        Region(destination, destination_shape, destination_region);
      }
      ASSERT_EQ(IpiThreshold(sys_, source, destination, IpiIntegerValue(128), IpiIntegerValue(0),
                             IpiIntegerValue(1)),
                0);
      const auto expected = point_test::Reference(
          source_shape, destination_shape, before, gated ? &source_region : nullptr,
          gated ? &destination_region : nullptr, 1, order,
          [&](int64_t s, int64_t) { return in[static_cast<size_t>(s)] >= 128 ? 1u : 0u; });
      EXPECT_EQ(Read(destination), expected);
    }
  }
  // 127 and 128 on either side of the threshold, bit order 135: bit value 0x01 first.
  const std::vector<uint8_t> pair = {127, 128};
  IpiObject* source = Image(Geometry({2}), &pair);
  IpiObject* destination = Bitmap(Geometry({2}), kOrderLsbFirst, nullptr);
  ASSERT_EQ(IpiThreshold(sys_, source, destination, IpiIntegerValue(128), IpiIntegerValue(0), IpiIntegerValue(1)),
            0);
  EXPECT_EQ(Read(destination), std::vector<uint8_t>{0x02});
}

// Rows long enough for whole runs of bytes between a partial first and last
// byte, in both bit orders, for every pairing of the two bits and the
// thresholds at and beyond the ends of the range.
TEST_P(ThresholdTest, WideBitmapRowsTakeEveryPairingOfBits) {
  struct Case {
    int t, a, b;
  };
  const Case cases[] = {{128, 0, 1}, {128, 1, 0}, {1, 0, 7}, {255, 9, 0}, {0, 1, 0},
                        {256, 1, 0}, {200, 0, 0}, {200, 3, 4}, {-1, 0, 1}, {256, 0, 1}};
  const Geometry source_shape({70, 3}, {0, 0});
  const Geometry destination_shape({75, 4}, {3, 1});
  uint32_t seed = 90;
  const std::vector<uint8_t> in = RandomBytes(static_cast<size_t>(source_shape.Elements()), ++seed);
  for (const int32_t order : {kOrderMsbFirst, kOrderLsbFirst}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << "order " << order << " t " << c.t << " a " << c.a << " b " << c.b);
      const std::vector<uint8_t> before = RandomBytes(point_test::BitBytes(destination_shape.Elements()), ++seed);
      IpiObject* source = Image(source_shape, &in);
      IpiObject* destination = Bitmap(destination_shape, order, &before);
      ASSERT_EQ(IpiThreshold(sys_, source, destination, IpiIntegerValue(c.t), IpiIntegerValue(c.a),
                             IpiIntegerValue(c.b)),
                0);
      const auto expected = point_test::Reference(
          source_shape, destination_shape, before, nullptr, nullptr, 1, order, [&](int64_t s, int64_t) {
            return (in[static_cast<size_t>(s)] < c.t ? c.a : c.b) != 0 ? 1u : 0u;
          });
      EXPECT_EQ(Read(destination), expected);
    }
  }
}

// The row kernel for callers' own rows: most significant bit first from the
// row's first byte, the last byte's bits past the row 0, nothing written
// past it; at row lengths around the 16-sample step.
TEST(ThresholdRowToBits, PacksEverySampleByDefinition) {
  struct Case {
    int t;
    bool below, above;
  };
  const Case cases[] = {{128, false, true}, {128, true, false}, {0, false, true}, {1, false, true},
                        {255, false, true}, {256, false, true}, {-1, true, false}, {200, true, true}};
  for (int64_t count : {1, 7, 8, 15, 16, 17, 33, 70}) {
    const std::vector<uint8_t> in = RandomBytes(static_cast<size_t>(count), static_cast<uint32_t>(count));
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << "count " << count << " t " << c.t << " " << c.below << c.above);
      const size_t bytes = static_cast<size_t>((count + 7) / 8);
      std::vector<uint8_t> out(bytes + 1, 0xEE);
      ThresholdRowToBits(in.data(), count, ThresholdBitRuleFor(c.t, c.below, c.above), out.data());
      for (size_t i = 0; i < 8 * bytes; ++i) {
        const bool is_set = (out[i / 8] & (0x80 >> (i % 8))) != 0;
        const bool expected = i < static_cast<size_t>(count) && (in[i] < c.t ? c.below : c.above);
        ASSERT_EQ(is_set, expected) << i;
      }
      EXPECT_EQ(out[bytes], 0xEE);
    }
  }
}

TEST_P(ThresholdTest, RefusesOtherTypesAndUnknownBitOrders) {
  const std::vector<uint8_t> in = {1, 2, 3, 4};
  const std::vector<uint8_t> before = {0xA5};
  IpiObject* source = Image(Geometry({4}), &in);
  const IpiTypedValue t = IpiIntegerValue(2), a = IpiIntegerValue(0), b = IpiIntegerValue(1);
  IpiObject* unordered = Image(Geometry({4}), &before,
                               {{"dataType", kDataTypeBoolean}, {"dataPrecision", 1}, {"bitOrder", 0}});
  EXPECT_EQ(IpiThreshold(sys_, source, unordered, t, a, b), kIpiNonPermissibleOption);
  EXPECT_EQ(Read(unordered), before);
  IpiObject* bitmap_source = Bitmap(Geometry({4}), kOrderMsbFirst, &before);
  IpiObject* destination = Image(Geometry({4}), &in);
  EXPECT_EQ(IpiThreshold(sys_, bitmap_source, destination, t, a, b), kIpiMismatchDataType);
  const std::vector<uint8_t> words(16, 0);
  IpiObject* word_destination = Image(Geometry({4}), &words, {{"dataType", kDataTypeWord}, {"dataPrecision", 32}});
  EXPECT_EQ(IpiThreshold(sys_, source, word_destination, t, a, b), kIpiMismatchDataType);
  EXPECT_EQ(Read(destination), in);
}

// The thresholds netpbm draws: pamditherbw -threshold -value f makes a sample
// white where it is at least f x 255, so f = (T - 0.5) / 255 draws white
// exactly where the sample is at least T, i.e. where our bit is set.
TEST(ThresholdOracle, AgreesWithPamditherbwThreshold) {
  IpiSystem* sys = IpiOpenSystem(nullptr);
  ASSERT_NE(sys, nullptr);
  const int64_t width = 37, height = 11;
  const std::vector<uint8_t> grey = RandomBytes(static_cast<size_t>(width * height), 77);
  testing_support::ScopedTempDir dir;
  const std::string pgm = dir.File("in.pgm");
  {
    std::ofstream out(pgm, std::ios::binary);
    out << "P5\n" << width << " " << height << "\n255\n";
    out.write(reinterpret_cast<const char*>(grey.data()), static_cast<std::streamsize>(grey.size()));
  }
  for (const int t : {1, 64, 127, 128, 200, 255}) {
    SCOPED_TRACE(t);
    std::string plain;
    const std::string command = "pamditherbw -threshold -value " + std::to_string((t - 0.5) / 255.0) + " " + pgm +
                                " 2>/dev/null | pamtopnm | pnmtoplainpnm";
    ASSERT_EQ(testing_support::RunCommand(command, &plain), 0);
    std::istringstream text(plain);
    std::string magic;
    int64_t w = 0, h = 0;
    text >> magic >> w >> h;
    ASSERT_EQ(magic, "P1");
    ASSERT_EQ(w, width);
    ASSERT_EQ(h, height);
    std::vector<char> black;
    for (char c; text >> c;) black.push_back(c);
    ASSERT_EQ(static_cast<int64_t>(black.size()), width * height);

    operator_test::ImageStore store(sys, kRepositoryGlobalBlock);
    IpiObject* source = store.Image(Geometry({width, height}).Attributes(), &grey);
    std::vector<IpiAttribute> bitmap = Geometry({width, height}).Attributes();
    bitmap.push_back({"dataType", kDataTypeBoolean});
    bitmap.push_back({"dataPrecision", 1});
    IpiObject* destination = store.Image(bitmap);
    ASSERT_EQ(IpiThreshold(sys, source, destination, IpiIntegerValue(t), IpiIntegerValue(0), IpiIntegerValue(1)), 0);
    const std::vector<uint8_t> got = store.Read(destination);
    for (int64_t e = 0; e < width * height; ++e) {
      // PBM: 1 is black; our set bit is the white (at or above) side.
      ASSERT_EQ(GetElement(got, e, 1, kOrderMsbFirst), black[static_cast<size_t>(e)] == '0' ? 1u : 0u) << e;
    }
  }
  EXPECT_EQ(IpiCloseSystem(sys), 0);
}

}  // namespace
