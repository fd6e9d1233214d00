// Neighbourhood operators against OpenCV on one thread, on an A4 page at 300
// dpi (2480 x 3508 grey): 3 x 3 and 15 x 15 convolution, median of radius 1
// and 7, a Sobel gradient, and one dyadic operation. Each pair does the same
// work; the outputs are compared once before timing. Both sides reuse their
// outputs: each runs once before its timed loop (ours for the comparison,
// OpenCV to make and touch its output and intermediate matrices), so no
// timed call allocates or first-touches a page of output on either side.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/object.h"
#include "core/operators/neighbourhood/convolution.h"
#include "core/operators/neighbourhood/dyadic.h"
#include "core/operators/neighbourhood/gradient_filter.h"
#include "core/operators/neighbourhood/rank_filter.h"
#include "core/streams/stream.h"
#include "core/system/system.h"

namespace {

constexpr int kWidth = 2480;
constexpr int kHeight = 3508;
constexpr int32_t kMirror = 165;

// A scanned-looking page: paper with noise, lines of dark text strokes and a
// photograph with smooth shading.
const std::vector<uint8_t>& Page(uint32_t seed = 1) {
  static std::vector<uint8_t> pages[2];
  std::vector<uint8_t>& page = pages[seed & 1];
  if (!page.empty()) return page;
  page.resize(static_cast<size_t>(kWidth) * kHeight);
  std::mt19937 random(seed);
  for (uint8_t& p : page) p = static_cast<uint8_t>(232 + random() % 20);
  for (int line = 0; line < 90; ++line) {
    const int y0 = 300 + line * 32;
    for (int x0 = 250; x0 < kWidth - 250; x0 += 14 + static_cast<int>(random() % 8)) {
      const int w = 3 + static_cast<int>(random() % 9);
      const int h = 12 + static_cast<int>(random() % 10);
      for (int y = y0; y < y0 + h && y < kHeight; ++y) {
        for (int x = x0; x < x0 + w; ++x) {
          page[static_cast<size_t>(y) * kWidth + x] = static_cast<uint8_t>(10 + random() % 40);
        }
      }
    }
  }
  for (int y = 3200; y < 3450; ++y) {
    for (int x = 300; x < 1800; ++x) {
      page[static_cast<size_t>(y) * kWidth + x] = static_cast<uint8_t>((x * 7 + y * 3) / 20 % 200 + random() % 16);
    }
  }
  return page;
}

// A context with the mirror boundary, and images over caller memory.
class Context {
 public:
  Context() : sys_(IpiOpenSystem(nullptr)) {
    const IpiAttribute boundary{"boundaryCondition", kMirror};
    (void)IpiSetSystemAttributes(sys_, &boundary, 1);
  }
  ~Context() { (void)IpiCloseSystem(sys_); }
  IpiSystem* sys() const { return sys_; }

  IpiObject* Image(uint8_t* memory, int width, int height) {
    const IpiAttribute list[] = {{"xDimension", width},
                                 {"yDimension", height},
                                 {"repository", kRepositoryCallerMemory},
                                 {"applicationAddressSpace", reinterpret_cast<intptr_t>(memory)},
                                 {"size", static_cast<intptr_t>(width) * height},
                                 {"inited", 1}};
    return IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, list, 6);
  }
  IpiObject* Kernel(int width, int height, const std::vector<int16_t>& weights, int32_t scale) {
    const IpiAttribute list[] = {{"xDimension", width}, {"yDimension", height}, {"dataType", kDataTypeSigned},
                                 {"dataPrecision", 16}, {"scaleFactor", scale}, {"repository", kRepositoryGlobalBlock}};
    IpiObject* kernel = IpiCreateObject(sys_, nullptr, &kImpulseResponseArrayClass, nullptr, list, 6);
    IpiStream* s = IpiOpenStream(sys_, kernel, "w", 0);
    (void)IpiWriteBytes(sys_, s, 0, weights.data(), static_cast<int64_t>(weights.size() * 2));
    (void)IpiCloseStream(sys_, s);
    return kernel;
  }
  IpiObject* Mask(int side) {
    const IpiAttribute list[] = {{"xDimension", side}, {"yDimension", side}, {"repository", kRepositoryGlobalBlock}};
    IpiObject* mask = IpiCreateObject(sys_, nullptr, &kMaskArrayClass, nullptr, list, 3);
    (void)IpiFillMask(sys_, mask);
    return mask;
  }

 private:
  IpiSystem* sys_;
};

