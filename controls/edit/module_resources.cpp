// The module's resource table. Cursors, the icon and the toolbar strip are
// drawn here in code; the menu, strings and about box carry the control's
// own texts.
#include "module_resources.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "plat/dialog.h"
#include "plat/modules.h"
#include "plat/resources.h"
#include "prop_page_resources.h"

namespace ondavel {

namespace {

using plat::CursorResource;
using plat::ResourceEntry;

constexpr int kCursorSize = 32;
constexpr uint32_t kBlack = 0xFF000000;
constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kClear = 0x00000000;

using CursorPixels = std::array<uint32_t, kCursorSize * kCursorSize>;

// Whether (x, y) lies on a double-headed arrow through the centre along
// (dx, dy): a shaft of half-length 11 with heads from 7 on.
bool OnArrow(int x, int y, double dx, double dy) {
  const double length = std::hypot(dx, dy);
  const double ux = dx / length;
  const double uy = dy / length;
  const double rx = x + 0.5 - kCursorSize / 2.0;
  const double ry = y + 0.5 - kCursorSize / 2.0;
  const double along = rx * ux + ry * uy;
  const double across = std::abs(-rx * uy + ry * ux);
  const double reach = std::abs(along);
  if (reach > 11.0) return false;
  if (reach >= 6.0) return across <= 11.0 - reach + 0.3;
  return across <= 0.8;
}

// Black arrows along `directions` with a white outline, on a clear ground.
CursorPixels DrawArrows(std::initializer_list<std::pair<double, double>> directions) {
  std::array<bool, kCursorSize * kCursorSize> ink{};
  for (int y = 0; y < kCursorSize; ++y) {
    for (int x = 0; x < kCursorSize; ++x) {
      for (const auto& [dx, dy] : directions) ink[y * kCursorSize + x] = ink[y * kCursorSize + x] || OnArrow(x, y, dx, dy);
    }
  }
  CursorPixels pixels;
  for (int y = 0; y < kCursorSize; ++y) {
    for (int x = 0; x < kCursorSize; ++x) {
      uint32_t colour = kClear;
      for (int ny = std::max(0, y - 1); ny <= std::min(kCursorSize - 1, y + 1) && colour == kClear; ++ny) {
        for (int nx = std::max(0, x - 1); nx <= std::min(kCursorSize - 1, x + 1); ++nx) {
          if (ink[ny * kCursorSize + nx]) colour = kWhite;
        }
      }
      pixels[y * kCursorSize + x] = ink[y * kCursorSize + x] ? kBlack : colour;
    }
  }
  return pixels;
}

// The icon: a framed picture of a blue sky over green land with a red sun.
CursorPixels DrawIcon() {
  CursorPixels pixels;
  for (int y = 0; y < kCursorSize; ++y) {
    for (int x = 0; x < kCursorSize; ++x) {
      uint32_t colour = kClear;
      if (x >= 2 && x < 30 && y >= 4 && y < 28) {
        const bool is_frame = x < 4 || x >= 28 || y < 6 || y >= 26;
        const bool is_sun = (x - 21) * (x - 21) + (y - 11) * (y - 11) <= 9;
        colour = is_frame ? 0xFF404040 : is_sun ? 0xFFE03020 : y >= 19 ? 0xFF30A040 : 0xFF70B0F0;
      }
      pixels[y * kCursorSize + x] = colour;
    }
  }
  return pixels;
}

// The toolbar strip: two 16 x 16 images on the light-grey face, a packed
// 24-bit DIB. Image 0 (take): a green arrow down into a tray; image 1
// (exit): a red cross.
constexpr int kImageSize = 16;
std::vector<uint8_t> DrawToolbarStrip() {
  constexpr int kWidth = 2 * kImageSize;
  constexpr int kStride = kWidth * 3;
  std::vector<uint8_t> dib(40 + kStride * kImageSize, 0);
  const auto put32 = [&](size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) dib[at + i] = static_cast<uint8_t>(value >> (8 * i));
  };
  put32(0, 40);
  put32(4, kWidth);
  put32(8, kImageSize);
  dib[12] = 1;
  dib[14] = 24;
  for (int top_y = 0; top_y < kImageSize; ++top_y) {
    for (int x = 0; x < kWidth; ++x) {
      uint32_t rgb = 0xC0C0C0;
      const int ix = x % kImageSize;
      if (x < kImageSize) {
        const bool is_shaft = ix >= 7 && ix <= 8 && top_y >= 1 && top_y <= 8;
        const bool is_head = top_y >= 6 && top_y <= 10 && std::abs(ix * 2 + 1 - kImageSize) <= 2 * (10 - top_y) + 1;
        const bool is_tray = (top_y == 13 && ix >= 2 && ix <= 13) || (top_y >= 10 && top_y <= 13 && (ix == 2 || ix == 13));
        if (is_shaft || is_head) rgb = 0x008000;
        if (is_tray) rgb = 0x000000;
      } else {
        const int d1 = ix - top_y;
        const int d2 = ix + top_y - (kImageSize - 1);
        if (ix >= 3 && ix <= 12 && top_y >= 3 && top_y <= 12 && (std::abs(d1) <= 1 || std::abs(d2) <= 1)) rgb = 0xC00000;
      }
      uint8_t* pixel = &dib[40 + static_cast<size_t>(kImageSize - 1 - top_y) * kStride + static_cast<size_t>(x) * 3];
      pixel[0] = static_cast<uint8_t>(rgb);
      pixel[1] = static_cast<uint8_t>(rgb >> 8);
      pixel[2] = static_cast<uint8_t>(rgb >> 16);
    }
  }
  return dib;
}

// Version 1, 16 x 16 images, the take and exit commands.
constexpr uint8_t kToolbar[] = {1, 0, kImageSize, 0, kImageSize, 0, 2, 0, 0x01, 0x80, 0x00, 0x80};

// The menu: a pop-up "ﾌｧｲﾙ(&F)" with "取り込み(&A)" (take) and "終了(&E)" (exit).
const std::vector<uint8_t>& MenuTemplate() {
  static const std::vector<uint8_t> bytes = [] {
    std::vector<uint8_t> out = {0, 0, 0, 0};
    const auto text = [&](const char* utf8) {
      for (const char* c = utf8; *c != '\0'; ++c) out.push_back(static_cast<uint8_t>(*c));
      out.push_back(0);
    };
    out.insert(out.end(), {0x90, 0x00});  // MF_POPUP | MF_END
    text("ﾌｧｲﾙ(&F)");
    out.insert(out.end(), {0x00, 0x00, 0x01, 0x80});  // command 32769
    text("取り込み(&A)");
    out.insert(out.end(), {0x80, 0x00, 0x00, 0x80});  // MF_END, command 32768
    text("終了(&E)");
    return out;
  }();
  return bytes;
}

constexpr char kExitText[] = "イメージ一覧の終了\nイメージ一覧の終了";
constexpr char kTakeText[] = "選択データの取り込み\n選択データの取り込み";
constexpr char kImageListText[] = "イメージ一覧";

struct ConstantName {
  plat::UINT id;
  const char* text;
};
constexpr ConstantName kConstantNames[] = {
    {kStringMediaFormatNames + 101, "qrvFileBMP"},    {kStringMediaFormatNames + 102, "qrvFileTIFF"},
    {kStringMediaFormatNames + 103, "qrvFileJPEG"},   {kStringMediaFormatNames + 104, "qrvFilePCX"},
    {kStringMediaFormatNames + 106, "qrvFilePNG"},    {kStringColorDepthNames + 0, "qrvColorDefault"},
    {kStringColorDepthNames + 1, "qrvColorBitmap"},   {kStringColorDepthNames + 4, "qrvColor16"},
    {kStringColorDepthNames + 8, "qrvColor256"},      {kStringColorDepthNames + 9, "qrvColorGrayscale"},
    {kStringColorDepthNames + 12, "qrvColorRGB"},
};

const plat::DialogTemplate& AboutTemplate() {
  static const plat::DialogTemplate dialog{
      .style = plat::WS_POPUP | plat::WS_CAPTION | plat::WS_SYSMENU | plat::DS_MODALFRAME | plat::DS_CENTER,
      .cx = 236,
      .cy = 84,
      .title = "Ondavel ImageEdit のバージョン情報",
      .items = {
          {plat::kStaticClass, "", kAboutIconItem, plat::WS_VISIBLE | plat::SS_ICON, 0, 10, 10, 20, 20},
          {plat::kStaticClass, "Ondavel Imaging Components", -1, plat::WS_VISIBLE | plat::SS_LEFT, 0, 40, 10, 186,
           8},
          {plat::kStaticClass, "Ondavel ImageEdit Control Version 2.0.0.1", kAboutVersionItem,
           plat::WS_VISIBLE | plat::SS_LEFT, 0, 40, 22, 186, 8},
          {plat::kStaticClass, "Copyright (C) The Ondavel developers.", -1, plat::WS_VISIBLE | plat::SS_LEFT, 0, 40,
           38, 186, 8},
          {plat::kButtonClass, "OK", plat::IDOK, plat::WS_VISIBLE | plat::WS_TABSTOP | plat::BS_DEFPUSHBUTTON, 0, 176,
           60, 50, 14},
      }};
  return dialog;
}

struct Tables {
  CursorPixels nwse = DrawArrows({{1, 1}});
  CursorPixels nesw = DrawArrows({{1, -1}});
  CursorPixels ns = DrawArrows({{0, 1}});
  CursorPixels we = DrawArrows({{1, 0}});
  CursorPixels move = DrawArrows({{1, 0}, {0, 1}});
  CursorPixels icon = DrawIcon();
  std::vector<uint8_t> strip = DrawToolbarStrip();
  std::array<CursorResource, 6> images{};
  std::vector<ResourceEntry> entries;

