#include "core/operators/geometry/flips_and_turns.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/codes.h"
#include "core/operators/geometry/geometry_codes.h"
#include "core/operators/geometry/tests/geometry_test_support.h"
#include "core/status.h"
#include "tests/support/test_support.h"

namespace {

using geometry_test::Geometry;
using geometry_test::Picture;
using geometry_test::RandomPicture;

// The source position of destination (i, j) written from the table of codes,
// with m the source match point minus the destination's.
bool SourceOf(int32_t code, const Picture& s, int64_t i, int64_t j, const int64_t m[5], int64_t& sc, int64_t& sr) {
  const int64_t sx = s.width(), sy = s.height();
  switch (code) {
    case 117: sc = sx - 1 - i - m[0]; sr = j + m[1]; break;
    case 208: sc = i + m[0]; sr = sy - 1 - j - m[1]; break;
    case 1: sc = sx - 1 - i - m[0]; sr = sy - 1 - j - m[1]; break;
    case 3: sc = sx - 1 - j - m[1]; sr = i + m[0]; break;
    case 2: sc = j + m[1]; sr = sy - 1 - i - m[0]; break;
    default: return false;
  }
  return sc >= 0 && sc < sx && sr >= 0 && sr < sy;
}

// Naive reference: every destination element of the planes both images share
// takes its source element where both regions (when given) let it.
Picture Expected(int32_t code, const Picture& s, const Picture& before, const std::vector<uint8_t>* source_region,
                 const std::vector<uint8_t>* destination_region) {
  Picture d = before;
  int64_t m[5];
  for (int k = 0; k < 5; ++k) m[k] = s.geometry.match[k] - before.geometry.match[k];
  const auto& de = before.geometry.extent;
  for (int64_t b = 0; b < de[4]; ++b)
    for (int64_t t = 0; t < de[3]; ++t)
      for (int64_t z = 0; z < de[2]; ++z) {
        const int64_t sb = b + m[4], st = t + m[3], sz = z + m[2];
        if (sb < 0 || sb >= s.geometry.extent[4] || st < 0 || st >= s.geometry.extent[3] || sz < 0 ||
            sz >= s.geometry.extent[2]) {
          continue;
        }
        for (int64_t j = 0; j < de[1]; ++j)
          for (int64_t i = 0; i < de[0]; ++i) {
            int64_t sc = 0, sr = 0;
            if (!SourceOf(code, s, i, j, m, sc, sr)) continue;
            if (source_region != nullptr && (*source_region)[s.Index(sc, sr, sz, st, sb)] == 0) continue;
            if (destination_region != nullptr && (*destination_region)[d.Index(i, j, z, t, b)] == 0) continue;
            d.at(i, j, z, t, b) = s.at(sc, sr, sz, st, sb);
          }
      }
  return d;
}

bool IsTurn(int32_t code) { return code == 3 || code == 2; }

class FlipTurnTest : public geometry_test::GeometryTest {
 protected:
  // Runs `code` from `s` into an image holding `before` (no data when null)
  // and returns what the destination holds.
  Picture Run(int32_t code, const Picture& s, const Picture& before, bool has_data = true, int expected = 0) {
    IpiObject* src = Make(s);
    IpiObject* dst = Make(before, has_data);
    EXPECT_EQ(IpiFlipOrTurn(sys_, src, dst, code), expected);
    return Read(dst, before);
  }
};
GEOMETRY_INSTANTIATE_ALL_REPOSITORIES(FlipTurnTest);

// A 3 x 2 picture whose every element differs pins what each code means in
// the order of the object's rows.
TEST_P(FlipTurnTest, CodesArePinnedByAnAsymmetricPicture) {
  Picture s(Geometry({3, 2}), kDataTypeNonnegative);
  s.values = {1, 2, 3, 4, 5, 6};
  struct Case {
    int32_t code;
    int64_t width, height;
    std::vector<uint8_t> expected;
  };
  const Case cases[] = {
      {kFlipLeftToRight, 3, 2, {3, 2, 1, 6, 5, 4}},
      {kFlipTopToBottom, 3, 2, {4, 5, 6, 1, 2, 3}},
      {kTurnHalf, 3, 2, {6, 5, 4, 3, 2, 1}},
      // Row 0 is the right column read top to bottom; row 2 the left column.
      {kTurnQuarterLeft, 2, 3, {3, 6, 2, 5, 1, 4}},
      // Row 0 is the left column read bottom to top.
      {kTurnQuarterRight, 2, 3, {4, 1, 5, 2, 6, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    const Picture d = Run(c.code, s, Picture(Geometry({c.width, c.height}), kDataTypeNonnegative), false);
    EXPECT_EQ(d.values, c.expected);
  }
}

// Every code on both data types, both bit orders and widths across byte
// borders, over three bands with shifted match points, against the reference;
// elements with no source keep their earlier values.
TEST_P(FlipTurnTest, MatchesTheReferenceOverCodesTypesAndWidths) {
  struct Form {
    int32_t type, order;
  };
  const Form forms[] = {{kDataTypeNonnegative, kOrderMsbFirst},
                        {kDataTypeBoolean, kOrderMsbFirst},
                        {kDataTypeBoolean, kOrderLsbFirst}};
  uint32_t seed = 1;
  for (const Form& form : forms) {
    for (const int32_t code : {208, 117, 1, 3, 2}) {
      for (const int64_t width : {1, 7, 8, 13}) {
        for (const bool shifted : {false, true}) {
          SCOPED_TRACE(testing::Message() << "type " << form.type << " order " << form.order << " code " << code
                                          << " width " << width << " shifted " << shifted);
          const int64_t height = 5;
          Geometry gs({width, height, 1, 1, 3});
          Geometry gd = IsTurn(code) ? Geometry({height, width, 1, 1, 3}) : Geometry({width, height, 1, 1, 3});
          if (shifted) {
            gs = Geometry({width, height, 1, 1, 3}, {1, 0, 0, 0, 1});
            gd.match[1] = 2;
          }
          const Picture s = RandomPicture(gs, form.type, form.order, seed++);
          const Picture before = RandomPicture(gd, form.type, form.order, seed++);
          const Picture got = Run(code, s, before);
          EXPECT_EQ(got.values, Expected(code, s, before, nullptr, nullptr).values);
        }
      }
    }
  }
}

TEST_P(FlipTurnTest, TurnsComposeToTheIdentity) {
  for (const int32_t type : {kDataTypeNonnegative, kDataTypeBoolean}) {
    SCOPED_TRACE(type);
    const Picture s = RandomPicture(Geometry({13, 5}), type, kOrderLsbFirst, 11);
    // Four quarter turns to the left.
    Picture p = s;
    for (int k = 0; k < 4; ++k) {
      p = Run(kTurnQuarterLeft, p, Picture(Geometry({p.height(), p.width()}), type, kOrderLsbFirst), false);
    }
    EXPECT_EQ(p.values, s.values);
    // A turn to the left undone by one to the right; a half turn twice.
    Picture left = Run(kTurnQuarterLeft, s, Picture(Geometry({5, 13}), type, kOrderLsbFirst), false);
    EXPECT_EQ(Run(kTurnQuarterRight, left, s, false).values, s.values);
    Picture half = Run(kTurnHalf, s, s, false);
    EXPECT_EQ(Run(kTurnHalf, half, s, false).values, s.values);
  }
}

// The two images may store their bits in different orders: elements move,
// not bytes.
TEST_P(FlipTurnTest, MixedBitOrdersMoveElements) {
  for (const int32_t code : {208, 117, 3}) {
    SCOPED_TRACE(code);
    const Picture s = RandomPicture(Geometry({13, 3}), kDataTypeBoolean, kOrderLsbFirst, 21);
    Picture before(IsTurn(code) ? Geometry({3, 13}) : Geometry({13, 3}), kDataTypeBoolean, kOrderMsbFirst);
    const Picture got = Run(code, s, before, false);
    EXPECT_EQ(got.values, Expected(code, s, before, nullptr, nullptr).values);
  }
  // Width 13 flipped left to right: element 12 of row 0 becomes element 0.
  Picture s(Geometry({13, 1}), kDataTypeBoolean, kOrderLsbFirst);
  s.at(12, 0) = 1;
  Picture before(Geometry({13, 1}), kDataTypeBoolean, kOrderMsbFirst);
  const std::vector<uint8_t> packed = Run(kFlipLeftToRight, s, before, false).Packed();
  EXPECT_EQ(packed[0], 0x80);
  EXPECT_EQ(packed[1], 0x00);
}

// A source x match point 1 against 0: code 208 reads source column i + 1, so
// the last destination column has no source and keeps its value.
TEST_P(FlipTurnTest, MatchOffsetLeavesTheUncoveredColumn) {
  Picture s(Geometry({4, 2}, {1, 0}), kDataTypeNonnegative);
  s.values = {1, 2, 3, 4, 5, 6, 7, 8};
  Picture before(Geometry({4, 2}), kDataTypeNonnegative);
  before.values = {90, 91, 92, 93, 94, 95, 96, 97};
  EXPECT_EQ(Run(kFlipTopToBottom, s, before).values, (std::vector<uint8_t>{6, 7, 8, 93, 2, 3, 4, 97}));
  SetSystem("matchPointState", 0);
  EXPECT_EQ(Run(kFlipTopToBottom, s, before).values, (std::vector<uint8_t>{5, 6, 7, 8, 1, 2, 3, 4}));
}

// Regions of the source, the destination or both gate every element.
TEST_P(FlipTurnTest, RegionsGateEveryCode) {
  uint32_t seed = 31;
  for (const int32_t type : {kDataTypeNonnegative, kDataTypeBoolean}) {
    for (const int32_t code : {208, 117, 1, 3, 2}) {
      for (const int mode : {1, 4, 5}) {
        SCOPED_TRACE(testing::Message() << "type " << type << " code " << code << " mode " << mode);
        const Geometry gs({11, 4, 1, 1, 2});
        const Geometry gd = IsTurn(code) ? Geometry({4, 11, 1, 1, 2}) : gs;
        const Picture s = RandomPicture(gs, type, kOrderMsbFirst, seed++);
        const Picture before = RandomPicture(gd, type, kOrderLsbFirst, seed++);
        IpiObject* src = Make(s);
        IpiObject* dst = Make(before);
        const std::vector<uint8_t> sr = operator_test::RandomRegion(static_cast<size_t>(gs.Elements()), seed++);
        const std::vector<uint8_t> dr = operator_test::RandomRegion(static_cast<size_t>(gd.Elements()), seed++);
        if (mode & 1) Region(src, sr);
        if (mode & 4) Region(dst, dr);
        ASSERT_EQ(IpiFlipOrTurn(sys_, src, dst, code), 0);
        EXPECT_EQ(Read(dst, before).values,
                  Expected(code, s, before, (mode & 1) ? &sr : nullptr, (mode & 4) ? &dr : nullptr).values);
      }
    }
  }
}

TEST_P(FlipTurnTest, RefusalsLeaveTheDestinationAlone) {
  const Picture bytes = RandomPicture(Geometry({5, 3}), kDataTypeNonnegative, kOrderMsbFirst, 41);
  const Picture bits = RandomPicture(Geometry({5, 3}), kDataTypeBoolean, kOrderMsbFirst, 42);
  IpiObject* src = Make(bits);
  IpiObject* dst = Make(bytes);
  EXPECT_EQ(IpiFlipOrTurn(sys_, src, dst, kFlipTopToBottom), kIpiMismatchDataType);
  EXPECT_EQ(IpiFlipOrTurn(sys_, src, dst, kTurnQuarterLeft), kIpiMismatchDataType);
  EXPECT_EQ(Read(dst, bytes).values, bytes.values);
  // Codes outside each operator's set.
  IpiObject* same = Make(bits);
  EXPECT_EQ(IpiFlipOrTurn(sys_, src, same, 4), kIpiNonPermissibleOption);
  EXPECT_EQ(IpiFlipImage(sys_, src, same, kTurnQuarterLeft), kIpiNonPermissibleOption);
  EXPECT_EQ(IpiTurnImage(sys_, src, same, kFlipLeftToRight), kIpiNonPermissibleOption);
  EXPECT_EQ(Read(same, bits).values, bits.values);
  // A 16-bit image would be moved one byte per element: refused.
  std::vector<IpiAttribute> wide = Geometry({2, 2}).Attributes();
  wide.push_back({"dataPrecision", 16});
  IpiObject* wide_src = store_->Image(wide);
  IpiObject* wide_dst = store_->Image(wide);
  EXPECT_EQ(IpiFlipOrTurn(sys_, wide_src, wide_dst, kTurnHalf), kIpiMismatchDataType);
  EXPECT_EQ(IpiFlipOrTurn(nullptr, src, same, kTurnHalf), kIpiInvalidHandle);
  // A bit order other than 135 and 150 leaves no way to find the bits.
  Picture odd = bits;
  odd.bit_order = 7;
  EXPECT_EQ(IpiFlipOrTurn(sys_, Make(odd), same, kTurnQuarterLeft), kIpiOutOfRange);
  EXPECT_EQ(IpiFlipOrTurn(sys_, src, Make(odd), kFlipTopToBottom), kIpiOutOfRange);
  EXPECT_EQ(Read(same, bits).values, bits.values);
}

// pamflip turns and mirrors the same pictures written as PBM and PGM; row 0
// of a PNM file is its top row, so code 2 is its clockwise turn.
TEST_P(FlipTurnTest, AgreesWithPamflip) {
  struct Case {
    int32_t code;
    const char* option;
  };
  const Case cases[] = {{kTurnQuarterRight, "-cw"}, {kTurnQuarterLeft, "-ccw"}, {kTurnHalf, "-r180"},
                        {kFlipLeftToRight, "-lr"}, {kFlipTopToBottom, "-tb"}};
  testing_support::ScopedTempDir dir;
  for (const int32_t type : {kDataTypeBoolean, kDataTypeNonnegative}) {
    for (const int32_t order : {kOrderMsbFirst, kOrderLsbFirst}) {
      const Picture s = RandomPicture(Geometry({19, 7}), type, order, 51);
      const std::string in = dir.File("in.pnm");
      geometry_test::WritePnm(in, s);
      for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << type << " " << order << " " << c.option);
        const std::string out = dir.File("out.pnm");
        ASSERT_EQ(testing_support::RunCommand("pamflip " + std::string(c.option) + " " + in + " > " + out), 0);
        Picture oracle;
        ASSERT_TRUE(geometry_test::ReadPnm(out, type, oracle));
        Picture shape(oracle.geometry, type, order);
        EXPECT_EQ(Run(c.code, s, shape, false).values, oracle.values);
      }
    }
  }
}

}  // namespace
