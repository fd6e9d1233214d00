// Edges, frame controls and icons, pixel by pixel on small bitmaps.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plat/gdi.h"
#include "plat/last_error.h"
#include "plat/resources.h"
#include "plat/sys_colors.h"
#include "plat/testing.h"
#include "plat/user.h"

namespace plat::test {
namespace {

using DrawTest = GuiTest;

constexpr COLORREF kGround = RGB(0, 255, 0);

// A memory DC over a 32-bit bitmap filled with kGround.
struct Board {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HBITMAP old = nullptr;
  int width, height;
  Board(int w, int h) : width(w), height(h) {
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateCompatibleBitmap(nullptr, w, h);
    old = SelectObject(dc, bitmap);
    Clear(kGround);
  }
  ~Board() {
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
  void Clear(COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    const RECT all{0, 0, width, height};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
  }
  // One letter per pixel of the classic scheme: H white, F face grey, S
  // shadow, D dark shadow, K black, R red, '.' the ground, '?' anything else.
  std::vector<std::string> Letters() const {
    std::vector<std::string> rows;
    for (int y = 0; y < height; ++y) {
      std::string row;
      for (int x = 0; x < width; ++x) {
        switch (GetPixel(dc, x, y)) {
          case RGB(255, 255, 255): row += 'H'; break;
          case RGB(192, 192, 192): row += 'F'; break;
          case RGB(128, 128, 128): row += 'S'; break;
          case RGB(64, 64, 64): row += 'D'; break;
          case RGB(0, 0, 0): row += 'K'; break;
          case RGB(255, 0, 0): row += 'R'; break;
          case kGround: row += '.'; break;
          default: row += '?'; break;
        }
      }
      rows.push_back(row);
    }
    return rows;
  }
  // The box around every pixel showing `letter` inside `within`.
  RECT InkBox(char letter, RECT within) const {
    const auto rows = Letters();
    RECT box{within.right, within.bottom, within.left, within.top};
    for (int y = within.top; y < within.bottom; ++y) {
      for (int x = within.left; x < within.right; ++x) {
        if (rows[size_t(y)][size_t(x)] != letter) continue;
        box.left = std::min<LONG>(box.left, x);
        box.top = std::min<LONG>(box.top, y);
        box.right = std::max<LONG>(box.right, x + 1);
        box.bottom = std::max<LONG>(box.bottom, y + 1);
      }
    }
    return box.left < box.right ? box : RECT{};
  }
};

bool Same(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST_F(DrawTest, EdgesRingByRing) {
  struct Case {
    const char* name;
    UINT edge, flags;
    RECT adjusted;  // what BF_ADJUST leaves
    std::vector<std::string> pixels;
  };
  const Case cases[] = {
      {"raised", EDGE_RAISED, BF_RECT, {2, 2, 4, 4}, {"FFFFFD", "FHHHSD", "FH..SD", "FH..SD", "FSSSSD", "DDDDDD"}},
      {"sunken with middle", EDGE_SUNKEN, BF_RECT | BF_MIDDLE, {2, 2, 4, 4},
       {"SSSSSH", "SDDDFH", "SDFFFH", "SDFFFH", "SFFFFH", "HHHHHH"}},
      {"soft raised", EDGE_RAISED, BF_RECT | BF_SOFT, {2, 2, 4, 4},
       {"HHHHHD", "HFFFSD", "HF..SD", "HF..SD", "HSSSSD", "DDDDDD"}},
      {"soft sunken", EDGE_SUNKEN, BF_RECT | BF_SOFT, {2, 2, 4, 4},
       {"DDDDDH", "DSSSFH", "DS..FH", "DS..FH", "DFFFFH", "HHHHHH"}},
      {"etched", EDGE_ETCHED, BF_RECT, {2, 2, 4, 4}, {"SSSSSH", "SHHHSH", "SH..SH", "SH..SH", "SSSSSH", "HHHHHH"}},
      {"flat", EDGE_RAISED, BF_RECT | BF_FLAT | BF_MIDDLE, {2, 2, 4, 4},
       {"SSSSSS", "SFFFFS", "SFFFFS", "SFFFFS", "SFFFFS", "SSSSSS"}},
      {"mono", EDGE_SUNKEN, BF_RECT | BF_MONO, {2, 2, 4, 4}, {"KKKKKK", "KHHHHK", "KH..HK", "KH..HK", "KHHHHK", "KKKKKK"}},
      {"top and left, outer only", BDR_SUNKENOUTER, BF_TOPLEFT, {1, 1, 6, 6},
       {"SSSSSS", "S.....", "S.....", "S.....", "S.....", "S....."}},
      {"bottom and right, inner only", BDR_RAISEDINNER, BF_BOTTOMRIGHT, {0, 0, 5, 5},
       {".....S", ".....S", ".....S", ".....S", ".....S", "SSSSSS"}},
      {"diagonal ending top right", BDR_SUNKENOUTER, BF_DIAGONAL_ENDTOPRIGHT, {0, 1, 5, 6},
       {".....S", "....S.", "...S..", "..S...", ".S....", "S....."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Board board(6, 6);
    RECT rect{0, 0, 6, 6};
    ASSERT_TRUE(DrawEdge(board.dc, &rect, c.edge, c.flags | BF_ADJUST));
    EXPECT_EQ(board.Letters(), c.pixels);
    EXPECT_TRUE(Same(rect, c.adjusted)) << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom;
  }
}

TEST_F(DrawTest, BadArgumentsDrawNothing) {
  Board board(6, 6);
  const auto before = board.Letters();
  RECT rect{0, 0, 6, 6};
  EXPECT_FALSE(DrawEdge(board.dc, nullptr, EDGE_RAISED, BF_RECT));
  EXPECT_FALSE(DrawEdge(nullptr, &rect, EDGE_RAISED, BF_RECT));
  EXPECT_FALSE(DrawFrameControl(board.dc, &rect, 9, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(DrawFrameControl(board.dc, &rect, DFC_CAPTION, 7));
  EXPECT_FALSE(DrawFrameControl(board.dc, &rect, DFC_MENU, 3));
  EXPECT_FALSE(DrawFrameControl(board.dc, &rect, DFC_SCROLL, 4));
  EXPECT_EQ(board.Letters(), before);
  EXPECT_TRUE(Same(rect, RECT{0, 0, 6, 6}));
}

TEST_F(DrawTest, PushButtonsAndTheirFace) {
  Board board(8, 6);
  RECT rect{0, 0, 8, 6};
  ASSERT_TRUE(DrawFrameControl(board.dc, &rect, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_ADJUSTRECT));
  EXPECT_EQ(board.Letters(),
            (std::vector<std::string>{"HHHHHHHD", "HFFFFFSD", "HFFFFFSD", "HFFFFFSD", "HSSSSSSD", "DDDDDDDD"}));
  EXPECT_TRUE(Same(rect, RECT{2, 2, 6, 4}));
  rect = RECT{0, 0, 8, 6};
  ASSERT_TRUE(DrawFrameControl(board.dc, &rect, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_PUSHED));
  EXPECT_EQ(board.Letters(),
            (std::vector<std::string>{"DDDDDDDH", "DSSSSSFH", "DSFFFFFH", "DSFFFFFH", "DFFFFFFH", "HHHHHHHH"}));
  EXPECT_TRUE(Same(rect, RECT{0, 0, 8, 6}));  // no DFCS_ADJUSTRECT
  ASSERT_TRUE(DrawFrameControl(board.dc, &rect, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_CHECKED));
  EXPECT_EQ(board.Letters()[2], "DSFHFHFH");  // a checked face is dithered
}

// Glyphs sit centred in the face, one pixel lower and further right when
// pushed; inactive ones are embossed and show no text colour.
TEST_F(DrawTest, GlyphsCentreInTheFace) {
  struct Case {
    const char* name;
    UINT type, state;
    int width, height;
    RECT ink;  // of black pixels
  };
  const Case cases[] = {
      {"scroll up", DFC_SCROLL, DFCS_SCROLLUP, 16, 16, {4, 6, 11, 10}},
      {"scroll up pushed", DFC_SCROLL, DFCS_SCROLLUP | DFCS_PUSHED, 16, 16, {5, 7, 12, 11}},
      {"scroll right", DFC_SCROLL, DFCS_SCROLLRIGHT, 16, 16, {6, 4, 10, 11}},
      {"combo box", DFC_SCROLL, DFCS_SCROLLCOMBOBOX, 16, 16, {4, 6, 11, 10}},
      {"scroll up inactive", DFC_SCROLL, DFCS_SCROLLUP | DFCS_INACTIVE, 16, 16, {}},
      {"close", DFC_CAPTION, DFCS_CAPTIONCLOSE, 16, 14, {4, 3, 12, 10}},
      {"close pushed", DFC_CAPTION, DFCS_CAPTIONCLOSE | DFCS_PUSHED, 16, 14, {5, 4, 13, 11}},
      {"minimise", DFC_CAPTION, DFCS_CAPTIONMIN, 16, 14, {5, 8, 10, 10}},
      {"maximise", DFC_CAPTION, DFCS_CAPTIONMAX, 16, 14, {4, 3, 12, 10}},
      {"check box", DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED, 13, 13, {3, 3, 10, 10}},
      {"check box, wide rectangle", DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED, 17, 13, {5, 3, 12, 10}},
      {"check box unchecked", DFC_BUTTON, DFCS_BUTTONCHECK, 13, 13, {}},
      {"radio checked", DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_CHECKED, 12, 12, {4, 4, 8, 8}},
      {"menu check", DFC_MENU, DFCS_MENUCHECK, 13, 13, {3, 3, 10, 10}},
      {"menu arrow", DFC_MENU, DFCS_MENUARROW, 16, 16, {6, 4, 10, 11}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Board board(c.width, c.height);
    RECT rect{0, 0, c.width, c.height};
    ASSERT_TRUE(DrawFrameControl(board.dc, &rect, c.type, c.state));
    const RECT ink = board.InkBox('K', RECT{0, 0, c.width, c.height});
    EXPECT_TRUE(Same(ink, c.ink)) << ink.left << "," << ink.top << "," << ink.right << "," << ink.bottom;
  }
}

TEST_F(DrawTest, CheckBoxAndRadioRings) {
  Board box(13, 13);
  RECT rect{0, 0, 13, 13};
  ASSERT_TRUE(DrawFrameControl(box.dc, &rect, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED | DFCS_INACTIVE));
  auto rows = box.Letters();
  EXPECT_EQ(rows[0], "SSSSSSSSSSSSH");
  EXPECT_EQ(rows[1], "SDDDDDDDDDDFH");
  EXPECT_EQ(rows[12], "HHHHHHHHHHHHH");
  EXPECT_EQ(rows[2][2], 'F');  // an inactive box has the face colour inside
  EXPECT_TRUE(Same(box.InkBox('S', RECT{2, 2, 11, 11}), RECT{3, 3, 10, 10}));  // its mark in grey

  Board radio(12, 12);
  rect = RECT{0, 0, 12, 12};
  ASSERT_TRUE(DrawFrameControl(radio.dc, &rect, DFC_BUTTON, DFCS_BUTTONRADIO));
  rows = radio.Letters();
  EXPECT_EQ(rows[0], "....SSSS....");
  EXPECT_EQ(rows[11], "....HHHH....");
  EXPECT_EQ(rows[6], "SDHHHHHHHHFH");
  EXPECT_EQ(radio.InkBox('K', RECT{0, 0, 12, 12}).right, 0);  // unchecked: no dot
}

TEST_F(DrawTest, SizeGripRidges) {
  Board board(12, 12);
  RECT rect{0, 0, 12, 12};
  ASSERT_TRUE(DrawFrameControl(board.dc, &rect, DFC_SCROLL, DFCS_SCROLLSIZEGRIP));
  const auto rows = board.Letters();
  EXPECT_EQ(rows[0], "FFFFFFFFFFFH");
  EXPECT_EQ(rows[8], "FFFHSSFHSSFH");
  EXPECT_EQ(rows[10], "FHSSFHSSFHSS");
  EXPECT_EQ(rows[11], "HSSFHSSFHSSF");
}

// 4×4 monochrome icon: rows of AND and XOR bits (16-bit rows).
constexpr BYTE kAnd[] = {0xC0, 0, 0xC0, 0, 0x30, 0, 0x30, 0};
constexpr BYTE kXor[] = {0xA0, 0, 0xA0, 0, 0xA0, 0, 0xA0, 0};

TEST_F(DrawTest, MonochromeIconsByMaskAndImage) {
  HICON icon = CreateIcon(nullptr, 4, 4, 1, 1, kAnd, kXor);
  ASSERT_NE(icon, nullptr);
  struct Case {
    UINT flags;
    int size;
    std::vector<std::string> pixels;  // on a red board
  };
  // AND 1 XOR 0 keeps, AND 1 XOR 1 inverts (red to cyan '?'), AND 0 XOR 0
  // black, AND 0 XOR 1 white.
  const Case cases[] = {
      {DI_NORMAL, 4, {"?RHK", "?RHK", "HK?R", "HK?R"}},
      {DI_MASK, 4, {"RRKK", "RRKK", "KKRR", "KKRR"}},
      {DI_IMAGE, 4, {"HKHK", "HKHK", "HKHK", "HKHK"}},
      {DI_NORMAL, 8,
       {"??RRHHKK", "??RRHHKK", "??RRHHKK", "??RRHHKK", "HHKK??RR", "HHKK??RR", "HHKK??RR", "HHKK??RR"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flags * 100 + c.size);
    Board board(c.size, c.size);
    board.Clear(RGB(255, 0, 0));
    ASSERT_TRUE(DrawIconEx(board.dc, 0, 0, icon, c.size, c.size, 0, nullptr, c.flags));
    EXPECT_EQ(board.Letters(), c.pixels);
  }
  Board board(4, 4);
  board.Clear(RGB(255, 0, 0));
  DrawIconEx(board.dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
  EXPECT_EQ(GetPixel(board.dc, 0, 0), RGB(0, 255, 255));
  // A flicker-free draw lays the brush under the transparent pixels.
  DrawIconEx(board.dc, 0, 0, icon, 0, 0, 0, reinterpret_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)), DI_NORMAL);
  EXPECT_EQ(GetPixel(board.dc, 1, 0), RGB(128, 128, 128));
  EXPECT_EQ(GetPixel(board.dc, 0, 0), RGB(127, 127, 127));

  ASSERT_TRUE(DestroyIcon(icon));
  EXPECT_FALSE(DrawIconEx(board.dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_CURSOR_HANDLE));
}

TEST_F(DrawTest, IconsFromBitmapsBlendTheirAlphaAndComeApartAgain) {
  // A 2×1 colour image with alpha 255 and 128 over a mask.
  HBITMAP colour = CreateBitmap(2, 1, 1, 32, nullptr);
  const BYTE bgra[8] = {0, 0, 255, 255, 255, 0, 0, 128};
  SetBitmapBits(colour, sizeof(bgra), bgra);
  HBITMAP mask = CreateBitmap(2, 1, 1, 1, nullptr);
  ICONINFO info;
  info.hbmMask = mask;
  info.hbmColor = colour;
  HICON icon = CreateIconIndirect(&info);
  ASSERT_NE(icon, nullptr);
  Board board(2, 1);
  board.Clear(RGB(0, 0, 0));
  ASSERT_TRUE(DrawIconEx(board.dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL));
  EXPECT_EQ(GetPixel(board.dc, 0, 0), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(board.dc, 1, 0), RGB(0, 0, 128));

  ICONINFO parts;
  ASSERT_TRUE(GetIconInfo(icon, &parts));
  EXPECT_TRUE(parts.fIcon);
  EXPECT_EQ(parts.xHotspot, 1u);
  HICON again = CreateIconIndirect(&parts);
  ASSERT_NE(again, nullptr);
  board.Clear(RGB(0, 0, 0));
  ASSERT_TRUE(DrawIconEx(board.dc, 0, 0, again, 0, 0, 0, nullptr, DI_NORMAL));
  EXPECT_EQ(GetPixel(board.dc, 1, 0), RGB(0, 0, 128));
  DeleteObject(parts.hbmMask);
  DeleteObject(parts.hbmColor);

  // The mask must match the image; without an image it must hold two halves.
  HBITMAP odd = CreateBitmap(2, 3, 1, 1, nullptr);
  ICONINFO bad;
  bad.hbmMask = odd;
  bad.hbmColor = colour;
  EXPECT_EQ(CreateIconIndirect(&bad), nullptr);
  bad.hbmColor = nullptr;
  EXPECT_EQ(CreateIconIndirect(&bad), nullptr);
  bad.hbmMask = nullptr;
  EXPECT_EQ(CreateIconIndirect(&bad), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

  DestroyIcon(icon);
  DestroyIcon(again);
  DeleteObject(odd);
  DeleteObject(mask);
  DeleteObject(colour);
}

TEST_F(DrawTest, SystemIconsDrawAtTheIconSize) {
  HICON hand = LoadIcon(nullptr, MAKEINTRESOURCE(IDI_HAND));
  ASSERT_NE(hand, nullptr);
  Board board(40, 40);
  ASSERT_TRUE(DrawIcon(board.dc, 4, 4, hand));
  const auto rows = board.Letters();
  EXPECT_EQ(rows[5][5], '.');    // outside the disc
  EXPECT_EQ(rows[20][8], 'R');   // inside it
  EXPECT_EQ(rows[20][20], 'H');  // on the cross
  EXPECT_TRUE(Same(board.InkBox('K', RECT{0, 0, 40, 40}), RECT{6, 6, 34, 34}));
  EXPECT_TRUE(DestroyIcon(hand));  // shared: stays
  EXPECT_TRUE(DrawIcon(board.dc, 4, 4, hand));
  ICONINFO parts;
  ASSERT_TRUE(GetIconInfo(hand, &parts));
  BITMAP shape;
  GetObject(parts.hbmColor, sizeof(shape), &shape);
  EXPECT_EQ(shape.bmWidth, 32);
  DeleteObject(parts.hbmMask);
  DeleteObject(parts.hbmColor);
}

}  // namespace
}  // namespace plat::test
