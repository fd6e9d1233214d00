// The PCX writer: the kind, header and palettes are settled and checked
// before the first byte; then header, coded rows and, for 256 colours, the
// palette trailer go to the file object's stream at increasing offsets.
#include <algorithm>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/object.h"
#include "core/operators/operator_frame.h"
#include "core/status.h"
#include "core/streams/stream.h"
#include "core/system/system.h"
#include "interchange/common/codec_prelude.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/common/object_bytes.h"
#include "interchange/common/object_io.h"
#include "interchange/pcx/pcx_codec.h"
#include "interchange/pcx/pcx_header.h"

namespace {

constexpr int32_t kColourBands = 3;
constexpr int64_t kMaxField = 65535;  // the header's 16-bit fields

struct WritePlan {
  PcxImageKind kind = PcxImageKind::kMonochrome;
  PcxHeader header;
  std::vector<uint8_t> trailer;  // empty: none
};

int ChooseKind(IpiSystem* sys, IpiObject* coded, IpiObject* file, PcxImageKind& kind) {
  const IpiObjectFields& c = coded->fields;
  const IpiObjectFields& f = file->fields;
  const bool both_colour = coded->object_class == &kColourImageClass && file->object_class == &kColourImageClass;
  const bool both_generic = coded->object_class == &kGenericImageClass && file->object_class == &kGenericImageClass;
  const bool same_type = c.data_type == f.data_type && c.data_precision == f.data_precision;
  if (both_colour || (both_generic && f.dimension[kDimB] >= kColourBands)) {
    // Three 8-bit planes only: a fourth plane is a file no reader takes.
    if (!same_type || f.data_type != kDataTypeNonnegative || f.data_precision != 8 ||
        f.dimension[kDimB] != kColourBands) {
      return IpiRefuse(sys, kIpiNonPermissibleOption);
    }
    kind = PcxImageKind::kFullColour;
    return kIpiNoError;
  }
  if (!same_type || f.dimension[kDimB] != 1) return IpiRefuse(sys, kIpiNonPermissibleOption);
  if (f.data_type == kDataTypeNonnegative && f.data_precision == 8) {
    kind = PcxImageKind::kByteIndexed;
  } else if (f.data_type == kDataTypeNonnegative && f.data_precision == 4) {
    kind = PcxImageKind::kSixteenColours;
  } else if (f.data_type == kDataTypeBoolean && f.data_precision == 1) {
    kind = PcxImageKind::kMonochrome;
  } else {
    return IpiRefuse(sys, kIpiNonPermissibleOption);
  }
  return kIpiNoError;
}

// The header palette of 2 and 16 colours: the table's first entries, or
// black and white without a table.
int GatherHeaderPalette(IpiSystem* sys, IpiObject* lut, WritePlan& plan) {
  std::array<uint8_t, 3 * kPcxHeaderPaletteEntries>& palette = plan.header.palette;
  palette.fill(0);
  if (lut == nullptr) {
    std::fill_n(palette.begin() + 3, 3, 0xFF);
    return kIpiNoError;
  }
  const int64_t entries = lut->fields.dimension[kDimX];
  if (entries < 2) return IpiRefuse(sys, kIpiNonPermissibleOption);
  std::vector<uint8_t> rgb;
  IPI_RETURN_IF_ERROR(ReadLutEntries(sys, lut, std::min<int64_t>(entries, kPcxHeaderPaletteEntries), rgb));
  std::copy_n(rgb.begin(), std::min(rgb.size(), palette.size()), palette.begin());
  return kIpiNoError;
}

// The 256-colour trailer: the table's first entries and black after them,
// or a grey ramp without a table.
int GatherTrailer(IpiSystem* sys, IpiObject* lut, WritePlan& plan) {
  plan.trailer.assign(kPcxTrailerBytes, 0);
  plan.trailer[0] = kPcxTrailerMarker;
  if (lut == nullptr || lut->fields.dimension[kDimX] < 1) {
    for (int i = 0; i < kPcxTrailerEntries; ++i) std::fill_n(plan.trailer.begin() + 1 + 3 * i, 3, static_cast<uint8_t>(i));
    plan.header.palette_information = kPcxPaletteGrey;
    return kIpiNoError;
  }
  std::vector<uint8_t> rgb;
  IPI_RETURN_IF_ERROR(
      ReadLutEntries(sys, lut, std::min<int64_t>(lut->fields.dimension[kDimX], kPcxTrailerEntries), rgb));
  std::copy_n(rgb.begin(), std::min(rgb.size(), plan.trailer.size() - 1), plan.trailer.begin() + 1);
  return kIpiNoError;
}

int PlanPcxWrite(IpiSystem* sys, IpiObject* coded, IpiObject* file, WritePlan& plan) {
  const IpiObjectFields& f = file->fields;
  if (f.file_format != kFormatPcx || f.compression != kCompressionPcxRunLength ||
      coded->fields.compression != kCompressionPcxRunLength) {
    return IpiRefuse(sys, kIpiNonPermissibleOption);
  }
  IPI_RETURN_IF_ERROR(ChooseKind(sys, coded, file, plan.kind));
  const int64_t width = f.dimension[kDimX];
  const int64_t height = f.dimension[kDimY];
  if (width < 1 || height < 1) return IpiRefuse(sys, kIpiOutOfRange);
  const PcxLayout layout = PcxLayoutOf(plan.kind);
  const int64_t bytes_per_line = PcxBytesPerLine(layout, width);
  // The corners and the line length must fit their 16-bit fields.
  if (width > kMaxField || height > kMaxField || bytes_per_line > kMaxField) {
    return IpiRefuse(sys, kIpiNonPermissibleOption);
  }
  const intptr_t version = IpiInquireAttribute(sys, file, "versionNumber");
  const intptr_t horizontal = IpiInquireAttribute(sys, file, "horizontalResolution");
  const intptr_t vertical = IpiInquireAttribute(sys, file, "verticalResolution");
  if (!IsPcxVersion(version) || horizontal < 0 || horizontal > kMaxField || vertical < 0 || vertical > kMaxField) {
    return IpiRefuse(sys, kIpiNonPermissibleOption);
  }
  PcxHeader& h = plan.header;
  h.version = static_cast<uint8_t>(version);
  h.bits_per_plane = layout == PcxLayout::kBytes8 ? 8 : 1;
  h.planes = static_cast<uint8_t>(plan.kind == PcxImageKind::kFullColour       ? kColourBands
                                  : plan.kind == PcxImageKind::kSixteenColours ? 4
                                                                               : 1);
  h.x_max = static_cast<uint16_t>(width - 1);
  h.y_max = static_cast<uint16_t>(height - 1);
  h.horizontal_resolution = static_cast<uint16_t>(horizontal);
  h.vertical_resolution = static_cast<uint16_t>(vertical);
  h.bytes_per_line = static_cast<uint16_t>(bytes_per_line);
  h.palette_information = kPcxPaletteColour;
  IpiObject* lut = IpiObjectFromId(sys, coded->fields.lut);
  switch (plan.kind) {
    case PcxImageKind::kMonochrome:
    case PcxImageKind::kSixteenColours: return GatherHeaderPalette(sys, lut, plan);
    case PcxImageKind::kByteIndexed: return GatherTrailer(sys, lut, plan);
    case PcxImageKind::kFullColour: return kIpiNoError;
  }
  return kIpiNoError;
}

int WriteAt(IpiSystem* sys, IpiStream* stream, int64_t& offset, const uint8_t* bytes, size_t count) {
  const auto n = static_cast<int64_t>(count);
  if (n > 0 && IpiWriteBytes(sys, stream, offset, bytes, n) != n) return IpiGetLastError(sys);
  offset += n;
  return kIpiNoError;
}

}  // namespace

int WritePcxFile(IpiSystem* sys, IpiObject* coded, IpiObject* file) {
  WritePlan plan;
  ObjectBytes data;
  ScopedAccessor out;
  IPI_RETURN_IF_ERROR(IpiBeginPlannedWrite(
      sys, coded, file, PlanPcxWrite, plan, [&] { return data.LoadData(sys, coded, coded->fields.size); }, out));
  int64_t offset = 0;
  const std::array<uint8_t, kPcxHeaderBytes> header = BuildPcxHeader(plan.header);
  IPI_RETURN_IF_ERROR(WriteAt(sys, out.stream(), offset, header.data(), header.size()));
  IPI_RETURN_IF_ERROR(WriteAt(sys, out.stream(), offset, data.bytes().data(), data.bytes().size()));
  IPI_RETURN_IF_ERROR(WriteAt(sys, out.stream(), offset, plan.trailer.data(), plan.trailer.size()));
  IPI_RETURN_IF_ERROR(out.Close());
  return IpiSetAttribute(sys, file, "size", static_cast<intptr_t>(offset));
}
