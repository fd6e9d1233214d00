// Photo-disc image packs: a signature sector, an orientation byte, and each
// stored size as groups of two luma rows followed by one row of each chroma
// channel at half width. Colours follow the PhotoYCC inverse transform.
#include "acquire/pcd/pcd_reader.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "plat/acquire/acquire_constants.h"

namespace plat::acquire {

namespace {

constexpr uint64_t kSignatureOffset = 0x800;
constexpr char kSignature[] = "PCD_IPI";
constexpr uint64_t kSignatureBytes = sizeof(kSignature) - 1;
constexpr uint64_t kOrientationOffset = 0xE02;

struct StoredSize {
  uint64_t offset;
  int width;
  int height;
};

// Base/16, Base/4 and Base, where every pack keeps them.
constexpr StoredSize kBaseOver16 = {0x2000, 192, 128};
constexpr StoredSize kBaseOver4 = {0xB800, 384, 256};
constexpr StoredSize kBase = {0x30000, 768, 512};

uint64_t StoredBytes(const StoredSize& size) {
  return static_cast<uint64_t>(size.width) * static_cast<uint64_t>(size.height) * 3 / 2;
}

bool SizeOf(int data_size, StoredSize& out) {
  switch (data_size) {
    case qrvPcdResBaseOver64:
    case qrvPcdResBaseOver16: out = kBaseOver16; return true;
    case qrvPcdResBaseOver4: out = kBaseOver4; return true;
    case qrvPcdResBase: out = kBase; return true;
    default: return false;
  }
}

// The PhotoYCC inverse transform, L = 1.3584 Y, C1' = 2.2179 (C1 - 156),
// C2' = 1.8215 (C2 - 137), R = L + C2', G = L - 0.194 C1' - 0.509 C2',
// B = L + C1', scaled by 1 / 1.3584: the room the scale leaves above white
// for highlights is folded back into 0-255, so luma maps to itself and a
// grey stays the grey the pack was written with.
constexpr double kLumaScale = 1.0;
constexpr double kChroma1Scale = 2.2179 / 1.3584;
constexpr double kChroma2Scale = 1.8215 / 1.3584;
constexpr double kChroma1Zero = 156;
constexpr double kChroma2Zero = 137;

uint8_t Clamp(double value) { return static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L)); }

// The low two bits of the orientation byte: 0 upright, 1 turned a quarter
// counter-clockwise, 2 a half turn, 3 a quarter clockwise; as clockwise turns.
int TurnsOfOrientation(uint8_t orientation) {
  constexpr int kClockwiseTurns[4] = {0, 3, 2, 1};
  return kClockwiseTurns[orientation & 3];
}

// The chroma sample at full-resolution (x, y), interpolated between the
// stored half-resolution samples, which sit on even rows and columns.
double Chroma(const uint8_t* plane, int half_width, int half_height, int x, int y) {
  const int x0 = x / 2, y0 = y / 2;
  const int x1 = std::min(x0 + (x & 1), half_width - 1);
  const int y1 = std::min(y0 + (y & 1), half_height - 1);
  const auto at = [&](int cx, int cy) { return static_cast<double>(plane[cy * half_width + cx]); };
  return (at(x0, y0) + at(x1, y0) + at(x0, y1) + at(x1, y1)) / 4.0;
}

