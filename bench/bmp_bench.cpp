// Packed bitmaps beside OpenCV's BMP codec (same binary, same run): a 24-bit
// photograph-like picture of 3000 x 2000 and an 8-bit grey page of the same
// size, decoded from and encoded to memory. Ours goes to and from planar
// image objects in global memory, as the entry points do; OpenCV to and from
// its interleaved Mat. The run-length decoder is measured alone on a scanned
// page's 8-bit coded body (no peer: its throughput in MB/s of output).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/object.h"
#include "core/streams/stream.h"
#include "core/system/system.h"
#include "interchange/bmp/bmp_run_length.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dib/dib.h"

namespace {

constexpr int kWidth = 3000;
constexpr int kHeight = 2000;

std::vector<uint8_t> Planes(int bands) {
  std::vector<uint8_t> planes(static_cast<size_t>(kWidth) * kHeight * bands);
  for (int b = 0; b < bands; ++b) {
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        const double v = 128 + 90 * std::sin(0.01 * x + b) * std::cos(0.013 * y) + ((x * 7 + y * 3) % 11);
        planes[(static_cast<size_t>(b) * kHeight + y) * kWidth + x] = static_cast<uint8_t>(v);
      }
    }
  }
  return planes;
}

IpiObject* MakeImage(IpiSystem* sys, const std::vector<uint8_t>& planes, int bands) {
  const IpiAttribute shape[] = {{"xDimension", kWidth}, {"yDimension", kHeight}, {"bDimension", bands},
                                {"repository", kRepositoryGlobalBlock}};
  IpiObject* image =
      IpiCreateObject(sys, nullptr, bands == 3 ? &kColourImageClass : &kGenericImageClass, nullptr, shape, 4);
  IpiStream* stream = IpiOpenStream(sys, image, "w", 0);
  (void)IpiWriteBytes(sys, stream, 0, planes.data(), static_cast<int64_t>(planes.size()));
  (void)IpiCloseStream(sys, stream);
  return image;
}

// A BMP file of the planes through our own writer (checked against OpenCV below).
std::vector<uint8_t> FileOf(const std::vector<uint8_t>& planes, int bands) {
  IpiSystem* sys = IpiOpenSystem(nullptr);
  IpiObject* image = MakeImage(sys, planes, bands);
  std::vector<uint8_t> file(54 + 1024 + static_cast<size_t>((kWidth * bands + 3) / 4 * 4) * kHeight);
  const IpiAttribute size[] = {{"size", static_cast<intptr_t>(file.size())}};
  if (IpiExportDib(sys, image, file.data(), kFormatBmp, size, 1) != 0) file.clear();
  IpiCloseSystem(sys);
  return file;
}

void BM_BmpDecode(benchmark::State& state, int bands, bool ours) {
  const std::vector<uint8_t> planes = Planes(bands);
  const std::vector<uint8_t> file = FileOf(planes, bands);
  if (file.empty()) return state.SkipWithError("export failed");
  cv::Mat peer = cv::imdecode(file, bands == 3 ? cv::IMREAD_COLOR : cv::IMREAD_GRAYSCALE);
  for (int y = 0; y < kHeight; y += 97) {
    for (int x = 0; x < kWidth; x += 89) {
      for (int b = 0; b < bands; ++b) {
        const uint8_t mine = planes[(static_cast<size_t>(b) * kHeight + y) * kWidth + x];
        const uint8_t theirs = bands == 3 ? peer.at<cv::Vec3b>(y, x)[2 - b] : peer.at<uint8_t>(y, x);
        if (mine != theirs) return state.SkipWithError("outputs differ");
      }
    }
  }
  const IpiAttribute size[] = {{"size", static_cast<intptr_t>(file.size())}};
  for (auto _ : state) {
    if (ours) {
      IpiSystem* sys = IpiOpenSystem(nullptr);
      const IpiAttribute shape[] = {{"repository", kRepositoryGlobalBlock}};
      IpiObject* image =
          IpiCreateObject(sys, nullptr, bands == 3 ? &kColourImageClass : &kGenericImageClass, nullptr, shape, 1);
      if (IpiImportDib(sys, file.data(), image, kFormatBmp, size, 1) != 0) state.SkipWithError("import failed");
      IpiCloseSystem(sys);
    } else {
      cv::Mat m = cv::imdecode(file, bands == 3 ? cv::IMREAD_COLOR : cv::IMREAD_GRAYSCALE);
      benchmark::DoNotOptimize(m.data);
    }
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(planes.size()));
}

void BM_BmpEncode(benchmark::State& state, int bands, bool ours) {
  const std::vector<uint8_t> planes = Planes(bands);
  const std::vector<uint8_t> file = FileOf(planes, bands);
  cv::Mat peer = cv::imdecode(file, bands == 3 ? cv::IMREAD_COLOR : cv::IMREAD_GRAYSCALE);
  std::vector<uint8_t> out(file.size());
  IpiSystem* sys = IpiOpenSystem(nullptr);
  IpiObject* image = MakeImage(sys, planes, bands);
  const IpiAttribute size[] = {{"size", static_cast<intptr_t>(out.size())}};
  for (auto _ : state) {
    if (ours) {
      if (IpiExportDib(sys, image, out.data(), kFormatBmp, size, 1) != 0) state.SkipWithError("export failed");
      benchmark::DoNotOptimize(out.data());
    } else {
      std::vector<uint8_t> encoded;
      cv::imencode(".bmp", peer, encoded);
      benchmark::DoNotOptimize(encoded.data());
    }
  }
  IpiCloseSystem(sys);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(planes.size()));
}

class DiscardRows final : public RleRowSink {
 public:
  explicit DiscardRows(int64_t width) : row_(static_cast<size_t>(width)) {}
  int BeginRow(int64_t, uint8_t** row) override {
    *row = row_.data();
    return 0;
  }
  int EndRow(int64_t) override { return 0; }

 private:
  std::vector<uint8_t> row_;
};

void BM_BmpRle8Decode(benchmark::State& state) {
  // A scanned page: white paper with runs of dark strokes and some noise.
  BmpRunLengthEncoder encoder(8);
  std::vector<uint8_t> row(kWidth);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) row[x] = ((x / 13 + y / 7) % 9 == 0) ? 20 : ((x * y) % 97 == 0 ? 128 : 250);
    encoder.AddRow(row.data(), kWidth, y == kHeight - 1);
  }
  const std::vector<uint8_t> body = encoder.bytes();
  RleDecodeShape shape{8, kWidth, kHeight, RleRowLayout::kPixelPerByte};
  for (auto _ : state) {
    DiscardRows sink(kWidth);
    if (DecodeBmpRunLengthBody(body, shape, sink) != 0) state.SkipWithError("decode failed");
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kWidth} * kHeight);
}

}  // namespace

BENCHMARK_CAPTURE(BM_BmpDecode, rgb24/ours, 3, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BmpDecode, rgb24/opencv, 3, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BmpDecode, grey8/ours, 1, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BmpDecode, grey8/opencv, 1, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BmpEncode, rgb24/ours, 3, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BmpEncode, rgb24/opencv, 3, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BmpEncode, grey8/ours, 1, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BmpEncode, grey8/opencv, 1, false)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BmpRle8Decode)->Unit(benchmark::kMillisecond);
