// Writing an A4 page at 300 dpi to a file, three sides a work: the
// file-writing entry point from a packed bitmap (`api`), the library's write
// front alone from an image made once (`ours`), and the peer library (`libjpegturbo`,
// quality 87 with 2 x 2 chroma sampling, `libpng` with the same zlib settings
// and filters as our writer, `libtiff` for G4). A colour page goes to JPEG
// and PNG, a bilevel page to a G4 TIFF. Every side replaces its file the same
// way: a temporary beside the target, flushed to disk, renamed over it. The
// decoded files are compared once before timing.
#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Pelrith.h"
#include "core/codes.h"
#include "core/objects/object.h"
#include "core/system/system.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dispatch/write_front.h"
#include "peer_file.h"
#include "peer_writers.h"
#include "temp_path.h"

namespace {

constexpr int kWidth = 2480;   // 8.27 in at 300 dpi
constexpr int kHeight = 3508;  // 11.69 in
constexpr int kJpegQuality = 87;
constexpr int32_t kJpegSampling2x2 = 240;  // the library's code for 2 x 2 chroma sampling

// A smooth colour page with some texture, top row first, RGB.
const std::vector<uint8_t>& ColourRows() {
  static const std::vector<uint8_t> rows = [] {
    std::vector<uint8_t> out(static_cast<size_t>(kWidth) * kHeight * 3);
    uint32_t state = 7;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        state = state * 1103515245u + 12345u;
        const int noise = static_cast<int>(state >> 28);
        uint8_t* p = &out[(static_cast<size_t>(y) * kWidth + x) * 3];
        p[0] = static_cast<uint8_t>((x * 255 / kWidth + noise) & 0xFF);
        p[1] = static_cast<uint8_t>((y * 255 / kHeight + noise) & 0xFF);
        p[2] = static_cast<uint8_t>(((x + y) / 16 + noise) & 0xFF);
      }
    }
    return out;
  }();
  return rows;
}

// A bilevel page of text-like strokes: 1 = black, top row first, MSB first.
const std::vector<uint8_t>& BilevelRows() {
  static const std::vector<uint8_t> rows = [] {
    const int row_bytes = kWidth / 8;
    std::vector<uint8_t> out(static_cast<size_t>(row_bytes) * kHeight, 0);
    uint32_t state = 12345;
    for (int top = 300; top + 42 < kHeight - 300; top += 72) {
      for (int x = 300; x + 36 < kWidth - 300; x += 36) {
        state = state * 1103515245u + 12345u;
        if ((state >> 29) == 0) continue;  // a space between words
        for (int gy = 0; gy < 42; ++gy) {
          for (int gx = 0; gx < 30; ++gx) {
            if (((state >> ((gy / 6 * 5 + gx / 6) % 31)) & 1) == 0) continue;
            const int at = x + gx;
            out[static_cast<size_t>(top + gy) * row_bytes + at / 8] |= static_cast<uint8_t>(0x80 >> (at % 8));
          }
        }
      }
    }
    return out;
  }();
  return rows;
}

void PutU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// The page as a packed bitmap handle: 24-bit BGR, or 1-bit with the palette
// (white, black) or (black, white), rows bottom-up.
HGLOBAL MakeHandle(bool is_bilevel, bool black_first) {
  const int bits = is_bilevel ? 1 : 24;
  const size_t row = static_cast<size_t>((kWidth * bits + 31) / 32 * 4);
  const size_t palette = is_bilevel ? 8 : 0;
  const HGLOBAL handle = GlobalAlloc(GHND, 40 + palette + row * kHeight);
  auto* p = static_cast<uint8_t*>(GlobalLock(handle));
  PutU32(p, 40);
  PutU32(p + 4, kWidth);
  PutU32(p + 8, kHeight);
  p[12] = 1;
  p[14] = static_cast<uint8_t>(bits);
  uint8_t* rows = p + 40 + palette;
  if (is_bilevel) {
    const uint8_t white = black_first ? 4 : 0;
    std::memset(p + 40 + white, 255, 3);
    const std::vector<uint8_t>& src = BilevelRows();
    for (int y = 0; y < kHeight; ++y) {
      const uint8_t* in = &src[static_cast<size_t>(kHeight - 1 - y) * (kWidth / 8)];
      for (int i = 0; i < kWidth / 8; ++i) rows[y * row + i] = black_first ? static_cast<uint8_t>(~in[i]) : in[i];
    }
  } else {
    const std::vector<uint8_t>& src = ColourRows();
    for (int y = 0; y < kHeight; ++y) {
      const uint8_t* in = &src[static_cast<size_t>(kHeight - 1 - y) * kWidth * 3];
      uint8_t* out = rows + y * row;
      for (int x = 0; x < kWidth; ++x) {
        out[3 * x] = in[3 * x + 2];
        out[3 * x + 1] = in[3 * x + 1];
        out[3 * x + 2] = in[3 * x];
      }
    }
  }
  GlobalUnlock(handle);
  return handle;
}

