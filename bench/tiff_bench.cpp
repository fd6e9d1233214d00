// Writing and reading TIFF files beside libtiff (same binary, same run): an
// A4 page at 300 dpi, grey (8 bits) and bilevel (1 bit), plain and PackBits,
// as one page and as ten pages in one file. Writing: both sides replace the
// file the same way (a temporary beside the target, flushed to disk, renamed
// over it); before timing, both files are read back with libtiff and their
// pages compared. Reading: both sides read the same file, written by
// libtiff, into page buffers that the previous read left behind (ours takes
// up the blocks it freed, libtiff's side keeps its vectors); before timing,
// the pages are compared.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <tiffio.h>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/composite_array.h"
#include "core/objects/object.h"
#include "core/streams/stream.h"
#include "core/system/system.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dispatch/read_front.h"
#include "interchange/dispatch/write_front.h"
#include "peer_file.h"
#include "temp_path.h"

namespace {

constexpr int kWidth = 2480;  // A4 at 300 dpi
constexpr int kHeight = 3508;

using Bytes = std::vector<uint8_t>;

// A scanned grey page: plain paper, lines of dark text strokes, a photograph
// with sensor noise.
Bytes MakeGreyPage() {
  Bytes page(static_cast<size_t>(kWidth) * kHeight, 240);
  std::mt19937 random(3);
  std::uniform_int_distribution<int> noise(-6, 6);
  for (int y = 0; y < kHeight; ++y) {
    uint8_t* row = page.data() + static_cast<size_t>(y) * kWidth;
    for (int x = 0; x < kWidth; ++x) {
      if (y > 2400 && y < 3200 && x > 300 && x < 2180) {
        row[x] = static_cast<uint8_t>(std::clamp(60 + (x / 7 + y / 5) % 140 + noise(random), 0, 255));
      } else if (y > 300 && y < 2300 && ((y - 300) % 50) < 28 && x > 200 && x < 2280) {
        if (((x * 7 + y * 3) % 23) < 5 || ((x / 11 + y / 5) % 9) == 0) row[x] = 25;
      }
    }
  }
  return page;
}

// The grey page thresholded: 1 for paper (white), packed most significant bit
// first; 2480 pixels are whole bytes, so rows need no padding.
Bytes MakeBilevelPage(const Bytes& grey) {
  Bytes bits(grey.size() / 8, 0);
  for (size_t i = 0; i < grey.size(); ++i) {
    if (grey[i] >= 128) bits[i / 8] = static_cast<uint8_t>(bits[i / 8] | (0x80 >> (i % 8)));
  }
  return bits;
}

struct Case {
  bool is_bilevel;
  bool is_packbits;
  int pages;
};
Case CaseOf(const benchmark::State& state) {
  return {state.range(0) != 0, state.range(1) != 0, static_cast<int>(state.range(2))};
}

std::string TargetPath(const char* side) { return TempPath(std::string("tiff_bench_") + side + ".tif"); }

struct Pages {
  Bytes grey = MakeGreyPage();
  Bytes bilevel = MakeBilevelPage(grey);
  const Bytes& Of(const Case& c) const { return c.is_bilevel ? bilevel : grey; }
};
const Pages& SharedPages() {
  static const Pages pages;
  return pages;
}

// --- ours -------------------------------------------------------------------------------

struct OurSide {
  IpiSystem* sys = IpiOpenSystem(nullptr);
  IpiObject* grey = nullptr;
  IpiObject* bilevel = nullptr;
  IpiObject* grey_pages = nullptr;
  IpiObject* bilevel_pages = nullptr;

  OurSide() {
    grey = MakeImage(kDataTypeNonnegative, 8, SharedPages().grey);
    bilevel = MakeImage(kDataTypeBoolean, 1, SharedPages().bilevel);
    grey_pages = MakeTen(grey);
    bilevel_pages = MakeTen(bilevel);
  }
  ~OurSide() { IpiCloseSystem(sys); }

  IpiObject* MakeImage(int32_t data_type, int32_t precision, const Bytes& data) {
    const IpiAttribute shape[] = {{"dataType", data_type},  {"dataPrecision", precision},
                                  {"xDimension", kWidth},   {"yDimension", kHeight},
                                  {"repository", kRepositoryGlobalBlock}};
    IpiObject* image = IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, shape, 5);
    IpiStream* s = IpiOpenStream(sys, image, "w", 0);
    (void)IpiWriteBytes(sys, s, 0, data.data(), static_cast<int64_t>(data.size()));
    (void)IpiCloseStream(sys, s);
    return image;
  }
  IpiObject* MakeTen(IpiObject* page) {
    const IpiAttribute shape[] = {{"entries", 10}};
    IpiObject* array = IpiCreateObject(sys, nullptr, &kCompositeIdArrayClass, nullptr, shape, 1);
    for (int i = 0; i < 10; ++i) (void)IpiPutCompositeElement(sys, page, array, i);
    return array;
  }

