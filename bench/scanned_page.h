// The colour page the codec benchmarks share: an A4 scan at 300 dpi with
// paper shading, a photograph, coloured blocks and lines of dark "text"
// strokes, stored as three planes (red, green, blue).
#ifndef PELRITH_BENCH_SCANNED_PAGE_H_
#define PELRITH_BENCH_SCANNED_PAGE_H_

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

inline constexpr int kScannedPageWidth = 2480;   // A4 at 300 dpi
inline constexpr int kScannedPageHeight = 3508;

inline std::vector<uint8_t> MakeScannedPagePlanar() {
  constexpr size_t kPlane = static_cast<size_t>(kScannedPageWidth) * kScannedPageHeight;
  std::vector<uint8_t> planes(kPlane * 3);
  std::mt19937 random(1);
  std::uniform_int_distribution<int> noise(-4, 4);
  for (int y = 0; y < kScannedPageHeight; ++y) {
    for (int x = 0; x < kScannedPageWidth; ++x) {
      int rgb[3] = {238, 236, 228};
      if (y > 300 && y < 1500 && x > 200 && x < 2280) {
        for (int b = 0; b < 3; ++b) {
          rgb[b] = static_cast<int>(128 + 80 * std::sin(0.013 * x + b) * std::cos(0.011 * y - 0.5 * b) +
                                    30 * std::sin(0.17 * x * (b + 1) + 0.05 * y));
        }
      } else if (y > 1600 && ((y - 1600) % 60) < 30 && x > 200 && x < 2280) {
        const bool stroke = ((x * 7 + y * 3) % 23) < 5 || ((x / 11 + y / 5) % 9) == 0;
        if (stroke) rgb[0] = rgb[1] = rgb[2] = 30;
      } else if (y > 3000 && y < 3300) {
        rgb[0] = 40 + (x / 300) * 25;
        rgb[1] = 200 - (x / 300) * 15;
        rgb[2] = 90;
      }
      for (int b = 0; b < 3; ++b) {
        const int v = std::clamp(rgb[b] + noise(random), 0, 255);
        planes[static_cast<size_t>(b) * kPlane + static_cast<size_t>(y) * kScannedPageWidth + x] =
            static_cast<uint8_t>(v);
      }
    }
  }
  return planes;
}

#endif  // PELRITH_BENCH_SCANNED_PAGE_H_
