// TIcon: an icon handle of the window system and the icon file form. A file
// is read whole into checked blocks: the directory, then the one image
// taken, whose header passes the packed-DIB gate before a pixel is read.
#include <algorithm>
#include <cstring>
#include <vector>

#include "plat/forms/bitmap.h"
#include "plat/forms/exceptions.h"
#include "plat/gdi.h"
#include "plat/gdi_surface.h"
#include "plat/packed_dib.h"
#include "plat/resources.h"
#include "plat/user.h"

namespace plat {

namespace {

constexpr int kMaxIconSide = 256;

#pragma pack(push, 1)
struct IconDir {
  WORD reserved;
  WORD type;  // 1: icons
  WORD count;
};
struct IconDirEntry {
  BYTE width;   // 0: 256
  BYTE height;  // 0: 256
  BYTE colour_count;
  BYTE reserved;
  WORD planes;
  WORD bit_count;
  DWORD bytes;
  DWORD offset;  // from the start of the file
};
#pragma pack(pop)
static_assert(sizeof(IconDir) == 6);
static_assert(sizeof(IconDirEntry) == 16);

[[noreturn]] void InvalidIcon() { throw EInvalidGraphic("Icon image is not valid"); }
[[noreturn]] void ShortRead() { throw EReadError("Stream read error"); }

size_t MaskStride(int width) { return static_cast<size_t>((width + 31) / 32) * 4; }

// The width and height of an icon handle, from its mask.
bool IconSize(HICON icon, int& width, int& height) {
  ICONINFO info;
  if (!GetIconInfo(icon, &info)) return false;
  auto mask = gdi::FindBitmap(info.hbmMask);
  if (mask) {
    width = mask->surface->width;
    height = info.hbmColor != nullptr ? mask->surface->height : mask->surface->height / 2;
  }
  DeleteObject(info.hbmMask);
  DeleteObject(info.hbmColor);
  return mask != nullptr;
}

// One image of an icon file (a DIB of twice the icon's height: the colour
// rows, then the AND mask) as a new icon handle.
HICON IconFromImage(const std::vector<uint8_t>& image) {
  static const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (image.size() >= 8 && std::memcmp(image.data(), kPngSignature, 8) == 0) {
    throw EInvalidGraphic("PNG-compressed icon images are not supported");
  }
  if (image.size() < sizeof(BITMAPINFOHEADER)) InvalidIcon();
  // The gate sees the colour rows alone: the header with half the height.
  std::vector<uint8_t> block = image;
  BITMAPINFOHEADER header;
  std::memcpy(&header, block.data(), sizeof header);
  if (header.biSize < sizeof header || header.biHeight <= 0 || header.biHeight % 2 != 0) InvalidIcon();
  header.biHeight /= 2;
  std::memcpy(block.data(), &header, sizeof header);
  const std::optional<DibView> view = ValidatePackedDib(block.data(), block.size());
  if (!view || view->compression == BI_RLE4 || view->compression == BI_RLE8 || view->width > kMaxIconSide ||
      view->height > kMaxIconSide) {
    InvalidIcon();
  }
  const int width = view->width, height = view->height;
  const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
  // The AND mask follows the colour rows; a 32-bit image may leave it out
  // and rely on its alpha alone.
  const size_t mask_at = static_cast<size_t>(view->bits - block.data()) + view->stride * static_cast<size_t>(height);
  const size_t mask_stride = MaskStride(width);
  const bool has_mask = mask_at <= block.size() && mask_stride * static_cast<size_t>(height) <= block.size() - mask_at;
  if (!has_mask && view->bpp != 32) InvalidIcon();

  std::vector<uint8_t> colour(pixels * 4);  // B,G,R,A rows from the top
  if (view->bpp == 32 && view->compression == BI_RGB) {
    for (int y = 0; y < height; ++y) {
      std::memcpy(colour.data() + static_cast<size_t>(y) * width * 4, view->TopRow(y), static_cast<size_t>(width) * 4);
    }
  } else {
    // Other depths through the drawing layer's DIB copy into 32 bits.
    HBITMAP section = CreateBitmap(width, height, 1, 32, nullptr);
    auto bitmap = section != nullptr ? gdi::FindBitmap(section) : nullptr;
    if (!bitmap) {
      DeleteObject(section);
      throw EOutOfResources("Out of system resources");
    }
    const bool copied = SetDIBits(nullptr, section, 0, static_cast<UINT>(height), view->bits,
                                  reinterpret_cast<const BITMAPINFO*>(block.data()), DIB_RGB_COLORS) == height;
    for (int y = 0; copied && y < height; ++y) {
      const uint8_t* from = bitmap->surface->Row(y);
      for (int x = 0; x < width; ++x) {
        std::memcpy(colour.data() + (static_cast<size_t>(y) * width + x) * 4, from + x * 4, 3);
      }
    }
    DeleteObject(section);
    if (!copied) InvalidIcon();
  }
  // CreateIcon takes mask rows from the top, padded to 16 bits.
  const size_t and_stride = static_cast<size_t>((width + 15) / 16) * 2;
  std::vector<uint8_t> and_bits(and_stride * static_cast<size_t>(height), 0);
  if (has_mask) {
    for (int y = 0; y < height; ++y) {
      const uint8_t* row = block.data() + mask_at + mask_stride * static_cast<size_t>(height - 1 - y);
      std::memcpy(and_bits.data() + and_stride * static_cast<size_t>(y), row, and_stride);
    }
  } else {
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        if (colour[(static_cast<size_t>(y) * width + x) * 4 + 3] == 0) {
          and_bits[and_stride * static_cast<size_t>(y) + static_cast<size_t>(x / 8)] |= 0x80 >> (x % 8);
        }
      }
    }
  }
  HICON icon = CreateIcon(nullptr, width, height, 1, 32, and_bits.data(), colour.data());
  if (icon == nullptr) InvalidIcon();
  return icon;
}

}  // namespace

