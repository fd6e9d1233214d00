// The packed-DIB gate on fuzz bytes (a leading BMP file header is skipped,
// so the corpus's BMP files seed it). What passes is normalised and drawn
// into a small DIB section, which must stay inside the block it was given;
// pictures above the fuzz-only cap of 1 Mpx stop after the gate.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "plat/gdi.h"
#include "plat/packed_dib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace plat;
  if (size > 14 && data[0] == 'B' && data[1] == 'M') data += 14, size -= 14;
  const std::vector<uint8_t> block(data, data + size);  // exactly as long as the input
  const auto view = ValidatePackedDib(block.data(), block.size());
  if (!view || int64_t{view->width} * view->height > (int64_t{1} << 20)) return 0;
  if (const HGLOBAL normal = NormalizePackedDib(*view, 24)) GlobalFree(normal);
  BITMAPINFO canvas_info{};
  canvas_info.bmiHeader = BITMAPINFOHEADER{40, 8, 8, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP canvas = CreateDIBSection(nullptr, &canvas_info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(canvas));
  StretchDIBits(dc, 0, 0, 8, 8, 0, 0, view->width, view->height, view->bits,
                reinterpret_cast<const BITMAPINFO*>(block.data()), DIB_RGB_COLORS, SRCCOPY);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(canvas);
  return 0;
}
