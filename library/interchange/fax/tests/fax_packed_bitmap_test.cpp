// Decoding fax data into the rows of a packed bitmap: picture rows go
// bottom-up, black stays 1, the bits past the width in a row's last byte are
// set, and nothing past a row's decoded bytes is written.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/status.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/fax/fax.h"
#include "interchange/fax/fax_coder.h"
#include "interchange/io/bit_writer.h"

namespace {

using Bytes = std::vector<uint8_t>;

TEST(FaxPackedBitmap, RowsGoBottomUpWithinTheirLength) {
  constexpr int kWidth = 21;
  constexpr int kHeight = 5;
  constexpr int kCodedRowBytes = 3;
  constexpr int kStoredRowBytes = 4;
  // Picture rows of 21 pixels (the last 3 bits of each row's third byte are padding).
  const Bytes picture = {0x80, 0x00, 0x00, 0xFF, 0x0F, 0xF8, 0x00, 0x00, 0x08,
                         0xAA, 0x55, 0xA8, 0x12, 0x34, 0x50};
  Bytes coded;
  BitWriter writer(coded, FillOrder::kMsbFirst);
  FaxEncoder encoder(writer, kWidth, FaxCoding::kMmr, 0, false);
  encoder.BeginPlane();
  for (int y = 0; y < kHeight; ++y) encoder.AddRow(picture.data() + y * kCodedRowBytes);
  encoder.EndPlane();
  ASSERT_TRUE(writer.Flush());

  IpiSystem* sys = IpiOpenSystem(nullptr);
  ASSERT_NE(sys, nullptr);
  const IpiAttribute coded_shape[] = {{"dataType", kDataTypeBoolean},
                                      {"xDimension", kWidth},
                                      {"yDimension", kHeight},
                                      {"repository", kRepositoryCallerMemory},
                                      {"applicationAddressSpace", reinterpret_cast<intptr_t>(coded.data())},
                                      {"size", static_cast<intptr_t>(coded.size())},
                                      {"compression", kCompressionCcittMmr}};
  IpiObject* source = IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, coded_shape, 7);
  ASSERT_NE(source, nullptr);
  Bytes rows(kStoredRowBytes * kHeight, 0xEE);
  const IpiAttribute view[] = {{"dataType", kDataTypeNonnegative},
                               {"dataPrecision", 8},
                               {"xDimension", kStoredRowBytes},
                               {"yDimension", kHeight},
                               {"pixelInterpretation", kPixelInterpretationPackedBitmap},
                               {"repository", kRepositoryCallerMemory},
                               {"applicationAddressSpace", reinterpret_cast<intptr_t>(rows.data())},
                               {"size", static_cast<intptr_t>(rows.size())}};
  IpiObject* bitmap = IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, view, 8);
  ASSERT_NE(bitmap, nullptr);
  ASSERT_EQ(DecodeCcitt(sys, source, bitmap), 0);
  Bytes expected;
  for (int y = kHeight - 1; y >= 0; --y) {
    const uint8_t* row = picture.data() + y * kCodedRowBytes;
    expected.insert(expected.end(), {row[0], row[1], static_cast<uint8_t>(row[2] | 0x07), 0xEE});
  }
  EXPECT_EQ(rows, expected);

  // Data cut short: the rows it reaches are kept, the others white, and 22.
  const IpiAttribute cut[] = {{"size", 2}};
  ASSERT_EQ(IpiSetAttributes(sys, source, cut, 1), 0);
  EXPECT_EQ(DecodeCcitt(sys, source, bitmap), kIpiSyntaxError);
  EXPECT_EQ(Bytes(rows.begin(), rows.begin() + 4), (Bytes{0x00, 0x00, 0x07, 0xEE}));
  IpiCloseSystem(sys);
}

}  // namespace