TIcon::TIcon() {
  TGraphic::SetTransparent(true);  // an icon carries its own transparency
  SetModified(false);
}

TIcon::~TIcon() {
  if (handle_ != nullptr) DestroyIcon(handle_);
}

void TIcon::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TIcon*>(source)) {
    if (other == this) return;
    HICON copy = other->handle_ != nullptr ? CopyIcon(other->handle_) : nullptr;
    if (other->handle_ != nullptr && copy == nullptr) throw EOutOfResources("Out of system resources");
    requested_width_ = other->requested_width_;
    requested_height_ = other->requested_height_;
    SetHandle(copy);
    return;
  }
  TPersistent::Assign(source);
}

void TIcon::SetWidth(int width) {
  if (handle_ != nullptr) throw EInvalidGraphicOperation("Cannot change the size of an icon");
  requested_width_ = width;
}

void TIcon::SetHeight(int height) {
  if (handle_ != nullptr) throw EInvalidGraphicOperation("Cannot change the size of an icon");
  requested_height_ = height;
}

void TIcon::SetHandle(HICON icon) {
  if (icon == handle_) return;
  int width = 0, height = 0;
  if (icon != nullptr && !IconSize(icon, width, height)) throw EInvalidGraphic("Icon image is not valid");
  if (handle_ != nullptr) DestroyIcon(handle_);
  handle_ = icon;
  width_ = width;
  height_ = height;
  Changed();
}

HICON TIcon::ReleaseHandle() {
  HICON icon = handle_;
  handle_ = nullptr;
  width_ = height_ = 0;
  return icon;
}

void TIcon::LoadFromResourceName(HINSTANCE instance, const std::string& name) {
  LoadFromResource(instance, name.c_str(), name);
}

void TIcon::LoadFromResourceID(HINSTANCE instance, int id) {
  LoadFromResource(instance, MAKEINTRESOURCE(id), std::to_string(id));
}

void TIcon::LoadFromResource(HINSTANCE instance, const char* name, const std::string& shown) {
  HICON icon = instance != nullptr ? LoadIcon(instance, name) : nullptr;
  if (icon == nullptr) throw EResNotFound("Resource " + shown + " not found");
  SetHandle(icon);
}

void TIcon::Draw(TCanvas* canvas, const RECT& rect) {
  DrawIconEx(canvas->Handle(), rect.left, rect.top, handle_, rect.right - rect.left, rect.bottom - rect.top, 0,
             nullptr, DI_NORMAL);
}