// The largest difference between two results, over the elements at least
// `margin` from every edge.
int MaxDifference(const std::vector<uint8_t>& a, const cv::Mat& b, int margin) {
  int worst = 0;
  for (int y = margin; y < kHeight - margin; ++y) {
    const uint8_t* row = b.ptr<uint8_t>(y);
    for (int x = margin; x < kWidth - margin; ++x) {
      worst = std::max(worst, std::abs(int{a[static_cast<size_t>(y) * kWidth + x]} - int{row[x]}));
    }
  }
  return worst;
}

void Report(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() * int64_t{kWidth} * kHeight);
  state.SetBytesProcessed(state.iterations() * int64_t{kWidth} * kHeight);
}

cv::Mat PageMat() { return cv::Mat(kHeight, kWidth, CV_8UC1, const_cast<uint8_t*>(Page().data())); }

// Times an OpenCV peer after one untimed call, which makes the matrices it
// writes; every timed call then writes into them again.
template <typename Work>
void TimePeer(benchmark::State& state, Work work) {
  cv::setNumThreads(1);
  work();
  for (auto _ : state) work();
  Report(state);
}

// The OpenCV results the pairs are checked against.
cv::Mat OpenCvBox(int side) {
  cv::Mat out;
  const cv::Mat kernel = cv::Mat::ones(side, side, CV_32F) / static_cast<float>(side * side);
  cv::filter2D(PageMat(), out, CV_8U, kernel, cv::Point(-1, -1), 0, cv::BORDER_REFLECT);
  return out;
}

cv::Mat OpenCvSobel() {
  cv::Mat gx, gy, ax, ay, out;
  cv::Sobel(PageMat(), gx, CV_16S, 1, 0, 3, 1, 0, cv::BORDER_REFLECT);
  cv::Sobel(PageMat(), gy, CV_16S, 0, 1, 3, 1, 0, cv::BORDER_REFLECT);
  cv::convertScaleAbs(gx, ax);
  cv::convertScaleAbs(gy, ay);
  cv::add(ax, ay, out);
  return out;
}

// --- convolution ---------------------------------------------------------------------

// A box of side x side ones divided by its cell count (odd, so no sum lies
// half-way between two results and both libraries round alike).
void Convolve_ours(benchmark::State& state, int side, int tolerance) {
  Context context;
  std::vector<uint8_t> in = Page();
  std::vector<uint8_t> out(in.size());
  IpiObject* source = context.Image(in.data(), kWidth, kHeight);
  IpiObject* destination = context.Image(out.data(), kWidth, kHeight);
  const std::vector<int16_t> ones(static_cast<size_t>(side * side), 1);
  IpiObject* kernel = context.Kernel(side, side, ones, side * side);
  if (IpiConvolve(context.sys(), source, destination, kernel) != 0) return state.SkipWithError("convolve failed");
  const int difference = MaxDifference(out, OpenCvBox(side), 0);
  if (difference > tolerance) return state.SkipWithError(("results differ by " + std::to_string(difference)).c_str());
  for (auto _ : state) benchmark::DoNotOptimize(IpiConvolve(context.sys(), source, destination, kernel));
  Report(state);
}

void Convolve_opencv(benchmark::State& state, int side) {
  const cv::Mat page = PageMat();
  const cv::Mat kernel = cv::Mat::ones(side, side, CV_32F) / static_cast<float>(side * side);
  cv::Mat out;
  TimePeer(state, [&] {
    cv::filter2D(page, out, CV_8U, kernel, cv::Point(-1, -1), 0, cv::BORDER_REFLECT);
    benchmark::DoNotOptimize(out.data);
  });
}

void BM_Convolve3x3_ours(benchmark::State& state) { Convolve_ours(state, 3, 0); }
void BM_Convolve3x3_opencv(benchmark::State& state) { Convolve_opencv(state, 3); }
// OpenCV takes a 15 x 15 kernel through a transform in floats: a result may
// land one step from the exact one.
void BM_Convolve15x15_ours(benchmark::State& state) { Convolve_ours(state, 15, 1); }
void BM_Convolve15x15_opencv(benchmark::State& state) { Convolve_opencv(state, 15); }

// --- median ----------------------------------------------------------------------------

// OpenCV's median repeats the edge sample where ours mirrors: the two agree
// wherever the window stays inside or reaches one sample past the edge.
void Median_ours(benchmark::State& state, int radius) {
  Context context;
  std::vector<uint8_t> in = Page();
  std::vector<uint8_t> out(in.size());
  IpiObject* source = context.Image(in.data(), kWidth, kHeight);
  IpiObject* destination = context.Image(out.data(), kWidth, kHeight);
  IpiObject* mask = context.Mask(2 * radius + 1);
  if (IpiMedianFilter(context.sys(), source, destination, mask) != 0) return state.SkipWithError("median failed");
  cv::Mat peer;
  cv::medianBlur(PageMat(), peer, 2 * radius + 1);
  if (MaxDifference(out, peer, radius > 1 ? radius : 0) != 0) return state.SkipWithError("results differ");
  for (auto _ : state) benchmark::DoNotOptimize(IpiMedianFilter(context.sys(), source, destination, mask));
  Report(state);
}

