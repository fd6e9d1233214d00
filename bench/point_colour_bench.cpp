// Point and colour operators on an A4 page at 300 dpi (2480 x 3508), one
// thread, beside a peer doing the same work: table look-up, histogram and
// equalization against OpenCV; threshold against OpenCV (8-bit output) and
// netpbm (1-bit output); Floyd-Steinberg to one bit against netpbm; uniform
// and popularity quantization to 256 colours against netpbm's pnmremap and
// pnmquant (time and PSNR, as the algorithms differ); hue and saturation
// against the same colour model in OpenCV's whole-image primitives.
// netpbm has these algorithms only as programs, not in its library: it runs
// as a program reading a PGM or PPM from a temporary folder, and its CPU time
// (the children's, reported as "child_cpu_ms") includes starting the program
// and parsing the file; the threshold pair beside OpenCV's shows that share.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/object.h"
#include "core/objects/tuple.h"
#include "core/operators/colour/colour_quantization.h"
#include "core/operators/colour/hue_saturation.h"
#include "core/operators/point/equalization.h"
#include "core/operators/point/error_diffusion.h"
#include "core/operators/point/histogram.h"
#include "core/operators/point/lookup_table.h"
#include "core/operators/point/threshold.h"
#include "core/streams/stream.h"
#include "core/system/system.h"
#include "opencv_hue_saturation.h"

namespace {

constexpr int kWidth = 2480;
constexpr int kHeight = 3508;
constexpr size_t kPixels = static_cast<size_t>(kWidth) * kHeight;
constexpr int kThreshold = 128;

// A scanned-looking grey page: noisy paper, lines of dark strokes and a
// smoothly shaded photograph.
const std::vector<uint8_t>& GreyPage() {
  static std::vector<uint8_t> page;
  if (!page.empty()) return page;
  page.resize(kPixels);
  std::mt19937 random(1);
  for (uint8_t& p : page) p = static_cast<uint8_t>(232 + random() % 20);
  for (int line = 0; line < 60; ++line) {
    const int y0 = 300 + line * 32;
    for (int x0 = 250; x0 < kWidth - 250; x0 += 14 + static_cast<int>(random() % 8)) {
      const int w = 3 + static_cast<int>(random() % 9), h = 12 + static_cast<int>(random() % 10);
      for (int y = y0; y < y0 + h; ++y) {
        for (int x = x0; x < x0 + w; ++x) page[static_cast<size_t>(y) * kWidth + x] = static_cast<uint8_t>(10 + random() % 40);
      }
    }
  }
  for (int y = 2300; y < 3400; ++y) {
    for (int x = 300; x < 2200; ++x) {
      page[static_cast<size_t>(y) * kWidth + x] =
          static_cast<uint8_t>(128 + 100 * std::sin(x / 170.0) * std::cos(y / 230.0) + random() % 12);
    }
  }
  return page;
}

// A colour page as three planes (red, green, blue): the grey page tinted, and
// a photograph of smooth colour fields with noise.
const std::vector<uint8_t>& ColourPage() {
  static std::vector<uint8_t> planes;
  if (!planes.empty()) return planes;
  const std::vector<uint8_t>& grey = GreyPage();
  planes.resize(3 * kPixels);
  std::mt19937 random(2);
  for (size_t i = 0; i < kPixels; ++i) {
    const int y = static_cast<int>(i / kWidth), x = static_cast<int>(i % kWidth);
    int rgb[3] = {grey[i], grey[i] * 9 / 10 + 10, grey[i] * 8 / 10 + 20};
    if (y >= 2300 && y < 3400 && x >= 300 && x < 2200) {
      rgb[0] = static_cast<int>(128 + 110 * std::sin(x / 210.0));
      rgb[1] = static_cast<int>(128 + 110 * std::cos(y / 160.0));
      rgb[2] = static_cast<int>(128 + 110 * std::sin((x + y) / 300.0));
      for (int& c : rgb) c = std::min(255, std::max(0, c + static_cast<int>(random() % 9) - 4));
    }
    for (int k = 0; k < 3; ++k) planes[k * kPixels + i] = static_cast<uint8_t>(rgb[k]);
  }
  return planes;
}

// A context and images over caller memory.
class Context {
 public:
  Context() : sys_(IpiOpenSystem(nullptr)) {}
  ~Context() { (void)IpiCloseSystem(sys_); }
  IpiSystem* sys() const { return sys_; }

