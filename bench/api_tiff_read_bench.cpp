// Reading one TIFF page into a new packed bitmap, three sides a work: the
// read entry point (`api`), the library's read front alone filling an image
// made once (`ours`), and libtiff decoding each strip with
// TIFFReadEncodedStrip and copying its rows into a new packed bitmap
// (`libtiff`). Two pages, written by libtiff once: the A4 text page at
// 300 dpi as one G4 strip (MinIsWhite), and the scanned A4 colour page as
// plain RGB strips of libtiff's default size (a file above the size the
// reader copies into memory). The entry point's rows are compared with
// libtiff's once before timing.
#include <benchmark/benchmark.h>
#include <tiffio.h>

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
#include "interchange/dispatch/read_front.h"
#include "packed_page.h"
#include "scanned_page.h"
#include "text_page.h"
#include "temp_path.h"

namespace {

constexpr int kTextDpi = 300;

enum class Work { kG4, kRgb };

bool WriteG4File(const std::string& path, const TextPage& page) {
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  if (tif == nullptr) return false;
  SetTextPageFields(tif, page, kTextDpi);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
  std::vector<uint8_t> bits = page.bits;
  const bool ok = TIFFWriteEncodedStrip(tif, 0, bits.data(), static_cast<tmsize_t>(bits.size())) >= 0;
  TIFFClose(tif);
  return ok;
}

bool WriteRgbFile(const std::string& path) {
  const std::vector<uint8_t> planes = MakeScannedPagePlanar();
  constexpr int32_t w = kScannedPageWidth, h = kScannedPageHeight;
  const size_t plane = static_cast<size_t>(w) * h;
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  if (tif == nullptr) return false;
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
  std::vector<uint8_t> row(static_cast<size_t>(w) * 3);
  bool ok = true;
  for (int32_t y = 0; y < h && ok; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      for (size_t b = 0; b < 3; ++b) row[3 * x + b] = planes[b * plane + static_cast<size_t>(y) * w + x];
    }
    ok = TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(y), 0) == 1;
  }
  TIFFClose(tif);
  return ok;
}

struct Files {
  std::string g4 = TempPath("api_tiff_read_bench_g4.tif");
  std::string rgb = TempPath("api_tiff_read_bench_rgb.tif");
  TextPage text = MakeTextPage(kTextDpi);
  bool ok = false;
  Files() { ok = WriteG4File(g4, text) && WriteRgbFile(rgb); }
  ~Files() {
    std::remove(g4.c_str());
    std::remove(rgb.c_str());
  }
  const std::string& of(Work work) const { return work == Work::kG4 ? g4 : rgb; }
  int32_t width(Work work) const { return work == Work::kG4 ? text.width : kScannedPageWidth; }
  int32_t height(Work work) const { return work == Work::kG4 ? text.height : kScannedPageHeight; }
};

const Files& TheFiles() {
  static const Files files;
  return files;
}

int32_t BitsOf(Work work) { return work == Work::kG4 ? 1 : 24; }

HGLOBAL Api(Work work) {
  HGLOBAL image = 0;
  int32_t status = 0;
  if (CmiReadAndParse(TheFiles().of(work).c_str(), &image, 1, kCmiFormatTiff, 0, nullptr, 0, &status) != 1) return 0;
  return image;
}

// libtiff: every strip decoded into one strip buffer, its rows copied into a
// new packed bitmap (bottom-up; colour pixels as blue, green, red; the
// bilevel page with its white-black table).
HGLOBAL Peer(Work work) {
  TIFF* tif = TIFFOpen(TheFiles().of(work).c_str(), "r");
  if (tif == nullptr) return 0;
  const int32_t w = TheFiles().width(work);
  const int32_t h = TheFiles().height(work);
  const int32_t bits = BitsOf(work);
  const uint32_t palette_bytes = bits == 1 ? 8 : 0;
  const int64_t row_bytes = PackedRowBytes(w, bits);
  const size_t total = kPackedInfoHeaderBytes + palette_bytes + static_cast<size_t>(row_bytes) * h;
  HGLOBAL result = GlobalAlloc(GMEM_MOVEABLE, total);
  auto* dib = static_cast<uint8_t*>(GlobalLock(result));
  std::memset(dib, 0, kPackedInfoHeaderBytes + palette_bytes);
  PutPackedU32(dib, kPackedInfoHeaderBytes);
  PutPackedU32(dib + 4, static_cast<uint32_t>(w));
  PutPackedU32(dib + 8, static_cast<uint32_t>(h));
  dib[12] = 1;
  dib[14] = static_cast<uint8_t>(bits);
  if (bits == 1) std::memset(dib + kPackedInfoHeaderBytes, 0xFF, 3);  // entry 0 white, entry 1 black
  uint8_t* rows = dib + kPackedInfoHeaderBytes + palette_bytes;

  uint32_t rows_per_strip = 0;
  TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rows_per_strip);
  const tmsize_t strip_bytes = TIFFStripSize(tif);
  std::vector<uint8_t> strip(static_cast<size_t>(strip_bytes));
  const int64_t stored_row_bytes = bits == 1 ? (w + 7) / 8 : int64_t{3} * w;
  bool ok = true;
  for (uint32_t s = 0; s < TIFFNumberOfStrips(tif) && ok; ++s) {
    ok = TIFFReadEncodedStrip(tif, s, strip.data(), strip_bytes) >= 0;
    const int32_t first = static_cast<int32_t>(s * rows_per_strip);
    for (int32_t y = first; ok && y < h && y < first + static_cast<int32_t>(rows_per_strip); ++y) {
      const uint8_t* in = strip.data() + static_cast<size_t>(y - first) * stored_row_bytes;
      uint8_t* out = rows + static_cast<size_t>(h - 1 - y) * row_bytes;
      if (bits == 1) {
        std::memcpy(out, in, static_cast<size_t>(stored_row_bytes));
      } else {
        for (int32_t x = 0; x < w; ++x) {
          out[3 * x] = in[3 * x + 2];
          out[3 * x + 1] = in[3 * x + 1];
          out[3 * x + 2] = in[3 * x];
        }
      }
      std::memset(out + stored_row_bytes, 0, static_cast<size_t>(row_bytes - stored_row_bytes));
    }
  }
  TIFFClose(tif);
  GlobalUnlock(result);
  if (!ok) {
    GlobalFree(result);
    return 0;
  }
  return result;
}