void Median_opencv(benchmark::State& state, int radius) {
  const cv::Mat page = PageMat();
  cv::Mat out;
  TimePeer(state, [&] {
    cv::medianBlur(page, out, 2 * radius + 1);
    benchmark::DoNotOptimize(out.data);
  });
}

void BM_MedianRadius1_ours(benchmark::State& state) { Median_ours(state, 1); }
void BM_MedianRadius1_opencv(benchmark::State& state) { Median_opencv(state, 1); }
void BM_MedianRadius7_ours(benchmark::State& state) { Median_ours(state, 7); }
void BM_MedianRadius7_opencv(benchmark::State& state) { Median_opencv(state, 7); }

// --- gradient ----------------------------------------------------------------------------

// Sobel kernels with scale 1 and |gx| + |gy| saturated at 255.
void BM_SobelGradient_ours(benchmark::State& state) {
  Context context;
  std::vector<uint8_t> in = Page();
  std::vector<uint8_t> out(in.size());
  IpiObject* source = context.Image(in.data(), kWidth, kHeight);
  IpiObject* destination = context.Image(out.data(), kWidth, kHeight);
  IpiObject* gx = context.Kernel(3, 3, {-1, 0, 1, -2, 0, 2, -1, 0, 1}, 1);
  IpiObject* gy = context.Kernel(3, 3, {-1, -2, -1, 0, 0, 0, 1, 2, 1}, 1);
  auto run = [&] { return IpiGradientFilter(context.sys(), source, destination, gx, gy, kGradientSumOfMagnitudes); };
  if (run() != 0) return state.SkipWithError("gradient failed");
  if (MaxDifference(out, OpenCvSobel(), 0) != 0) return state.SkipWithError("results differ");
  for (auto _ : state) benchmark::DoNotOptimize(run());
  Report(state);
}

void BM_SobelGradient_opencv(benchmark::State& state) {
  const cv::Mat page = PageMat();
  cv::Mat gx, gy, ax, ay, out;
  TimePeer(state, [&] {
    cv::Sobel(page, gx, CV_16S, 1, 0, 3, 1, 0, cv::BORDER_REFLECT);
    cv::Sobel(page, gy, CV_16S, 0, 1, 3, 1, 0, cv::BORDER_REFLECT);
    cv::convertScaleAbs(gx, ax);
    cv::convertScaleAbs(gy, ay);
    cv::add(ax, ay, out);
    benchmark::DoNotOptimize(out.data);
  });
}

// --- dyadic ------------------------------------------------------------------------------

void BM_AbsoluteDifference_ours(benchmark::State& state) {
  Context context;
  std::vector<uint8_t> a = Page(1);
  std::vector<uint8_t> b = Page(2);
  std::vector<uint8_t> out(a.size());
  IpiObject* first = context.Image(a.data(), kWidth, kHeight);
  IpiObject* second = context.Image(b.data(), kWidth, kHeight);
  IpiObject* destination = context.Image(out.data(), kWidth, kHeight);
  auto run = [&] { return IpiCalculate(context.sys(), first, second, destination, kCalculateAbsoluteDifference); };
  if (run() != 0) return state.SkipWithError("calculate failed");
  cv::Mat peer;
  cv::absdiff(cv::Mat(kHeight, kWidth, CV_8UC1, a.data()), cv::Mat(kHeight, kWidth, CV_8UC1, b.data()), peer);
  if (MaxDifference(out, peer, 0) != 0) return state.SkipWithError("results differ");
  for (auto _ : state) benchmark::DoNotOptimize(run());
  Report(state);
}

void BM_AbsoluteDifference_opencv(benchmark::State& state) {
  const cv::Mat a(kHeight, kWidth, CV_8UC1, const_cast<uint8_t*>(Page(1).data()));
  const cv::Mat b(kHeight, kWidth, CV_8UC1, const_cast<uint8_t*>(Page(2).data()));
  cv::Mat out;
  TimePeer(state, [&] {
    cv::absdiff(a, b, out);
    benchmark::DoNotOptimize(out.data);
  });
}

BENCHMARK(BM_Convolve3x3_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Convolve3x3_opencv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Convolve15x15_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Convolve15x15_opencv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MedianRadius1_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MedianRadius1_opencv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MedianRadius7_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MedianRadius7_opencv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SobelGradient_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SobelGradient_opencv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AbsoluteDifference_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AbsoluteDifference_opencv)->Unit(benchmark::kMillisecond);

}  // namespace
