// Pixels for tests: reading a DC or an image file into an Image
// (0x00RRGGBB, rows top-down, like the harness's snapshots), scaling and
// cropping, writing PNG files, and one comparison that says where two
// images differ and leaves both beside the test for a look.
#ifndef PLAT_TESTING_PIXELS_H_
#define PLAT_TESTING_PIXELS_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "plat/gdi.h"
#include "plat/headless.h"

namespace plat::test {

using headless::Image;

// An Image pixel of a COLORREF.
constexpr uint32_t ImagePixel(COLORREF colour) {
  return uint32_t{GetRValue(colour)} << 16 | uint32_t{GetGValue(colour)} << 8 | GetBValue(colour);
}

// The pixels of `area` (logical coordinates) of a DC.
Image CaptureDc(HDC dc, const RECT& area);

// An image file as ImageMagick decodes it at 8 bits per channel; an empty
// image (0×0) when it cannot.
Image DecodeWithImageMagick(const std::string& path);

// `area` of the X display's root window (screen tests under Xvfb), also
// kept as the PNG `file` when one is named; empty when it cannot be taken.
Image PhotographScreen(const RECT& area, const std::string& file = {});

// Runs the message loop and photographs `window` (as PhotographScreen, kept
// as `file`) every 250 ms until `shows` accepts the picture, 40 times at the
// most, since a native window shows its pixels only once the display has
// exposed and painted it; the last photograph.
Image PhotographWhenShown(HWND window, const std::string& file, const std::function<bool(const Image&)>& shows);

// The part of `image` inside `area` (clipped to the image).
Image Crop(const Image& image, const RECT& area);

// `image` scaled to width × height by nearest neighbour: destination pixel
// x takes source pixel x × source width / width.
Image ScaleNearest(const Image& image, int width, int height);

// `image` as an 8-bit RGB PNG; false when it is empty or cannot be written.
bool WriteImagePng(const Image& image, const std::string& path);

// Success when both images have one size and the same pixels. Otherwise the
// message names the first differing pixel and how many differ, and both
// images are written as "<name>.actual.png" and "<name>.expected.png" into
// $PLAT_TEST_OUTPUT_DIR (the current folder when unset).
::testing::AssertionResult SameImage(const Image& actual, const Image& expected, const std::string& name);

}  // namespace plat::test

#endif  // PLAT_TESTING_PIXELS_H_
