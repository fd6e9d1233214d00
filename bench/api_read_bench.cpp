// Reading the scanned A4 colour page (2480 x 3508) from a JPEG file (written
// by libjpeg-turbo at quality 87, 2 x 2 chroma sampling) and from a PNG file
// (written by libpng with our writer's settings), three sides a work: the read entry point returning a
// new packed bitmap (`api`), the library's read front alone filling an image
// made once (`ours`), and the peer library reading the same file into a new
// packed bitmap of 24 bits (`libjpegturbo`, `libpng`). The entry point's
// result is compared with the peer's once before timing.
#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Pelrith.h"
#include "core/codes.h"
#include "core/objects/object.h"
#include "core/system/system.h"
#include "interchange/dispatch/read_front.h"
#include "packed_page.h"
#include "peer_writers.h"
#include "scanned_page.h"
#include "temp_path.h"

namespace {

constexpr int32_t kWidth = kScannedPageWidth;
constexpr int32_t kHeight = kScannedPageHeight;
constexpr int kJpegQuality = 87;

enum class Work { kJpeg, kPng };

std::vector<uint8_t> InterleavedPage() {
  const std::vector<uint8_t> planes = MakeScannedPagePlanar();
  const size_t plane = static_cast<size_t>(kWidth) * kHeight;
  std::vector<uint8_t> rgb(plane * 3);
  for (size_t i = 0; i < plane; ++i) {
    for (size_t b = 0; b < 3; ++b) rgb[3 * i + b] = planes[b * plane + i];
  }
  return rgb;
}

bool WriteJpegFile(const std::string& path, const std::vector<uint8_t>& rgb) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool ok = WriteJpegRowsWithPeer(file, rgb.data(), kWidth, kHeight, kJpegQuality);
  return std::fclose(file) == 0 && ok;
}

bool WritePngFile(const std::string& path, const std::vector<uint8_t>& rgb) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool ok = WritePngRowsWithPeer(file, rgb.data(), kWidth, kHeight);
  return std::fclose(file) == 0 && ok;
}

// The two files, written once.
struct Files {
  std::string jpeg = TempPath("api_read_bench.jpg");
  std::string png = TempPath("api_read_bench.png");
  bool ok = false;
  Files() {
    const std::vector<uint8_t> rgb = InterleavedPage();
    ok = WriteJpegFile(jpeg, rgb) && WritePngFile(png, rgb);
  }
  ~Files() {
    std::remove(jpeg.c_str());
    std::remove(png.c_str());
  }
  const std::string& of(Work work) const { return work == Work::kJpeg ? jpeg : png; }
};

const Files& TheFiles() {
  static const Files files;
  return files;
}

HGLOBAL Api(Work work) {
  HGLOBAL image = 0;
  int32_t status = 0;
  const int32_t format = work == Work::kJpeg ? kCmiFormatJpeg : kCmiFormatPng;
  if (CmiReadAndParse(TheFiles().of(work).c_str(), &image, 1, format, 0, nullptr, 0, &status) != 1) return 0;
  return image;
}

uint8_t* RowOf(uint8_t* dib, int32_t y) {
  return dib + kPackedInfoHeaderBytes + static_cast<size_t>(kHeight - 1 - y) * PackedRowBytes(kWidth, 24);
}

HGLOBAL PeerJpeg() {
  FILE* file = std::fopen(TheFiles().jpeg.c_str(), "rb");
  if (file == nullptr) return 0;
  const HGLOBAL result = NewPackedHandle(kWidth, kHeight);
  auto* dib = static_cast<uint8_t*>(GlobalLock(result));
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, file);
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&cinfo);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = RowOf(dib, static_cast<int32_t>(cinfo.output_scanline));
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  std::fclose(file);
  GlobalUnlock(result);
  return result;
}

HGLOBAL PeerPng() {
  FILE* file = std::fopen(TheFiles().png.c_str(), "rb");
  if (file == nullptr) return 0;
  HGLOBAL result = NewPackedHandle(kWidth, kHeight);
  auto* dib = static_cast<uint8_t*>(GlobalLock(result));
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    GlobalUnlock(result);
    GlobalFree(result);
    return 0;
  }
  png_init_io(png, file);
  png_read_info(png, info);
  png_set_bgr(png);
  png_read_update_info(png, info);
  for (int32_t y = 0; y < kHeight; ++y) png_read_row(png, RowOf(dib, y), nullptr);
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(file);
  GlobalUnlock(result);
  return result;
}

