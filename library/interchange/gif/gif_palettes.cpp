// The palettes of GIF files without colour tables: black and white, four
// greys, and for larger size codes an even colour cube, red slowest.
#include "interchange/gif/gif_layout.h"

namespace {

// Channel levels of the colour cubes for size codes 2 to 7.
constexpr int kRedLevels[6] = {2, 4, 4, 4, 8, 8};
constexpr int kGreenLevels[6] = {2, 2, 4, 4, 4, 8};
constexpr int kBlueLevels[6] = {2, 2, 2, 4, 4, 4};

constexpr uint8_t kGreys[4] = {0, 128, 192, 255};

}  // namespace

std::vector<uint8_t> GifDefaultPalette(int size_code) {
  std::vector<uint8_t> rgb;
  const auto add = [&rgb](int r, int g, int b) {
    rgb.push_back(static_cast<uint8_t>(r));
    rgb.push_back(static_cast<uint8_t>(g));
    rgb.push_back(static_cast<uint8_t>(b));
  };
  if (size_code == 0) return {0, 0, 0, 255, 255, 255};
  if (size_code == 1) {
    for (uint8_t grey : kGreys) add(grey, grey, grey);
    return rgb;
  }
  const int red = kRedLevels[size_code - 2];
  const int green = kGreenLevels[size_code - 2];
  const int blue = kBlueLevels[size_code - 2];
  for (int r = 0; r < red; ++r) {
    for (int g = 0; g < green; ++g) {
      for (int b = 0; b < blue; ++b) {
        add(r * (256 / red), g * (256 / green), b * (256 / blue));
      }
    }
  }
  return rgb;
}
