// The module's resources, drawn in code: a scanner with a sheet on its glass
// for the face strip and, twice as large, for the icon; and the about box.
#include "face_resources.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "plat/dialog.h"
#include "plat/packed_dib.h"
#include "prop_page_resources.h"

namespace mirrask {
namespace {

using namespace plat;

// '.' is the strip's mask colour (transparent in the icon).
constexpr std::array<const char*, 16> kGlyph = {
    "................",  //
    "...wwwwwwwwww...",  //
    "...wbbbbbbbbw...",  //
    "...wbbbbbbbbw...",  //
    "...wbbbbbbbbw...",  //
    "...wbbbbbbbbw...",  //
    "...wbbbbbbbbw...",  //
    "...wbbbbbbbbw...",  //
    "...wbbbbbbbbw...",  //
    "kkkkkkkkkkkkkkkk",  //
    "kddddddddddddddk",  //
    "kddddddddddgdddk",  //
    "kddddddddddddddk",  //
    "kkkkkkkkkkkkkkkk",  //
    "................",  //
    "................",  //
};

// 0x00RRGGBB of a glyph character.
uint32_t GlyphColour(char c) {
  switch (c) {
    case 'w': return 0xFFFFFF;
    case 'b': return 0x0000FF;
    case 'k': return 0x000000;
    case 'd': return 0x808080;
    case 'g': return 0x00FF00;
    default: return 0xC0C0C0;
  }
}

// A 16 x 16 packed bitmap of 24 bits, rows bottom-up.
std::vector<uint8_t> MakeStrip() {
  constexpr int kSide = 16;
  constexpr size_t kStride = kSide * 3;  // 48, a multiple of 4
  std::vector<uint8_t> bytes(sizeof(BITMAPINFOHEADER) + kStride * kSide);
  BITMAPINFOHEADER header{};
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = kSide;
  header.biHeight = kSide;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  header.biSizeImage = static_cast<DWORD>(kStride * kSide);
  std::memcpy(bytes.data(), &header, sizeof header);
  for (int row = 0; row < kSide; ++row) {
    uint8_t* out = bytes.data() + sizeof(BITMAPINFOHEADER) + kStride * static_cast<size_t>(kSide - 1 - row);
    for (int col = 0; col < kSide; ++col) {
      const uint32_t rgb = GlyphColour(kGlyph[row][col]);
      out[col * 3] = static_cast<uint8_t>(rgb);
      out[col * 3 + 1] = static_cast<uint8_t>(rgb >> 8);
      out[col * 3 + 2] = static_cast<uint8_t>(rgb >> 16);
    }
  }
  return bytes;
}

// The glyph at twice its size, as 32-bit ARGB pixels, top-down.
std::vector<uint32_t> MakeIconPixels() {
  std::vector<uint32_t> argb(32 * 32);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const char c = kGlyph[y / 2][x / 2];
      argb[static_cast<size_t>(y) * 32 + x] = c == '.' ? 0 : 0xFF000000u | GlyphColour(c);
    }
  }
  return argb;
}

const DialogTemplate& AboutTemplate() {
  static const DialogTemplate dialog{
      .style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER,
      .cx = 236,
      .cy = 96,
      .title = "Mirrask ImageAcquire のバージョン情報",
      .items = {
          {kStaticClass, "", kAboutIconItem, WS_VISIBLE | SS_ICON, 0, 10, 10, 20, 20},
          {kStaticClass, "Mirrask Imaging Components", -1, WS_VISIBLE | SS_LEFT, 0, 40, 10, 186, 8},
          {kStaticClass, "Mirrask ImageAcquire Control Version 2.0.0.1", kAboutVersionItem, WS_VISIBLE | SS_LEFT, 0,
           40, 22, 186, 8},
          {kStaticClass, "Copyright (C) The Mirrask developers.", -1, WS_VISIBLE | SS_LEFT, 0, 40, 38, 186, 8},
          {kStaticClass, "Photo disc portion: Copyright (C) The Seftrel developers.", -1, WS_VISIBLE | SS_LEFT, 0,
           40, 50, 186, 8},
          {kButtonClass, "OK", IDOK, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 176, 72, 50, 14},
      }};
  return dialog;
}

}  // namespace

const ResourceEntry* ModuleResources(size_t* count) {
  static const std::vector<uint8_t> strip = MakeStrip();
  static const std::vector<uint32_t> icon_pixels = MakeIconPixels();
  static const CursorResource icon{0, 0, 32, 32, icon_pixels.data()};
  static const std::vector<ResourceEntry> entries = [] {
    std::vector<ResourceEntry> all{
        {RT_BITMAP, kFaceStripResource, nullptr, strip.data(), strip.size()},
        {RT_ICON, kIconResource, nullptr, &icon, sizeof icon},
        {RT_DIALOG, kAboutBoxResource, nullptr, &AboutTemplate(), sizeof(DialogTemplate)},
    };
    const std::span<const ResourceEntry> pages = PropertyPageResources();
    all.insert(all.end(), pages.begin(), pages.end());
    return all;
  }();
  *count = entries.size();
  return entries.data();
}

}  // namespace mirrask
