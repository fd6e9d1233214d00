// The edit control's packed-bitmap helpers over fuzz bytes as a global
// block of exactly their length (a leading BMP file header is skipped, so
// the corpus's BMP files seed it): measuring, the header helpers, the
// binding's header reads and normalised copy, and drawing into a small
// canvas. Pictures above the fuzz-only cap of 1 Mpx are not drawn.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "dib_drawing.h"
#include "dib_input.h"
#include "image_library_binding.h"
#include "plat/gdi.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 14 && data[0] == 'B' && data[1] == 'M') data += 14, size -= 14;
  if (size == 0) return 0;
  const std::vector<uint8_t> bytes(data, data + size);
  const int colours = ondavel::GetDibColorCount(bytes.data(), bytes.size());
  const int palette = ondavel::GetDibPaletteSize(bytes.data(), bytes.size());
  const uint8_t* bits = ondavel::GetDibBits(bytes.data(), bytes.size());
  if ((colours < 0) != (bits == nullptr) || (palette < 0) != (colours < 0)) std::abort();
  if (bits != nullptr && (bits < bytes.data() || bits > bytes.data() + bytes.size())) std::abort();

  const HGLOBAL dib = GlobalAlloc(GHND, size);
  if (dib == 0) return 0;
  auto* target = static_cast<uint8_t*>(GlobalLock(dib));
  for (size_t i = 0; i < size; ++i) target[i] = data[i];
  GlobalUnlock(dib);

  int32_t width = 0, height = 0;
  const bool valid = ondavel::GetDibDimensions(dib, &width, &height) != 0;
  if (valid != (bits != nullptr)) std::abort();
  static ondavel::ImageLibraryBinding* unbound = new ondavel::ImageLibraryBinding("/nonexistent/libPelrith.so");
  int16_t x_dpi = 0, y_dpi = 0;
  (void)unbound->GetDibColorDepth(dib);
  (void)unbound->GetDibBitDepthCode(dib);
  (void)unbound->GetDibResolutionDpi(dib, &x_dpi, &y_dpi);
  if (x_dpi < 0 || y_dpi < 0) std::abort();
  if (valid && int64_t{width} * height <= (int64_t{1} << 20)) {
    const ondavel::DibInput input(dib);
    if (input.error() == 0 && input.handle() != dib && !ondavel::IsLibraryForm(*plat::ValidatePackedDib(input.handle()))) {
      std::abort();
    }
    plat::BITMAPINFO canvas_info{};
    canvas_info.bmiHeader = plat::BITMAPINFOHEADER{40, 8, 8, 1, 32, plat::BI_RGB, 0, 0, 0, 0, 0};
    void* canvas_bits = nullptr;
    plat::HBITMAP canvas = plat::CreateDIBSection(nullptr, &canvas_info, plat::DIB_RGB_COLORS, &canvas_bits, nullptr, 0);
    plat::HDC dc = plat::CreateCompatibleDC(nullptr);
    plat::HGDIOBJ old = plat::SelectObject(dc, reinterpret_cast<plat::HGDIOBJ>(canvas));
    (void)ondavel::DrawDib(dc, dib, nullptr, plat::RECT{0, 0, 8, 8});
    (void)ondavel::DrawDibStretched(dc, dib, nullptr, plat::RECT{0, 0, 8, 8}, plat::RECT{1, 1, width, height});
    plat::SelectObject(dc, old);
    plat::DeleteDC(dc);
    plat::DeleteObject(reinterpret_cast<plat::HGDIOBJ>(canvas));
  }
  GlobalFree(dib);
  return 0;
}