  IpiObject* Image(uint8_t* memory, int bands, int32_t data_type = kDataTypeNonnegative) {
    const int32_t precision = data_type == kDataTypeBoolean ? 1 : 8;
    const int64_t bytes = data_type == kDataTypeBoolean ? static_cast<int64_t>((kPixels + 7) / 8) : static_cast<int64_t>(kPixels) * bands;
    const IpiAttribute list[] = {{"xDimension", kWidth},
                                 {"yDimension", kHeight},
                                 {"bDimension", bands},
                                 {"dataType", data_type},
                                 {"dataPrecision", precision},
                                 {"repository", kRepositoryCallerMemory},
                                 {"applicationAddressSpace", reinterpret_cast<intptr_t>(memory)},
                                 {"size", static_cast<intptr_t>(bytes)},
                                 {"inited", 1}};
    return IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, list, 9);
  }
  IpiObject* Table(uint8_t* memory, int entries, int bands) {
    const IpiAttribute list[] = {{"xDimension", entries},
                                 {"bDimension", bands},
                                 {"repository", kRepositoryCallerMemory},
                                 {"applicationAddressSpace", reinterpret_cast<intptr_t>(memory)},
                                 {"size", entries * bands},
                                 {"inited", 1}};
    return IpiCreateObject(sys_, nullptr, &kLookupTableClass, nullptr, list, 6);
  }
  void Set(const char* name, intptr_t value) {
    const IpiAttribute entry{name, value};
    (void)IpiSetSystemAttributes(sys_, &entry, 1);
  }

 private:
  IpiSystem* sys_;
};

std::vector<uint8_t> GammaTable() {
  std::vector<uint8_t> table(256);
  for (int k = 0; k < 256; ++k) table[static_cast<size_t>(k)] = static_cast<uint8_t>(255 * std::pow(k / 255.0, 1 / 2.2) + 0.5);
  return table;
}

// --- netpbm as a program -------------------------------------------------------------

class TempFolder {
 public:
  TempFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/point_bench_XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempFolder() {
    if (!path_.empty()) (void)std::system(("rm -rf '" + path_ + "'").c_str());
  }
  std::string File(const char* name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

const TempFolder& Folder() {
  static TempFolder folder;
  return folder;
}

// The grey page as a PGM and the colour page as a PPM, written once.
const std::string& GreyFile() {
  static std::string path;
  if (!path.empty()) return path;
  path = Folder().File("page.pgm");
  std::ofstream out(path, std::ios::binary);
  out << "P5\n" << kWidth << " " << kHeight << "\n255\n";
  out.write(reinterpret_cast<const char*>(GreyPage().data()), static_cast<std::streamsize>(kPixels));
  return path;
}

const std::string& ColourFile() {
  static std::string path;
  if (!path.empty()) return path;
  path = Folder().File("page.ppm");
  const std::vector<uint8_t>& planes = ColourPage();
  std::vector<uint8_t> interleaved(3 * kPixels);
  for (size_t i = 0; i < kPixels; ++i) {
    for (int k = 0; k < 3; ++k) interleaved[3 * i + k] = planes[k * kPixels + i];
  }
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << kWidth << " " << kHeight << "\n255\n";
  out.write(reinterpret_cast<const char*>(interleaved.data()), static_cast<std::streamsize>(interleaved.size()));
  return path;
}

// A uniform 8 x 8 x 4 colour map as a PPM, the palette of method 211.
const std::string& UniformMapFile() {
  static std::string path;
  if (!path.empty()) return path;
  path = Folder().File("uniform.ppm");
  std::ofstream out(path, std::ios::binary);
  out << "P6\n256 1\n255\n";
  for (int k = 0; k < 4; ++k)
    for (int j = 0; j < 8; ++j)
      for (int i = 0; i < 8; ++i) out << static_cast<char>(i * 36) << static_cast<char>(j * 36) << static_cast<char>(k * 85);
  return path;
}

// The pixels of a binary PPM (three interleaved bytes each); empty when unreadable.
std::vector<uint8_t> ReadPpm(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int width = 0, height = 0, max = 0;
  in >> magic >> width >> height >> max;
  in.get();
  if (magic != "P6" || width != kWidth || height != kHeight || max != 255) return {};
  std::vector<uint8_t> pixels(3 * kPixels);
  in.read(reinterpret_cast<char*>(pixels.data()), static_cast<std::streamsize>(pixels.size()));
  return in ? pixels : std::vector<uint8_t>{};
}

// PSNR of interleaved colours against the colour page.
double PsnrInterleaved(const std::vector<uint8_t>& pixels) {
  const std::vector<uint8_t>& planes = ColourPage();
  double sum = 0;
  for (size_t i = 0; i < kPixels; ++i) {
    for (int k = 0; k < 3; ++k) {
      const double d = static_cast<double>(pixels[3 * i + k]) - planes[k * kPixels + i];
      sum += d * d;
    }
  }
  return 10 * std::log10(255.0 * 255.0 / (sum / (3.0 * kPixels)));
}

// CPU time of the finished child processes, milliseconds.
double ChildrenCpuMs() {
  rusage usage{};
  (void)getrusage(RUSAGE_CHILDREN, &usage);
  const auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
  return ms(usage.ru_utime) + ms(usage.ru_stime);
}

void RunProgram(benchmark::State& state, const std::string& command) {
  const double before = ChildrenCpuMs();
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) return state.SkipWithError(("failed: " + command).c_str());
  }
  state.counters["child_cpu_ms"] = (ChildrenCpuMs() - before) / static_cast<double>(state.iterations());
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kPixels));
}

