#include "plat/testing/pixels.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "plat/gdi_snapshot.h"
#include "plat/gdi_surface.h"
#include "plat/user.h"

namespace plat::test {

namespace {

// Everything a shell command writes to its standard output.
bool ReadCommand(const std::string& command, std::string& out) {
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return false;
  char buffer[65536];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, got);
  return pclose(pipe) == 0;
}

// A binary PPM with 8-bit channels, as ImageMagick writes it.
Image ParsePpm(const std::string& ppm) {
  int width = 0, height = 0, maxval = 0, consumed = 0;
  if (std::sscanf(ppm.c_str(), "P6 %d %d %d%n", &width, &height, &maxval, &consumed) != 3 || maxval != 255 ||
      width <= 0 || height <= 0) {
    return {};
  }
  const size_t count = size_t(width) * size_t(height);
  if (ppm.size() < size_t(consumed) + 1 + count * 3) return {};
  Image image{width, height, {}};
  image.pixels.reserve(count);
  const auto* p = reinterpret_cast<const unsigned char*>(ppm.data()) + consumed + 1;
  for (size_t i = 0; i < count; ++i, p += 3) image.pixels.push_back(uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2]);
  return image;
}

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string OutputPath(const std::string& file) {
  const char* folder = std::getenv("PLAT_TEST_OUTPUT_DIR");
  return folder != nullptr && *folder != '\0' ? std::string(folder) + "/" + file : file;
}

}  // namespace

Image CaptureDc(HDC dc, const RECT& area) {
  Image image{std::max(0, int(area.right - area.left)), std::max(0, int(area.bottom - area.top)), {}};
  image.pixels.reserve(size_t(image.width_px) * size_t(image.height_px));
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) image.pixels.push_back(ImagePixel(GetPixel(dc, x, y)));
  }
  return image;
}

Image DecodeWithImageMagick(const std::string& path) {
  std::string ppm;
  if (!ReadCommand("convert-im6.q16 " + Quoted(path) + " -depth 8 ppm:- 2>/dev/null", ppm)) return {};
  return ParsePpm(ppm);
}

Image PhotographScreen(const RECT& area, const std::string& file) {
  const int width = area.right - area.left, height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return {};
  const std::string geometry = std::to_string(width) + "x" + std::to_string(height) + "+" + std::to_string(area.left) +
                               "+" + std::to_string(area.top);
  std::string ppm;
  if (!ReadCommand("import-im6.q16 -window root -crop " + geometry + " +repage -depth 8 ppm:- 2>/dev/null", ppm)) return {};
  Image image = ParsePpm(ppm);
  if (!file.empty() && !WriteImagePng(image, file)) return {};
  return image;
}

namespace {

constexpr UINT kShotPeriodMs = 250;
constexpr int kMaxShots = 40;

// What PhotographWhenShown waits for; its timer's callback has no context.
struct ShotWatch {
  HWND window = nullptr;
  const std::string* file = nullptr;
  const std::function<bool(const Image&)>* shows = nullptr;
  int shots = 0;
  Image image;
};
ShotWatch* shot_watch = nullptr;

void PhotographOnTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (shot_watch == nullptr) return;
  ShotWatch& watch = *shot_watch;
  RECT rect{};
  GetWindowRect(watch.window, &rect);
  watch.image = PhotographScreen(rect, *watch.file);
  if ((*watch.shows)(watch.image) || ++watch.shots >= kMaxShots) PostQuitMessage(0);
}

}  // namespace

Image PhotographWhenShown(HWND window, const std::string& file, const std::function<bool(const Image&)>& shows) {
  ShotWatch watch;
  watch.window = window;
  watch.file = &file;
  watch.shows = &shows;
  shot_watch = &watch;
  const UINT_PTR timer = SetTimer(nullptr, 0, kShotPeriodMs, PhotographOnTimer);
  MSG msg;
  while (GetMessage(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
  KillTimer(nullptr, timer);
  shot_watch = nullptr;
  return watch.image;
}

Image Crop(const Image& image, const RECT& area) {
  const int left = std::max(0, int(area.left)), top = std::max(0, int(area.top));
  const int right = std::min(image.width_px, int(area.right)), bottom = std::min(image.height_px, int(area.bottom));
  if (right <= left || bottom <= top) return {};
  Image part{right - left, bottom - top, {}};
  part.pixels.reserve(size_t(part.width_px) * size_t(part.height_px));
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) part.pixels.push_back(image.At(x, y));
  }
  return part;
}

Image ScaleNearest(const Image& image, int width, int height) {
  if (image.width_px <= 0 || image.height_px <= 0 || width <= 0 || height <= 0) return {};
  Image scaled{width, height, {}};
  scaled.pixels.reserve(size_t(width) * size_t(height));
  for (int y = 0; y < height; ++y) {
    const int sy = int(int64_t{y} * image.height_px / height);
    for (int x = 0; x < width; ++x) scaled.pixels.push_back(image.At(int(int64_t{x} * image.width_px / width), sy));
  }
  return scaled;
}

bool WriteImagePng(const Image& image, const std::string& path) {
  if (image.width_px <= 0 || image.height_px <= 0) return false;
  auto surface = gdi::CreateSurface(image.width_px, image.height_px, 32);
  if (!surface) return false;
  for (int y = 0; y < image.height_px; ++y) {
    surface->WriteRaw(y, 0, image.width_px, &image.pixels[size_t(y) * size_t(image.width_px)]);
  }
  return gdi::WriteSurfacePng(*surface, surface->Bounds(), path);
}

::testing::AssertionResult SameImage(const Image& actual, const Image& expected, const std::string& name) {
  std::ostringstream why;
  if (actual.width_px != expected.width_px || actual.height_px != expected.height_px) {
    why << name << ": size " << actual.width_px << "x" << actual.height_px << ", expected " << expected.width_px << "x"
        << expected.height_px;
  } else {
    size_t differing = 0, first = 0;
    for (size_t i = 0; i < actual.pixels.size(); ++i) {
      if (actual.pixels[i] == expected.pixels[i]) continue;
      if (differing++ == 0) first = i;
    }
    if (differing == 0) return ::testing::AssertionSuccess();
    const size_t w = size_t(actual.width_px);
    why << name << ": " << differing << " pixels differ, first at (" << first % w << ", " << first / w << "): 0x"
        << std::hex << actual.pixels[first] << " instead of 0x" << expected.pixels[first] << std::dec;
  }
  const std::string actual_file = OutputPath(name + ".actual.png"), expected_file = OutputPath(name + ".expected.png");
  if (WriteImagePng(actual, actual_file) && WriteImagePng(expected, expected_file)) {
    why << " (see " << actual_file << " and " << expected_file << ")";
  }
  return ::testing::AssertionFailure() << why.str();
}

}  // namespace plat::test