  Tables() {
    const int centre = kCursorSize / 2;
    images = {CursorResource{centre, centre, kCursorSize, kCursorSize, nwse.data()},
              CursorResource{centre, centre, kCursorSize, kCursorSize, nesw.data()},
              CursorResource{centre, centre, kCursorSize, kCursorSize, ns.data()},
              CursorResource{centre, centre, kCursorSize, kCursorSize, we.data()},
              CursorResource{centre, centre, kCursorSize, kCursorSize, move.data()},
              CursorResource{0, 0, kCursorSize, kCursorSize, icon.data()}};
    const int cursor_ids[] = {kCursorSizeNwse, kCursorSizeNesw, kCursorSizeNs, kCursorSizeWe, kCursorMove};
    for (size_t i = 0; i < 5; ++i) {
      entries.push_back({plat::RT_CURSOR, cursor_ids[i], nullptr, &images[i], sizeof(CursorResource)});
    }
    entries.push_back({plat::RT_ICON, kPageIconId, nullptr, &images[5], sizeof(CursorResource)});
    entries.push_back({plat::RT_MENU, kPageMenuId, nullptr, MenuTemplate().data(), MenuTemplate().size()});
    entries.push_back({plat::RT_TOOLBAR, kPageToolbarId, nullptr, kToolbar, sizeof(kToolbar)});
    entries.push_back({plat::RT_BITMAP, kPageToolbarId, nullptr, strip.data(), strip.size()});
    entries.push_back({plat::RT_STRING, static_cast<int>(kCommandExit), nullptr, kExitText, sizeof(kExitText) - 1});
    entries.push_back({plat::RT_STRING, static_cast<int>(kCommandTake), nullptr, kTakeText, sizeof(kTakeText) - 1});
    entries.push_back(
        {plat::RT_STRING, static_cast<int>(kStringImageList), nullptr, kImageListText, sizeof(kImageListText) - 1});
    for (const ConstantName& name : kConstantNames) {
      entries.push_back({plat::RT_STRING, static_cast<int>(name.id), nullptr, name.text, std::strlen(name.text)});
    }
    entries.push_back({plat::RT_DIALOG, kAboutBoxId, nullptr, &AboutTemplate(), sizeof(plat::DialogTemplate)});
    const std::span<const ResourceEntry> pages = PropertyPageResources();
    entries.insert(entries.end(), pages.begin(), pages.end());
  }
};

}  // namespace

plat::HINSTANCE OndavelResources() {
  static const plat::HMODULE module = [] {
    static const Tables tables;  // lives as long as the process, as the registration needs
    const plat::HMODULE self = plat::ThisModule();
    plat::RegisterModuleResources(self, tables.entries.data(), tables.entries.size());
    return self;
  }();
  return module;
}

}  // namespace ondavel
