// The PNG writer: every attribute is gathered and checked before the first
// byte is written; then signature, IHDR, PLTE, tEXt, tRNS, the IDAT chunks
// as the deflate buffer fills, IEND. Bytes go to the file object's stream
// at increasing offsets.
#include <cstring>
#include <span>
#include <vector>

#include "core/codes.h"
#include "core/limits.h"
#include "core/objects/attributes.h"
#include "core/objects/object.h"
#include "core/operators/operator_frame.h"
#include "core/status.h"
#include "core/streams/stream.h"
#include "core/system/system.h"
#include "interchange/common/codec_prelude.h"
#include "interchange/common/object_io.h"
#include "interchange/io/byte_store.h"
#include "interchange/png/png_chunks.h"
#include "interchange/png/png_codec.h"
#include "interchange/png/png_crc.h"
#include "interchange/png/png_image_rows.h"
#include "interchange/png/png_row_coder.h"

namespace {

// What the file will say, checked.
struct WriterPlan {
  const PngColourType* colour = nullptr;
  PngRowFormat format;
  std::vector<uint8_t> palette;       // PLTE data
  std::vector<uint8_t> transparency;  // tRNS data; empty: no chunk
  std::vector<uint8_t> copyright;     // tEXt data; empty: no chunk
};

bool IsDepthWritten(uint8_t png_type, int32_t depth) {
  switch (png_type) {
    case kPngTypeGrey:
    case kPngTypePalette: return depth == 1 || depth == 4 || depth == 8;
    default: return depth == 8;
  }
}

int ChooseColourType(IpiSystem* sys, IpiObject* image, IpiObject* file, WriterPlan& plan) {
  const intptr_t code = IpiInquireAttribute(sys, file, "colourType");
  if (code != 0) {
    plan.colour = FindPngColourCode(code);
    return plan.colour != nullptr ? kIpiNoError : IpiRefuse(sys, kIpiNonPermissibleOption);
  }
  uint8_t type = kPngTypeGrey;
  switch (file->fields.dimension[kDimB]) {
    case 1: {
      const IpiObject* lut = IpiObjectFromId(sys, image->fields.lut);
      if (lut != nullptr && lut->fields.dimension[kDimX] > 0) type = kPngTypePalette;
      break;
    }
    case 2: type = kPngTypeGreyAlpha; break;
    case 3: type = kPngTypeRgb; break;
    case 4: type = kPngTypeRgbAlpha; break;
    default: break;
  }
  plan.colour = FindPngColourType(type);
  return kIpiNoError;
}

// PLTE: the lookup table's first min(entries, 2^depth) colours; a table
// longer than the depth can index would make an invalid file.
int GatherPalette(IpiSystem* sys, IpiObject* image, WriterPlan& plan) {
  IpiObject* lut = IpiObjectFromId(sys, image->fields.lut);
  if (lut == nullptr) return IpiRefuse(sys, kIpiNonPermissibleOption);
  const IpiObjectFields& t = lut->fields;
  const int64_t entries = t.dimension[kDimX];
  if (t.dimension[kDimB] < 3 || entries < 1 || entries > kPngMaxPaletteEntries ||
      t.data_type != kDataTypeNonnegative || t.bit_order != kOrderMsbFirst || t.data_precision != 8) {
    return IpiRefuse(sys, kIpiNonPermissibleOption);
  }
  const int64_t written = std::min<int64_t>(entries, int64_t{1} << plan.format.bit_depth);
  return ReadLutEntries(sys, lut, written, plan.palette);
}

int GatherTransparency(IpiSystem* sys, IpiObject* file, WriterPlan& plan) {
  if (IpiInquireAttribute(sys, file, "transparency") == 0) return kIpiNoError;
  const int64_t largest = (int64_t{1} << plan.format.bit_depth) - 1;
  auto sample = [&](const char* name, std::vector<uint8_t>& out) {
    const intptr_t value = IpiInquireAttribute(sys, file, name);
    if (value < 0 || value > largest) return false;
    AppendU16Be(out, static_cast<uint32_t>(value));
    return true;
  };
  switch (plan.colour->png_type) {
    case kPngTypePalette: {
      const intptr_t count = IpiInquireAttribute(sys, file, "transparencyEntry");
      const auto* table = reinterpret_cast<const uint8_t*>(IpiInquireAttribute(sys, file, "transparencyPaletteIndex"));
      const auto entries = static_cast<intptr_t>(plan.palette.size() / 3);
      if (count < 1 || count > entries || table == nullptr) return IpiRefuse(sys, kIpiNonPermissibleOption);
      plan.transparency.assign(table, table + count);
      return kIpiNoError;
    }
    case kPngTypeGrey:
      return sample("transparencyGray", plan.transparency) ? kIpiNoError : IpiRefuse(sys, kIpiNonPermissibleOption);
    case kPngTypeRgb:
      if (sample("transparencyRed", plan.transparency) && sample("transparencyGreen", plan.transparency) &&
          sample("transparencyBlue", plan.transparency)) {
        return kIpiNoError;
      }
      return IpiRefuse(sys, kIpiNonPermissibleOption);
    default:
      return IpiRefuse(sys, kIpiNonPermissibleOption);
  }
}

int GatherCopyright(IpiSystem* sys, IpiObject* file, WriterPlan& plan) {
  const auto* text = reinterpret_cast<const char*>(IpiInquireAttribute(sys, file, "copyright"));
  if (text == nullptr) return kIpiNoError;
  const size_t length = std::strlen(text);
  constexpr size_t kKeywordBytes = sizeof kPngCopyrightKeyword;  // with its zero byte
  if (length > kPngMaxChunkLength - kKeywordBytes) return IpiRefuse(sys, kIpiNonPermissibleOption);
  plan.copyright.assign(kPngCopyrightKeyword, kPngCopyrightKeyword + kKeywordBytes);
  plan.copyright.insert(plan.copyright.end(), text, text + length);
  return kIpiNoError;
}

int GatherPlan(IpiSystem* sys, IpiObject* image, IpiObject* file, WriterPlan& plan) {
  IPI_RETURN_IF_ERROR(ChooseColourType(sys, image, file, plan));
  const IpiObjectFields& f = file->fields;
  // 2- and 16-bit samples have no row layout here.
  if (!IsDepthWritten(plan.colour->png_type, f.data_precision)) return IpiRefuse(sys, kIpiNonPermissibleOption);
  const intptr_t interlace = IpiInquireAttribute(sys, file, "interlacedImage");
  if (interlace != kPngInterlaceNone && interlace != kPngInterlaceAdam7) {
    return IpiRefuse(sys, kIpiNonPermissibleOption);
  }
  if (f.dimension[kDimX] < 1 || f.dimension[kDimY] < 1) return IpiRefuse(sys, kIpiOutOfRange);
  plan.format.width = f.dimension[kDimX];
  plan.format.height = f.dimension[kDimY];
  plan.format.bit_depth = f.data_precision;
  plan.format.channels = plan.colour->channels;
  plan.format.is_interlaced = interlace == kPngInterlaceAdam7;
  int64_t row_bytes = 0;
  int64_t total_bytes = 0;
  const int fits = IpiCheckGeometry(plan.format.width, plan.format.height, plan.format.bits_per_pixel(),
                                    DimensionStorage::kBits32, &row_bytes, &total_bytes);
  if (fits != 0) return IpiRefuse(sys, fits);
  if (plan.colour->png_type == kPngTypePalette) IPI_RETURN_IF_ERROR(GatherPalette(sys, image, plan));
  IPI_RETURN_IF_ERROR(GatherCopyright(sys, file, plan));
  return GatherTransparency(sys, file, plan);
}

// Chunks at increasing offsets of the file object's stream.
class PngChunkWriter {
 public:
  explicit PngChunkWriter(IpiStream* stream) : stream_(stream) {}

