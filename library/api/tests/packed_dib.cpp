#include "packed_dib.h"

#include <cstring>
#include <sstream>
#include <stdexcept>

namespace api_testing {
namespace {

void PutU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void PutU16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
uint32_t GetU32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

size_t RowBytes(int32_t width, int32_t bits) { return (static_cast<size_t>(width) * bits + 31) / 32 * 4; }

std::vector<Rgb> GreyRamp(int32_t bits) {
  std::vector<Rgb> ramp;
  if (bits > 8) return ramp;
  const int n = 1 << bits;
  for (int i = 0; i < n; ++i) {
    const uint8_t v = static_cast<uint8_t>(i * 255 / (n - 1));
    ramp.push_back({v, v, v});
  }
  return ramp;
}

}  // namespace

HGLOBAL MakeDib(const DibSpec& spec, const std::function<uint32_t(int32_t, int32_t)>& pixel) {
  const std::vector<Rgb> palette = spec.palette.empty() ? GreyRamp(spec.bits) : spec.palette;
  const size_t row = RowBytes(spec.width, spec.bits);
  const size_t size = 40 + 4 * palette.size() + row * spec.height;
  HGLOBAL handle = GlobalAlloc(GHND, size);
  auto* p = static_cast<uint8_t*>(GlobalLock(handle));
  PutU32(p, 40);
  PutU32(p + 4, static_cast<uint32_t>(spec.width));
  PutU32(p + 8, static_cast<uint32_t>(spec.height));
  PutU16(p + 12, 1);
  PutU16(p + 14, static_cast<uint16_t>(spec.bits));
  PutU32(p + 32, spec.palette.empty() ? 0 : static_cast<uint32_t>(palette.size()));
  uint8_t* table = p + 40;
  for (size_t i = 0; i < palette.size(); ++i) {
    table[4 * i] = palette[i][2];
    table[4 * i + 1] = palette[i][1];
    table[4 * i + 2] = palette[i][0];
  }
  uint8_t* rows = table + 4 * palette.size();
  for (int32_t y = 0; y < spec.height; ++y) {
    uint8_t* r = rows + row * static_cast<size_t>(spec.height - 1 - y);
    for (int32_t x = 0; x < spec.width; ++x) {
      const uint32_t v = pixel(x, y);
      switch (spec.bits) {
        case 1: if (v & 1) r[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8)); break;
        case 4: r[x / 2] |= static_cast<uint8_t>((v & 15) << (x % 2 ? 0 : 4)); break;
        case 8: r[x] = static_cast<uint8_t>(v); break;
        default:
          r[3 * x] = static_cast<uint8_t>(v);
          r[3 * x + 1] = static_cast<uint8_t>(v >> 8);
          r[3 * x + 2] = static_cast<uint8_t>(v >> 16);
      }
    }
  }
  GlobalUnlock(handle);
  return handle;
}

HGLOBAL MakeRawDib(const RawDib& dib) {
  std::vector<uint8_t> bytes(40);
  PutU32(&bytes[0], 40);
  PutU32(&bytes[4], static_cast<uint32_t>(dib.width));
  PutU32(&bytes[8], static_cast<uint32_t>(dib.height));
  PutU16(&bytes[12], 1);
  PutU16(&bytes[14], static_cast<uint16_t>(dib.bits));
  PutU32(&bytes[16], dib.compression);
  PutU32(&bytes[20], static_cast<uint32_t>(dib.body.size()));
  PutU32(&bytes[24], 3780);
  PutU32(&bytes[28], 2835);
  PutU32(&bytes[32], dib.colours_used);
  bytes.insert(bytes.end(), dib.table.begin(), dib.table.end());
  bytes.insert(bytes.end(), dib.body.begin(), dib.body.end());
  HGLOBAL handle = GlobalAlloc(GHND, bytes.size());
  std::memcpy(GlobalLock(handle), bytes.data(), bytes.size());
  GlobalUnlock(handle);
  return handle;
}

std::vector<uint8_t> CallOutcome(int32_t status, HGLOBAL result) {
  std::vector<uint8_t> bytes(4);
  std::memcpy(bytes.data(), &status, 4);
  if (result != 0) {
    const auto* p = static_cast<const uint8_t*>(GlobalLock(result));
    bytes.insert(bytes.end(), p, p + GlobalSize(result));
    GlobalUnlock(result);
  }
  return bytes;
}

