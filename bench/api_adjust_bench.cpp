// Hue and saturation of an A4 colour page at 300 dpi (2480 x 3508, 24 bits)
// through the entry point, beside OpenCV's HSV round trip on the same
// interleaved rows, one thread each. The entry point's time includes what a
// caller pays: checking and importing the packed bitmap, the operator, and
// exporting a new handle; the operator alone on planes shows that share.
// The colour models differ (an opponent-colour model against HSV), so only
// the times compare; both outputs are checked once to have changed the page.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "Pelrith.h"
#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/object.h"
#include "core/operators/colour/hue_saturation.h"
#include "core/system/system.h"

namespace {

constexpr int kWidth = 2480;
constexpr int kHeight = 3508;
constexpr size_t kPixels = static_cast<size_t>(kWidth) * kHeight;
constexpr size_t kRowBytes = (3 * kWidth + 3) / 4 * 4;
constexpr int32_t kHue = 30;
constexpr int32_t kSaturation = 20;
constexpr int32_t kLightness = 0;

// Interleaved blue, green, red rows, top row first: a tinted paper with dark
// text strokes and a photograph of smooth colour fields with noise.
const std::vector<uint8_t>& ColourPageBgr() {
  static std::vector<uint8_t> page;
  if (!page.empty()) return page;
  page.resize(3 * kPixels);
  std::mt19937 random(2);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      int grey = 232 + static_cast<int>(random() % 20);
      const bool in_text = y >= 300 && y < 2220 && (y - 300) % 32 < 16 && x >= 250 && x < kWidth - 250 &&
                           (x / 14 + y / 32) % 3 != 0 && x % 14 < 8;
      if (in_text) grey = 10 + static_cast<int>(random() % 40);
      int rgb[3] = {grey, grey * 9 / 10 + 10, grey * 8 / 10 + 20};
      if (y >= 2300 && y < 3400 && x >= 300 && x < 2200) {
        rgb[0] = static_cast<int>(128 + 110 * std::sin(x / 210.0));
        rgb[1] = static_cast<int>(128 + 110 * std::cos(y / 160.0));
        rgb[2] = static_cast<int>(128 + 110 * std::sin((x + y) / 300.0));
        for (int& c : rgb) c = std::clamp(c + static_cast<int>(random() % 9) - 4, 0, 255);
      }
      uint8_t* p = &page[3 * (static_cast<size_t>(y) * kWidth + x)];
      p[0] = static_cast<uint8_t>(rgb[2]);
      p[1] = static_cast<uint8_t>(rgb[1]);
      p[2] = static_cast<uint8_t>(rgb[0]);
    }
  }
  return page;
}

void PutU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// The page as a 24-bit packed bitmap (bottom-up rows).
HGLOBAL PageHandle() {
  const std::vector<uint8_t>& page = ColourPageBgr();
  HGLOBAL handle = GlobalAlloc(GHND, 40 + kRowBytes * kHeight);
  auto* p = static_cast<uint8_t*>(GlobalLock(handle));
  PutU32(p, 40);
  PutU32(p + 4, kWidth);
  PutU32(p + 8, kHeight);
  p[12] = 1;
  p[14] = 24;
  for (int y = 0; y < kHeight; ++y) {
    std::memcpy(p + 40 + kRowBytes * (kHeight - 1 - y), &page[3 * static_cast<size_t>(y) * kWidth], 3 * kWidth);
  }
  GlobalUnlock(handle);
  return handle;
}

bool HandleDiffersFrom(HGLOBAL a, HGLOBAL b) {
  const void* pa = GlobalLock(a);
  const void* pb = GlobalLock(b);
  const bool differs = GlobalSize(a) != GlobalSize(b) || std::memcmp(pa, pb, GlobalSize(a)) != 0;
  GlobalUnlock(a);
  GlobalUnlock(b);
  return differs;
}

void BM_HueSaturationPage_ours(benchmark::State& state) {
  const HGLOBAL source = PageHandle();
  int32_t status = 0;
  HGLOBAL first = CmiHueSaturation(source, kCmiModeRgb, kHue, kSaturation, kLightness, nullptr, 0, &status);
  if (status != 0 || first == 0 || !HandleDiffersFrom(source, first)) {
    if (first != 0) GlobalFree(first);
    GlobalFree(source);
    return state.SkipWithError("the entry point failed or changed nothing");
  }
  GlobalFree(first);
  for (auto _ : state) {
    HGLOBAL result = CmiHueSaturation(source, kCmiModeRgb, kHue, kSaturation, kLightness, nullptr, 0, &status);
    benchmark::DoNotOptimize(result);
    GlobalFree(result);
  }
  GlobalFree(source);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kPixels));
}

// The operator alone, on three planes in caller memory.
void BM_HueSaturationPage_operator(benchmark::State& state) {
  const std::vector<uint8_t>& page = ColourPageBgr();
  std::vector<uint8_t> planes(3 * kPixels), out(3 * kPixels);
  for (size_t i = 0; i < kPixels; ++i) {
    for (int k = 0; k < 3; ++k) planes[k * kPixels + i] = page[3 * i + 2 - k];
  }
  IpiSystem* sys = IpiOpenSystem(nullptr);
  const auto image = [&](uint8_t* memory) {
    const IpiAttribute list[] = {{"xDimension", kWidth},
                                 {"yDimension", kHeight},
                                 {"bDimension", 3},
                                 {"repository", kRepositoryCallerMemory},
                                 {"applicationAddressSpace", reinterpret_cast<intptr_t>(memory)},
                                 {"size", static_cast<intptr_t>(3 * kPixels)},
                                 {"inited", 1}};
    return IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, list, 7);
  };
  IpiObject* source = image(planes.data());
  IpiObject* destination = image(out.data());
  if (IpiHueSaturation(sys, source, destination, kHue, kSaturation, kLightness) != 0) {
    (void)IpiCloseSystem(sys);
    return state.SkipWithError("the operator failed");
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(IpiHueSaturation(sys, source, destination, kHue, kSaturation, kLightness));
  }
  (void)IpiCloseSystem(sys);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kPixels));
}

// Interleaved BGR to HSV, hue turned by 30 degrees and saturation raised by
// a fifth, and back into a new image: the nearest same-sized work OpenCV has.
void BM_HueSaturationPage_opencv(benchmark::State& state) {
  cv::setNumThreads(0);
  const cv::Mat bgr(kHeight, kWidth, CV_8UC3, const_cast<uint8_t*>(ColourPageBgr().data()));
  cv::Mat hsv, out;
  const auto run = [&] {
    cv::cvtColor(bgr, hsv, cv::COLOR_BGR2HSV);
    for (int y = 0; y < kHeight; ++y) {
      uint8_t* row = hsv.ptr<uint8_t>(y);
      for (int x = 0; x < kWidth; ++x) {
        row[3 * x] = static_cast<uint8_t>((row[3 * x] + kHue / 2) % 180);
        row[3 * x + 1] = static_cast<uint8_t>(std::min(255, row[3 * x + 1] * 6 / 5));
      }
    }
    out = cv::Mat();  // a new result each time, as the entry point makes one
    cv::cvtColor(hsv, out, cv::COLOR_HSV2BGR);
  };
  run();
  if (cv::norm(out, bgr, cv::NORM_L1) == 0) return state.SkipWithError("OpenCV changed nothing");
  for (auto _ : state) {
    run();
    benchmark::DoNotOptimize(out.data);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kPixels));
}

}  // namespace

BENCHMARK(BM_HueSaturationPage_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HueSaturationPage_operator)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HueSaturationPage_opencv)->Unit(benchmark::kMillisecond);
