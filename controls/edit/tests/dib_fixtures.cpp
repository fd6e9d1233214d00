#include "dib_fixtures.h"

#include <cstring>

namespace ondavel::test {

namespace {
void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  b[at] = uint8_t(v), b[at + 1] = uint8_t(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}
}  // namespace

DibSpec Spec(int width, int height, int bpp, std::function<uint32_t(int x, int y)> pixel) {
  DibSpec spec;
  spec.width = width;
  spec.height = height;
  spec.bpp = bpp;
  if (pixel) spec.pixel = std::move(pixel);
  return spec;
}

std::vector<uint32_t> GreyRamp(int entries) {
  std::vector<uint32_t> ramp;
  for (int i = 0; i < entries; ++i) {
    const uint32_t v = uint32_t(i * 255 / (entries - 1));
    ramp.push_back(v << 16 | v << 8 | v);
  }
  return ramp;
}

std::vector<uint8_t> MakeDibBytes(const DibSpec& spec) {
  const bool indexed = spec.bpp <= 8;
  const std::vector<uint32_t> palette = indexed && spec.palette.empty() ? GreyRamp(1 << spec.bpp) : spec.palette;
  const size_t entry_bytes = spec.header_size == 12 ? 3 : 4;
  const size_t stride = size_t((spec.width * spec.bpp + 31) / 32 * 4);
  const size_t table_at = size_t(spec.header_size);
  const size_t bits_at = table_at + palette.size() * entry_bytes;
  std::vector<uint8_t> b(bits_at + stride * size_t(spec.height));
  Put32(b, 0, uint32_t(spec.header_size));
  if (spec.header_size == 12) {
    Put16(b, 4, uint32_t(spec.width)), Put16(b, 6, uint32_t(spec.height)), Put16(b, 8, 1);
    Put16(b, 10, uint32_t(spec.bpp));
  } else {
    Put32(b, 4, uint32_t(spec.width)), Put32(b, 8, uint32_t(spec.top_down ? -spec.height : spec.height));
    Put16(b, 12, 1), Put16(b, 14, uint32_t(spec.bpp));
    Put32(b, 20, uint32_t(stride * size_t(spec.height)));
    Put32(b, 24, uint32_t(spec.x_pels_per_metre)), Put32(b, 28, uint32_t(spec.y_pels_per_metre));
    Put32(b, 32, indexed && palette.size() != (size_t{1} << spec.bpp) ? uint32_t(palette.size()) : 0);
  }
  for (size_t i = 0; i < palette.size(); ++i) {
    b[table_at + i * entry_bytes] = uint8_t(palette[i]);
    b[table_at + i * entry_bytes + 1] = uint8_t(palette[i] >> 8);
    b[table_at + i * entry_bytes + 2] = uint8_t(palette[i] >> 16);
  }
  for (int y = 0; y < spec.height; ++y) {
    uint8_t* row = b.data() + bits_at + stride * size_t(spec.top_down ? y : spec.height - 1 - y);
    for (int x = 0; x < spec.width; ++x) {
      const uint32_t v = spec.pixel(x, y);
      switch (spec.bpp) {
        case 1: row[x / 8] |= uint8_t((v & 1) << (7 - x % 8)); break;
        case 4: row[x / 2] |= uint8_t((v & 15) << (x % 2 == 0 ? 4 : 0)); break;
        case 8: row[x] = uint8_t(v); break;
        case 24:
          row[3 * x] = uint8_t(v), row[3 * x + 1] = uint8_t(v >> 8), row[3 * x + 2] = uint8_t(v >> 16);
          break;
        default: break;
      }
    }
  }
  return b;
}

HGLOBAL MakeBlock(const std::vector<uint8_t>& bytes) {
  const HGLOBAL block = GlobalAlloc(GHND, bytes.size());
  if (block == 0) return 0;
  std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
  GlobalUnlock(block);
  return block;
}

HGLOBAL MakeDib(const DibSpec& spec) { return MakeBlock(MakeDibBytes(spec)); }

std::vector<uint8_t> BlockBytes(HGLOBAL block) {
  const size_t size = GlobalSize(block);
  const auto* bytes = static_cast<const uint8_t*>(GlobalLock(block));
  if (bytes == nullptr) return {};
  std::vector<uint8_t> out(bytes, bytes + size);
  GlobalUnlock(block);
  return out;
}

}  // namespace ondavel::test
