// The fax codings beside libtiff's fax codec (same binary, same run): an A4
// page of text-like bilevel content at 300 and 600 dpi, coded as MMR (G4),
// one-dimensional modified Huffman with EOLs (G3 1-D) and two-dimensional
// MR with K = 4 (G3 2-D). Ours runs through the encode and decode dispatch
// on objects in global memory; libtiff codes one strip of a TIFF held in
// memory (TIFFWriteEncodedStrip / TIFFReadEncodedStrip, MinIsWhite, so that
// both code the same bits). Before timing, each side decodes the other's
// coded strip back to the page, and the MMR strips are compared byte for
// byte (they must match: MMR leaves no choice).
#include <benchmark/benchmark.h>
#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/object.h"
#include "core/streams/stream.h"
#include "core/system/system.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dispatch/coder_dispatch.h"
#include "text_page.h"

namespace {

using Bytes = std::vector<uint8_t>;

enum class Coding { kG4, kG3OneD, kG3TwoD };

// --- ours -------------------------------------------------------------------

int32_t CompressionOf(Coding coding) {
  switch (coding) {
    case Coding::kG4: return kCompressionCcittMmr;
    case Coding::kG3OneD: return kCompressionCcittHuffman;
    case Coding::kG3TwoD: return kCompressionCcittMr;
  }
  return 0;
}

struct Ours {
  IpiSystem* sys = nullptr;
  IpiObject* image = nullptr;
  IpiObject* coded = nullptr;

  Ours(const TextPage& page, Coding coding) {
    sys = IpiOpenSystem(nullptr);
    const IpiAttribute shape[] = {{"xDimension", page.width},
                                  {"yDimension", page.height},
                                  {"dataType", kDataTypeBoolean},
                                  {"repository", kRepositoryGlobalBlock}};
    image = IpiCreateObject(sys, nullptr, &kMonochromeImageClass, nullptr, shape, 4);
    IpiStream* stream = IpiOpenStream(sys, image, "w", 0);
    (void)IpiWriteBytes(sys, stream, 0, page.bits.data(), static_cast<int64_t>(page.bits.size()));
    (void)IpiCloseStream(sys, stream);
    const IpiAttribute coded_shape[] = {{"compression", CompressionOf(coding)}, {"k", 4}, {"eolState", 0}};
    coded = IpiCreateObject(sys, nullptr, &kMonochromeImageClass, image, coded_shape, 3);
  }
  ~Ours() { IpiCloseSystem(sys); }

  bool Encode() { return IpiEncodeImageData(sys, image, coded) == 0; }
  bool Decode() { return IpiDecodeImageData(sys, coded, image) == 0; }
  Bytes Read(IpiObject* obj, int64_t count) {
    Bytes out(static_cast<size_t>(count));
    IpiStream* stream = IpiOpenStream(sys, obj, "r", 0);
    const bool ok = IpiReadBytes(sys, stream, 0, out.data(), count) == count;
    (void)IpiCloseStream(sys, stream);
    return ok ? out : Bytes{};
  }
  Bytes CodedBytes() { return Read(coded, coded->fields.size); }
  Bytes PageBits(const TextPage& page) { return Read(image, static_cast<int64_t>(page.bits.size())); }
  bool SetCoded(const Bytes& bytes) {
    IpiStream* stream = IpiOpenStream(sys, coded, "w", 0);
    const bool ok = IpiWriteBytes(sys, stream, 0, bytes.data(), static_cast<int64_t>(bytes.size())) ==
                    static_cast<int64_t>(bytes.size());
    return IpiCloseStream(sys, stream) == 0 && ok &&
           IpiSetAttribute(sys, coded, "size", static_cast<intptr_t>(bytes.size())) == 0;
  }
};

// --- libtiff over memory ----------------------------------------------------

struct MemoryFile {
  Bytes bytes;
  toff_t position = 0;
};

tsize_t MemoryRead(thandle_t h, tdata_t data, tsize_t size) {
  auto* f = static_cast<MemoryFile*>(h);
  const toff_t n = std::min<toff_t>(static_cast<toff_t>(size), f->position < f->bytes.size() ? f->bytes.size() - f->position : 0);
  std::memcpy(data, f->bytes.data() + f->position, n);
  f->position += n;
  return static_cast<tsize_t>(n);
}
tsize_t MemoryWrite(thandle_t h, tdata_t data, tsize_t size) {
  auto* f = static_cast<MemoryFile*>(h);
  const auto n = static_cast<toff_t>(size);
  if (f->position + n > f->bytes.size()) f->bytes.resize(f->position + n);
  std::memcpy(f->bytes.data() + f->position, data, n);
  f->position += n;
  return size;
}
toff_t MemorySeek(thandle_t h, toff_t offset, int whence) {
  auto* f = static_cast<MemoryFile*>(h);
  if (whence == SEEK_CUR) offset += f->position;
  if (whence == SEEK_END) offset += f->bytes.size();
  f->position = offset;
  return offset;
}
int MemoryClose(thandle_t) { return 0; }
toff_t MemorySize(thandle_t h) { return static_cast<MemoryFile*>(h)->bytes.size(); }
int MemoryMap(thandle_t, tdata_t*, toff_t*) { return 0; }
void MemoryUnmap(thandle_t, tdata_t, toff_t) {}

TIFF* OpenMemory(MemoryFile& file, const char* mode) {
  file.position = 0;
  return TIFFClientOpen("memory", mode, &file, MemoryRead, MemoryWrite, MemorySeek, MemoryClose, MemorySize,
                        MemoryMap, MemoryUnmap);
}

void SetFields(TIFF* tif, const TextPage& page, Coding coding, int dpi) {
  SetTextPageFields(tif, page, dpi);  // above 150 dpi: K = 4 for 2-D G3
  TIFFSetField(tif, TIFFTAG_COMPRESSION, coding == Coding::kG4 ? COMPRESSION_CCITTFAX4 : COMPRESSION_CCITTFAX3);
  if (coding == Coding::kG3TwoD) TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS, GROUP3OPT_2DENCODING);
  if (coding == Coding::kG3OneD) TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS, 0);
}