bool WriteOurs(HGLOBAL handle, const std::string& path, int32_t format, const std::vector<IpiAttributePair>& options) {
  int32_t status = 0;
  return CmiGenerateAndWrite(&handle, 1, path.c_str(), format, options.data(),
                             static_cast<int32_t>(options.size()), &status) == 0;
}

bool WriteJpegPeer(const std::string& path) {
  FILE* file = std::fopen(PeerTemporary(path).c_str(), "wb");
  if (file == nullptr) return false;
  const bool ok = WriteJpegRowsWithPeer(file, ColourRows().data(), kWidth, kHeight, kJpegQuality);
  return ReplaceWithTemporary(path, std::fclose(file) == 0 && ok);
}

bool WritePngPeer(const std::string& path) {
  FILE* file = std::fopen(PeerTemporary(path).c_str(), "wb");
  if (file == nullptr) return false;
  const bool ok = WritePngRowsWithPeer(file, ColourRows().data(), kWidth, kHeight);
  return ReplaceWithTemporary(path, std::fclose(file) == 0 && ok);
}

bool WriteG4Peer(const std::string& path) {
  TIFF* tif = TIFFOpen(PeerTemporary(path).c_str(), "w");
  if (tif == nullptr) return false;
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kWidth);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kHeight);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, kHeight);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
  const std::vector<uint8_t>& src = BilevelRows();
  bool ok = TIFFWriteEncodedStrip(tif, 0, const_cast<uint8_t*>(src.data()), static_cast<tmsize_t>(src.size())) >= 0;
  TIFFClose(tif);
  return ReplaceWithTemporary(path, ok);
}

// Both files decode to the same pixels (JPEG: the same size and close
// samples), checked once with the oracle tools before timing.
bool SameImage(const std::string& ours, const std::string& peer, const char* decoder, int tolerance) {
  auto decode = [&](const std::string& path) {
    std::string out;
    FILE* pipe = popen((std::string(decoder) + " '" + path + "' 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return out;
    char buffer[65536];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, got);
    pclose(pipe);
    return out;
  };
  const std::string a = decode(ours), b = decode(peer);
  if (a.empty() || a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::abs(static_cast<uint8_t>(a[i]) - static_cast<uint8_t>(b[i])) > tolerance) return false;
  }
  return true;
}

enum Which { kJpeg, kPng, kG4 };

// The write front alone: the page as an image over memory made once (three
// planes, or one bit a sample with 1 for black), written with the pairs the
// entry point hands on.
class FrontWriter {
 public:
  explicit FrontWriter(Which which) : which_(which) {
    sys_ = IpiOpenSystem(nullptr);
    const bool is_bilevel = which == kG4;
    if (is_bilevel) {
      data_ = BilevelRows();
    } else {
      const std::vector<uint8_t>& rgb = ColourRows();
      const size_t plane = static_cast<size_t>(kWidth) * kHeight;
      data_.resize(plane * 3);
      for (size_t i = 0; i < plane; ++i) {
        for (size_t b = 0; b < 3; ++b) data_[b * plane + i] = rgb[3 * i + b];
      }
    }
    const IpiAttribute list[] = {{"xDimension", kWidth},
                                 {"yDimension", kHeight},
                                 {"bDimension", is_bilevel ? 1 : 3},
                                 {"dataType", is_bilevel ? kDataTypeBoolean : kDataTypeNonnegative},
                                 {"dataPrecision", is_bilevel ? 1 : 8},
                                 {"repository", kRepositoryCallerMemory},
                                 {"applicationAddressSpace", reinterpret_cast<intptr_t>(data_.data())},
                                 {"size", static_cast<intptr_t>(data_.size())},
                                 {"inited", 1}};
    image_ = IpiCreateObject(sys_, nullptr, is_bilevel ? &kGenericImageClass : &kColourImageClass, nullptr, list, 9);
  }
  ~FrontWriter() { (void)IpiCloseSystem(sys_); }

  bool Write(const std::string& path) {
    switch (which_) {
      case kJpeg: {
        const IpiAttribute pairs[] = {{"compression", kCompressionNone},
                                      {"progressive", 0},
                                      {"quarityFactor", kJpegQuality},
                                      {"samplingFactor", kJpegSampling2x2}};
        return IpiWriteFile(sys_, image_, path.c_str(), kFormatJpegLib, pairs, 4) == 0;
      }
      case kPng: {
        const IpiAttribute pairs[] = {{"interlacedImage", 0}};
        return IpiWriteFile(sys_, image_, path.c_str(), kFormatPng, pairs, 1) == 0;
      }
      case kG4: {
        const IpiAttribute pairs[] = {{"compression", kCompressionCcittMmr}, {"k", 4}};
        return IpiWriteFile(sys_, image_, path.c_str(), kFormatTiff, pairs, 2) == 0;
      }
    }
    return false;
  }

