// Resizing through the exported entry point, byte for byte: each case's
// whole result handle (header, colour table, rows and their padding) must
// have the digest recorded when every resize still went through whole-page
// image objects. Sources have odd and even sizes, rows long enough for the
// vector loops, custom colour tables shorter than their depth allows and
// padding bits set, so that a path reading the caller's rows in place must
// place every sample, round every tie and ignore the padding exactly as that
// path did.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "Pelrith.h"
#include "packed_dib.h"
#include "plat/fault_injection.h"

namespace {

using api_testing::DibSpec;
using api_testing::MakeDib;
using api_testing::Rgb;
using api_testing::ScopedHandle;

struct ResizeCase {
  int32_t bits;
  int32_t source_width, source_height;
  int32_t width, height;
  int32_t interpolation;  // 8 nearest, 9 bilinear
  int32_t morphology;     // 0, 12, 13
  uint64_t digest;        // FNV-1a of the whole result handle
};

// The digests were taken from the resize made on whole-page image objects.
constexpr ResizeCase kCases[] = {
    {1, 12, 8, 6, 4, 8, 0, 0xcad953ddc221c82c},
    {1, 12, 8, 6, 4, 9, 0, 0xc65ca875c8a85e0},
    {1, 13, 7, 6, 3, 8, 0, 0xdb59ef0cbe6effdf},
    {1, 13, 7, 6, 3, 9, 0, 0xdb59ef0cbe6effdf},
    {1, 13, 7, 5, 4, 8, 0, 0x4b0b7772c3b79a47},
    {1, 13, 7, 5, 4, 9, 0, 0xafe45115ede8d207},
    {1, 12, 8, 24, 16, 8, 0, 0x111e1b4e1604c7f2},
    {1, 12, 8, 24, 16, 9, 0, 0x111e1b4e1604c7f2},
    {1, 13, 7, 27, 15, 8, 0, 0x2dafac871bfb4f40},
    {1, 13, 7, 27, 15, 9, 0, 0x8853a81a5b79c371},
    {1, 12, 8, 24, 4, 8, 0, 0x1614d3a3c8d195ac},
    {1, 12, 8, 24, 4, 9, 0, 0xd9cb32701ca4fc01},
    {1, 13, 7, 13, 7, 8, 0, 0xf1021eb4ab706c5c},
    {1, 13, 7, 13, 7, 9, 0, 0xf1021eb4ab706c5c},
    {1, 1, 1, 3, 2, 8, 0, 0xaab0ad3493e0ce1f},
    {1, 1, 1, 3, 2, 9, 0, 0xaab0ad3493e0ce1f},
    {1, 13, 7, 1, 1, 8, 0, 0xa57f3f3f29835b9a},
    {1, 13, 7, 1, 1, 9, 0, 0xa57f3f3f29835b9a},
    {1, 70, 9, 35, 4, 8, 0, 0x771c04144a7fbcf0},
    {1, 70, 9, 35, 4, 9, 0, 0xaf08de7ebddf6b54},
    {1, 37, 5, 81, 11, 8, 0, 0x9eed2bf02685eab1},
    {1, 37, 5, 81, 11, 9, 0, 0xf913e348a7925cbc},
    {1, 64, 6, 21, 2, 8, 0, 0x738eabe9bcac020e},
    {1, 64, 6, 21, 2, 9, 0, 0x61c54be9228f55ae},
    {4, 12, 8, 6, 4, 8, 0, 0x2f7c72035c91b2ba},
    {4, 12, 8, 6, 4, 9, 0, 0x2b2d120c8f329b21},
    {4, 13, 7, 6, 3, 8, 0, 0x2e023b1703a9e4de},
    {4, 13, 7, 6, 3, 9, 0, 0xeaf566cbae87f4e4},
    {4, 13, 7, 5, 4, 8, 0, 0xcecf0b8a9b17e0f8},
    {4, 13, 7, 5, 4, 9, 0, 0xb42d6963ab6b8b57},
    {4, 12, 8, 24, 16, 8, 0, 0x36dd74bc725afe83},
    {4, 12, 8, 24, 16, 9, 0, 0x9bb04b0bcd21c5d},
    {4, 13, 7, 27, 15, 8, 0, 0x72bc6b86d69349d3},
    {4, 13, 7, 27, 15, 9, 0, 0xd0412a032166f31b},
    {4, 12, 8, 24, 4, 8, 0, 0x3f8270b8839a75c6},
    {4, 12, 8, 24, 4, 9, 0, 0x98159684e7e2822c},
    {4, 13, 7, 13, 7, 8, 0, 0x84742db8c7186305},
    {4, 13, 7, 13, 7, 9, 0, 0x84742db8c7186305},
    {4, 1, 1, 3, 2, 8, 0, 0xba9744de64116daa},
    {4, 1, 1, 3, 2, 9, 0, 0xba9744de64116daa},
    {4, 13, 7, 1, 1, 8, 0, 0x5f4f06b6d506fcd3},
    {4, 13, 7, 1, 1, 9, 0, 0x5f4f06b6d506fcd3},
    {4, 70, 9, 35, 4, 8, 0, 0xccd958d34aa67c0},
    {4, 70, 9, 35, 4, 9, 0, 0xa6122f71e91a81a7},
    {4, 37, 5, 81, 11, 8, 0, 0x4b04a0c4fb0d35ea},
    {4, 37, 5, 81, 11, 9, 0, 0x9869d6505201c26},
    {4, 64, 6, 21, 2, 8, 0, 0x3dc66470d6f40873},
    {4, 64, 6, 21, 2, 9, 0, 0xa6adb0b82f4fd126},
    {8, 12, 8, 6, 4, 8, 0, 0xff06dd13ecaeb845},
    {8, 12, 8, 6, 4, 9, 0, 0xbcf2bc7f6beadb88},
    {8, 13, 7, 6, 3, 8, 0, 0xdd62ec46541e3e26},
    {8, 13, 7, 6, 3, 9, 0, 0x4e0d1e41fd31f969},
    {8, 13, 7, 5, 4, 8, 0, 0xeac6c64814c3e200},
    {8, 13, 7, 5, 4, 9, 0, 0x2478fce49d4e8ff0},
    {8, 12, 8, 24, 16, 8, 0, 0xec8ff5f7d89b2e17},
    {8, 12, 8, 24, 16, 9, 0, 0x161cc5f3471cd034},
    {8, 13, 7, 27, 15, 8, 0, 0x506999c1117888bf},
    {8, 13, 7, 27, 15, 9, 0, 0xe8da517987e00efc},
    {8, 12, 8, 24, 4, 8, 0, 0xffdcd47bcf35c855},
    {8, 12, 8, 24, 4, 9, 0, 0xe2cec75448e19fb2},
    {8, 13, 7, 13, 7, 8, 0, 0x2ff000ec0b8f6c88},
    {8, 13, 7, 13, 7, 9, 0, 0x2ff000ec0b8f6c88},
    {8, 1, 1, 3, 2, 8, 0, 0x8d014b51611db1ce},
    {8, 1, 1, 3, 2, 9, 0, 0x8d014b51611db1ce},
    {8, 13, 7, 1, 1, 8, 0, 0xcba6dcaa198bce57},
    {8, 13, 7, 1, 1, 9, 0, 0xcba6dcaa198bce57},
    {8, 70, 9, 35, 4, 8, 0, 0x80c5724632d49006},
    {8, 70, 9, 35, 4, 9, 0, 0xd48acd4ee43869f9},
    {8, 37, 5, 81, 11, 8, 0, 0xae85222bf6433e23},
    {8, 37, 5, 81, 11, 9, 0, 0x54558fbd5eccb7},
    {8, 64, 6, 21, 2, 8, 0, 0x90c0e41055df27b7},
    {8, 64, 6, 21, 2, 9, 0, 0xe459454744812aa3},
    {24, 12, 8, 6, 4, 8, 0, 0x8cb7fa4091d6b951},
    {24, 12, 8, 6, 4, 9, 0, 0xb48953624bd833b1},
    {24, 13, 7, 6, 3, 8, 0, 0xc78fe1f8fec2ee0b},
    {24, 13, 7, 6, 3, 9, 0, 0x87090770a169eb4c},
    {24, 13, 7, 5, 4, 8, 0, 0xc8c6b06ca9fdb8da},
    {24, 13, 7, 5, 4, 9, 0, 0x88c81b47ae5d63bc},
    {24, 12, 8, 24, 16, 8, 0, 0x92b426300a0bcacc},
    {24, 12, 8, 24, 16, 9, 0, 0x59a4e403af74c19},
    {24, 13, 7, 27, 15, 8, 0, 0x803dde6127aefc9c},
    {24, 13, 7, 27, 15, 9, 0, 0xe688371821d4c4de},
    {24, 12, 8, 24, 4, 8, 0, 0xa3dc71fb201f88f6},
    {24, 12, 8, 24, 4, 9, 0, 0x5a3dbde03c894852},
    {24, 13, 7, 13, 7, 8, 0, 0x21dec098418c7c3f},
    {24, 13, 7, 13, 7, 9, 0, 0x21dec098418c7c3f},
    {24, 1, 1, 3, 2, 8, 0, 0x74f9c7ef84247ee5},
    {24, 1, 1, 3, 2, 9, 0, 0x74f9c7ef84247ee5},
    {24, 13, 7, 1, 1, 8, 0, 0xeb88597899d47e10},
    {24, 13, 7, 1, 1, 9, 0, 0xeb88597899d47e10},
    {24, 70, 9, 35, 4, 8, 0, 0xa72d16f6e2ce7b72},
    {24, 70, 9, 35, 4, 9, 0, 0xb8caa1374082a475},
    {24, 37, 5, 81, 11, 8, 0, 0x21928e587a095738},
    {24, 37, 5, 81, 11, 9, 0, 0xc0f19a88a0cc5f35},
    {24, 64, 6, 21, 2, 8, 0, 0xd82cb6599353ecb0},
    {24, 64, 6, 21, 2, 9, 0, 0x2f4ff80ca2844bc8},
    {1, 12, 8, 6, 4, 8, 12, 0xcad953ddc221c82c},
    {1, 12, 8, 6, 4, 9, 12, 0x1db449d6d5252458},
    {1, 13, 7, 5, 4, 8, 12, 0x4b0b7772c3b79a47},
    {1, 13, 7, 5, 4, 9, 12, 0xa736a2d257584997},
    {1, 70, 9, 35, 4, 8, 12, 0x771c04144a7fbcf0},
    {1, 70, 9, 35, 4, 9, 12, 0xc0e656f9e0297575},
    {1, 64, 6, 21, 2, 8, 12, 0x738eabe9bcac020e},
    {1, 64, 6, 21, 2, 9, 12, 0x3fe7353d28faae08},
    {1, 37, 5, 81, 11, 8, 12, 0x9eed2bf02685eab1},
    {1, 37, 5, 81, 11, 9, 12, 0xf913e348a7925cbc},
    {1, 12, 8, 6, 4, 8, 13, 0xcad953ddc221c82c},
    {1, 12, 8, 6, 4, 9, 13, 0x2edae813cffce21c},
    {1, 13, 7, 5, 4, 8, 13, 0x4b0b7772c3b79a47},
    {1, 13, 7, 5, 4, 9, 13, 0x53f652af6ec9395f},
    {1, 70, 9, 35, 4, 8, 13, 0x771c04144a7fbcf0},
    {1, 70, 9, 35, 4, 9, 13, 0xea44e39a2bdb26ed},
    {1, 64, 6, 21, 2, 8, 13, 0x738eabe9bcac020e},
    {1, 64, 6, 21, 2, 9, 13, 0x7ea5c950925a166c},
    {1, 37, 5, 81, 11, 8, 13, 0x9eed2bf02685eab1},
    {1, 37, 5, 81, 11, 9, 13, 0xf913e348a7925cbc},
    {8, 13, 7, 5, 4, 9, 12, 0x2478fce49d4e8ff0},
    {24, 13, 7, 5, 4, 9, 12, 0x88c81b47ae5d63bc},
};

// Scrambled but deterministic samples, so that neighbours differ and sums
// land on every rounding case.
uint32_t Sample(int32_t bits, int32_t x, int32_t y) {
  uint32_t v = static_cast<uint32_t>(x) * 0x9E3779B1u ^ static_cast<uint32_t>(y) * 0x85EBCA77u;
  v ^= v >> 13;
  v *= 0xC2B2AE3Du;
  v ^= v >> 16;
  if (bits == 24) return v & 0xFFFFFF;
  if (bits == 1) return (v >> 7) & 1;
  return v % (1u << bits);
}

// A colour table of fewer entries than the depth allows (two for one bit,
// the first white), none for 24 bits.
std::vector<Rgb> Palette(int32_t bits) {
  std::vector<Rgb> palette;
  if (bits == 24) return palette;
  const int entries = bits == 1 ? 2 : (1 << bits) - 3;
  for (int i = 0; i < entries; ++i) {
    const int v = bits == 1 ? 255 - 255 * i : i;
    palette.push_back({static_cast<uint8_t>(v), static_cast<uint8_t>(v * 7), static_cast<uint8_t>(255 - v)});
  }
  return palette;
}

// Sets every bit of the rows' padding: the bits past the last pixel and the
// bytes up to the 4-byte boundary.
void FillPadding(HGLOBAL handle, const DibSpec& spec) {
  auto* p = static_cast<uint8_t*>(GlobalLock(handle));
  const size_t row_bytes = (static_cast<size_t>(spec.width) * spec.bits + 31) / 32 * 4;
  const size_t used_bits = static_cast<size_t>(spec.width) * spec.bits;
  uint8_t* rows = p + 40 + 4 * spec.palette.size();
  for (int32_t y = 0; y < spec.height; ++y) {
    uint8_t* row = rows + row_bytes * static_cast<size_t>(y);
    if (used_bits % 8 != 0) row[used_bits / 8] |= static_cast<uint8_t>(0xFF >> (used_bits % 8));
    for (size_t i = (used_bits + 7) / 8; i < row_bytes; ++i) row[i] = 0xA5;
  }
  GlobalUnlock(handle);
}

TEST(Resize, ResultsAreByteForByteTheRecordedOnes) {
  for (const ResizeCase& c : kCases) {
    SCOPED_TRACE(testing::Message() << "{" << c.bits << ", " << c.source_width << ", " << c.source_height << ", "
                                    << c.width << ", " << c.height << ", " << c.interpolation << ", "
                                    << c.morphology << "}");
    const DibSpec spec{c.bits, c.source_width, c.source_height, Palette(c.bits)};
    ScopedHandle source(MakeDib(spec, [&](int32_t x, int32_t y) { return Sample(c.bits, x, y); }));
    FillPadding(source.get(), spec);
    int32_t status = -5;
    ScopedHandle result(
        CmiResize(source.get(), c.width, c.height, c.interpolation, c.morphology, nullptr, 0, &status));
    ASSERT_EQ(status, 0);
    ASSERT_NE(result.get(), 0u);
    const auto* bytes = static_cast<const uint8_t*>(GlobalLock(result.get()));
    const uint64_t digest = api_testing::FoldDigest(api_testing::kDigestStart, bytes, GlobalSize(result.get()));
    GlobalUnlock(result.get());
    EXPECT_EQ(digest, c.digest) << std::hex << "0x" << digest;
  }
}

// The result's handle is the call's one allocation on the rows read in
// place: when it cannot be had the call ends with -1 and no handle, and the
// next call works.
TEST(Resize, AnExhaustedHeapGivesNoResult) {
  for (const int32_t bits : {8, 24}) {
    const DibSpec spec{bits, 13, 7, Palette(bits)};
    ScopedHandle source(MakeDib(spec, [&](int32_t x, int32_t y) { return Sample(bits, x, y); }));
    for (const int32_t interpolation : {8, 9}) {
      SCOPED_TRACE(testing::Message() << bits << " bits, interpolation " << interpolation);
      int32_t status = 99;
      plat::testing::FailNextGlobalAlloc();
      ScopedHandle failed(CmiResize(source.get(), 6, 3, interpolation, 0, nullptr, 0, &status));
      plat::testing::ResetFaults();
      EXPECT_EQ(status, -1);
      EXPECT_EQ(failed.get(), 0u);
      ScopedHandle again(CmiResize(source.get(), 6, 3, interpolation, 0, nullptr, 0, &status));
      EXPECT_EQ(status, 0);
      EXPECT_NE(again.get(), 0u);
    }
  }
}

}  // namespace