// --- table look-up -------------------------------------------------------------------

void BM_TableLookup_ours(benchmark::State& state) {
  Context context;
  std::vector<uint8_t> in = GreyPage(), out(kPixels), table = GammaTable();
  IpiObject* source = context.Image(in.data(), 1);
  IpiObject* destination = context.Image(out.data(), 1);
  IpiObject* lut = context.Table(table.data(), 256, 1);
  if (IpiApplyLookupTable(context.sys(), source, destination, lut, 0) != 0) return state.SkipWithError("failed");
  cv::Mat peer;
  cv::LUT(cv::Mat(kHeight, kWidth, CV_8UC1, in.data()), cv::Mat(1, 256, CV_8UC1, table.data()), peer);
  if (std::memcmp(peer.data, out.data(), kPixels) != 0) return state.SkipWithError("results differ");
  for (auto _ : state) benchmark::DoNotOptimize(IpiApplyLookupTable(context.sys(), source, destination, lut, 0));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kPixels));
}

void BM_TableLookup_opencv(benchmark::State& state) {
  cv::setNumThreads(1);
  std::vector<uint8_t> in = GreyPage(), table = GammaTable();
  const cv::Mat source(kHeight, kWidth, CV_8UC1, in.data()), lut(1, 256, CV_8UC1, table.data());
  cv::Mat destination(kHeight, kWidth, CV_8UC1);
  for (auto _ : state) cv::LUT(source, lut, destination);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kPixels));
}

// --- threshold ----------------------------------------------------------------------

void BM_ThresholdToBitmap_ours(benchmark::State& state) {
  Context context;
  std::vector<uint8_t> in = GreyPage(), bits((kPixels + 7) / 8);
  IpiObject* source = context.Image(in.data(), 1);
  IpiObject* destination = context.Image(bits.data(), 1, kDataTypeBoolean);
  auto run = [&] {
    return IpiThreshold(context.sys(), source, destination, IpiIntegerValue(kThreshold), IpiIntegerValue(0),
                        IpiIntegerValue(1));
  };
  if (run() != 0) return state.SkipWithError("failed");
  cv::Mat peer;
  cv::threshold(cv::Mat(kHeight, kWidth, CV_8UC1, in.data()), peer, kThreshold - 1, 255, cv::THRESH_BINARY);
  for (size_t i = 0; i < kPixels; ++i) {
    const bool set = (bits[i / 8] & (0x80 >> (i % 8))) != 0;
    if (set != (peer.data[i] != 0)) return state.SkipWithError("results differ");
  }
  for (auto _ : state) benchmark::DoNotOptimize(run());
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kPixels));
}

// OpenCV's threshold to 0/255 bytes, then those bytes packed eight to a
// byte, first element in the high bit: the same 1-bit result as ours.
void BM_ThresholdToBitmap_opencv(benchmark::State& state) {
  cv::setNumThreads(1);
  std::vector<uint8_t> in = GreyPage(), bits((kPixels + 7) / 8);
  const cv::Mat source(kHeight, kWidth, CV_8UC1, in.data());
  cv::Mat destination(kHeight, kWidth, CV_8UC1);
  for (auto _ : state) {
    cv::threshold(source, destination, kThreshold - 1, 255, cv::THRESH_BINARY);
    const uint8_t* bytes = destination.data;
    for (size_t i = 0; i + 8 <= kPixels; i += 8) {
      unsigned packed = 0;
      for (int k = 0; k < 8; ++k) packed |= (bytes[i + k] & 0x80u) >> k;
      bits[i / 8] = static_cast<uint8_t>(packed);
    }
    benchmark::DoNotOptimize(bits.data());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kPixels));
}

