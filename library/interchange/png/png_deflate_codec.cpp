// The coder of compression 264: EncodeDeflatePng and DecodeInflatePng; see
// png_codec.h. Interlaced streams are decoded into a workspace of whole PNG
// rows, which goes to the image when the passes are done, or when the stream
// fails, so that what was decoded is kept.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "core/codes.h"
#include "core/limits.h"
#include "core/objects/attributes.h"
#include "core/objects/object.h"
#include "core/operators/operator_frame.h"
#include "core/status.h"
#include "core/streams/stream.h"
#include "core/system/system.h"
#include "interchange/png/png_codec.h"
#include "interchange/png/png_image_rows.h"
#include "interchange/png/png_row_coder.h"

namespace {

constexpr int32_t kMinLevel = 1;
constexpr int32_t kMaxLevel = 9;
constexpr int32_t kGreyBands = 1;
constexpr int32_t kColourBands = 3;
constexpr int32_t kFirstInterlacePass = 1;
constexpr int32_t kLastInterlacePass = 7;

// The coded bytes go to the coded object's stream from offset 0.
class RawOutput final : public PngDeflateOutput {
 public:
  explicit RawOutput(IpiStream* stream) : stream_(stream) {}
  int WritePngData(IpiSystem* sys, const uint8_t* bytes, size_t count) override {
    const auto n = static_cast<int64_t>(count);
    if (IpiWriteBytes(sys, stream_, written_, bytes, n) != n) return IpiGetLastError(sys);
    written_ += n;
    return kIpiNoError;
  }
  int64_t written() const { return written_; }

 private:
  IpiStream* stream_;
  int64_t written_ = 0;
};

// SetupDeflatePng: the coded object's options, checked.
struct DeflateSetup {
  PngRowFormat format;
  int level = 0;
  uint8_t filter_set = kPngFilterSetNone;
};

int SetupDeflatePng(IpiSystem* sys, IpiObject* coded, DeflateSetup& out) {
  const IpiObjectFields& f = coded->fields;
  const int32_t bands = f.dimension[kDimB];
  if (bands != kGreyBands && bands != kColourBands) return IpiRefuse(sys, kIpiNonPermissibleOption);
  if (f.compression_level < kMinLevel || f.compression_level > kMaxLevel) {
    return IpiRefuse(sys, kIpiNonPermissibleOption);
  }
  if (f.filter == kPngFilterOptionNone) {
    out.filter_set = kPngFilterSetNone;
  } else if (f.filter == kPngFilterOptionAll) {
    out.filter_set = kPngFilterSetAll;
  } else {
    return IpiRefuse(sys, kIpiNonPermissibleOption);
  }
  // 2- and 16-bit samples have no row layout: refused rather than written
  // as 8-bit samples under a header that says otherwise.
  const int32_t depth = f.data_precision;
  const bool depth_ok = bands == kGreyBands ? (depth == 1 || depth == 4 || depth == 8) : depth == 8;
  if (!depth_ok) return IpiRefuse(sys, kIpiNonPermissibleOption);
  // One stream holds one image: further z or t planes would follow the
  // stream's end, where no reader looks for them.
  if (f.dimension[kDimZ] != 1 || f.dimension[kDimT] != 1) return IpiRefuse(sys, kIpiNonPermissibleOption);
  if (f.dimension[kDimX] < 1 || f.dimension[kDimY] < 1) return IpiRefuse(sys, kIpiOutOfRange);
  out.format.width = f.dimension[kDimX];
  out.format.height = f.dimension[kDimY];
  out.format.bit_depth = depth;
  out.format.channels = bands;
  out.level = f.compression_level;
  int64_t row_bytes = 0;
  int64_t total_bytes = 0;
  const int fits = IpiCheckGeometry(out.format.width, out.format.height, out.format.bits_per_pixel(),
                                    DimensionStorage::kBits32, &row_bytes, &total_bytes);
  return fits != 0 ? IpiRefuse(sys, fits) : kIpiNoError;
}

// SetupInflatePng: the coded object's rows and how far to decode them.
struct InflateSetup {
  PngRowFormat format;
  bool is_progressive = false;
  int last_pass = kAdam7Passes - 1;
  int64_t coded_bytes = 0;
};

int SetupInflatePng(IpiSystem* sys, IpiObject* coded, InflateSetup& out) {
  const IpiObjectFields& f = coded->fields;
  if (f.dimension[kDimX] < 1 || f.dimension[kDimY] < 1 || f.dimension[kDimB] < 1) {
    return IpiRefuse(sys, kIpiOutOfRange);
  }
  out.format.width = f.dimension[kDimX];
  out.format.height = f.dimension[kDimY];
  out.format.bit_depth = f.data_precision;
  out.format.channels = f.dimension[kDimB];
  if (out.format.bit_depth < 1 || out.format.bit_depth > 16) return IpiRefuse(sys, kIpiMismatchDataType);
  if (f.file_format == kFormatPng) out.format.is_interlaced = IpiInquireAttribute(sys, coded, "interlacedImage") != 0;
  if (IpiSystemValue(sys, IpiSystemAttribute::kProgressive) != 0) {
    const int32_t pass = IpiSystemValue(sys, IpiSystemAttribute::kInterlacePass);
    if (pass < kFirstInterlacePass || pass > kLastInterlacePass) return IpiRefuse(sys, kIpiOutOfRange);
    out.is_progressive = true;
    out.last_pass = pass - 1;
  }
  int64_t row_bytes = 0;
  int64_t total_bytes = 0;
  const int fits = IpiCheckGeometry(out.format.width, out.format.height, out.format.bits_per_pixel(),
                                    DimensionStorage::kBits32, &row_bytes, &total_bytes);
  if (fits != 0) return IpiRefuse(sys, fits);
  out.coded_bytes = f.size;
  // An empty stream holds no rows.
  if (out.coded_bytes < 1) return IpiRefuse(sys, kIpiSyntaxError);
  return kIpiNoError;
}

int DecodePlainRows(IpiSystem* sys, const PngRowFormat& format, PngRowDecoder& decoder, PngImageRowTarget& target) {
  for (int64_t y = 0; y < format.height; ++y) {
    const uint8_t* row = nullptr;
    IPI_RETURN_IF_ERROR(decoder.ReadPngRow(sys, 0, &row));
    IPI_RETURN_IF_ERROR(target.StoreRow(sys, y, row));
  }
  return kIpiNoError;
}

// The passes into `workspace` (height rows of row_bytes()); the first error.
int DecodePasses(IpiSystem* sys, const InflateSetup& setup, PngRowDecoder& decoder, uint8_t* workspace) {
  const PngRowFormat& format = setup.format;
  const int64_t row_bytes = format.row_bytes();
  for (int pass = 0; pass <= setup.last_pass; ++pass) {
    if (format.pass_width(pass) == 0) continue;
    const int64_t rows = format.pass_rows(pass);
    for (int64_t index = 0; index < rows; ++index) {
      const uint8_t* pass_row = nullptr;
      IPI_RETURN_IF_ERROR(decoder.ReadPngRow(sys, pass, &pass_row));
      const int64_t y = format.image_row(pass, index);
      if (!setup.is_progressive) {
        ExpandInterlacePass(pass_row, format.width, format.bits_per_pixel(), pass, workspace + y * row_bytes);
        continue;
      }
      // Progressive display: the pixel fills its block, down to the image's last row.
      const int64_t end = std::min<int64_t>(y + kAdam7[pass].block_height, format.height);
      for (int64_t yy = y; yy < end; ++yy) {
        FillInterlaceBlocks(pass_row, format.width, format.bits_per_pixel(), pass, workspace + yy * row_bytes);
      }
    }
  }
  return kIpiNoError;
}

int DecodeInterlacedRows(IpiSystem* sys, const InflateSetup& setup, PngRowDecoder& decoder,
                         PngImageRowTarget& target) {
  const PngRowFormat& format = setup.format;
  const int64_t row_bytes = format.row_bytes();
  // The geometry check bounds this by the library's largest image.
  const auto bytes = static_cast<size_t>(row_bytes * format.height);
  std::unique_ptr<uint8_t[]> workspace(new (std::nothrow) uint8_t[bytes]);
  if (workspace == nullptr) return IpiRefuse(sys, kIpiSystemFailure);
  std::memset(workspace.get(), 0, bytes);
  const int status = DecodePasses(sys, setup, decoder, workspace.get());
  // A stream that fails part way still leaves the rows of the passes decoded.
  for (int64_t y = 0; y < format.height; ++y) {
    const int stored = target.StoreRow(sys, y, workspace.get() + y * row_bytes);
    if (stored != 0) return status != 0 ? status : stored;
  }
  return status;
}

}  // namespace