// libtiff codes the page into a TIFF in `file`.
bool LibtiffEncode(const TextPage& page, Coding coding, int dpi, MemoryFile& file) {
  file.bytes.clear();
  TIFF* tif = OpenMemory(file, "w");
  if (tif == nullptr) return false;
  SetFields(tif, page, coding, dpi);
  const bool ok = TIFFWriteEncodedStrip(tif, 0, const_cast<uint8_t*>(page.bits.data()),
                                        static_cast<tmsize_t>(page.bits.size())) >= 0;
  TIFFClose(tif);
  return ok;
}

// A TIFF whose strip holds `coded` as it stands.
bool LibtiffWrap(const TextPage& page, Coding coding, int dpi, const Bytes& coded, MemoryFile& file) {
  file.bytes.clear();
  TIFF* tif = OpenMemory(file, "w");
  if (tif == nullptr) return false;
  SetFields(tif, page, coding, dpi);
  const bool ok = TIFFWriteRawStrip(tif, 0, const_cast<uint8_t*>(coded.data()), static_cast<tmsize_t>(coded.size())) >= 0;
  TIFFClose(tif);
  return ok;
}

bool LibtiffDecode(MemoryFile& file, Bytes& out) {
  TIFF* tif = OpenMemory(file, "r");
  if (tif == nullptr) return false;
  const bool ok = TIFFReadEncodedStrip(tif, 0, out.data(), static_cast<tmsize_t>(out.size())) == static_cast<tmsize_t>(out.size());
  TIFFClose(tif);
  return ok;
}

Bytes LibtiffRawStrip(MemoryFile& file) {
  TIFF* tif = OpenMemory(file, "r");
  if (tif == nullptr) return {};
  Bytes raw(static_cast<size_t>(TIFFRawStripSize(tif, 0)));
  const bool ok = TIFFReadRawStrip(tif, 0, raw.data(), static_cast<tmsize_t>(raw.size())) == static_cast<tmsize_t>(raw.size());
  TIFFClose(tif);
  return ok ? raw : Bytes{};
}

// --- cases ------------------------------------------------------------------

struct Case {
  TextPage page;
  Bytes ours_coded;
  MemoryFile theirs;  // libtiff's TIFF of the page
  const char* error = nullptr;
};

