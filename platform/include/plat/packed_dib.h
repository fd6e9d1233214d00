// Device-independent bitmaps as they cross module, clipboard and file
// boundaries: the exact header layouts, and the one gate every packed DIB
// from outside passes before a field of it is used. This header needs only
// the kernel (global memory), so the image library may include it too.
#ifndef PLAT_PACKED_DIB_H_
#define PLAT_PACKED_DIB_H_

#include <cstddef>
#include <cstdint>
#include <optional>

#include "plat/global_memory.h"
#include "plat/types.h"

namespace plat {

// Compressions of a DIB header.
constexpr DWORD BI_RGB = 0;
constexpr DWORD BI_RLE8 = 1;
constexpr DWORD BI_RLE4 = 2;
constexpr DWORD BI_BITFIELDS = 3;

// Byte layouts that leave the process: packed, little-endian.
#pragma pack(push, 1)
struct RGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
};
struct RGBTRIPLE {
  BYTE rgbtBlue;
  BYTE rgbtGreen;
  BYTE rgbtRed;
};
struct BITMAPFILEHEADER {
  WORD bfType;
  DWORD bfSize;
  WORD bfReserved1;
  WORD bfReserved2;
  DWORD bfOffBits;
};
struct BITMAPCOREHEADER {
  DWORD bcSize;
  WORD bcWidth;
  WORD bcHeight;
  WORD bcPlanes;
  WORD bcBitCount;
};
struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};
struct CIEXYZ {
  LONG ciexyzX;
  LONG ciexyzY;
  LONG ciexyzZ;
};
struct CIEXYZTRIPLE {
  CIEXYZ ciexyzRed;
  CIEXYZ ciexyzGreen;
  CIEXYZ ciexyzBlue;
};
struct BITMAPV4HEADER {
  DWORD bV4Size;
  LONG bV4Width;
  LONG bV4Height;
  WORD bV4Planes;
  WORD bV4BitCount;
  DWORD bV4V4Compression;
  DWORD bV4SizeImage;
  LONG bV4XPelsPerMeter;
  LONG bV4YPelsPerMeter;
  DWORD bV4ClrUsed;
  DWORD bV4ClrImportant;
  DWORD bV4RedMask;
  DWORD bV4GreenMask;
  DWORD bV4BlueMask;
  DWORD bV4AlphaMask;
  DWORD bV4CSType;
  CIEXYZTRIPLE bV4Endpoints;
  DWORD bV4GammaRed;
  DWORD bV4GammaGreen;
  DWORD bV4GammaBlue;
};
struct BITMAPV5HEADER {
  DWORD bV5Size;
  LONG bV5Width;
  LONG bV5Height;
  WORD bV5Planes;
  WORD bV5BitCount;
  DWORD bV5Compression;
  DWORD bV5SizeImage;
  LONG bV5XPelsPerMeter;
  LONG bV5YPelsPerMeter;
  DWORD bV5ClrUsed;
  DWORD bV5ClrImportant;
  DWORD bV5RedMask;
  DWORD bV5GreenMask;
  DWORD bV5BlueMask;
  DWORD bV5AlphaMask;
  DWORD bV5CSType;
  CIEXYZTRIPLE bV5Endpoints;
  DWORD bV5GammaRed;
  DWORD bV5GammaGreen;
  DWORD bV5GammaBlue;
  DWORD bV5Intent;
  DWORD bV5ProfileData;
  DWORD bV5ProfileSize;
  DWORD bV5Reserved;
};
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};
#pragma pack(pop)
static_assert(sizeof(BITMAPFILEHEADER) == 14);
static_assert(sizeof(BITMAPCOREHEADER) == 12);
static_assert(sizeof(BITMAPINFOHEADER) == 40);
static_assert(sizeof(BITMAPV4HEADER) == 108);
static_assert(sizeof(BITMAPV5HEADER) == 124);

// A checked view of a packed DIB: every pointer lies inside the block it was
// made from, and `height` rows of `stride` bytes follow `bits` (RLE data:
// `bits_bytes` bytes).
struct DibView {
  int headerSize = 0;   // 12, 40, 108 or 124
  int width = 0;        // at least 1
  int height = 0;       // rows, always positive; see topDown
  bool topDown = false;
  int bpp = 0;          // 1, 4, 8, 16, 24 or 32
  DWORD compression = BI_RGB;
  int colors = 0;       // colour-table entries present
  const RGBQUAD* palette = nullptr;  // null for a 12-byte header (see coreColours)
  const RGBTRIPLE* coreColours = nullptr;  // the 3-byte table of a 12-byte header
  DWORD masks[3] = {0, 0, 0};  // red, green, blue for 16 and 32 bpp
  const BYTE* bits = nullptr;
  size_t stride = 0;
  size_t bits_bytes = 0;  // bytes of pixel data inside the block
  // Colour-table entry `index` as a COLORREF (0 past the table).
  COLORREF PaletteColour(int index) const;
  // Start of stored row `row` counted from the top of the picture.
  const BYTE* TopRow(int row) const {
    return bits + stride * static_cast<size_t>(topDown ? row : height - 1 - row);
  }
};

// The gate: header sizes 12, 40, 108 and 124; planes 1; bit counts
// 1/4/8/16/24/32; BI_RGB, BI_BITFIELDS (16 and 32 bits) and BI_RLE8/BI_RLE4
// (8 and 4 bits, bottom-up); colour entries at most 2^bpp; width at least 1,
// height not 0, both at most 2^24; header, table, masks and rows inside
// `blockSize`, computed in 64 bits. Anything else gives nullopt.
std::optional<DibView> ValidatePackedDib(const void* block, size_t blockSize);
// The same for a global-memory block of GlobalSize bytes (locked meanwhile).
std::optional<DibView> ValidatePackedDib(HGLOBAL block);

// A new block with a 40-byte header and bottom-up BI_RGB rows of `bppOut`
// (24 or 32) bits; 0 for run-length data, another depth or no memory.
// kKeepDibDepth keeps 1, 4, 8 and 24 bits (with the colour table as 4-byte
// entries, and run-length data as it stands) and gives 24 bits for 16 and 32.
constexpr int kKeepDibDepth = 0;
HGLOBAL NormalizePackedDib(const DibView& view, int bppOut);

}  // namespace plat

#endif  // PLAT_PACKED_DIB_H_
