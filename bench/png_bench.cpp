// PNG beside libpng (same binary, same run) on A4 pages scanned at 300 dpi
// (2480 x 3508): a colour page and a grey page, mostly white paper with
// lines of text, a photograph and some tinted boxes. Both write with zlib
// level 6, window 15, memory level 8, the filtered strategy, all five
// filters chosen per row and 8192-byte IDAT chunks; the inflated IDAT
// streams of both are compared once (the filter choices must agree). Reads
// decode every pixel: ours through the memory read front into a planar
// image in global memory, libpng with png_read_image into interleaved rows.
#include <benchmark/benchmark.h>
#include <png.h>
#include <zlib.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/object.h"
#include "core/streams/stream.h"
#include "core/system/system.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dispatch/read_front.h"
#include "interchange/png/png_codec.h"
#include "peer_writers.h"

namespace {

constexpr int kWidth = 2480;
constexpr int kHeight = 3508;

// A scanned page, interleaved (`bands` samples a pixel).
std::vector<uint8_t> MakePage(int bands) {
  std::vector<uint8_t> page(static_cast<size_t>(kWidth) * kHeight * bands, 0);
  std::mt19937 random(17);
  std::normal_distribution<double> grain(0, 2.0);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      uint8_t* px = &page[(static_cast<size_t>(y) * kWidth + x) * bands];
      double paper = 245 + grain(random);
      double v[3] = {paper, paper, paper};
      const bool text_line = y > 300 && y < 1800 && (y % 60) < 34 && x > 250 && x < 2230;
      if (text_line && ((x / 9 + y / 5) % 7 < 3) && ((x * 13 + y * 7) % 23 < 11)) v[0] = v[1] = v[2] = 30 + grain(random);
      if (y >= 1900 && y < 3000 && x >= 300 && x < 1700) {  // photograph
        for (int b = 0; b < 3; ++b) {
          v[b] = 128 + 70 * std::sin(0.004 * x + 1.1 * b) * std::cos(0.006 * y - 0.3 * b) + 20 * std::sin(0.05 * x * (b + 1)) + 3 * grain(random);
        }
      }
      if (y >= 2000 && y < 2600 && x >= 1850 && x < 2250) v[0] -= 40, v[1] -= 10, v[2] -= 90;  // tinted box
      for (int b = 0; b < bands; ++b) {
        const double s = bands == 1 ? 0.299 * v[0] + 0.587 * v[1] + 0.114 * v[2] : v[b];
        px[b] = static_cast<uint8_t>(std::lround(std::fmin(255, std::fmax(0, s))));
      }
    }
  }
  return page;
}

IpiObject* MakeImage(IpiSystem* sys, const std::vector<uint8_t>& page, int bands) {
  const IpiAttribute shape[] = {{"xDimension", kWidth}, {"yDimension", kHeight}, {"bDimension", bands},
                                {"repository", kRepositoryGlobalBlock}};
  IpiObject* image = IpiCreateObject(sys, nullptr, bands == 3 ? &kColourImageClass : &kGenericImageClass, nullptr, shape, 4);
  std::vector<uint8_t> planes(page.size());
  const size_t pixels = static_cast<size_t>(kWidth) * kHeight;
  for (size_t i = 0; i < pixels; ++i) {
    for (int b = 0; b < bands; ++b) planes[b * pixels + i] = page[i * bands + b];
  }
  IpiStream* stream = IpiOpenStream(sys, image, "w", 0);
  (void)IpiWriteBytes(sys, stream, 0, planes.data(), static_cast<int64_t>(planes.size()));
  (void)IpiCloseStream(sys, stream);
  return image;
}

uint32_t U32At(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t{b[at]} << 24 | uint32_t{b[at + 1]} << 16 | uint32_t{b[at + 2]} << 8 | b[at + 3];
}

