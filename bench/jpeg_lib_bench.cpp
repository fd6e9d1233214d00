// The libjpeg road (fileFormat 274) beside libjpeg-turbo's API called
// directly, same binary, same run, on an A4 page at 300 dpi in colour: both
// write quality 75, 4:2:0, baseline, from the same planar samples into a
// memory buffer (so the files must be byte for byte the same), and both read
// that file back into planar samples with libjpeg's default decoding. The
// difference is the overhead of our glue: managers, error handling, row
// spreading. PCX coding of the same page is timed alone.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/object.h"
#include "core/streams/stream.h"
#include "core/system/system.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/jpeg_lib/jpeg_lib_file.h"
#include "interchange/pcx/pcx_codec.h"
#include "scanned_page.h"

namespace {

constexpr int kWidth = kScannedPageWidth;
constexpr int kHeight = kScannedPageHeight;
constexpr int kQuality = 75;
constexpr size_t kPlane = static_cast<size_t>(kWidth) * kHeight;

// --- libjpeg-turbo called directly ----------------------------------------------------

size_t PeerWrite(const std::vector<uint8_t>& planar, std::vector<uint8_t>& out) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = out.data();
  unsigned long size = out.size();
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = kWidth;
  cinfo.image_height = kHeight;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, kQuality, TRUE);
  cinfo.comp_info[0].h_samp_factor = cinfo.comp_info[0].v_samp_factor = 2;
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<uint8_t> row(static_cast<size_t>(kWidth) * 3);
  while (cinfo.next_scanline < cinfo.image_height) {
    const size_t offset = static_cast<size_t>(cinfo.next_scanline) * kWidth;
    for (int x = 0; x < kWidth; ++x) {
      for (size_t b = 0; b < 3; ++b) row[3 * x + b] = planar[b * kPlane + offset + x];
    }
    JSAMPROW rows = row.data();
    jpeg_write_scanlines(&cinfo, &rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  // A buffer that was too small has been replaced by one libjpeg allocated.
  if (buffer != out.data()) {
    out.assign(buffer, buffer + size);
    std::free(buffer);
  }
  return size;
}

void PeerRead(const std::vector<uint8_t>& file, std::vector<uint8_t>& planar) {
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, file.data(), file.size());
  jpeg_read_header(&cinfo, TRUE);
  jpeg_start_decompress(&cinfo);
  std::vector<uint8_t> row(static_cast<size_t>(cinfo.output_width) * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    const size_t offset = static_cast<size_t>(cinfo.output_scanline) * kWidth;
    JSAMPROW rows = row.data();
    jpeg_read_scanlines(&cinfo, &rows, 1);
    for (int x = 0; x < kWidth; ++x) {
      for (size_t b = 0; b < 3; ++b) planar[b * kPlane + offset + x] = row[3 * x + b];
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
}

// --- ours -------------------------------------------------------------------------------

struct Fixture {
  IpiSystem* sys = nullptr;
  IpiObject* image = nullptr;  // the page, planar
  IpiObject* target = nullptr; // a prepared image to read into
  std::vector<uint8_t> planar;
  std::vector<uint8_t> file_memory;  // our writer's destination
  std::vector<uint8_t> file;         // the JPEG file both readers read
  std::string error;
};

IpiObject* MakeColourImage(IpiSystem* sys) {
  const IpiAttribute shape[] = {{"xDimension", kWidth}, {"yDimension", kHeight}, {"bDimension", 3},
                                {"repository", kRepositoryGlobalBlock}};
  return IpiCreateObject(sys, nullptr, &kColourImageClass, nullptr, shape, 4);
}

std::vector<uint8_t> ReadObject(IpiSystem* sys, IpiObject* obj, int64_t count) {
  std::vector<uint8_t> bytes(static_cast<size_t>(count));
  IpiStream* stream = IpiOpenStream(sys, obj, "r", 0);
  if (stream == nullptr || IpiReadBytes(sys, stream, 0, bytes.data(), count) != count) bytes.clear();
  (void)IpiCloseStream(sys, stream);
  return bytes;
}

// The file object of one write: caller memory, as large as the page. Its
// "size" becomes the file's length.
int OursWrite(Fixture& f, int64_t* file_bytes) {
  const IpiAttribute shape[] = {{"fileFormat", kFormatJpegLib},
                                {"quarityFactor", kQuality},
                                {"samplingFactor", kJpegLibSampling2x2},
                                {"repository", kRepositoryCallerMemory},
                                {"applicationAddressSpace", reinterpret_cast<intptr_t>(f.file_memory.data())},
                                {"size", static_cast<intptr_t>(f.file_memory.size())}};
  IpiObject* file = IpiCreateObject(f.sys, nullptr, &kColourImageClass, f.image, shape, 6);
  if (file == nullptr) return -1;
  const int status = WriteJpegLibFile(f.sys, f.image, file);
  *file_bytes = file->fields.size;
  (void)IpiDeleteObject(f.sys, file);
  return status;
}

int OursRead(Fixture& f) {
  const IpiAttribute shape[] = {{"repository", kRepositoryCallerMemory},
                                {"applicationAddressSpace", reinterpret_cast<intptr_t>(f.file.data())},
                                {"size", static_cast<intptr_t>(f.file.size())}};
  IpiObject* source = IpiCreateObject(f.sys, nullptr, &kColourImageClass, f.target, shape, 3);
  if (source == nullptr) return -1;
  const int status = ReadJpegLibFile(f.sys, source, f.target, kReadModeData);
  (void)IpiDeleteObject(f.sys, source);
  return status;
}

// Builds the page, writes and reads it once each way and checks that both
// roads agree byte for byte before anything is timed.
Fixture& TheFixture() {
  static Fixture f = [] {
    Fixture x;
    x.sys = IpiOpenSystem(nullptr);
    x.planar = MakeScannedPagePlanar();
    x.image = MakeColourImage(x.sys);
    IpiStream* stream = IpiOpenStream(x.sys, x.image, "w", 0);
    (void)IpiWriteBytes(x.sys, stream, 0, x.planar.data(), static_cast<int64_t>(x.planar.size()));
    (void)IpiCloseStream(x.sys, stream);
    x.target = MakeColourImage(x.sys);
    x.file_memory.assign(x.planar.size(), 0);
    int64_t file_bytes = 0;
    if (OursWrite(x, &file_bytes) != 0) {
      x.error = "our writer failed";
      return x;
    }
    x.file.assign(x.file_memory.begin(), x.file_memory.begin() + file_bytes);
    std::vector<uint8_t> peer_file(x.planar.size());
    peer_file.resize(PeerWrite(x.planar, peer_file));
    if (peer_file != x.file) {
      x.error = "the two files differ";
      return x;
    }
    if (OursRead(x) != 0) {
      x.error = "our reader failed";
      return x;
    }
    std::vector<uint8_t> peer_planar(x.planar.size());
    PeerRead(x.file, peer_planar);
    if (ReadObject(x.sys, x.target, static_cast<int64_t>(x.planar.size())) != peer_planar) {
      x.error = "the two decodes differ";
    }
    return x;
  }();
  return f;
}

void BM_JpegLibWrite_ours(benchmark::State& state) {
  Fixture& f = TheFixture();
  if (!f.error.empty()) return state.SkipWithError(f.error.c_str());
  int64_t file_bytes = 0;
  for (auto _ : state) {
    if (OursWrite(f, &file_bytes) != 0) return state.SkipWithError("write failed");
  }
  state.counters["file_bytes"] = static_cast<double>(file_bytes);
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_JpegLibWrite_libjpegturbo(benchmark::State& state) {
  Fixture& f = TheFixture();
  if (!f.error.empty()) return state.SkipWithError(f.error.c_str());
  std::vector<uint8_t> out(f.planar.size());
  for (auto _ : state) benchmark::DoNotOptimize(PeerWrite(f.planar, out));
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_JpegLibRead_ours(benchmark::State& state) {
  Fixture& f = TheFixture();
  if (!f.error.empty()) return state.SkipWithError(f.error.c_str());
  for (auto _ : state) {
    if (OursRead(f) != 0) return state.SkipWithError("read failed");
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_JpegLibRead_libjpegturbo(benchmark::State& state) {
  Fixture& f = TheFixture();
  if (!f.error.empty()) return state.SkipWithError(f.error.c_str());
  std::vector<uint8_t> planar(f.planar.size());
  for (auto _ : state) {
    PeerRead(f.file, planar);
    benchmark::DoNotOptimize(planar.data());
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

// --- PCX, alone ---------------------------------------------------------------------------

struct PcxFixture {
  IpiObject* coded = nullptr;
  std::vector<uint8_t> memory;  // escaped bytes can double the page
  std::string error;
};

PcxFixture& ThePcxFixture() {
  static PcxFixture p = [] {
    PcxFixture x;
    Fixture& f = TheFixture();
    x.memory.assign(f.planar.size() * 2 + 65536, 0);
    const IpiAttribute shape[] = {{"fileFormat", kFormatPcx},
                                  {"compression", kCompressionPcxRunLength},
                                  {"repository", kRepositoryCallerMemory},
                                  {"applicationAddressSpace", reinterpret_cast<intptr_t>(x.memory.data())},
                                  {"size", static_cast<intptr_t>(x.memory.size())}};
    x.coded = IpiCreateObject(f.sys, nullptr, &kColourImageClass, f.image, shape, 5);
    if (x.coded == nullptr || EncodePcxRle(f.sys, f.image, x.coded) != 0) x.error = "PCX encode failed";
    return x;
  }();
  return p;
}

void BM_PcxEncode_ours(benchmark::State& state) {
  Fixture& f = TheFixture();
  PcxFixture& p = ThePcxFixture();
  if (!p.error.empty()) return state.SkipWithError(p.error.c_str());
  int64_t coded_bytes = 0;
  for (auto _ : state) {
    // The encoder sets "size" to the bytes it wrote; the memory's bound comes back each time.
    (void)IpiSetAttribute(f.sys, p.coded, "size", static_cast<intptr_t>(p.memory.size()));
    if (EncodePcxRle(f.sys, f.image, p.coded) != 0) return state.SkipWithError("encode failed");
    coded_bytes = p.coded->fields.size;
  }
  state.counters["coded_bytes"] = static_cast<double>(coded_bytes);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(f.planar.size()));
}

void BM_PcxDecode_ours(benchmark::State& state) {
  Fixture& f = TheFixture();
  PcxFixture& p = ThePcxFixture();
  if (!p.error.empty()) return state.SkipWithError(p.error.c_str());
  for (auto _ : state) {
    if (DecodePcxRle(f.sys, p.coded, f.target) != 0) return state.SkipWithError("decode failed");
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(f.planar.size()));
}

BENCHMARK(BM_JpegLibWrite_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegLibWrite_libjpegturbo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegLibRead_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegLibRead_libjpegturbo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PcxEncode_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PcxDecode_ours)->Unit(benchmark::kMillisecond);

}  // namespace