void BM_ThresholdToBitmap_netpbm(benchmark::State& state) {
  RunProgram(state, "pamditherbw -threshold -value " + std::to_string((kThreshold - 0.5) / 255) + " " +
                        GreyFile() + " > /dev/null 2>&1");
}

// --- Floyd-Steinberg ------------------------------------------------------------------

void BM_FloydSteinberg_ours(benchmark::State& state) {
  Context context;
  std::vector<uint8_t> in = GreyPage(), bits((kPixels + 7) / 8);
  IpiObject* source = context.Image(in.data(), 1);
  IpiObject* destination = context.Image(bits.data(), 1, kDataTypeBoolean);
  if (IpiErrorDiffusion(context.sys(), source, destination, nullptr) != 0) return state.SkipWithError("failed");
  for (auto _ : state) benchmark::DoNotOptimize(IpiErrorDiffusion(context.sys(), source, destination, nullptr));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kPixels));
}

void BM_FloydSteinberg_netpbm(benchmark::State& state) {
  RunProgram(state, "pamditherbw -fs " + GreyFile() + " > /dev/null 2>&1");
}

// --- histogram and equalization ----------------------------------------------------------

void BM_Histogram_ours(benchmark::State& state) {
  Context context;
  std::vector<uint8_t> in = GreyPage();
  IpiObject* source = context.Image(in.data(), 1);
  IpiObject* histogram = IpiCreateObject(context.sys(), nullptr, &kHistogramClass, nullptr, nullptr, 0);
  uint32_t counts[256];
  if (IpiHistogramToArray(context.sys(), source, counts) != 0) return state.SkipWithError("failed");
  cv::Mat peer;
  const int channels[] = {0}, sizes[] = {256};
  const float range[] = {0, 256};
  const float* ranges[] = {range};
  const cv::Mat page(kHeight, kWidth, CV_8UC1, in.data());
  cv::calcHist(&page, 1, channels, cv::Mat(), peer, 1, sizes, ranges);
  for (int k = 0; k < 256; ++k) {
    if (static_cast<uint32_t>(peer.at<float>(k)) != counts[k]) return state.SkipWithError("results differ");
  }
  for (auto _ : state) benchmark::DoNotOptimize(IpiComputeHistogram(context.sys(), source, histogram));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kPixels));
}

void BM_Histogram_opencv(benchmark::State& state) {
  cv::setNumThreads(1);
  std::vector<uint8_t> in = GreyPage();
  const cv::Mat page(kHeight, kWidth, CV_8UC1, in.data());
  const int channels[] = {0}, sizes[] = {256};
  const float range[] = {0, 256};
  const float* ranges[] = {range};
  cv::Mat histogram;
  for (auto _ : state) cv::calcHist(&page, 1, channels, cv::Mat(), histogram, 1, sizes, ranges);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kPixels));
}

// Histogram, table and look-up on both sides; the tables differ in detail
// (OpenCV stretches from the first occupied value), so the outputs are not compared.
void BM_Equalize_ours(benchmark::State& state) {
  Context context;
  std::vector<uint8_t> in = GreyPage(), out(kPixels);
  IpiObject* source = context.Image(in.data(), 1);
  IpiObject* destination = context.Image(out.data(), 1);
  auto run = [&] {
    return IpiEqualize(context.sys(), source, destination, kEqualizeUniform, IpiIntegerValue(0), IpiIntegerValue(255), 0);
  };
  if (run() != 0) return state.SkipWithError("failed");
  for (auto _ : state) benchmark::DoNotOptimize(run());
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kPixels));
}

void BM_Equalize_opencv(benchmark::State& state) {
  cv::setNumThreads(1);
  std::vector<uint8_t> in = GreyPage();
  const cv::Mat source(kHeight, kWidth, CV_8UC1, in.data());
  cv::Mat destination(kHeight, kWidth, CV_8UC1);
  for (auto _ : state) cv::equalizeHist(source, destination);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kPixels));
}

// --- colour quantization ---------------------------------------------------------------