 private:
  Which which_;
  IpiSystem* sys_ = nullptr;
  std::vector<uint8_t> data_;
  IpiObject* image_ = nullptr;
};

const char* OurPath(Which which) {
  return which == kJpeg ? "api_bench_ours.jpg" : which == kPng ? "api_bench_ours.png" : "api_bench_ours.tif";
}

bool WritePeer(Which which, const std::string& path) {
  return which == kJpeg ? WriteJpegPeer(path) : which == kPng ? WritePngPeer(path) : WriteG4Peer(path);
}

// Whether a file of ours decodes as the peer's does.
bool SameAsPeer(Which which, const std::string& ours) {
  const std::string peer = TempPath("api_bench_peer");
  bool ok = WritePeer(which, peer);
  ok = ok && SameImage(ours, peer, which == kJpeg ? "djpeg -pnm" : which == kPng ? "pngtopnm" : "tifftopnm -quiet",
                       which == kJpeg ? 8 : 0);
  std::remove(peer.c_str());
  return ok;
}

void Report(benchmark::State& state) { state.SetItemsProcessed(state.iterations() * kWidth * kHeight); }

// Arg of G4: 0 palette white-then-black (stored as it is), 1 black-then-white (inverted first).
void RunApi(benchmark::State& state, Which which, bool black_first) {
  const HGLOBAL handle = MakeHandle(which == kG4, black_first);
  const std::string path = TempPath(OurPath(which));
  const int32_t format = which == kJpeg ? kCmiFormatJpeg : which == kPng ? kCmiFormatPng : kCmiFormatTiff;
  const std::vector<IpiAttributePair> options =
      which == kG4 ? std::vector<IpiAttributePair>{{"compression", 29}} : std::vector<IpiAttributePair>{};
  if (!WriteOurs(handle, path, format, options) || !SameAsPeer(which, path)) {
    state.SkipWithError("our file differs from the peer's, or a write failed");
  }
  for (auto _ : state) {
    if (!WriteOurs(handle, path, format, options)) state.SkipWithError("write failed");
  }
  std::remove(path.c_str());
  GlobalFree(handle);
  Report(state);
}

void RunFront(benchmark::State& state, Which which) {
  FrontWriter writer(which);
  const std::string path = TempPath(OurPath(which));
  if (!writer.Write(path) || !SameAsPeer(which, path)) {
    state.SkipWithError("the write front's file differs from the peer's, or a write failed");
  }
  for (auto _ : state) {
    if (!writer.Write(path)) state.SkipWithError("write failed");
  }
  std::remove(path.c_str());
  Report(state);
}

void RunPeer(benchmark::State& state, Which which) {
  const std::string path = TempPath("api_bench_peer_timed");
  for (auto _ : state) {
    if (!WritePeer(which, path)) state.SkipWithError("write failed");
  }
  std::remove(path.c_str());
  Report(state);
}

void BM_ApiJpegWrite_api(benchmark::State& state) { RunApi(state, kJpeg, false); }
void BM_ApiJpegWrite_ours(benchmark::State& state) { RunFront(state, kJpeg); }
void BM_ApiJpegWrite_libjpegturbo(benchmark::State& state) { RunPeer(state, kJpeg); }
void BM_ApiPngWrite_api(benchmark::State& state) { RunApi(state, kPng, false); }
void BM_ApiPngWrite_ours(benchmark::State& state) { RunFront(state, kPng); }
void BM_ApiPngWrite_libpng(benchmark::State& state) { RunPeer(state, kPng); }
// The palette white-then-black is stored as it is; black-then-white is
// complemented by the coder on the way.
void BM_ApiG4Write_api(benchmark::State& state) { RunApi(state, kG4, false); }
void BM_ApiG4WriteBlackFirst_api(benchmark::State& state) { RunApi(state, kG4, true); }
void BM_ApiG4Write_ours(benchmark::State& state) { RunFront(state, kG4); }
void BM_ApiG4Write_libtiff(benchmark::State& state) { RunPeer(state, kG4); }
void BM_ApiG4WriteBlackFirst_libtiff(benchmark::State& state) { RunPeer(state, kG4); }

}  // namespace

BENCHMARK(BM_ApiJpegWrite_api)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiJpegWrite_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiJpegWrite_libjpegturbo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiPngWrite_api)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiPngWrite_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiPngWrite_libpng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiG4Write_api)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiG4Write_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiG4Write_libtiff)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiG4WriteBlackFirst_api)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiG4WriteBlackFirst_libtiff)->Unit(benchmark::kMillisecond);
