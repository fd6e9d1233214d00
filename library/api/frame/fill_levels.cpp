#include "api/frame/fill_levels.h"

#include <algorithm>
#include <vector>

#include "core/objects/address_space.h"
#include "core/objects/attributes.h"
#include "core/status.h"
#include "core/streams/stream.h"

namespace {

constexpr int32_t kWhite = 255;

int32_t Inquire(IpiSystem* sys, IpiObject* object, const char* name, int* rc) {
  intptr_t value = 0;
  const IpiAttribute pair[] = {{name, reinterpret_cast<intptr_t>(&value)}};
  if (*rc == 0) *rc = IpiInquireAttributes(sys, object, pair, 1);
  return static_cast<int32_t>(value);
}

// The byte that fills a plane with `level`: 1-bit data packed 8 to a byte
// takes every bit set for a non-zero level; 4-bit indices take the level's
// low half (both halves when two share a byte, as in packed bitmaps).
uint8_t ByteOfLevel(int32_t level, int32_t precision, int32_t stored_bits) {
  const int32_t clamped = std::clamp(level, 0, 255);
  if (precision == 1) return clamped != 0 ? (stored_bits == 1 ? 0xFF : 0x01) : 0x00;
  if (precision == 4) {
    const uint8_t index = static_cast<uint8_t>(clamped & 0x0F);
    return stored_bits == 4 ? static_cast<uint8_t>(index | index << 4) : index;
  }
  return static_cast<uint8_t>(clamped);
}

}  // namespace

int FillGrayRamp(IpiSystem* sys, IpiObject* palette, int32_t precision, bool inverted) {
  if (precision != 1 && precision != 4 && precision != 8) return kIpiOutOfRange;
  const int entries = 1 << precision;
  std::vector<uint8_t> planes(3 * static_cast<size_t>(entries));
  for (int i = 0; i < entries; ++i) {
    const int v = i * 255 / (entries - 1);
    const uint8_t level = static_cast<uint8_t>(inverted ? 255 - v : v);
    for (int band = 0; band < 3; ++band) planes[static_cast<size_t>(band * entries + i)] = level;
  }
  const IpiAttribute shape[] = {{"inited", 0}, {"entries", entries}, {"bDimension", 3}};
  IPI_RETURN_IF_ERROR(IpiSetAttributes(sys, palette, shape, 3));
  const IpiAttribute size_pair[] = {{"size", static_cast<intptr_t>(planes.size())}};
  return IpiImportFromAddressSpace(sys, planes.data(), palette, size_pair, 1);
}

int32_t DefaultFillLevel(IpiSystem* sys, IpiObject* image, int32_t* status) {
  int rc = 0;
  const uint32_t lut_id = static_cast<uint32_t>(Inquire(sys, image, "lut", &rc));
  const int32_t precision = Inquire(sys, image, "dataPrecision", &rc);
  const int32_t bands = Inquire(sys, image, "bDimension", &rc);
  if (rc != 0) {
    *status = rc;
    return kWhite;
  }
  IpiObject* palette = lut_id != 0 ? IpiObjectFromId(sys, lut_id) : nullptr;
  if (palette == nullptr || bands > 1) return kWhite;
  const int32_t entries = Inquire(sys, palette, "entries", &rc);
  if (rc != 0 || entries <= 0) return kWhite;
  std::vector<uint8_t> planes(3 * static_cast<size_t>(entries));
  const IpiAttribute size_pair[] = {{"size", static_cast<intptr_t>(planes.size())}};
  if (const int export_rc = IpiExportToAddressSpace(sys, palette, planes.data(), size_pair, 1); export_rc != 0) {
    *status = export_rc;
    return kWhite;
  }
  int32_t best_index = 0;
  int best_lightness = -1;
  for (int32_t i = 0; i < entries; ++i) {
    const int r = planes[static_cast<size_t>(i)];
    const int g = planes[static_cast<size_t>(entries + i)];
    const int b = planes[static_cast<size_t>(2 * entries + i)];
    const int lightness = (std::max({r, g, b}) + std::min({r, g, b}) + 1) / 2;
    if (lightness >= best_lightness) {
      best_lightness = lightness;
      best_index = i;
    }
  }
  if (precision == 4) return best_index | best_index << 4;
  if (precision == 1) return best_index == 1 ? kWhite : best_index;
  return best_index;
}

std::array<int32_t, 3> ResolveFillLevels(IpiSystem* sys, IpiObject* image, const std::array<int32_t, 3>& levels,
                                         int32_t* status) {
  std::array<int32_t, 3> resolved = levels;
  const bool any_default = std::any_of(levels.begin(), levels.end(), [](int32_t l) { return l < 0; });
  const int32_t fallback = any_default ? DefaultFillLevel(sys, image, status) : kWhite;
  for (int32_t& level : resolved) {
    if (level < 0) level = fallback;
  }
  return resolved;
}

int FillImageWithLevels(IpiSystem* sys, IpiObject* image, const std::array<int32_t, 3>& levels) {
  IpiObject* live = IpiCheckObject(sys, image);
  if (live == nullptr) return kIpiInvalidInstance;
  int64_t elements = 0, total_bytes = 0;
  int32_t bits = 0;
  IPI_RETURN_IF_ERROR(IpiObjectDataSize(sys, *live, &elements, &total_bytes, &bits));
  const int64_t bands = std::max<int64_t>(live->fields.dimension[kDimB], 1);
  const int64_t plane_bytes = total_bytes / bands;
  std::vector<uint8_t> buffer(static_cast<size_t>(total_bytes));
  for (int64_t band = 0; band < bands; ++band) {
    const uint8_t value = ByteOfLevel(levels[static_cast<size_t>(std::min<int64_t>(band, 2))], live->fields.data_precision, bits);
    std::fill_n(buffer.begin() + static_cast<std::ptrdiff_t>(plane_bytes * band), plane_bytes, value);
  }
  const IpiAttribute size_pair[] = {{"size", static_cast<intptr_t>(buffer.size())}};
  return IpiImportFromAddressSpace(sys, buffer.data(), image, size_pair, 1);
}
