// The own DCT codec beside libjpeg-turbo (its jpeg62 API, same binary, same
// run) on an A4 page at 300 dpi in colour, 4:2:0, standard Huffman tables,
// accurate integer DCT. The pairs are the same work at equal file size:
// encoding, libjpeg-turbo's quantization tables are the Annex K tables that
// ours uses, scaled (jpeg_add_quant_table's percentage) until its file is
// within 2 % of the size of ours, so both code as many bits; the counters
// give each side's size and PSNR. Decoding, both read the same file (ours),
// with chrominance repeated (no fancy upsampling) as the own codec does. Run
// it once as it is and once with JSIMD_FORCENONE=1 for libjpeg-turbo's scalar
// code.
#include <benchmark/benchmark.h>

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
#include "interchange/dispatch/coder_dispatch.h"
#include "interchange/jpeg_dct/jpeg_dct_codec.h"
#include "interchange/jpeg_dct/jpeg_dct_tables.h"
#include "interchange/jpeg_dct/jpeg_file.h"
#include "scanned_page.h"

namespace {

constexpr int kWidth = kScannedPageWidth;
constexpr int kHeight = kScannedPageHeight;

std::vector<uint8_t> Interleave(const std::vector<uint8_t>& planes) {
  std::vector<uint8_t> rgb(planes.size());
  const size_t plane = static_cast<size_t>(kWidth) * kHeight;
  for (size_t i = 0; i < plane; ++i) {
    for (size_t b = 0; b < 3; ++b) rgb[i * 3 + b] = planes[b * plane + i];
  }
  return rgb;
}

struct Fixture {
  IpiSystem* sys = nullptr;
  IpiObject* image = nullptr;       // the page, planar
  IpiObject* compressed = nullptr;  // our coded page
  IpiObject* decoded = nullptr;
  std::vector<uint8_t> planar;
  std::vector<uint8_t> interleaved;
  std::vector<uint8_t> file;        // our coded page as a JPEG file
  double psnr_ours = 0;             // against the page
  double psnr_peer = 0;
  double psnr_between = 0;          // the two decodes of our file
  int peer_scale = 0;               // percent of the Annex K tables for libjpeg-turbo
  size_t peer_bytes = 0;            // its file at that scale
  std::string error;
};

IpiObject* MakeCompressed(IpiSystem* sys) {
  const IpiAttribute shape[] = {{"fileFormat", kFormatJpeg},     {"xDimension", kWidth},
                                {"yDimension", kHeight},         {"bDimension", 3},
                                {"compression", kCompressionDct}, {"samplingFactor", kSampling2x2},
                                {"quarityFactor", 1},            {"restartInterval", 0},
                                {"colourSpace", kColourSpaceYCbCr}, {"repository", kRepositoryGlobalBlock}};
  return IpiCreateObject(sys, nullptr, &kColourImageClass, nullptr, shape, static_cast<int>(std::size(shape)));
}

IpiObject* MakePlainImage(IpiSystem* sys) {
  const IpiAttribute shape[] = {{"xDimension", kWidth}, {"yDimension", kHeight}, {"bDimension", 3},
                                {"repository", kRepositoryGlobalBlock}};
  return IpiCreateObject(sys, nullptr, &kColourImageClass, nullptr, shape, 4);
}

std::vector<uint8_t> ObjectBytes(IpiSystem* sys, IpiObject* obj, int64_t count) {
  std::vector<uint8_t> bytes(static_cast<size_t>(count));
  IpiStream* stream = IpiOpenStream(sys, obj, "r", 0);
  if (stream == nullptr || IpiReadBytes(sys, stream, 0, bytes.data(), count) != count) bytes.clear();
  (void)IpiCloseStream(sys, stream);
  return bytes;
}

// --- libjpeg-turbo ------------------------------------------------------------------

std::vector<uint8_t> PeerEncode(const std::vector<uint8_t>& rgb, int table_scale_percent) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* out = nullptr;
  unsigned long out_size = 0;
  jpeg_mem_dest(&cinfo, &out, &out_size);
  cinfo.image_width = kWidth;
  cinfo.image_height = kHeight;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  unsigned int luma[DCTSIZE2], chroma[DCTSIZE2];
  for (int i = 0; i < DCTSIZE2; ++i) {
    luma[i] = kAnnexKLuminanceQuantizer[i];
    chroma[i] = kAnnexKChrominanceQuantizer[i];
  }
  jpeg_add_quant_table(&cinfo, 0, luma, table_scale_percent, TRUE);
  jpeg_add_quant_table(&cinfo, 1, chroma, table_scale_percent, TRUE);
  cinfo.dct_method = JDCT_ISLOW;
  cinfo.optimize_coding = FALSE;
  cinfo.comp_info[0].h_samp_factor = cinfo.comp_info[0].v_samp_factor = 2;
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(rgb.data() + static_cast<size_t>(cinfo.next_scanline) * kWidth * 3);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<uint8_t> bytes(out, out + out_size);
  std::free(out);
  return bytes;
}