  int Write(const Case& c, const std::string& path) {
    IpiObject* image = c.pages == 1 ? (c.is_bilevel ? bilevel : grey) : (c.is_bilevel ? bilevel_pages : grey_pages);
    const uint32_t dpi[2] = {300, 1};
    const IpiAttribute pairs[] = {{"compression", c.is_packbits ? kCompressionPackBits : kCompressionNone},
                                  {"xResolution", reinterpret_cast<intptr_t>(dpi)},
                                  {"yResolution", reinterpret_cast<intptr_t>(dpi)}};
    return IpiWriteFile(sys, image, path.c_str(), kFormatTiff, pairs, 3);
  }
};

OurSide& Ours() {
  static OurSide side;
  return side;
}

// --- libtiff ------------------------------------------------------------------------

bool WriteWithLibtiff(const Case& c, const std::string& path) {
  TIFF* tif = TIFFOpen(PeerTemporary(path).c_str(), "w");
  if (tif == nullptr) return false;
  const Bytes& page = SharedPages().Of(c);
  bool ok = true;
  for (int p = 0; p < c.pages && ok; ++p) {
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kWidth);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kHeight);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, c.is_bilevel ? 1 : 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, c.is_packbits ? COMPRESSION_PACKBITS : COMPRESSION_NONE);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, kHeight);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, 300.0);
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, 300.0);
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    if (c.pages > 1) {
      TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
      TIFFSetField(tif, TIFFTAG_PAGENUMBER, p, c.pages);
    }
    ok = TIFFWriteEncodedStrip(tif, 0, const_cast<uint8_t*>(page.data()), static_cast<tmsize_t>(page.size())) >= 0 &&
         TIFFWriteDirectory(tif) != 0;
  }
  TIFFClose(tif);
  return ReplaceWithTemporary(path, ok);
}

// Every page of a file as libtiff decodes it.
std::vector<Bytes> ReadPages(const std::string& path) {
  std::vector<Bytes> pages;
  TIFF* tif = TIFFOpen(path.c_str(), "r");
  if (tif == nullptr) return pages;
  do {
    Bytes page(static_cast<size_t>(TIFFScanlineSize(tif)) * kHeight);
    for (uint32_t y = 0; y < kHeight; ++y) {
      if (TIFFReadScanline(tif, page.data() + static_cast<size_t>(y) * TIFFScanlineSize(tif), y) < 0) break;
    }
    pages.push_back(std::move(page));
  } while (TIFFReadDirectory(tif) != 0);
  TIFFClose(tif);
  return pages;
}

bool SameFiles(const Case& c) {
  const std::string ours = TargetPath("ours");
  const std::string theirs = TargetPath("libtiff");
  if (Ours().Write(c, ours) != 0 || !WriteWithLibtiff(c, theirs)) return false;
  const std::vector<Bytes> our_pages = ReadPages(ours);
  return static_cast<int>(our_pages.size()) == c.pages && our_pages == ReadPages(theirs) &&
         our_pages.front() == SharedPages().Of(c);
}

void Report(benchmark::State& state, const Case& c) {
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(SharedPages().Of(c).size()) * c.pages);
}

void BM_TiffWrite_ours(benchmark::State& state) {
  const Case c = CaseOf(state);
  if (!SameFiles(c)) state.SkipWithError("ours and libtiff's files differ");
  const std::string path = TargetPath("ours");
  for (auto _ : state) {
    if (Ours().Write(c, path) != 0) state.SkipWithError("write failed");
  }
  Report(state, c);
}

void BM_TiffWrite_libtiff(benchmark::State& state) {
  const Case c = CaseOf(state);
  const std::string path = TargetPath("libtiff");
  for (auto _ : state) {
    if (!WriteWithLibtiff(c, path)) state.SkipWithError("write failed");
  }
  Report(state, c);
}