uint64_t FoldDigest(uint64_t digest, const uint8_t* bytes, size_t count) {
  for (size_t i = 0; i < count; ++i) digest = (digest ^ bytes[i]) * 0x100000001B3ull;
  return digest;
}

Rgb DibImage::Colour(int32_t x, int32_t y) const {
  const uint32_t v = Index(x, y);
  if (bits == 24) return {static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
  return v < palette.size() ? palette[v] : Rgb{};
}

DibImage ReadDib(HGLOBAL handle) {
  DibImage image;
  const size_t size = GlobalSize(handle);
  const auto* p = static_cast<const uint8_t*>(GlobalLock(handle));
  if (p == nullptr || size < 40) throw std::runtime_error("not a packed bitmap");
  image.width = static_cast<int32_t>(GetU32(p + 4));
  image.height = static_cast<int32_t>(GetU32(p + 8));
  image.bits = p[14] | p[15] << 8;
  uint32_t entries = GetU32(p + 32);
  if (entries == 0 && image.bits <= 8) entries = 1u << image.bits;
  const size_t row = RowBytes(image.width, image.bits);
  const size_t need = 40 + 4 * static_cast<size_t>(entries) + row * image.height;
  if (need != size) {
    GlobalUnlock(handle);
    throw std::runtime_error("packed bitmap size " + std::to_string(size) + ", layout " + std::to_string(need));
  }
  for (uint32_t i = 0; i < entries; ++i) {
    const uint8_t* e = p + 40 + 4 * i;
    image.palette.push_back({e[2], e[1], e[0]});
  }
  const uint8_t* rows = p + 40 + 4 * static_cast<size_t>(entries);
  for (int32_t y = 0; y < image.height; ++y) {
    const uint8_t* r = rows + row * static_cast<size_t>(image.height - 1 - y);
    for (int32_t x = 0; x < image.width; ++x) {
      uint32_t v = 0;
      switch (image.bits) {
        case 1: v = (r[x / 8] >> (7 - x % 8)) & 1; break;
        case 4: v = (r[x / 2] >> (x % 2 ? 0 : 4)) & 15; break;
        case 8: v = r[x]; break;
        default: v = r[3 * x] | r[3 * x + 1] << 8 | static_cast<uint32_t>(r[3 * x + 2]) << 16;
      }
      image.indices.push_back(v);
    }
  }
  GlobalUnlock(handle);
  return image;
}

std::string ToPpm(const DibImage& image) {
  std::string out = "P6\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n255\n";
  for (int32_t y = 0; y < image.height; ++y) {
    for (int32_t x = 0; x < image.width; ++x) {
      const Rgb c = image.Colour(x, y);
      out.append(reinterpret_cast<const char*>(c.data()), 3);
    }
  }
  return out;
}

PnmImage ParsePnm(const std::string& bytes) {
  std::istringstream in(bytes);
  std::string magic;
  PnmImage image;
  int maxval = 1;
  in >> magic >> image.width >> image.height;
  if (magic != "P4") in >> maxval;
  in.get();
  const size_t pos = static_cast<size_t>(in.tellg());
  const auto* d = reinterpret_cast<const uint8_t*>(bytes.data()) + pos;
  const size_t available = bytes.size() - pos;
  const size_t row4 = (static_cast<size_t>(image.width) + 7) / 8;
  const size_t need = magic == "P4" ? row4 * image.height
                      : magic == "P5" ? static_cast<size_t>(image.width) * image.height
                                      : 3 * static_cast<size_t>(image.width) * image.height;
  if (maxval != 255 && magic != "P4") throw std::runtime_error("maxval");
  if (available < need) throw std::runtime_error("short pnm");
  for (int32_t y = 0; y < image.height; ++y) {
    for (int32_t x = 0; x < image.width; ++x) {
      if (magic == "P4") {
        const uint8_t v = ((d[y * row4 + x / 8] >> (7 - x % 8)) & 1) ? 0 : 255;
        image.pixels.push_back({v, v, v});
      } else if (magic == "P5") {
        const uint8_t v = d[static_cast<size_t>(y) * image.width + x];
        image.pixels.push_back({v, v, v});
      } else {
        const uint8_t* c = d + 3 * (static_cast<size_t>(y) * image.width + x);
        image.pixels.push_back({c[0], c[1], c[2]});
      }
    }
  }
  return image;
}

}  // namespace api_testing