std::vector<uint8_t> PeerDecode(const std::vector<uint8_t>& file) {
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, file.data(), file.size());
  jpeg_read_header(&cinfo, TRUE);
  cinfo.dct_method = JDCT_ISLOW;
  cinfo.do_fancy_upsampling = FALSE;
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  std::vector<uint8_t> rgb(static_cast<size_t>(cinfo.output_width) * cinfo.output_height * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = rgb.data() + static_cast<size_t>(cinfo.output_scanline) * cinfo.output_width * 3;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return rgb;
}

// The scale of the Annex K tables at which libjpeg-turbo's file is within
// 2 % of `size` bytes; its file shrinks as the scale grows. 0 when none is.
int PeerScaleForSize(const std::vector<uint8_t>& rgb, size_t size) {
  int low = 1, high = 1000;
  while (low < high) {
    const int middle = (low + high) / 2;
    if (PeerEncode(rgb, middle).size() > size) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  // `low` is the least scale not larger than `size`; the one below may be nearer.
  auto off = [&](int scale) { return std::abs(static_cast<double>(PeerEncode(rgb, scale).size()) / size - 1); };
  const int best = low > 1 && off(low - 1) < off(low) ? low - 1 : low;
  return off(best) <= 0.02 ? best : 0;
}

double Psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  if (a.size() != b.size() || a.empty()) return 0;
  double squares = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    const double d = static_cast<double>(a[i]) - static_cast<double>(b[i]);
    squares += d * d;
  }
  return 10 * std::log10(255.0 * 255.0 * static_cast<double>(a.size()) / std::max(squares, 1.0));
}

