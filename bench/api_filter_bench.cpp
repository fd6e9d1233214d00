// The median and blur entry points against OpenCV on one thread, on an A4
// page at 300 dpi (2480 x 3508) as a packed bitmap: grey for the median of
// radius 1 and 7 and the 3 x 3 blur, RGB for the blur. The entry point
// (`api`) runs the whole call (checks, filter from the caller's rows into a
// new handle); the peer makes a new handle of the same size, copies the
// header and filters the rows into it. Neither side has its new handle
// zeroed: both write every byte of it. For the median the operator alone
// (`ours`) filters the same page held in memory made once. The outputs are
// compared once before timing.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "Pelrith.h"
#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/object.h"
#include "core/operators/neighbourhood/neighbourhood_window.h"
#include "core/operators/neighbourhood/rank_filter.h"
#include "core/system/system.h"

namespace {

constexpr int32_t kWidth = 2480;
constexpr int32_t kHeight = 3508;
constexpr uint32_t kInfoHeaderBytes = 40;

int64_t RowBytes(int32_t bits) { return (int64_t{kWidth} * bits + 31) / 32 * 4; }
uint32_t PaletteBytes(int32_t bits) { return bits == 8 ? 256 * 4 : 0; }

void PutU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// A scanned-looking page: noisy paper, lines of dark strokes and a shaded
// photograph; grey (8 bits with a grey ramp) or RGB (24 bits).
HGLOBAL MakePage(int32_t bits) {
  const int64_t row_bytes = RowBytes(bits);
  const uint32_t palette_bytes = PaletteBytes(bits);
  const size_t size = kInfoHeaderBytes + palette_bytes + static_cast<size_t>(row_bytes) * kHeight;
  HGLOBAL handle = GlobalAlloc(GHND, size);
  auto* p = static_cast<uint8_t*>(GlobalLock(handle));
  PutU32(p, kInfoHeaderBytes);
  PutU32(p + 4, kWidth);
  PutU32(p + 8, kHeight);
  p[12] = 1;
  p[14] = static_cast<uint8_t>(bits);
  PutU32(p + 20, static_cast<uint32_t>(row_bytes * kHeight));
  for (uint32_t i = 0; i < palette_bytes / 4; ++i) {
    uint8_t* entry = p + kInfoHeaderBytes + 4 * i;
    entry[0] = entry[1] = entry[2] = static_cast<uint8_t>(i);
  }
  std::mt19937 random(7);
  const int samples = bits / 8;
  std::vector<uint8_t> row(static_cast<size_t>(kWidth));
  for (int32_t y = 0; y < kHeight; ++y) {
    const bool text_line = y > 300 && y < 3100 && (y / 16) % 2 == 0;
    for (int32_t x = 0; x < kWidth; ++x) {
      uint8_t v = static_cast<uint8_t>(232 + random() % 20);
      if (text_line && x > 250 && x < kWidth - 250 && (x / 7 + y / 16) % 3 == 0)
        v = static_cast<uint8_t>(20 + random() % 40);
      if (y >= 3200 && y < 3450 && x >= 300 && x < 1800)
        v = static_cast<uint8_t>((x * 7 + y * 3) / 20 % 200 + random() % 16);
      row[static_cast<size_t>(x)] = v;
    }
    uint8_t* out = p + kInfoHeaderBytes + palette_bytes + static_cast<size_t>(kHeight - 1 - y) * row_bytes;
    for (int32_t x = 0; x < kWidth; ++x) {
      for (int s = 0; s < samples; ++s)
        out[x * samples + s] = static_cast<uint8_t>(row[static_cast<size_t>(x)] - s * 9);
    }
  }
  GlobalUnlock(handle);
  return handle;
}

// The rows of a handle as a matrix (bottom-up order does not matter to a
// symmetric filter).
cv::Mat Rows(uint8_t* dib, int32_t bits) {
  return cv::Mat(kHeight, kWidth, bits == 24 ? CV_8UC3 : CV_8UC1, dib + kInfoHeaderBytes + PaletteBytes(bits),
                 static_cast<size_t>(RowBytes(bits)));
}

enum class Work { kMedian1, kMedian7, kBlur };

HGLOBAL Ours(HGLOBAL page, int32_t bits, Work work, int32_t* status) {
  const int32_t mode = bits == 24 ? kCmiModeRgb : kCmiModeGrayscale;
  switch (work) {
    case Work::kMedian1: return CmiMedian(page, mode, 1, nullptr, 0, status);
    case Work::kMedian7: return CmiMedian(page, mode, 7, nullptr, 0, status);
    case Work::kBlur: return CmiBlur(page, mode, nullptr, 0, status);
  }
  return 0;
}

// The peer's call: a new handle with the page's header and palette, the
// filter from the page's rows into its rows.
HGLOBAL Peer(HGLOBAL page, int32_t bits, Work work) {
  const size_t size = GlobalSize(page);
  HGLOBAL result = GlobalAlloc(GMEM_MOVEABLE, size);
  auto* in = static_cast<uint8_t*>(GlobalLock(page));
  auto* out = static_cast<uint8_t*>(GlobalLock(result));
  std::memcpy(out, in, kInfoHeaderBytes + PaletteBytes(bits));
  cv::Mat source = Rows(in, bits);
  cv::Mat destination = Rows(out, bits);
  switch (work) {
    case Work::kMedian1: cv::medianBlur(source, destination, 3); break;
    case Work::kMedian7: cv::medianBlur(source, destination, 15); break;
    case Work::kBlur: cv::blur(source, destination, cv::Size(3, 3), cv::Point(-1, -1), cv::BORDER_REFLECT); break;
  }
  GlobalUnlock(result);
  GlobalUnlock(page);
  return result;
}

// The largest difference between the two results' rows, over the elements
// at least `margin` from every edge (OpenCV's median repeats the edge sample
// where ours mirrors: the two agree up to one sample past the edge).
int MaxDifference(HGLOBAL a, HGLOBAL b, int32_t bits, int margin) {
  auto* pa = static_cast<uint8_t*>(GlobalLock(a));
  auto* pb = static_cast<uint8_t*>(GlobalLock(b));
  const cv::Mat ma = Rows(pa, bits);
  const cv::Mat mb = Rows(pb, bits);
  const int samples = bits / 8;
  int worst = 0;
  for (int y = margin; y < kHeight - margin; ++y) {
    for (int x = margin * samples; x < (kWidth - margin) * samples; ++x) {
      worst = std::max(worst, std::abs(int{ma.ptr<uint8_t>(y)[x]} - int{mb.ptr<uint8_t>(y)[x]}));
    }
  }
  GlobalUnlock(a);
  GlobalUnlock(b);
  return worst;
}

void Report(benchmark::State& state) { state.SetItemsProcessed(state.iterations() * int64_t{kWidth} * kHeight); }

void Run_api(benchmark::State& state, int32_t bits, Work work) {
  HGLOBAL page = MakePage(bits);
  int32_t status = 0;
  HGLOBAL ours = Ours(page, bits, work, &status);
  if (ours == 0) {
    GlobalFree(page);
    return state.SkipWithError(("entry point failed: " + std::to_string(status)).c_str());
  }
  cv::setNumThreads(1);
  HGLOBAL peer = Peer(page, bits, work);
  const int difference = MaxDifference(ours, peer, bits, work == Work::kMedian7 ? 7 : 0);
  GlobalFree(ours);
  GlobalFree(peer);
  if (difference != 0) {
    GlobalFree(page);
    return state.SkipWithError(("results differ by " + std::to_string(difference)).c_str());
  }
  for (auto _ : state) {
    HGLOBAL result = Ours(page, bits, work, &status);
    benchmark::DoNotOptimize(result);
    GlobalFree(result);
  }
  GlobalFree(page);
  Report(state);
}

// The median operator alone on the grey page's samples, top row first, with
// the entry point's mirrored boundary; its result is checked against the
// entry point's once.
void Run_operator(benchmark::State& state, int32_t radius) {
  HGLOBAL page = MakePage(8);
  std::vector<uint8_t> in(static_cast<size_t>(kWidth) * kHeight), out(in.size());
  auto* dib = static_cast<uint8_t*>(GlobalLock(page));
  const cv::Mat rows = Rows(dib, 8);
  for (int y = 0; y < kHeight; ++y) std::memcpy(&in[static_cast<size_t>(y) * kWidth], rows.ptr(kHeight - 1 - y), kWidth);
  GlobalUnlock(page);
  IpiSystem* sys = IpiOpenSystem(nullptr);
  const IpiAttribute mirror{"boundaryCondition", kBoundaryMirror};
  (void)IpiSetSystemAttributes(sys, &mirror, 1);
  auto image = [&](std::vector<uint8_t>& data) {
    const IpiAttribute list[] = {{"xDimension", kWidth},
                                 {"yDimension", kHeight},
                                 {"repository", kRepositoryCallerMemory},
                                 {"applicationAddressSpace", reinterpret_cast<intptr_t>(data.data())},
                                 {"size", static_cast<intptr_t>(data.size())},
                                 {"inited", 1}};
    return IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, list, 6);
  };
  IpiObject* source = image(in);
  IpiObject* destination = image(out);
  const int32_t side = 2 * radius + 1;
  const IpiAttribute mask_shape[] = {{"xDimension", side}, {"yDimension", side}, {"repository", kRepositoryGlobalBlock}};
  IpiObject* mask = IpiCreateObject(sys, nullptr, &kMaskArrayClass, nullptr, mask_shape, 3);
  std::string error;
  if (mask == nullptr || IpiFillMask(sys, mask) != 0 || IpiMedianFilter(sys, source, destination, mask) != 0) {
    error = "operator failed";
  }
  int32_t status = 0;
  HGLOBAL api = error.empty() ? Ours(page, 8, radius == 1 ? Work::kMedian1 : Work::kMedian7, &status) : 0;
  if (error.empty() && api == 0) error = "entry point failed";
  if (api != 0) {
    const cv::Mat result = Rows(static_cast<uint8_t*>(GlobalLock(api)), 8);
    for (int y = 0; y < kHeight && error.empty(); ++y) {
      if (std::memcmp(&out[static_cast<size_t>(y) * kWidth], result.ptr(kHeight - 1 - y), kWidth) != 0) {
        error = "the operator's result differs from the entry point's";
      }
    }
    GlobalUnlock(api);
    GlobalFree(api);
  }
  GlobalFree(page);
  if (!error.empty()) {
    (void)IpiCloseSystem(sys);
    return state.SkipWithError(error.c_str());
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(IpiMedianFilter(sys, source, destination, mask));
  }
  (void)IpiCloseSystem(sys);
  Report(state);
}

