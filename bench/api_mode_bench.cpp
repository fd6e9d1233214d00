// The colour-mode entry points on an A4 page at 300 dpi (2480 x 3508) beside
// OpenCV, one thread each: RGB to grey, grey to a bitmap by threshold, RGB
// to a bitmap by threshold and grey to RGB. The entry point (`api`) runs the
// whole call (checks, conversion of the caller's rows into a new handle).
// The converter alone (`ours`) converts the same page held as image objects
// in memory into a new image. The peer makes a new handle with the same
// header and table and converts the page's rows into it: grey by
// cv::transform with our Q15 luminance weights (exact in float, plus half a
// step so its rounding of halves matches ours), bitmaps by cv::threshold
// into a buffer made before the loop and packed eight samples to a byte, RGB
// by cv::cvtColor. Every side's result is compared with the entry point's
// once before timing.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "Pelrith.h"
#include "api/conversion/colour_conversion_blocks.h"
#include "api/frame/packed_bitmap.h"
#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/object.h"
#include "core/operators/colour/colour_conversion.h"
#include "core/system/system.h"
#include "packed_page.h"
#include "scanned_page.h"

namespace {

constexpr int32_t kWidth = kScannedPageWidth;
constexpr int32_t kHeight = kScannedPageHeight;
constexpr size_t kPixels = static_cast<size_t>(kWidth) * kHeight;
constexpr int32_t kThreshold = 128;
constexpr int32_t kThresholdMethod = 19;

enum class Work { kRgbToGrey, kGreyToBitmap, kRgbToBitmap, kGreyToRgb };

bool FromColour(Work work) { return work == Work::kRgbToGrey || work == Work::kRgbToBitmap; }
int32_t ResultBits(Work work) {
  switch (work) {
    case Work::kRgbToGrey: return 8;
    case Work::kGreyToRgb: return 24;
    default: return 1;
  }
}

const std::vector<uint8_t>& Planes() {
  static const std::vector<uint8_t> planes = MakeScannedPagePlanar();
  return planes;
}

// The grey page: the colour page's green plane, with a grey ramp table.
HGLOBAL MakePackedGreyPage() {
  const int64_t row_bytes = PackedRowBytes(kWidth, 8);
  const uint32_t table_bytes = 256 * 4;
  HGLOBAL handle = GlobalAlloc(GHND, kPackedInfoHeaderBytes + table_bytes + static_cast<size_t>(row_bytes) * kHeight);
  auto* p = static_cast<uint8_t*>(GlobalLock(handle));
  PutPackedU32(p, kPackedInfoHeaderBytes);
  PutPackedU32(p + 4, kWidth);
  PutPackedU32(p + 8, kHeight);
  p[12] = 1;
  p[14] = 8;
  PutPackedU32(p + 20, static_cast<uint32_t>(row_bytes * kHeight));
  for (int i = 0; i < 256; ++i) p[kPackedInfoHeaderBytes + 4 * i] = p[kPackedInfoHeaderBytes + 4 * i + 1] =
      p[kPackedInfoHeaderBytes + 4 * i + 2] = static_cast<uint8_t>(i);
  uint8_t* rows = p + kPackedInfoHeaderBytes + table_bytes;
  const uint8_t* green = Planes().data() + kPixels;
  for (int32_t y = 0; y < kHeight; ++y) {
    std::memcpy(rows + static_cast<size_t>(kHeight - 1 - y) * row_bytes, green + static_cast<size_t>(y) * kWidth,
                kWidth);
  }
  GlobalUnlock(handle);
  return handle;
}

HGLOBAL MakePage(Work work) { return FromColour(work) ? MakePackedColourPage(Planes()) : MakePackedGreyPage(); }

HGLOBAL Api(HGLOBAL page, Work work, int32_t* status) {
  switch (work) {
    case Work::kRgbToGrey: return CmiModeGrayscale(page, kCmiModeRgb, nullptr, 0, status);
    case Work::kGreyToBitmap:
      return CmiModeBitmap(page, kCmiModeGrayscale, kThresholdMethod, kThreshold, nullptr, 0, status);
    case Work::kRgbToBitmap: return CmiModeBitmap(page, kCmiModeRgb, kThresholdMethod, kThreshold, nullptr, 0, status);
    case Work::kGreyToRgb: return CmiModeRGBColor(page, kCmiModeGrayscale, nullptr, 0, status);
  }
  return 0;
}

// Where a handle's rows start: after the header and its table.
uint8_t* RowsOf(uint8_t* dib, int32_t bits) { return dib + kPackedInfoHeaderBytes + (bits <= 8 ? 4u << bits : 0); }

cv::Mat RowsMat(uint8_t* dib, int32_t bits) {
  return cv::Mat(kHeight, kWidth, bits == 24 ? CV_8UC3 : CV_8UC1, RowsOf(dib, bits),
                 static_cast<size_t>(PackedRowBytes(kWidth, bits)));
}

// The peer's work, with what it keeps between calls made once.
class Peer {
 public:
  Peer(Work work, HGLOBAL api_result) : work_(work), grey_(kHeight, kWidth, CV_8UC1), bytes_(kHeight, kWidth, CV_8UC1) {
    LuminanceQ15 q{};
    (void)LuminanceWeightsOf(kColourSpaceEntryPointRgb, &q);
    constexpr float kStep = 1.0f / 32768;
    // Stored pixels are blue, green, red.
    weights_ = cv::Matx14f(q.blue * kStep, q.green * kStep, q.red * kStep, kStep / 2);
    size_ = GlobalSize(api_result);
    auto* front = static_cast<uint8_t*>(GlobalLock(api_result));
    front_.assign(front, RowsOf(front, ResultBits(work)));
    GlobalUnlock(api_result);
  }