void DecodeStored(const uint8_t* data, const StoredSize& size, PcdPicture& out) {
  const int width = size.width;
  const int height = size.height;
  const int half_width = width / 2;
  const int half_height = height / 2;
  std::vector<uint8_t> luma(static_cast<size_t>(width) * static_cast<size_t>(height));
  std::vector<uint8_t> c1(static_cast<size_t>(half_width) * static_cast<size_t>(half_height));
  std::vector<uint8_t> c2(c1.size());
  const size_t group_bytes = static_cast<size_t>(width) * 3;
  for (int pair = 0; pair < half_height; ++pair) {
    const uint8_t* group = data + group_bytes * static_cast<size_t>(pair);
    std::memcpy(&luma[static_cast<size_t>(pair) * 2 * width], group, static_cast<size_t>(width) * 2);
    std::memcpy(&c1[static_cast<size_t>(pair) * half_width], group + 2 * width, static_cast<size_t>(half_width));
    std::memcpy(&c2[static_cast<size_t>(pair) * half_width], group + 2 * width + half_width,
                static_cast<size_t>(half_width));
  }
  out.width = width;
  out.height = height;
  out.rgb.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const double l = kLumaScale * luma[static_cast<size_t>(y) * width + x];
      const double k1 = kLumaScale * kChroma1Scale * (Chroma(c1.data(), half_width, half_height, x, y) - kChroma1Zero);
      const double k2 = kLumaScale * kChroma2Scale * (Chroma(c2.data(), half_width, half_height, x, y) - kChroma2Zero);
      uint8_t* pixel = &out.rgb[(static_cast<size_t>(y) * width + x) * 3];
      pixel[0] = Clamp(l + k2);
      pixel[1] = Clamp(l - 0.194 * k1 - 0.509 * k2);
      pixel[2] = Clamp(l + k1);
    }
  }
}

// Each output pixel the rounded mean of a 2x2 block.
PcdPicture HalveByAveraging(const PcdPicture& in) {
  PcdPicture out;
  out.width = in.width / 2;
  out.height = in.height / 2;
  out.rgb.resize(static_cast<size_t>(out.width) * static_cast<size_t>(out.height) * 3);
  for (int y = 0; y < out.height; ++y) {
    for (int x = 0; x < out.width; ++x) {
      for (int c = 0; c < 3; ++c) {
        const auto at = [&](int dx, int dy) {
          return static_cast<int>(in.rgb[(static_cast<size_t>(2 * y + dy) * in.width + 2 * x + dx) * 3 + c]);
        };
        out.rgb[(static_cast<size_t>(y) * out.width + x) * 3 + c] =
            static_cast<uint8_t>((at(0, 0) + at(1, 0) + at(0, 1) + at(1, 1) + 2) / 4);
      }
    }
  }
  return out;
}

// Clockwise quarter turns.
PcdPicture Turn(const PcdPicture& in, int quarter_turns) {
  if (quarter_turns == 0) return in;
  PcdPicture out;
  const bool is_swapped = quarter_turns % 2 == 1;
  out.width = is_swapped ? in.height : in.width;
  out.height = is_swapped ? in.width : in.height;
  out.rgb.resize(in.rgb.size());
  for (int y = 0; y < in.height; ++y) {
    for (int x = 0; x < in.width; ++x) {
      int nx = x, ny = y;
      if (quarter_turns == 1) {
        nx = in.height - 1 - y;
        ny = x;
      } else if (quarter_turns == 2) {
        nx = in.width - 1 - x;
        ny = in.height - 1 - y;
      } else {
        nx = y;
        ny = in.width - 1 - x;
      }
      std::memcpy(&out.rgb[(static_cast<size_t>(ny) * out.width + nx) * 3],
                  &in.rgb[(static_cast<size_t>(y) * in.width + x) * 3], 3);
    }
  }
  return out;
}

}  // namespace

uint64_t PcdBytesNeeded(int data_size) {
  StoredSize size{};
  if (!SizeOf(data_size, size)) return 0;
  return size.offset + StoredBytes(size);
}

int DecodePcdPack(std::span<const uint8_t> pack, int data_size, PcdPicture& out) {
  StoredSize size{};
  if (!SizeOf(data_size, size)) return qrvErrInvalidParam;
  const uint64_t pack_bytes = pack.size();
  // The signature and the orientation lie before every stored size, so one
  // check of the size's end against the pack covers them too.
  const uint64_t end = size.offset + StoredBytes(size);
  if (end > pack_bytes) return qrvErrInvalidFileFormat;
  if (std::memcmp(pack.data() + kSignatureOffset, kSignature, kSignatureBytes) != 0) return qrvErrInvalidFileFormat;
  PcdPicture stored;
  DecodeStored(pack.data() + size.offset, size, stored);
  if (data_size == qrvPcdResBaseOver64) stored = HalveByAveraging(stored);
  out = Turn(stored, TurnsOfOrientation(pack[kOrientationOffset]));
  return qrvSuccess;
}

}  // namespace plat::acquire