// The file's length up to IEND, and its IDAT payloads inflated.
size_t PngLength(const std::vector<uint8_t>& file) {
  size_t at = 8;
  while (at + 12 <= file.size()) {
    const size_t next = at + 12 + U32At(file, at);
    if (std::memcmp(&file[at + 4], "IEND", 4) == 0) return next;
    at = next;
  }
  return 0;
}

std::vector<uint8_t> InflatedData(const std::vector<uint8_t>& file, size_t raw_bytes) {
  std::vector<uint8_t> coded;
  for (size_t at = 8; at + 12 <= file.size(); at += 12 + U32At(file, at)) {
    if (std::memcmp(&file[at + 4], "IDAT", 4) == 0) {
      coded.insert(coded.end(), file.begin() + static_cast<std::ptrdiff_t>(at + 8),
                   file.begin() + static_cast<std::ptrdiff_t>(at + 8 + U32At(file, at)));
    }
  }
  std::vector<uint8_t> raw(raw_bytes + 1);
  uLongf size = static_cast<uLongf>(raw.size());
  if (uncompress(raw.data(), &size, coded.data(), static_cast<uLong>(coded.size())) != Z_OK) return {};
  raw.resize(size);
  return raw;
}

// --- ours --------------------------------------------------------------------

struct Ours {
  IpiSystem* sys = nullptr;
  IpiObject* image = nullptr;
  IpiObject* file = nullptr;
  std::vector<uint8_t> out;

  explicit Ours(const std::vector<uint8_t>& page, int bands) : out(page.size() * 2 + (1 << 20)) {
    sys = IpiOpenSystem(nullptr);
    image = MakeImage(sys, page, bands);
    const IpiAttribute shape[] = {{"repository", kRepositoryCallerMemory},
                                  {"applicationAddressSpace", reinterpret_cast<intptr_t>(out.data())},
                                  {"size", static_cast<intptr_t>(out.size())},
                                  {"fileFormat", kFormatPng}};
    file = IpiCreateObject(sys, nullptr, image->object_class, image, shape, 4);
  }
  ~Ours() { IpiCloseSystem(sys); }
  bool Write() { return WritePngFile(sys, image, file) == 0; }
  std::vector<uint8_t> File() const { return {out.begin(), out.begin() + static_cast<std::ptrdiff_t>(PngLength(out))}; }
};

// --- libpng ------------------------------------------------------------------

void AppendBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}
void NoFlush(png_structp) {}

std::vector<uint8_t> LibpngWrite(const std::vector<uint8_t>& page, int bands) {
  std::vector<uint8_t> out;
  out.reserve(page.size());
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, AppendBytes, NoFlush);
  png_set_IHDR(png, info, kWidth, kHeight, 8, bands == 3 ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_GRAY,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  SetOurPngSettings(png);
  png_write_info(png, info);
  for (int y = 0; y < kHeight; ++y) png_write_row(png, &page[static_cast<size_t>(y) * kWidth * bands]);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

struct MemoryInput {
  const std::vector<uint8_t>* file;
  size_t at;
};

void ReadBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* in = static_cast<MemoryInput*>(png_get_io_ptr(png));
  if (in->at + length > in->file->size()) png_error(png, "short");
  std::memcpy(data, in->file->data() + in->at, length);
  in->at += length;
}

bool LibpngRead(const std::vector<uint8_t>& file, std::vector<uint8_t>& pixels, std::vector<png_bytep>& rows) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  MemoryInput in{&file, 0};
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, &in, ReadBytes);
  png_read_info(png, info);
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  (void)pixels;
  return true;
}

const std::vector<uint8_t>& Page(int bands) {
  static const std::vector<uint8_t> grey = MakePage(1);
  static const std::vector<uint8_t> colour = MakePage(3);
  return bands == 3 ? colour : grey;
}