  HGLOBAL Run(HGLOBAL page) {
    HGLOBAL result = GlobalAlloc(GMEM_MOVEABLE, size_);
    auto* in = static_cast<uint8_t*>(GlobalLock(page));
    auto* out = static_cast<uint8_t*>(GlobalLock(result));
    std::memcpy(out, front_.data(), front_.size());
    const cv::Mat source = RowsMat(in, FromColour(work_) ? 24 : 8);
    switch (work_) {
      case Work::kRgbToGrey: {
        cv::Mat destination = RowsMat(out, 8);
        cv::transform(source, destination, weights_);
        break;
      }
      case Work::kGreyToBitmap: Pack(source, out); break;
      case Work::kRgbToBitmap:
        cv::transform(source, grey_, weights_);
        Pack(grey_, out);
        break;
      case Work::kGreyToRgb: {
        cv::Mat destination = RowsMat(out, 24);
        cv::cvtColor(source, destination, cv::COLOR_GRAY2BGR);
        break;
      }
    }
    GlobalUnlock(result);
    GlobalUnlock(page);
    return result;
  }

 private:
  // Threshold to 0 / 255, then eight bytes to a bit each, first in the high
  // bit; the row's padding 0.
  void Pack(const cv::Mat& grey, uint8_t* out) {
    cv::threshold(grey, bytes_, kThreshold - 1, 255, cv::THRESH_BINARY);
    const int64_t row_bytes = PackedRowBytes(kWidth, 1);
    uint8_t* rows = RowsOf(out, 1);
    for (int32_t y = 0; y < kHeight; ++y) {
      const uint8_t* from = bytes_.ptr<uint8_t>(y);
      uint8_t* to = rows + y * row_bytes;
      int32_t x = 0;
      for (; x + 8 <= kWidth; x += 8) {
        unsigned packed = 0;
        for (int k = 0; k < 8; ++k) packed |= (from[x + k] & 0x80u) >> k;
        to[x / 8] = static_cast<uint8_t>(packed);
      }
      int64_t filled = x / 8;
      if (x < kWidth) {
        unsigned packed = 0;
        for (int k = 0; x + k < kWidth; ++k) packed |= (from[x + k] & 0x80u) >> k;
        to[filled++] = static_cast<uint8_t>(packed);
      }
      std::memset(to + filled, 0, static_cast<size_t>(row_bytes - filled));
    }
  }

  Work work_;
  cv::Matx14f weights_;
  cv::Mat grey_;
  cv::Mat bytes_;
  size_t size_ = 0;
  std::vector<uint8_t> front_;
};

// The converter's source: the page as image objects over memory, planes top
// row first (three for RGB, the green one for grey).
class Ours {
 public:
  explicit Ours(Work work) : work_(work), sys_(IpiOpenSystem(nullptr)), planes_(Planes()) {
    const int bands = FromColour(work) ? 3 : 1;
    uint8_t* data = planes_.data() + (bands == 1 ? kPixels : 0);
    const IpiAttribute list[] = {{"xDimension", kWidth},
                                 {"yDimension", kHeight},
                                 {"bDimension", bands},
                                 {"repository", kRepositoryCallerMemory},
                                 {"applicationAddressSpace", reinterpret_cast<intptr_t>(data)},
                                 {"size", static_cast<intptr_t>(kPixels * bands)},
                                 {"inited", 1}};
    image_ = IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, list, 7);
  }
  ~Ours() { (void)IpiCloseSystem(sys_); }

  IpiSystem* sys() const { return sys_; }
  IpiObject* Run() {
    int32_t status = 0;
    switch (work_) {
      case Work::kRgbToGrey: return ObjectToGrayscale(sys_, image_, kCmiModeRgb, &status);
      case Work::kGreyToBitmap:
        return ObjectToBitmap(sys_, image_, kCmiModeGrayscale, kThresholdMethod, kThreshold, &status);
      case Work::kRgbToBitmap: return ObjectToBitmap(sys_, image_, kCmiModeRgb, kThresholdMethod, kThreshold, &status);
      case Work::kGreyToRgb: return ObjectToRgb(sys_, image_, kCmiModeGrayscale, &status);
    }
    return nullptr;
  }

 private:
  Work work_;
  IpiSystem* sys_;
  std::vector<uint8_t> planes_;
  IpiObject* image_ = nullptr;
};

