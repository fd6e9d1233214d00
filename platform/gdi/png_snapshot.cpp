// A small PNG writer over zlib: IHDR (8-bit RGB), one IDAT of rows with
// filter 0, IEND; the chunks' CRCs from zlib.
#include "plat/gdi_snapshot.h"

#include <zlib.h>

#include <vector>

#include "plat/atomic_file.h"

namespace plat::gdi {

namespace {

void PutU32Be(std::vector<uint8_t>& out, uint32_t v) {
  out.insert(out.end(), {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
}

void PutChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data) {
  PutU32Be(out, static_cast<uint32_t>(data.size()));
  const size_t type_at = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  const uLong crc = crc32(0, out.data() + type_at, static_cast<uInt>(4 + data.size()));
  PutU32Be(out, static_cast<uint32_t>(crc));
}

}  // namespace

bool WriteSurfacePng(const Surface& surface, const RECT& area_in, const std::string& path) {
  const RECT area = IntersectRects(area_in, surface.Bounds());
  if (IsEmptyRect(area)) return false;
  const int width = area.right - area.left, height = area.bottom - area.top;
  const size_t row_bytes = 1 + size_t(width) * 3;
  if (row_bytes * size_t(height) > (size_t{1} << 30)) return false;
  std::vector<uint8_t> raw(row_bytes * size_t(height));
  std::vector<uint32_t> row(static_cast<size_t>(width));
  for (int y = 0; y < height; ++y) {
    surface.ReadRaw(area.top + y, area.left, width, row.data());
    uint8_t* out = raw.data() + row_bytes * size_t(y);
    *out++ = 0;  // filter: none
    for (int x = 0; x < width; ++x) {
      const COLORREF c = surface.ColourFromRaw(row[size_t(x)]);
      *out++ = GetRValue(c), *out++ = GetGValue(c), *out++ = GetBValue(c);
    }
  }
  uLongf packed_bytes = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> packed(packed_bytes);
  if (compress2(packed.data(), &packed_bytes, raw.data(), static_cast<uLong>(raw.size()), 6) != Z_OK) return false;
  packed.resize(packed_bytes);
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  PutU32Be(header, static_cast<uint32_t>(width));
  PutU32Be(header, static_cast<uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, filter set 0, no interlace
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", packed);
  PutChunk(png, "IEND", {});
  AtomicFile file;
  if (AtomicFile::Create(path, file) != OpenStatus::kOk) return false;
  if (!file.file().WriteAt(0, png.data(), png.size())) return false;
  return file.Commit();
}

}  // namespace plat::gdi
