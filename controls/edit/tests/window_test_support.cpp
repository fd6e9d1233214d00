// The window tests' shared owner, host and bitmaps.
#include "window_test_support.h"

#include <cstdio>
#include <cstring>

#include "plat/gdi.h"

namespace ondavel::test {

using namespace plat;

std::string RecordingOwner::Text(const RECT& rect) {
  char text[64];
  std::snprintf(text, sizeof(text), "%d,%d,%d,%d", static_cast<int>(rect.left), static_cast<int>(rect.top),
                static_cast<int>(rect.right), static_cast<int>(rect.bottom));
  return text;
}

std::vector<std::string> RecordingOwner::Outcomes() const {
  std::vector<std::string> out;
  for (const std::string& event : events) {
    if (event.rfind("dragging", 0) != 0) out.push_back(event);
  }
  return out;
}

COLORREF PixelColour(int x, int y) {
  // Odd multipliers: red tells x and green tells y apart up to 255.
  return RGB(static_cast<BYTE>(x * 37 + 5), static_cast<BYTE>(y * 53 + 9), static_cast<BYTE>((x + 2 * y) * 11));
}

uint32_t AsRgb(COLORREF colour) { return (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF); }

HGLOBAL MakeDib(int width, int height, int bits, bool is_top_down) {
  const int colours = bits == 8 ? 256 : 0;
  const size_t stride = (static_cast<size_t>(width) * bits + 31) / 32 * 4;
  const size_t size = 40 + 4 * static_cast<size_t>(colours) + stride * static_cast<size_t>(height);
  HGLOBAL block = GlobalAlloc(0x42, size);
  auto* bytes = static_cast<uint8_t*>(GlobalLock(block));
  BITMAPINFOHEADER header{};
  header.biSize = 40;
  header.biWidth = width;
  header.biHeight = is_top_down ? -height : height;
  header.biPlanes = 1;
  header.biBitCount = static_cast<WORD>(bits);
  header.biClrUsed = static_cast<DWORD>(colours);
  std::memcpy(bytes, &header, sizeof(header));
  for (int i = 0; i < colours; ++i) {
    const COLORREF colour = PixelColour(i % 16, i / 16);
    uint8_t* entry = bytes + 40 + 4 * i;
    entry[0] = GetBValue(colour);
    entry[1] = GetGValue(colour);
    entry[2] = GetRValue(colour);
  }
  uint8_t* rows = bytes + 40 + 4 * colours;
  for (int y = 0; y < height; ++y) {
    uint8_t* row = rows + stride * static_cast<size_t>(is_top_down ? y : height - 1 - y);
    for (int x = 0; x < width; ++x) {
      if (bits == 8) {
        row[x] = static_cast<uint8_t>(x % 16 + 16 * (y % 16));
        continue;
      }
      const COLORREF colour = PixelColour(x, y);
      row[3 * x] = GetBValue(colour);
      row[3 * x + 1] = GetGValue(colour);
      row[3 * x + 2] = GetRValue(colour);
    }
  }
  GlobalUnlock(block);
  return block;
}

HostWindow::HostWindow(int width, int height) {
  CreateEx(0, nullptr, "host", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE | WS_CLIPCHILDREN, 10, 10, width, height,
           nullptr, nullptr);
}

HostWindow::~HostWindow() {
  if (m_hWnd != nullptr) DestroyWindow();
}

}  // namespace ondavel::test
