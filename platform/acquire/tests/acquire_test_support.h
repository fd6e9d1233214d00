// What the acquisition tests share: pictures decoded from our packed bitmaps
// and from the oracles' files, the notifications a run delivered, and SANE
// test configurations written for one test.
#ifndef PLATFORM_ACQUIRE_TESTS_ACQUIRE_TEST_SUPPORT_H_
#define PLATFORM_ACQUIRE_TESTS_ACQUIRE_TEST_SUPPORT_H_

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "plat/acquire/acquire_notify.h"
#include "plat/types.h"

namespace plat::acquire::test {

// Pixels as 0x00RRGGBB, top-down.
struct Picture {
  int width = 0;
  int height = 0;
  int bit_count = 0;  // of the packed bitmap it came from (0 for other sources)
  int32_t x_ppm = 0;
  int32_t y_ppm = 0;
  std::vector<uint32_t> pixels;
  bool operator==(const Picture& other) const {
    return width == other.width && height == other.height && pixels == other.pixels;
  }
};

// A packed bitmap of 1, 8 or 24 bits (asserts on anything else).
Picture DecodePackedBitmap(HGLOBAL block);
// A PBM, PGM or PPM file (binary); 16-bit samples are cut to their high byte,
// PBM's 1 is black. An empty picture when the file cannot be read. scanimage
// writes the device's padding pixels of each line too: `padding_px` skips them.
Picture ReadPnm(const std::string& path, int padding_px = 0);
// Runs a command through the shell; its exit status.
int RunCommand(const std::string& command);
// Peak signal-to-noise ratio over the three channels, in dB.
double Psnr(const Picture& a, const Picture& b);

// One delivered notification: the record and, for status 1, its picture.
struct Delivery {
  AcquireNotifyRecord record;
  Picture picture;
  uint16_t id = 0;
};

// Collects what is delivered by callback (mode 2) and by window message
// (mode 1, to a window made by MakeWindow); `during` runs inside each
// notification after it was recorded.
class Collector {
 public:
  Collector();
  ~Collector();
  static int32_t Callback(uint16_t id, AcquireNotifyRecord* record);
  HWND MakeWindow();
  std::vector<Delivery> deliveries;
  std::function<void(const Delivery&)> during;
  static Collector* current;

 private:
  HWND window_ = nullptr;
};

// SANE reads SANE_CONFIG_DIR once per process, so a test program that needs
// several configurations rewrites one folder of its own (in the build tree):
// the project's test.conf plus `lines` (later keys win); without the test
// backend no device is configured at all. Takes effect at the next sane_init.
void UseSaneConfig(const std::vector<std::string>& lines, bool has_test_backend = true);

}  // namespace plat::acquire::test

#endif  // PLATFORM_ACQUIRE_TESTS_ACQUIRE_TEST_SUPPORT_H_