  int WritePngSignature(IpiSystem* sys) { return Write(sys, kPngSignature.data(), kPngSignature.size()); }

  int WritePngChunk(IpiSystem* sys, const PngChunkType& type, std::span<const uint8_t> data) {
    chunk_.clear();
    AppendU32Be(chunk_, static_cast<uint32_t>(data.size()));
    chunk_.insert(chunk_.end(), type.begin(), type.end());
    chunk_.insert(chunk_.end(), data.begin(), data.end());
    // The CRC covers the type and the data.
    AppendU32Be(chunk_, PngCrcOf(std::span<const uint8_t>(chunk_).subspan(4)));
    return Write(sys, chunk_.data(), chunk_.size());
  }

 private:
  int Write(IpiSystem* sys, const uint8_t* bytes, size_t count) {
    const auto n = static_cast<int64_t>(count);
    if (IpiWriteBytes(sys, stream_, offset_, bytes, n) != n) return IpiGetLastError(sys);
    offset_ += n;
    return kIpiNoError;
  }

  IpiStream* stream_;
  int64_t offset_ = 0;
  std::vector<uint8_t> chunk_;
};

// Each full deflate buffer, and the rest at the end, as one IDAT chunk.
class IdatOutput final : public PngDeflateOutput {
 public:
  explicit IdatOutput(PngChunkWriter& writer) : writer_(writer) {}
  int WritePngData(IpiSystem* sys, const uint8_t* bytes, size_t count) override {
    return writer_.WritePngChunk(sys, kChunkIdat, std::span<const uint8_t>(bytes, count));
  }