HGLOBAL Peer(Work work) { return work == Work::kJpeg ? PeerJpeg() : PeerPng(); }

// The largest difference between the rows of two results.
int MaxDifference(HGLOBAL a, HGLOBAL b) {
  if (GlobalSize(a) != GlobalSize(b)) return 256;
  auto* pa = static_cast<uint8_t*>(GlobalLock(a));
  auto* pb = static_cast<uint8_t*>(GlobalLock(b));
  int largest = 0;
  for (int32_t y = 0; y < kHeight; ++y) {
    const uint8_t* ra = RowOf(pa, y);
    const uint8_t* rb = RowOf(pb, y);
    for (int32_t x = 0; x < 3 * kWidth; ++x) largest = std::max(largest, std::abs(ra[x] - rb[x]));
  }
  GlobalUnlock(a);
  GlobalUnlock(b);
  return largest;
}

std::string Check(Work work) {
  if (!TheFiles().ok) return "the files could not be written";
  const HGLOBAL ours = Api(work);
  if (ours == 0) return "entry point failed";
  const HGLOBAL peer = Peer(work);
  const int largest = peer != 0 ? MaxDifference(ours, peer) : 256;
  GlobalFree(ours);
  if (peer != 0) GlobalFree(peer);
  // Both JPEG readers are libjpeg-turbo with its default settings.
  if (largest != 0) return "the entry point's result differs from the peer's by " + std::to_string(largest);
  return "";
}

void Report(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kWidth) * kHeight);
}

void BM_Api(benchmark::State& state, Work work) {
  if (const std::string error = Check(work); !error.empty()) return state.SkipWithError(error.c_str());
  for (auto _ : state) {
    const HGLOBAL result = Api(work);
    if (result == 0) return state.SkipWithError("entry point failed");
    GlobalFree(result);
  }
  Report(state);
}

void BM_Ours(benchmark::State& state, Work work) {
  if (!TheFiles().ok) return state.SkipWithError("the files could not be written");
  IpiSystem* sys = IpiOpenSystem(nullptr);
  const IpiAttribute shape[] = {{"repository", kRepositoryGlobalBlock}};
  IpiObject* image = IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, shape, 1);
  const int32_t format = work == Work::kJpeg ? kFormatJpegLib : kFormatPng;
  const char* path = TheFiles().of(work).c_str();
  for (auto _ : state) {
    if (IpiReadFile(sys, path, image, format, nullptr, 0) != 0) {
      state.SkipWithError("read failed");
      break;
    }
  }
  (void)IpiCloseSystem(sys);
  Report(state);
}

void BM_Peer(benchmark::State& state, Work work) {
  if (!TheFiles().ok) return state.SkipWithError("the files could not be written");
  for (auto _ : state) {
    const HGLOBAL result = Peer(work);
    if (result == 0) return state.SkipWithError("peer failed");
    GlobalFree(result);
  }
  Report(state);
}

void BM_ApiJpegRead_api(benchmark::State& state) { BM_Api(state, Work::kJpeg); }
void BM_ApiJpegRead_ours(benchmark::State& state) { BM_Ours(state, Work::kJpeg); }
void BM_ApiJpegRead_libjpegturbo(benchmark::State& state) { BM_Peer(state, Work::kJpeg); }
void BM_ApiPngRead_api(benchmark::State& state) { BM_Api(state, Work::kPng); }
void BM_ApiPngRead_ours(benchmark::State& state) { BM_Ours(state, Work::kPng); }
void BM_ApiPngRead_libpng(benchmark::State& state) { BM_Peer(state, Work::kPng); }

}  // namespace

BENCHMARK(BM_ApiJpegRead_api)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiJpegRead_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiJpegRead_libjpegturbo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiPngRead_api)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiPngRead_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiPngRead_libpng)->Unit(benchmark::kMillisecond);