bool SameBytes(HGLOBAL a, HGLOBAL b) {
  if (GlobalSize(a) != GlobalSize(b)) return false;
  const bool same = std::memcmp(GlobalLock(a), GlobalLock(b), GlobalSize(a)) == 0;
  GlobalUnlock(a);
  GlobalUnlock(b);
  return same;
}

void Report(benchmark::State& state) { state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kPixels)); }

// The entry point's result on the page, or 0 with the state skipped.
HGLOBAL Reference(benchmark::State& state, HGLOBAL page, Work work) {
  int32_t status = 0;
  HGLOBAL result = Api(page, work, &status);
  if (result == 0) state.SkipWithError(("entry point failed: " + std::to_string(status)).c_str());
  return result;
}

void Run_api(benchmark::State& state, Work work) {
  HGLOBAL page = MakePage(work);
  HGLOBAL reference = Reference(state, page, work);
  if (reference != 0) {
    GlobalFree(reference);
    int32_t status = 0;
    for (auto _ : state) {
      HGLOBAL result = Api(page, work, &status);
      benchmark::DoNotOptimize(result);
      GlobalFree(result);
    }
    Report(state);
  }
  GlobalFree(page);
}

void Run_ours(benchmark::State& state, Work work) {
  HGLOBAL page = MakePage(work);
  HGLOBAL reference = Reference(state, page, work);
  GlobalFree(page);
  if (reference == 0) return;
  Ours ours(work);
  IpiObject* first = ours.Run();
  int32_t status = 0;
  HGLOBAL exported = first != nullptr ? ObjectToPackedDib(ours.sys(), first, &status) : 0;
  const bool same = exported != 0 && SameBytes(exported, reference);
  if (exported != 0) GlobalFree(exported);
  GlobalFree(reference);
  if (first != nullptr) (void)IpiDeleteObject(ours.sys(), first);
  if (!same) return state.SkipWithError("the converter's result differs from the entry point's");
  for (auto _ : state) {
    IpiObject* result = ours.Run();
    benchmark::DoNotOptimize(result);
    (void)IpiDeleteObject(ours.sys(), result);
  }
  Report(state);
}

void Run_opencv(benchmark::State& state, Work work) {
  cv::setNumThreads(1);
  HGLOBAL page = MakePage(work);
  HGLOBAL reference = Reference(state, page, work);
  if (reference == 0) return (void)GlobalFree(page);
  Peer peer(work, reference);
  HGLOBAL first = peer.Run(page);
  const bool same = SameBytes(first, reference);
  GlobalFree(first);
  GlobalFree(reference);
  if (!same) {
    GlobalFree(page);
    return state.SkipWithError("the peer's result differs from the entry point's");
  }
  for (auto _ : state) {
    HGLOBAL result = peer.Run(page);
    benchmark::DoNotOptimize(result);
    GlobalFree(result);
  }
  GlobalFree(page);
  Report(state);
}

void BM_ApiModeRgbToGrey_api(benchmark::State& state) { Run_api(state, Work::kRgbToGrey); }
void BM_ApiModeRgbToGrey_ours(benchmark::State& state) { Run_ours(state, Work::kRgbToGrey); }
void BM_ApiModeRgbToGrey_opencv(benchmark::State& state) { Run_opencv(state, Work::kRgbToGrey); }
void BM_ApiModeGreyToBitmap_api(benchmark::State& state) { Run_api(state, Work::kGreyToBitmap); }
void BM_ApiModeGreyToBitmap_ours(benchmark::State& state) { Run_ours(state, Work::kGreyToBitmap); }
void BM_ApiModeGreyToBitmap_opencv(benchmark::State& state) { Run_opencv(state, Work::kGreyToBitmap); }
void BM_ApiModeRgbToBitmap_api(benchmark::State& state) { Run_api(state, Work::kRgbToBitmap); }
void BM_ApiModeRgbToBitmap_ours(benchmark::State& state) { Run_ours(state, Work::kRgbToBitmap); }
void BM_ApiModeRgbToBitmap_opencv(benchmark::State& state) { Run_opencv(state, Work::kRgbToBitmap); }
void BM_ApiModeGreyToRgb_api(benchmark::State& state) { Run_api(state, Work::kGreyToRgb); }
void BM_ApiModeGreyToRgb_ours(benchmark::State& state) { Run_ours(state, Work::kGreyToRgb); }
void BM_ApiModeGreyToRgb_opencv(benchmark::State& state) { Run_opencv(state, Work::kGreyToRgb); }

BENCHMARK(BM_ApiModeRgbToGrey_api)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiModeRgbToGrey_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiModeRgbToGrey_opencv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiModeGreyToBitmap_api)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiModeGreyToBitmap_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiModeGreyToBitmap_opencv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiModeRgbToBitmap_api)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiModeRgbToBitmap_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiModeRgbToBitmap_opencv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiModeGreyToRgb_api)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiModeGreyToRgb_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiModeGreyToRgb_opencv)->Unit(benchmark::kMillisecond);

}  // namespace