// Builds the page, codes it once with each library and checks the results
// against each other before anything is timed.
Fixture& TheFixture() {
  static Fixture f = [] {
    Fixture x;
    x.sys = IpiOpenSystem(nullptr);
    x.planar = MakeScannedPagePlanar();
    x.interleaved = Interleave(x.planar);
    x.image = MakePlainImage(x.sys);
    IpiStream* stream = IpiOpenStream(x.sys, x.image, "w", 0);
    (void)IpiWriteBytes(x.sys, stream, 0, x.planar.data(), static_cast<int64_t>(x.planar.size()));
    (void)IpiCloseStream(x.sys, stream);
    x.compressed = MakeCompressed(x.sys);
    x.decoded = MakePlainImage(x.sys);
    if (IpiEncodeImageData(x.sys, x.image, x.compressed) != 0 ||
        IpiDecodeImageData(x.sys, x.compressed, x.decoded) != 0) {
      x.error = "own codec failed";
      return x;
    }
    // The same scan as a file, for libjpeg-turbo's decoder.
    const char* path = "/tmp/ipi_jpeg_dct_bench.jpg";
    const IpiAttribute pairs[] = {{"repository", kRepositoryFile}, {"fileName", reinterpret_cast<intptr_t>(path)},
                                  {"fileFormat", kFormatJpeg}};
    IpiObject* file = IpiCreateObject(x.sys, nullptr, &kColourImageClass, x.compressed, pairs, 3);
    if (WriteJpegFile(x.sys, x.compressed, file) != 0) {
      x.error = "own file writer failed";
      return x;
    }
    (void)IpiDeleteObject(x.sys, file);
    FILE* in = std::fopen(path, "rb");
    if (in != nullptr) {
      int c;
      while ((c = std::fgetc(in)) != EOF) x.file.push_back(static_cast<uint8_t>(c));
      std::fclose(in);
    }
    std::remove(path);
    // Same file, two decoders: they may differ only by rounding.
    const std::vector<uint8_t> ours = Interleave(ObjectBytes(x.sys, x.decoded, static_cast<int64_t>(x.planar.size())));
    const std::vector<uint8_t> theirs = PeerDecode(x.file);
    x.psnr_between = Psnr(ours, theirs);
    x.psnr_ours = Psnr(ours, x.interleaved);
    x.peer_scale = PeerScaleForSize(x.interleaved, x.file.size());
    if (x.peer_scale == 0) {
      x.error = "no table scale gives libjpeg-turbo our file size";
      return x;
    }
    const std::vector<uint8_t> peer_file = PeerEncode(x.interleaved, x.peer_scale);
    x.peer_bytes = peer_file.size();
    x.psnr_peer = Psnr(PeerDecode(peer_file), x.interleaved);
    if (x.psnr_between < 40) x.error = "decoders disagree: " + std::to_string(x.psnr_between) + " dB";
    if (x.psnr_ours < 20 || x.psnr_peer < 20) {
      x.error = "poor reconstruction: " + std::to_string(x.psnr_ours) + " dB, peer " + std::to_string(x.psnr_peer);
    }
    return x;
  }();
  return f;
}

void BM_JpegDctEncode_ours(benchmark::State& state) {
  Fixture& f = TheFixture();
  if (!f.error.empty()) return state.SkipWithError(f.error.c_str());
  for (auto _ : state) {
    if (IpiEncodeImageData(f.sys, f.image, f.compressed) != 0) return state.SkipWithError("encode failed");
  }
  state.counters["file_bytes"] = static_cast<double>(f.file.size());
  state.counters["psnr_db"] = f.psnr_ours;
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_JpegDctEncode_libjpegturbo(benchmark::State& state) {
  Fixture& f = TheFixture();
  if (!f.error.empty()) return state.SkipWithError(f.error.c_str());
  size_t bytes = 0;
  for (auto _ : state) bytes = PeerEncode(f.interleaved, f.peer_scale).size();
  state.counters["file_bytes"] = static_cast<double>(bytes);
  state.counters["psnr_db"] = f.psnr_peer;
  state.counters["table_scale_percent"] = f.peer_scale;
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_JpegDctDecode_ours(benchmark::State& state) {
  Fixture& f = TheFixture();
  if (!f.error.empty()) return state.SkipWithError(f.error.c_str());
  for (auto _ : state) {
    if (IpiDecodeImageData(f.sys, f.compressed, f.decoded) != 0) return state.SkipWithError("decode failed");
  }
  state.counters["psnr_to_peer_db"] = f.psnr_between;
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_JpegDctDecode_libjpegturbo(benchmark::State& state) {
  Fixture& f = TheFixture();
  if (!f.error.empty()) return state.SkipWithError(f.error.c_str());
  for (auto _ : state) benchmark::DoNotOptimize(PeerDecode(f.file).data());
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

BENCHMARK(BM_JpegDctEncode_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegDctEncode_libjpegturbo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegDctDecode_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegDctDecode_libjpegturbo)->Unit(benchmark::kMillisecond);

}  // namespace
