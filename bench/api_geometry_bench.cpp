// Geometry through the entry points on the scanned A4 colour page (2480 x
// 3508, 24 bits), three sides a work: the whole call (`api`: checks, import,
// operator, a new result handle), the operator alone on the same page held as
// planes in memory made once (`ours`), and OpenCV on one thread making a new
// handle of the result's size and writing its rows (`opencv`), as a caller of
// either would. The entry point's result is compared with the operator's
// (exactly) and with OpenCV's once before timing.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "Pelrith.h"
#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/object.h"
#include "core/operators/geometry/flips_and_turns.h"
#include "core/operators/geometry/geometry_codes.h"
#include "core/operators/geometry/resample.h"
#include "core/system/system.h"
#include "packed_page.h"
#include "scanned_page.h"

namespace {

constexpr int32_t kWidth = kScannedPageWidth;
constexpr int32_t kHeight = kScannedPageHeight;
constexpr int32_t kFlipLeftAndRight = 49;
constexpr int32_t kCmiBilinear = 9;
constexpr int32_t kCmiNearest = 8;

enum class Work { kQuarterTurn, kFlip, kNearestHalf, kBilinearHalf };

struct Page {
  std::vector<uint8_t> planes = MakeScannedPagePlanar();
  HGLOBAL handle = MakePackedColourPage(planes);
};

const Page& ThePage() {
  static const Page page;
  return page;
}

void ResultSize(Work work, int32_t* width, int32_t* height) {
  *width = kWidth;
  *height = kHeight;
  if (work == Work::kQuarterTurn) std::swap(*width, *height);
  if (work == Work::kNearestHalf || work == Work::kBilinearHalf) {
    *width = kWidth / 2;
    *height = kHeight / 2;
  }
}

HGLOBAL Api(Work work, int32_t* status) {
  const HGLOBAL page = ThePage().handle;
  switch (work) {
    case Work::kQuarterTurn: return CmiRotate(page, kHeight, kWidth, 1, nullptr, 0, status);
    case Work::kFlip: return CmiFlip(page, kFlipLeftAndRight, nullptr, 0, status);
    case Work::kNearestHalf: return CmiResize(page, kWidth / 2, kHeight / 2, kCmiNearest, 0, nullptr, 0, status);
    case Work::kBilinearHalf: return CmiResize(page, kWidth / 2, kHeight / 2, kCmiBilinear, 0, nullptr, 0, status);
  }
  return 0;
}

cv::Mat Rows(uint8_t* dib, int32_t width, int32_t height) {
  return cv::Mat(height, width, CV_8UC3, dib + kPackedInfoHeaderBytes, static_cast<size_t>(PackedRowBytes(width, 24)));
}

// The peer's call: a new handle of the result's size, the work from the
// page's rows into its rows. The rows are stored bottom-up, so a clockwise
// turn of the picture is a counter-clockwise turn of the stored rows.
HGLOBAL Peer(Work work) {
  int32_t width = 0, height = 0;
  ResultSize(work, &width, &height);
  const HGLOBAL result = NewPackedHandle(width, height);
  auto* in = static_cast<uint8_t*>(GlobalLock(ThePage().handle));
  auto* out = static_cast<uint8_t*>(GlobalLock(result));
  const cv::Mat source = Rows(in, kWidth, kHeight);
  cv::Mat destination = Rows(out, width, height);
  switch (work) {
    case Work::kQuarterTurn: cv::rotate(source, destination, cv::ROTATE_90_COUNTERCLOCKWISE); break;
    case Work::kFlip: cv::flip(source, destination, 1); break;
    case Work::kNearestHalf: cv::resize(source, destination, destination.size(), 0, 0, cv::INTER_NEAREST_EXACT); break;
    case Work::kBilinearHalf: cv::resize(source, destination, destination.size(), 0, 0, cv::INTER_LINEAR); break;
  }
  GlobalUnlock(result);
  GlobalUnlock(ThePage().handle);
  return result;
}

// The operator alone: the page's planes in caller memory, the result's too.
class Operator {
 public:
  explicit Operator(Work work) : work_(work) {
    sys_ = IpiOpenSystem(nullptr);
    ResultSize(work, &width_, &height_);
    in_ = ThePage().planes;
    out_.assign(static_cast<size_t>(width_) * height_ * 3, 0);
    source_ = Image(in_, kWidth, kHeight);
    destination_ = Image(out_, width_, height_);
    const int32_t method = work == Work::kBilinearHalf ? kInterpolationBilinear : kInterpolationNearest;
    const IpiAttribute interpolation{"interpolation", method};
    (void)IpiSetSystemAttributes(sys_, &interpolation, 1);
  }
  ~Operator() { (void)IpiCloseSystem(sys_); }

  int Run() {
    switch (work_) {
      case Work::kQuarterTurn: return IpiTurnImage(sys_, source_, destination_, kTurnQuarterRight);
      case Work::kFlip: return IpiFlipImage(sys_, source_, destination_, kFlipLeftToRight);
      case Work::kNearestHalf:
      case Work::kBilinearHalf: return IpiResampleImage(sys_, source_, destination_);
    }
    return -1;
  }
  const std::vector<uint8_t>& planes() const { return out_; }
  int32_t width() const { return width_; }
  int32_t height() const { return height_; }

