// Test helpers of the acquisition libraries.
#include "acquire_test_support.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "plat/packed_dib.h"
#include "plat/testing.h"
#include "plat/user.h"

namespace plat::acquire::test {

Collector* Collector::current = nullptr;

Picture DecodePackedBitmap(HGLOBAL block) {
  Picture picture;
  const auto view = ValidatePackedDib(block);
  EXPECT_TRUE(view.has_value()) << "not a packed bitmap";
  if (!view) return picture;
  EXPECT_EQ(view->headerSize, 40);
  EXPECT_FALSE(view->topDown);
  EXPECT_TRUE(view->bpp == 1 || view->bpp == 8 || view->bpp == 24) << view->bpp;
  EXPECT_EQ(view->stride, static_cast<size_t>((view->width * view->bpp + 31) / 32 * 4));
  picture.width = view->width;
  picture.height = view->height;
  picture.bit_count = view->bpp;
  const auto* header = static_cast<const BITMAPINFOHEADER*>(GlobalLock(block));
  picture.x_ppm = header->biXPelsPerMeter;
  picture.y_ppm = header->biYPelsPerMeter;
  picture.pixels.resize(static_cast<size_t>(view->width) * static_cast<size_t>(view->height));
  for (int y = 0; y < view->height; ++y) {
    const BYTE* row = view->TopRow(y);
    for (int x = 0; x < view->width; ++x) {
      uint32_t pixel = 0;
      if (view->bpp == 24) {
        pixel = static_cast<uint32_t>(row[x * 3 + 2]) << 16 | static_cast<uint32_t>(row[x * 3 + 1]) << 8 |
                row[x * 3];
      } else {
        const int index = view->bpp == 8 ? row[x] : (row[x / 8] >> (7 - x % 8)) & 1;
        const COLORREF colour = view->PaletteColour(index);  // 0x00BBGGRR
        pixel = (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
      }
      picture.pixels[static_cast<size_t>(y) * static_cast<size_t>(view->width) + static_cast<size_t>(x)] = pixel;
    }
  }
  GlobalUnlock(block);
  return picture;
}

namespace {

// The next header number of a PNM file, skipping blanks and comments.
bool NextNumber(const std::string& bytes, size_t& at, long& out) {
  for (;;) {
    while (at < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[at]))) ++at;
    if (at < bytes.size() && bytes[at] == '#') {
      while (at < bytes.size() && bytes[at] != '\n') ++at;
      continue;
    }
    break;
  }
  if (at >= bytes.size() || !std::isdigit(static_cast<unsigned char>(bytes[at]))) return false;
  out = 0;
  while (at < bytes.size() && std::isdigit(static_cast<unsigned char>(bytes[at]))) out = out * 10 + (bytes[at++] - '0');
  return true;
}

}  // namespace

Picture ReadPnm(const std::string& path, int padding_px) {
  Picture picture;
  std::ifstream file(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (bytes.size() < 2 || bytes[0] != 'P' || (bytes[1] != '4' && bytes[1] != '5' && bytes[1] != '6')) return picture;
  const char kind = bytes[1];
  size_t at = 2;
  long width = 0, height = 0, maxval = 1;
  if (!NextNumber(bytes, at, width) || !NextNumber(bytes, at, height)) return picture;
  if (kind != '4' && !NextNumber(bytes, at, maxval)) return picture;
  ++at;  // the one blank after the header
  const int sample_bytes = maxval > 255 ? 2 : 1;
  const int channels = kind == '6' ? 3 : 1;
  const long stored_width = width + padding_px;
  const size_t row_bytes = kind == '4' ? static_cast<size_t>((stored_width + 7) / 8)
                                       : static_cast<size_t>(stored_width) * channels * sample_bytes;
  if (bytes.size() < at + row_bytes * static_cast<size_t>(height)) return picture;
  picture.width = static_cast<int>(width);
  picture.height = static_cast<int>(height);
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data() + at);
  for (long y = 0; y < height; ++y) {
    const uint8_t* row = data + row_bytes * static_cast<size_t>(y);
    for (long x = 0; x < width; ++x) {
      uint32_t pixel = 0;
      if (kind == '4') {
        pixel = (row[x / 8] >> (7 - x % 8)) & 1 ? 0x000000 : 0xFFFFFF;
      } else {
        uint32_t sample[3] = {0, 0, 0};
        for (int c = 0; c < channels; ++c) {
          sample[c] = row[(x * channels + c) * sample_bytes];  // big-endian: the high byte first
        }
        if (channels == 1) sample[1] = sample[2] = sample[0];
        pixel = sample[0] << 16 | sample[1] << 8 | sample[2];
      }
      picture.pixels.push_back(pixel);
    }
  }
  return picture;
}

int RunCommand(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double Psnr(const Picture& a, const Picture& b) {
  if (a.width != b.width || a.height != b.height || a.pixels.size() != b.pixels.size()) return 0;
  double sum = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i) {
    for (int shift = 0; shift <= 16; shift += 8) {
      const double d = static_cast<double>(a.pixels[i] >> shift & 0xFF) - static_cast<double>(b.pixels[i] >> shift & 0xFF);
      sum += d * d;
    }
  }
  const double mse = sum / (3.0 * static_cast<double>(a.pixels.size()));
  return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

namespace {

LRESULT CollectorProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  static const UINT notify = RegisterWindowMessage(kAcquireNotifyMessageName);
  if (message == notify && Collector::current != nullptr) {
    Collector::Callback(0, reinterpret_cast<AcquireNotifyRecord*>(lparam));
    return 0;
  }
  return DefWindowProc(hwnd, message, wparam, lparam);
}

}  // namespace

Collector::Collector() { current = this; }

Collector::~Collector() {
  if (window_ != nullptr) DestroyWindow(window_);
  current = nullptr;
}

int32_t Collector::Callback(uint16_t id, AcquireNotifyRecord* record) {
  Collector* self = current;
  if (self == nullptr) return 0;
  Delivery delivery;
  delivery.record = *record;
  delivery.id = id;
  if (record->status == kAcquireStatusImage) delivery.picture = DecodePackedBitmap(record->image);
  self->deliveries.push_back(delivery);
  if (self->during) self->during(self->deliveries.back());
  return 0;
}

HWND Collector::MakeWindow() {
  static const bool registered = [] {
    WNDCLASSEX wc;
    wc.lpfnWndProc = CollectorProc;
    wc.lpszClassName = "AcquireCollector";
    return RegisterClassEx(&wc) != 0;
  }();
  EXPECT_TRUE(registered);
  window_ = CreateWindowEx(0, "AcquireCollector", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  return window_;
}

void UseSaneConfig(const std::vector<std::string>& lines, bool has_test_backend) {
  const std::string folder = std::string(ACQUIRE_TEST_BINARY_DIR) + "/sane-" + program_invocation_short_name;
  RunCommand("mkdir -p '" + folder + "'");
  const std::string base = plat::test::SaneTestConfigDir();
  plat::test::WriteFileBytes(folder + "/dll.conf", has_test_backend ? plat::test::ReadFileBytes(base + "/dll.conf") : "");
  std::string conf = plat::test::ReadFileBytes(base + "/test.conf");
  for (const std::string& line : lines) conf += line + "\n";
  plat::test::WriteFileBytes(folder + "/test.conf", conf);
  ::setenv("SANE_CONFIG_DIR", folder.c_str(), 1);
}

}  // namespace plat::acquire::test