void BM_PngWrite_ours(benchmark::State& state) {
  const int bands = static_cast<int>(state.range(0));
  const std::vector<uint8_t>& page = Page(bands);
  Ours ours(page, bands);
  if (!ours.Write()) return state.SkipWithError("our write failed");
  const std::vector<uint8_t> theirs = LibpngWrite(page, bands);
  const std::vector<uint8_t> mine = ours.File();
  const size_t raw_bytes = (static_cast<size_t>(kWidth) * bands + 1) * kHeight;
  const std::vector<uint8_t> a = InflatedData(mine, raw_bytes);
  const std::vector<uint8_t> b = InflatedData(theirs, raw_bytes);
  if (a.size() != raw_bytes || a != b) return state.SkipWithError("the inflated rows differ from libpng's");
  state.counters["file_bytes"] = static_cast<double>(mine.size());
  state.counters["same_file"] = mine == theirs ? 1 : 0;
  for (auto _ : state) {
    if (!ours.Write()) return state.SkipWithError("our write failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page.size()));
}

void BM_PngWrite_libpng(benchmark::State& state) {
  const int bands = static_cast<int>(state.range(0));
  const std::vector<uint8_t>& page = Page(bands);
  size_t bytes = 0;
  for (auto _ : state) {
    const std::vector<uint8_t> file = LibpngWrite(page, bands);
    bytes = file.size();
    benchmark::DoNotOptimize(file.data());
  }
  state.counters["file_bytes"] = static_cast<double>(bytes);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page.size()));
}

void BM_PngRead_ours(benchmark::State& state) {
  const int bands = static_cast<int>(state.range(0));
  const std::vector<uint8_t>& page = Page(bands);
  const std::vector<uint8_t> file = LibpngWrite(page, bands);
  IpiSystem* sys = IpiOpenSystem(nullptr);
  const IpiAttribute shape[] = {{"repository", kRepositoryGlobalBlock}};
  IpiObject* image = IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, shape, 1);
  auto read = [&] { return IpiImportImage(sys, file.data(), image, kFormatPng, static_cast<int64_t>(file.size()), nullptr, 0) == 0; };
  if (!read()) {
    IpiCloseSystem(sys);
    return state.SkipWithError("our read failed");
  }
  // Check once: the planes against the page.
  std::vector<uint8_t> planes(page.size());
  IpiStream* stream = IpiOpenStream(sys, image, "r", 0);
  (void)IpiReadBytes(sys, stream, 0, planes.data(), static_cast<int64_t>(planes.size()));
  (void)IpiCloseStream(sys, stream);
  const size_t pixels = static_cast<size_t>(kWidth) * kHeight;
  for (size_t i = 0; i < pixels; ++i) {
    for (int b = 0; b < bands; ++b) {
      if (planes[b * pixels + i] != page[i * bands + b]) {
        IpiCloseSystem(sys);
        return state.SkipWithError("our read differs from the page");
      }
    }
  }
  for (auto _ : state) {
    if (!read()) break;
  }
  IpiCloseSystem(sys);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page.size()));
}

void BM_PngRead_libpng(benchmark::State& state) {
  const int bands = static_cast<int>(state.range(0));
  const std::vector<uint8_t>& page = Page(bands);
  const std::vector<uint8_t> file = LibpngWrite(page, bands);
  std::vector<uint8_t> pixels(page.size());
  std::vector<png_bytep> rows(kHeight);
  for (int y = 0; y < kHeight; ++y) rows[y] = &pixels[static_cast<size_t>(y) * kWidth * bands];
  if (!LibpngRead(file, pixels, rows) || pixels != page) return state.SkipWithError("libpng read differs");
  for (auto _ : state) {
    if (!LibpngRead(file, pixels, rows)) break;
    benchmark::DoNotOptimize(pixels.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page.size()));
}

}  // namespace

// Argument: 3 for the colour page, 1 for the grey page.
BENCHMARK(BM_PngWrite_ours)->Arg(3)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PngWrite_libpng)->Arg(3)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PngRead_ours)->Arg(3)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PngRead_libpng)->Arg(3)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