// Whether the pixel rows of the two bitmaps are the same (their tables and
// headers may differ in fields the peer leaves 0).
bool SameRows(Work work, HGLOBAL a, HGLOBAL b) {
  const int32_t w = TheFiles().width(work);
  const int32_t h = TheFiles().height(work);
  const int32_t bits = BitsOf(work);
  const size_t rows_bytes = static_cast<size_t>(PackedRowBytes(w, bits)) * h;
  if (GlobalSize(a) != GlobalSize(b) || GlobalSize(a) < rows_bytes) return false;
  const auto* pa = static_cast<const uint8_t*>(GlobalLock(a));
  const auto* pb = static_cast<const uint8_t*>(GlobalLock(b));
  const size_t offset = GlobalSize(a) - rows_bytes;
  const bool same = std::memcmp(pa + offset, pb + offset, rows_bytes) == 0;
  GlobalUnlock(a);
  GlobalUnlock(b);
  return same;
}

std::string Check(Work work) {
  if (!TheFiles().ok) return "the files could not be written";
  const HGLOBAL ours = Api(work);
  if (ours == 0) return "entry point failed";
  const HGLOBAL peer = Peer(work);
  const bool same = peer != 0 && SameRows(work, ours, peer);
  GlobalFree(ours);
  if (peer != 0) GlobalFree(peer);
  return same ? "" : "the entry point's rows differ from libtiff's";
}

void Report(benchmark::State& state, Work work) {
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(TheFiles().width(work)) * TheFiles().height(work));
}

void BM_Api(benchmark::State& state, Work work) {
  if (const std::string error = Check(work); !error.empty()) return state.SkipWithError(error.c_str());
  for (auto _ : state) {
    const HGLOBAL result = Api(work);
    if (result == 0) return state.SkipWithError("entry point failed");
    GlobalFree(result);
  }
  Report(state, work);
}

void BM_Ours(benchmark::State& state, Work work) {
  if (!TheFiles().ok) return state.SkipWithError("the files could not be written");
  IpiSystem* sys = IpiOpenSystem(nullptr);
  const IpiAttribute shape[] = {{"repository", kRepositoryGlobalBlock}};
  IpiObject* image = IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, shape, 1);
  const char* path = TheFiles().of(work).c_str();
  for (auto _ : state) {
    if (IpiReadFile(sys, path, image, kFormatTiff, nullptr, 0) != 0) {
      state.SkipWithError("read failed");
      break;
    }
  }
  (void)IpiCloseSystem(sys);
  Report(state, work);
}

void BM_Peer(benchmark::State& state, Work work) {
  if (!TheFiles().ok) return state.SkipWithError("the files could not be written");
  TIFFSetWarningHandler(nullptr);
  for (auto _ : state) {
    const HGLOBAL result = Peer(work);
    if (result == 0) return state.SkipWithError("peer failed");
    GlobalFree(result);
  }
  Report(state, work);
}

void BM_ApiTiffG4Read_api(benchmark::State& state) { BM_Api(state, Work::kG4); }
void BM_ApiTiffG4Read_ours(benchmark::State& state) { BM_Ours(state, Work::kG4); }
void BM_ApiTiffG4Read_libtiff(benchmark::State& state) { BM_Peer(state, Work::kG4); }
void BM_ApiTiffRgbRead_api(benchmark::State& state) { BM_Api(state, Work::kRgb); }
void BM_ApiTiffRgbRead_ours(benchmark::State& state) { BM_Ours(state, Work::kRgb); }
void BM_ApiTiffRgbRead_libtiff(benchmark::State& state) { BM_Peer(state, Work::kRgb); }

}  // namespace

BENCHMARK(BM_ApiTiffG4Read_api)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiTiffG4Read_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiTiffG4Read_libtiff)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiTiffRgbRead_api)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiTiffRgbRead_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApiTiffRgbRead_libtiff)->Unit(benchmark::kMillisecond);