// Arguments: bilevel, PackBits, pages.
void Cases(benchmark::internal::Benchmark* b) {
  b->ArgNames({"bilevel", "packbits", "pages"});
  for (int bilevel : {0, 1}) {
    for (int packbits : {0, 1}) {
      for (int pages : {1, 10}) b->Args({bilevel, packbits, pages});
    }
  }
  b->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(BM_TiffWrite_ours)->Apply(Cases);
BENCHMARK(BM_TiffWrite_libtiff)->Apply(Cases);

// --- reading ------------------------------------------------------------------------

std::string ReadPath(const Case& c) {
  return TargetPath((std::string("read_") + (c.is_bilevel ? "b" : "g") + (c.is_packbits ? "p" : "n") +
                     std::to_string(c.pages)).c_str());
}

// Our pages: one image per page, each holding its page in a global block
// that the read replaces.
struct OurReader {
  IpiObject* image = nullptr;
  IpiObject* pages = nullptr;

  explicit OurReader(IpiSystem* sys) {
    const IpiAttribute shape[] = {{"repository", kRepositoryGlobalBlock}};
    image = IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, shape, 1);
    const IpiAttribute ten[] = {{"entries", 10}};
    pages = IpiCreateObject(sys, nullptr, &kCompositeIdArrayClass, nullptr, ten, 1);
    for (int i = 0; i < 10; ++i) {
      (void)IpiPutCompositeElement(sys, IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, shape, 1), pages, i);
    }
  }
  int Read(IpiSystem* sys, const Case& c, const std::string& path) {
    return IpiReadFile(sys, path.c_str(), c.pages == 1 ? image : pages, kFormatTiff, nullptr, 0);
  }
  Bytes Page(IpiSystem* sys, const Case& c, int index) {
    IpiObject* page = c.pages == 1 ? image : IpiGetCompositeElement(sys, pages, index);
    Bytes data(SharedPages().Of(c).size());
    IpiStream* s = IpiOpenStream(sys, page, "r", 0);
    const bool ok = IpiReadBytes(sys, s, 0, data.data(), static_cast<int64_t>(data.size())) ==
                    static_cast<int64_t>(data.size());
    (void)IpiCloseStream(sys, s);
    return ok ? data : Bytes();
  }
};

OurReader& Reader() {
  static OurReader reader(Ours().sys);
  return reader;
}

// libtiff's side of the same work: every strip of every page decoded into
// a buffer of the page's size. The buffers of `pages` are kept from one
// read to the next, as our reader's freed page blocks are taken up again by
// the next read: neither side pays for touching fresh memory in the loop.
bool ReadWithLibtiff(const std::string& path, std::vector<Bytes>& pages) {
  TIFF* tif = TIFFOpen(path.c_str(), "r");
  if (tif == nullptr) return false;
  bool ok = true;
  size_t count = 0;
  do {
    const tmsize_t strip_bytes = TIFFStripSize(tif);
    const uint32_t strips = TIFFNumberOfStrips(tif);
    if (pages.size() <= count) pages.emplace_back();
    Bytes& page = pages[count++];
    page.resize(static_cast<size_t>(strip_bytes) * strips);
    tmsize_t filled = 0;
    for (uint32_t s = 0; s < strips && ok; ++s) {
      const tmsize_t got = TIFFReadEncodedStrip(tif, s, page.data() + filled, strip_bytes);
      ok = got >= 0;
      filled += got;
    }
    page.resize(static_cast<size_t>(filled));
  } while (ok && TIFFReadDirectory(tif) != 0);
  TIFFClose(tif);
  pages.resize(count);
  return ok;
}

bool SameReads(const Case& c) {
  const std::string path = ReadPath(c);
  std::vector<Bytes> theirs;
  if (!WriteWithLibtiff(c, path) || !ReadWithLibtiff(path, theirs) || static_cast<int>(theirs.size()) != c.pages) {
    return false;
  }
  IpiSystem* sys = Ours().sys;
  if (Reader().Read(sys, c, path) != 0) return false;
  for (int p = 0; p < c.pages; ++p) {
    if (Reader().Page(sys, c, p) != theirs[static_cast<size_t>(p)]) return false;
  }
  return theirs.front() == SharedPages().Of(c);
}

void BM_TiffRead_ours(benchmark::State& state) {
  const Case c = CaseOf(state);
  if (!SameReads(c)) state.SkipWithError("ours and libtiff's pages differ");
  const std::string path = ReadPath(c);
  for (auto _ : state) {
    if (Reader().Read(Ours().sys, c, path) != 0) state.SkipWithError("read failed");
  }
  Report(state, c);
}

void BM_TiffRead_libtiff(benchmark::State& state) {
  const Case c = CaseOf(state);
  const std::string path = ReadPath(c);
  if (!WriteWithLibtiff(c, path)) state.SkipWithError("write failed");
  std::vector<Bytes> pages;
  for (auto _ : state) {
    if (!ReadWithLibtiff(path, pages)) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(pages.data());
  }
  Report(state, c);
}

BENCHMARK(BM_TiffRead_ours)->Apply(Cases);
BENCHMARK(BM_TiffRead_libtiff)->Apply(Cases);

}  // namespace