void TIcon::LoadFromStream(TStream& stream) {
  const int64_t start = stream.Position();
  const int64_t available = stream.Size() - start;
  IconDir dir{};
  if (available < static_cast<int64_t>(sizeof dir)) ShortRead();
  stream.ReadBuffer(&dir, sizeof dir);
  if (dir.reserved != 0 || dir.type != 1 || dir.count == 0) InvalidIcon();
  const int64_t table_bytes = int64_t{dir.count} * static_cast<int64_t>(sizeof(IconDirEntry));
  if (available - static_cast<int64_t>(sizeof dir) < table_bytes) ShortRead();
  std::vector<IconDirEntry> entries(dir.count);
  stream.ReadBuffer(entries.data(), table_bytes);
  // The largest image, then the deepest; every entry must lie in the stream.
  const IconDirEntry* best = nullptr;
  int64_t end = static_cast<int64_t>(sizeof dir) + table_bytes;
  const auto side = [](BYTE b) { return b == 0 ? 256 : int{b}; };
  const auto area = [&](const IconDirEntry& e) { return side(e.width) * side(e.height); };
  for (const IconDirEntry& e : entries) {
    if (int64_t{e.offset} > available || int64_t{e.bytes} > available - int64_t{e.offset}) ShortRead();
    end = std::max(end, int64_t{e.offset} + int64_t{e.bytes});
    if (best == nullptr || area(e) > area(*best) || (area(e) == area(*best) && e.bit_count > best->bit_count)) {
      best = &e;
    }
  }
  std::vector<uint8_t> image(best->bytes);
  stream.SetPosition(start + best->offset);
  stream.ReadBuffer(image.data(), static_cast<int64_t>(image.size()));
  HICON icon = IconFromImage(image);
  try {
    SetHandle(icon);
  } catch (...) {
    DestroyIcon(icon);
    throw;
  }
  stream.SetPosition(start + end);
}

void TIcon::SaveToStream(TStream& stream) {
  if (handle_ == nullptr) return;
  ICONINFO info;
  if (!GetIconInfo(handle_, &info)) throw EInvalidGraphic("Icon image is not valid");
  auto colour = gdi::FindBitmap(info.hbmColor);
  auto mask = gdi::FindBitmap(info.hbmMask);
  const int width = width_, height = height_;
  const size_t xor_stride = static_cast<size_t>(width) * 4, mask_stride = MaskStride(width);
  std::vector<uint8_t> xor_rows(xor_stride * static_cast<size_t>(height));
  std::vector<uint8_t> mask_rows(mask_stride * static_cast<size_t>(height), 0);
  bool has_alpha = false;
  for (int y = 0; y < height && colour && mask; ++y) {
    // Bottom-up rows, as the file form stores them.
    uint8_t* out = xor_rows.data() + xor_stride * static_cast<size_t>(height - 1 - y);
    std::memcpy(out, colour->surface->Row(y), xor_stride);
    uint8_t* bits = mask_rows.data() + mask_stride * static_cast<size_t>(height - 1 - y);
    for (int x = 0; x < width; ++x) {
      has_alpha = has_alpha || out[x * 4 + 3] != 0;
      if (mask->surface->GetRaw(x, y) != 0) bits[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
  }
  DeleteObject(info.hbmMask);
  DeleteObject(info.hbmColor);
  if (!has_alpha) {
    // A masked icon gets the alpha its mask stands for.
    for (int y = 0; y < height; ++y) {
      const uint8_t* bits = mask_rows.data() + mask_stride * static_cast<size_t>(y);
      for (int x = 0; x < width; ++x) {
        xor_rows[xor_stride * static_cast<size_t>(y) + static_cast<size_t>(x) * 4 + 3] =
            (bits[x / 8] & (0x80 >> (x % 8))) != 0 ? 0 : 255;
      }
    }
  }
  const DWORD image_bytes = static_cast<DWORD>(sizeof(BITMAPINFOHEADER) + xor_rows.size() + mask_rows.size());
  const IconDir dir{0, 1, 1};
  const IconDirEntry entry{static_cast<BYTE>(width % 256), static_cast<BYTE>(height % 256), 0, 0, 1, 32,
                           image_bytes, sizeof(IconDir) + sizeof(IconDirEntry)};
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height * 2;
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  header.biSizeImage = static_cast<DWORD>(xor_rows.size() + mask_rows.size());
  stream.WriteBuffer(&dir, sizeof dir);
  stream.WriteBuffer(&entry, sizeof entry);
  stream.WriteBuffer(&header, sizeof header);
  stream.WriteBuffer(xor_rows.data(), static_cast<int64_t>(xor_rows.size()));
  stream.WriteBuffer(mask_rows.data(), static_cast<int64_t>(mask_rows.size()));
}

}  // namespace plat