// Built once per coding and resolution: both sides code the page, and each
// side's strip decodes to the page through the other side's decoder.
Case& CaseOf(Coding coding, int dpi) {
  static std::map<std::pair<int, int>, Case> cases;
  const auto key = std::make_pair(static_cast<int>(coding), dpi);
  auto found = cases.find(key);
  if (found != cases.end()) return found->second;
  Case& c = cases[key];
  TIFFSetWarningHandler(nullptr);
  c.page = MakeTextPage(dpi);
  Ours ours(c.page, coding);
  if (!ours.Encode()) return c.error = "our encode failed", c;
  c.ours_coded = ours.CodedBytes();
  if (!LibtiffEncode(c.page, coding, dpi, c.theirs)) return c.error = "libtiff encode failed", c;
  const Bytes theirs_coded = LibtiffRawStrip(c.theirs);
  if (coding == Coding::kG4 && theirs_coded != c.ours_coded) return c.error = "MMR strips differ", c;
  // Ours decoded by libtiff.
  MemoryFile wrapped;
  Bytes decoded(c.page.bits.size());
  if (!LibtiffWrap(c.page, coding, dpi, c.ours_coded, wrapped) || !LibtiffDecode(wrapped, decoded) ||
      decoded != c.page.bits) {
    return c.error = "libtiff does not decode our strip to the page", c;
  }
  // Theirs decoded by us.
  Ours reader(c.page, coding);
  if (!reader.SetCoded(theirs_coded) || !reader.Decode() || reader.PageBits(c.page) != c.page.bits) {
    return c.error = "we do not decode libtiff's strip to the page", c;
  }
  return c;
}

void Report(benchmark::State& state, const Case& c, size_t coded_bytes) {
  state.SetItemsProcessed(state.iterations() * int64_t{c.page.width} * c.page.height);
  state.counters["coded_bytes"] = static_cast<double>(coded_bytes);
}

void BM_FaxEncode_ours(benchmark::State& state, Coding coding) {
  Case& c = CaseOf(coding, static_cast<int>(state.range(0)));
  if (c.error != nullptr) return state.SkipWithError(c.error);
  Ours ours(c.page, coding);
  for (auto _ : state) {
    if (!ours.Encode()) return state.SkipWithError("encode failed");
  }
  Report(state, c, static_cast<size_t>(ours.coded->fields.size));
}

void BM_FaxEncode_libtiff(benchmark::State& state, Coding coding) {
  const int dpi = static_cast<int>(state.range(0));
  Case& c = CaseOf(coding, dpi);
  if (c.error != nullptr) return state.SkipWithError(c.error);
  MemoryFile file;
  for (auto _ : state) {
    if (!LibtiffEncode(c.page, coding, dpi, file)) return state.SkipWithError("encode failed");
  }
  Report(state, c, LibtiffRawStrip(file).size());
}

void BM_FaxDecode_ours(benchmark::State& state, Coding coding) {
  Case& c = CaseOf(coding, static_cast<int>(state.range(0)));
  if (c.error != nullptr) return state.SkipWithError(c.error);
  Ours ours(c.page, coding);
  if (!ours.SetCoded(c.ours_coded)) return state.SkipWithError("setup failed");
  for (auto _ : state) {
    if (!ours.Decode()) return state.SkipWithError("decode failed");
  }
  Report(state, c, c.ours_coded.size());
}

void BM_FaxDecode_libtiff(benchmark::State& state, Coding coding) {
  Case& c = CaseOf(coding, static_cast<int>(state.range(0)));
  if (c.error != nullptr) return state.SkipWithError(c.error);
  Bytes out(c.page.bits.size());
  for (auto _ : state) {
    if (!LibtiffDecode(c.theirs, out)) return state.SkipWithError("decode failed");
  }
  Report(state, c, c.ours_coded.size());
}

// Pairs ours / libtiff for each coding, encode and decode, at 300 and 600 dpi.
const bool kRegistered = [] {
  const std::pair<const char*, Coding> codings[] = {
      {"g4", Coding::kG4}, {"g3_1d", Coding::kG3OneD}, {"g3_2d", Coding::kG3TwoD}};
  const std::pair<const char*, void (*)(benchmark::State&, Coding)> sides[] = {
      {"BM_FaxEncode/ours/", BM_FaxEncode_ours},     {"BM_FaxEncode/libtiff/", BM_FaxEncode_libtiff},
      {"BM_FaxDecode/ours/", BM_FaxDecode_ours},     {"BM_FaxDecode/libtiff/", BM_FaxDecode_libtiff}};
  for (const auto& [coding_name, coding] : codings) {
    for (const auto& [side_name, run] : sides) {
      benchmark::RegisterBenchmark((std::string(side_name) + coding_name).c_str(), run, coding)
          ->Arg(300)
          ->Arg(600)
          ->Unit(benchmark::kMillisecond);
    }
  }
  return true;
}();

}  // namespace