 private:
  IpiObject* Image(std::vector<uint8_t>& data, int32_t width, int32_t height) {
    const IpiAttribute list[] = {{"xDimension", width},
                                 {"yDimension", height},
                                 {"bDimension", 3},
                                 {"repository", kRepositoryCallerMemory},
                                 {"applicationAddressSpace", reinterpret_cast<intptr_t>(data.data())},
                                 {"size", static_cast<intptr_t>(data.size())},
                                 {"inited", 1}};
    return IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, list, 7);
  }

  Work work_;
  IpiSystem* sys_ = nullptr;
  int32_t width_ = 0, height_ = 0;
  std::vector<uint8_t> in_, out_;
  IpiObject* source_ = nullptr;
  IpiObject* destination_ = nullptr;
};

// Whether a result handle holds the operator's planes.
bool SameAsPlanes(HGLOBAL result, const Operator& op) {
  auto* p = static_cast<uint8_t*>(GlobalLock(result));
  const cv::Mat rows = Rows(p, op.width(), op.height());
  const size_t plane = static_cast<size_t>(op.width()) * op.height();
  bool same = true;
  for (int32_t y = 0; y < op.height() && same; ++y) {
    const uint8_t* row = rows.ptr<uint8_t>(op.height() - 1 - y);
    for (int32_t x = 0; x < op.width() && same; ++x) {
      const size_t i = static_cast<size_t>(y) * op.width() + x;
      same = row[3 * x] == op.planes()[2 * plane + i] && row[3 * x + 1] == op.planes()[plane + i] &&
             row[3 * x + 2] == op.planes()[i];
    }
  }
  GlobalUnlock(result);
  return same;
}

// The share of samples of two results that differ by more than `tolerance`.
double ShareDiffering(HGLOBAL a, HGLOBAL b, int32_t width, int32_t height, int tolerance) {
  auto* pa = static_cast<uint8_t*>(GlobalLock(a));
  auto* pb = static_cast<uint8_t*>(GlobalLock(b));
  cv::Mat difference;
  cv::absdiff(Rows(pa, width, height), Rows(pb, width, height), difference);
  const double share =
      cv::countNonZero(difference.reshape(1) > tolerance) / (3.0 * static_cast<double>(width) * height);
  GlobalUnlock(a);
  GlobalUnlock(b);
  return share;
}

// Checks once: the entry point against the operator and against OpenCV.
std::string Check(Work work) {
  int32_t status = 0;
  const HGLOBAL ours = Api(work, &status);
  if (ours == 0) return "entry point failed: " + std::to_string(status);
  Operator op(work);
  std::string error;
  if (op.Run() != 0) error = "operator failed";
  if (error.empty() && !SameAsPlanes(ours, op)) error = "the entry point's result differs from the operator's";
  // Nearest halving: ours takes the second of two samples, OpenCV the first,
  // so the two are not compared; the others agree up to OpenCV's rounding of
  // its 1/2048 weights.
  if (error.empty() && work != Work::kNearestHalf) {
    const HGLOBAL peer = Peer(work);
    const double share = ShareDiffering(ours, peer, op.width(), op.height(), work == Work::kBilinearHalf ? 1 : 0);
    GlobalFree(peer);
    if (share > (work == Work::kBilinearHalf ? 0.001 : 0.0)) error = "OpenCV's result differs: " + std::to_string(share);
  }
  GlobalFree(ours);
  return error;
}

void Report(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kWidth) * kHeight);
}

void BM_Api(benchmark::State& state, Work work) {
  if (const std::string error = Check(work); !error.empty()) return state.SkipWithError(error.c_str());
  for (auto _ : state) {
    int32_t status = 0;
    const HGLOBAL result = Api(work, &status);
    if (result == 0) return state.SkipWithError("entry point failed");
    GlobalFree(result);
  }
  Report(state);
}

void BM_Ours(benchmark::State& state, Work work) {
  Operator op(work);
  for (auto _ : state) {
    if (op.Run() != 0) return state.SkipWithError("operator failed");
    benchmark::DoNotOptimize(op.planes().data());
  }
  Report(state);
}

void BM_Peer(benchmark::State& state, Work work) {
  cv::setNumThreads(1);
  (void)ThePage();
  for (auto _ : state) GlobalFree(Peer(work));
  Report(state);
}

const bool kRegistered = [] {
  const std::pair<const char*, Work> works[] = {{"QuarterTurn", Work::kQuarterTurn},
                                                {"Flip", Work::kFlip},
                                                {"NearestHalf", Work::kNearestHalf},
                                                {"BilinearHalf", Work::kBilinearHalf}};
  for (const auto& [name, work] : works) {
    const std::string base = std::string("BM_Api") + name + "Colour";
    benchmark::RegisterBenchmark((base + "_api").c_str(), BM_Api, work)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((base + "_ours").c_str(), BM_Ours, work)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((base + "_opencv").c_str(), BM_Peer, work)->Unit(benchmark::kMillisecond);
  }
  return true;
}();

}  // namespace