void Run_opencv(benchmark::State& state, int32_t bits, Work work) {
  cv::setNumThreads(1);
  HGLOBAL page = MakePage(bits);
  for (auto _ : state) {
    HGLOBAL result = Peer(page, bits, work);
    benchmark::DoNotOptimize(result);
    GlobalFree(result);
  }
  GlobalFree(page);
  Report(state);
}

void BM_ApiMedian1Grey_api(benchmark::State& state) { Run_api(state, 8, Work::kMedian1); }
void BM_ApiMedian1Grey_ours(benchmark::State& state) { Run_operator(state, 1); }
void BM_ApiMedian1Grey_opencv(benchmark::State& state) { Run_opencv(state, 8, Work::kMedian1); }
void BM_ApiMedian7Grey_api(benchmark::State& state) { Run_api(state, 8, Work::kMedian7); }
void BM_ApiMedian7Grey_ours(benchmark::State& state) { Run_operator(state, 7); }
void BM_ApiMedian7Grey_opencv(benchmark::State& state) { Run_opencv(state, 8, Work::kMedian7); }
void BM_ApiBlurGrey_api(benchmark::State& state) { Run_api(state, 8, Work::kBlur); }
void BM_ApiBlurGrey_opencv(benchmark::State& state) { Run_opencv(state, 8, Work::kBlur); }
void BM_ApiBlurRgb_api(benchmark::State& state) { Run_api(state, 24, Work::kBlur); }
void BM_ApiBlurRgb_opencv(benchmark::State& state) { Run_opencv(state, 24, Work::kBlur); }

BENCHMARK(BM_ApiMedian1Grey_api)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiMedian1Grey_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiMedian1Grey_opencv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiMedian7Grey_api)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiMedian7Grey_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiMedian7Grey_opencv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiBlurGrey_api)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiBlurGrey_opencv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiBlurRgb_api)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiBlurRgb_opencv)->Unit(benchmark::kMillisecond);

}  // namespace
