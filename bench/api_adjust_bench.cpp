// Hue and saturation of an A4 colour page at 300 dpi (2480 x 3508, 24 bits)
// through the entry point, beside OpenCV's HSV round trip on the same
// interleaved rows, one thread each. The entry point's time includes what a
// caller pays: checking and importing the packed bitmap, the operator, and
// exporting a new handle (`api`); the operator alone on planes (`ours`)
// shows that share. The peer does the same change in the same colour model
// with OpenCV's whole-image primitives, writing a new handle's rows; its
// result is checked once against the entry point's.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "Pelrith.h"
#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/object.h"
#include "core/operators/colour/hue_saturation.h"
#include "core/system/system.h"
#include "opencv_hue_saturation.h"

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

void BM_HueSaturationPage_api(benchmark::State& state) {
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
void BM_HueSaturationPage_ours(benchmark::State& state) {
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

// The page's rows as a matrix of blue, green, red.
cv::Mat Rows(uint8_t* dib) { return cv::Mat(kHeight, kWidth, CV_8UC3, dib + 40, kRowBytes); }

// A new handle with the page's header, its rows changed from the page's.
HGLOBAL PeerHueSaturation(HGLOBAL source) {
  HGLOBAL result = GlobalAlloc(GHND, GlobalSize(source));
  auto* in = static_cast<uint8_t*>(GlobalLock(source));
  auto* out = static_cast<uint8_t*>(GlobalLock(result));
  std::memcpy(out, in, 40);
  cv::Mat rows = Rows(out);
  OpenCvHueSaturation(Rows(in), rows, kHue, kSaturation, /*is_bgr=*/true);
  GlobalUnlock(result);
  GlobalUnlock(source);
  return result;
}

void BM_HueSaturationPage_opencv(benchmark::State& state) {
  cv::setNumThreads(1);
  const HGLOBAL source = PageHandle();
  int32_t status = 0;
  const HGLOBAL ours = CmiHueSaturation(source, kCmiModeRgb, kHue, kSaturation, kLightness, nullptr, 0, &status);
  const HGLOBAL peer = PeerHueSaturation(source);
  double share = 1;
  if (ours != 0) {
    cv::Mat difference;
    cv::absdiff(Rows(static_cast<uint8_t*>(GlobalLock(ours))), Rows(static_cast<uint8_t*>(GlobalLock(peer))),
                difference);
    share = cv::countNonZero(difference.reshape(1) > 2) / (3.0 * kPixels);
    GlobalUnlock(ours);
    GlobalUnlock(peer);
    GlobalFree(ours);
  }
  GlobalFree(peer);
  if (share > 0.001) {
    GlobalFree(source);
    return state.SkipWithError(("OpenCV's result differs from ours: " + std::to_string(share)).c_str());
  }
  for (auto _ : state) {
    HGLOBAL result = PeerHueSaturation(source);
    benchmark::DoNotOptimize(result);
    GlobalFree(result);
  }
  GlobalFree(source);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kPixels));
}

}  // namespace

BENCHMARK(BM_HueSaturationPage_api)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HueSaturationPage_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HueSaturationPage_opencv)->Unit(benchmark::kMillisecond);