 private:
  PngChunkWriter& writer_;
};

std::vector<uint8_t> HeaderData(const WriterPlan& plan) {
  std::vector<uint8_t> data;
  AppendU32Be(data, static_cast<uint32_t>(plan.format.width));
  AppendU32Be(data, static_cast<uint32_t>(plan.format.height));
  data.push_back(static_cast<uint8_t>(plan.format.bit_depth));
  data.push_back(plan.colour->png_type);
  data.push_back(kPngCompressionDeflate);
  data.push_back(kPngFilterMethodAdaptive);
  data.push_back(plan.format.is_interlaced ? kPngInterlaceAdam7 : kPngInterlaceNone);
  return data;
}

}  // namespace

int WritePngFile(IpiSystem* sys, IpiObject* image, IpiObject* file) {
  WriterPlan plan;
  PngImageRowSource source;
  ScopedAccessor out;
  IPI_RETURN_IF_ERROR(IpiBeginPlannedWrite(
      sys, image, file, GatherPlan, plan, [&] { return source.Open(sys, image, plan.format); }, out));
  PngChunkWriter writer(out.stream());
  IPI_RETURN_IF_ERROR(writer.WritePngSignature(sys));
  IPI_RETURN_IF_ERROR(writer.WritePngChunk(sys, kChunkIhdr, HeaderData(plan)));
  if (!plan.palette.empty()) IPI_RETURN_IF_ERROR(writer.WritePngChunk(sys, kChunkPlte, plan.palette));
  if (!plan.copyright.empty()) IPI_RETURN_IF_ERROR(writer.WritePngChunk(sys, kChunkText, plan.copyright));
  if (!plan.transparency.empty()) IPI_RETURN_IF_ERROR(writer.WritePngChunk(sys, kChunkTrns, plan.transparency));

  // Palette images and samples below a byte gain nothing from filters.
  const bool filters = plan.colour->png_type != kPngTypePalette && plan.format.bit_depth >= 8;
  IdatOutput idat(writer);
  PngRowEncoder encoder(plan.format, filters ? kPngFilterSetAll : kPngFilterSetNone, idat);
  IPI_RETURN_IF_ERROR(encoder.Start(sys, Z_DEFAULT_COMPRESSION, filters ? Z_FILTERED : Z_DEFAULT_STRATEGY));
  IPI_RETURN_IF_ERROR(FeedPngRows(sys, source, plan.format, encoder));
  IPI_RETURN_IF_ERROR(writer.WritePngChunk(sys, kChunkIend, {}));
  IPI_RETURN_IF_ERROR(out.Close());
  return source.Close();
}