int EncodeDeflatePng(IpiSystem* sys, IpiObject* image, IpiObject* coded) {
  IPI_RETURN_IF_ERROR(IpiRequireLive(sys, image));
  IPI_RETURN_IF_ERROR(IpiRequireLive(sys, coded));
  DeflateSetup setup;
  IPI_RETURN_IF_ERROR(SetupDeflatePng(sys, coded, setup));
  PngImageRowSource source;
  IPI_RETURN_IF_ERROR(source.Open(sys, image, setup.format));
  ScopedAccessor out;
  IPI_RETURN_IF_ERROR(OpenAuxiliaryAccessor(sys, coded, AccessMode::kWrite, 0, out));
  RawOutput output(out.stream());
  PngRowEncoder encoder(setup.format, setup.filter_set, output);
  const int strategy = setup.filter_set == kPngFilterSetNone ? Z_DEFAULT_STRATEGY : Z_FILTERED;
  IPI_RETURN_IF_ERROR(encoder.Start(sys, setup.level, strategy));
  IPI_RETURN_IF_ERROR(FeedPngRows(sys, source, setup.format, encoder));
  IPI_RETURN_IF_ERROR(out.Close());
  IPI_RETURN_IF_ERROR(source.Close());
  return IpiSetAttribute(sys, coded, "size", static_cast<intptr_t>(output.written()));
}

int DecodeInflatePng(IpiSystem* sys, IpiObject* coded, IpiObject* image) {
  IPI_RETURN_IF_ERROR(IpiRequireLive(sys, coded));
  IPI_RETURN_IF_ERROR(IpiRequireLive(sys, image));
  InflateSetup setup;
  IPI_RETURN_IF_ERROR(SetupInflatePng(sys, coded, setup));
  PngImageRowTarget target;
  IPI_RETURN_IF_ERROR(target.Open(sys, image, setup.format));
  ScopedAccessor in;
  IPI_RETURN_IF_ERROR(OpenAuxiliaryAccessor(sys, coded, AccessMode::kRead, 0, in));
  PngRowDecoder decoder(setup.format);
  IPI_RETURN_IF_ERROR(decoder.Start(sys, in.stream(), setup.coded_bytes));
  IPI_RETURN_IF_ERROR(setup.format.is_interlaced ? DecodeInterlacedRows(sys, setup, decoder, target)
                                                 : DecodePlainRows(sys, setup.format, decoder, target));
  // A progressive decode that stops before the last pass leaves the rest unread.
  const bool is_whole = !setup.format.is_interlaced || setup.last_pass == kAdam7Passes - 1;
  if (is_whole) IPI_RETURN_IF_ERROR(decoder.FinishPngReadRow(sys));
  IPI_RETURN_IF_ERROR(in.Close());
  return target.Close();
}