void Quantize(benchmark::State& state, int32_t method) {
  Context context;
  context.Set("colourQuantization", method);
  std::vector<uint8_t> in = ColourPage(), out(kPixels), runs(3 * 256);
  IpiObject* source = context.Image(in.data(), 3);
  IpiObject* destination = context.Image(out.data(), 1);
  IpiObject* table = context.Table(runs.data(), 256, 3);
  const int32_t levels[3] = {8, 8, 4};
  IpiObject* tuple = IpiCreateTupleN(context.sys(), levels, 3);
  if (IpiQuantizeColours(context.sys(), source, destination, table, tuple) != 0) return state.SkipWithError("failed");
  std::vector<uint8_t> mapped(3 * kPixels);
  for (size_t i = 0; i < kPixels; ++i) {
    for (int k = 0; k < 3; ++k) mapped[3 * i + k] = runs[static_cast<size_t>(k * 256 + out[i])];
  }
  state.counters["psnr"] = PsnrInterleaved(mapped);
  for (auto _ : state) benchmark::DoNotOptimize(IpiQuantizeColours(context.sys(), source, destination, table, tuple));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kPixels));
}

void QuantizeProgram(benchmark::State& state, const std::string& command) {
  const std::string out = Folder().File("quantized.ppm");
  if (std::system((command + " > " + out + " 2>/dev/null").c_str()) != 0) return state.SkipWithError("failed");
  const std::vector<uint8_t> pixels = ReadPpm(out);
  if (pixels.empty()) return state.SkipWithError("unreadable output");
  state.counters["psnr"] = PsnrInterleaved(pixels);
  RunProgram(state, command + " > /dev/null 2>&1");
}

void BM_QuantizeUniform_ours(benchmark::State& state) { Quantize(state, kQuantizeUniform); }
void BM_QuantizeUniform_netpbm(benchmark::State& state) {
  QuantizeProgram(state, "pnmremap -nofs -mapfile=" + UniformMapFile() + " " + ColourFile());
}
void BM_QuantizeHistogram_ours(benchmark::State& state) { Quantize(state, kQuantizeByHistogram); }
void BM_QuantizeHistogram_netpbm(benchmark::State& state) {
  QuantizeProgram(state, "pnmquant -nofs 256 " + ColourFile());
}

// --- hue and saturation ------------------------------------------------------------------

void BM_HueSaturation_ours(benchmark::State& state) {
  Context context;
  std::vector<uint8_t> in = ColourPage(), out(3 * kPixels);
  IpiObject* source = context.Image(in.data(), 3);
  IpiObject* destination = context.Image(out.data(), 3);
  if (IpiHueSaturation(context.sys(), source, destination, 30, 20, 0) != 0) return state.SkipWithError("failed");
  for (auto _ : state) benchmark::DoNotOptimize(IpiHueSaturation(context.sys(), source, destination, 30, 20, 0));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kPixels));
}

// The same change with OpenCV on the page's interleaved samples, into a
// result made once; checked once against ours.
void BM_HueSaturation_opencv(benchmark::State& state) {
  cv::setNumThreads(1);
  const std::vector<uint8_t>& planes = ColourPage();
  std::vector<uint8_t> interleaved(3 * kPixels);
  for (size_t i = 0; i < kPixels; ++i) {
    for (int k = 0; k < 3; ++k) interleaved[3 * i + k] = planes[k * kPixels + i];
  }
  const cv::Mat rgb(kHeight, kWidth, CV_8UC3, interleaved.data());
  cv::Mat out(kHeight, kWidth, CV_8UC3);
  OpenCvHueSaturation(rgb, out, 30, 20, /*is_bgr=*/false);
  Context context;
  std::vector<uint8_t> in = planes, ours(3 * kPixels);
  if (IpiHueSaturation(context.sys(), context.Image(in.data(), 3), context.Image(ours.data(), 3), 30, 20, 0) != 0) {
    return state.SkipWithError("ours failed");
  }
  size_t differing = 0;
  for (size_t i = 0; i < kPixels; ++i) {
    for (int k = 0; k < 3; ++k) differing += std::abs(out.data[3 * i + k] - ours[k * kPixels + i]) > 2 ? 1 : 0;
  }
  if (static_cast<double>(differing) > 0.001 * 3 * kPixels) return state.SkipWithError("results differ");
  for (auto _ : state) {
    OpenCvHueSaturation(rgb, out, 30, 20, /*is_bgr=*/false);
    benchmark::DoNotOptimize(out.data);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kPixels));
}

}  // namespace

BENCHMARK(BM_TableLookup_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TableLookup_opencv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ThresholdToBitmap_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ThresholdToBitmap_opencv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ThresholdToBitmap_netpbm)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FloydSteinberg_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloydSteinberg_netpbm)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Histogram_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Histogram_opencv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Equalize_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Equalize_opencv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuantizeUniform_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuantizeUniform_netpbm)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_QuantizeHistogram_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuantizeHistogram_netpbm)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HueSaturation_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HueSaturation_opencv)->Unit(benchmark::kMillisecond);
