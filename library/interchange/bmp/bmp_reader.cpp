// The bitmap reader; see bmp_codec.h. The stored form is parsed once per
// pass from a bounded view (ParseBmpHeader); rows are then copied straight
// from that view into the image's rows.
#include <algorithm>
#include <cstring>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/operators/operator_frame.h"
#include "core/status.h"
#include "core/streams/scoped_stream.h"
#include "core/streams/stream.h"
#include "interchange/bmp/bmp_codec.h"
#include "interchange/bmp/bmp_header.h"
#include "interchange/common/codec_prelude.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/rows/bmp_rows.h"
#include "interchange/rows/packed_bitmap_rows.h"

namespace {

// What both passes derive from the header.
struct ReadPlan {
  BmpHeader header;
  std::span<const uint8_t> stored;  // the whole stored form
  int64_t x_dimension = 0;          // the width, widened to whole bytes for 1 bit under "byteBoundary"
  bool has_byte_boundary = false;
  int32_t data_type = 0;
  int32_t image_precision = 0;  // 1, 4 or 8
  int32_t bands = 1;            // bands the image gets
  int64_t rows_present = 0;     // stored rows whose pixels are all there
};

int32_t PrecisionOf(int32_t bits) { return bits <= 8 ? bits : 8; }

int CheckClass(IpiSystem* sys, const IpiObject& image, int32_t bits) {
  const IpiObjectClass* cls = image.object_class;
  const IpiObjectClass* depth_class = bits >= 16 ? &kColourImageClass : &kMonochromeImageClass;
  return cls == &kGenericImageClass || cls == depth_class ? kIpiNoError : IpiRefuse(sys, kIpiMismatchObjectClass);
}

int64_t RowsPresent(const BmpHeader& h) {
  if (h.is_run_length || h.available_data_bytes >= h.data_bytes) return h.height_px;
  const auto available = static_cast<int64_t>(h.available_data_bytes);
  if (available < h.payload_row_bytes) return 0;
  // The last row needs only its pixels, not its padding.
  return std::min(h.height_px, (available - h.payload_row_bytes) / h.row_bytes + 1);
}

int SetImageAttributes(IpiSystem* sys, const ReadPlan& plan, IpiObject* image) {
  const BmpHeader& h = plan.header;
  std::vector<IpiAttribute> list = {
      {"xDimension", static_cast<intptr_t>(plan.x_dimension)},
      {"yDimension", static_cast<intptr_t>(h.height_px)},
      {"zDimension", 1},
      {"tDimension", 1},
      {"bDimension", plan.bands},
      // dataType first: it sets the precision from the system, which the next entry replaces.
      {"dataType", plan.data_type},
      {"dataPrecision", plan.image_precision},
      {"compression", h.is_run_length ? kCompressionBmpRunLength : kCompressionNone},
      {"bitOrder", kOrderMsbFirst},
      {"byteOrder", kOrderMsbFirst},
  };
  if (h.bits_per_pixel >= 16) list.push_back({"colourSpace", kColourSpaceRgb});
  // Caller memory keeps the size of the memory as its bound.
  if (image->fields.repository != kRepositoryCallerMemory) {
    list.push_back({"size", static_cast<intptr_t>(h.data_bytes)});
  }
  if (plan.has_byte_boundary) list.push_back({"widthByteBoundary", static_cast<intptr_t>(h.width_px)});
  if (image->fields.file_format == kFormatBmp) {
    list.push_back({"resolutionUnit", kResolutionUnitPixelsPerMetre});
    list.push_back({"xResolution", h.x_pixels_per_metre});
    list.push_back({"yResolution", h.y_pixels_per_metre});
  }
  return IpiSetAttributes(sys, image, list.data(), static_cast<int>(list.size()));
}

// The colour table into the image's lookup table: 2^bits entries as red,
// green and blue runs; entries the file does not hold are 0.
int ReadPalette(IpiSystem* sys, const ReadPlan& plan, IpiObject* image) {
  const BmpHeader& h = plan.header;
  if (h.table_entries == 0 || image->fields.lut == 0) return kIpiNoError;
  IpiObject* table = IpiObjectFromId(sys, image->fields.lut);
  if (table == nullptr) return kIpiNoError;  // no live table is attached
  const int64_t entries = h.table_entries;
  const IpiAttribute shape[] = {{"bitOrder", kOrderMsbFirst},
                                {"xDimension", static_cast<intptr_t>(entries)},
                                {"bDimension", 3},
                                {"dataType", kDataTypeNonnegative},
                                {"dataPrecision", 8}};
  IPI_RETURN_IF_ERROR(IpiSetAttributes(sys, table, shape, 5));
  std::vector<uint8_t> runs(static_cast<size_t>(3 * entries), 0);
  // ParseBmpHeader checked that palette_entries entries lie inside the view.
  const uint8_t* entry = plan.stored.data() + h.palette_offset;
  for (int64_t i = 0; i < h.palette_entries; ++i, entry += kBmpPaletteEntryBytes) {
    runs[static_cast<size_t>(i)] = entry[2];
    runs[static_cast<size_t>(entries + i)] = entry[1];
    runs[static_cast<size_t>(2 * entries + i)] = entry[0];
  }
  ScopedStream stream(sys, IpiOpenStream(sys, table, "w", 0));
  if (!stream) return IpiGetLastError(sys);
  const bool wrote = IpiWriteBytes(sys, stream.get(), 0, runs.data(), 3 * entries) == 3 * entries;
  const int status = wrote ? kIpiNoError : IpiGetLastError(sys);
  return stream.CloseAfter(status);
}

// A coded body goes unchanged to the image's data from position 0.
int CopyCodedBody(IpiSystem* sys, const ReadPlan& plan, IpiObject* image) {
  const BmpHeader& h = plan.header;
  if (image->fields.compression != kCompressionBmpRunLength) return IpiRefuse(sys, kIpiNonPermissibleOption);
  if (image->fields.data_type != kDataTypeNonnegative) return IpiRefuse(sys, kIpiMismatchDataType);
  // Byte access: the stream keeps no row window, so closing it adds nothing
  // behind the written bytes.
  ScopedStream stream(sys, IpiOpenStream(sys, image, "w", 0));
  if (!stream) return IpiGetLastError(sys);
  const auto count = static_cast<int64_t>(h.data_bytes);
  const bool wrote = IpiWriteBytes(sys, stream.get(), 0, plan.stored.data() + h.pixel_offset, count) == count;
  const int status = wrote ? kIpiNoError : IpiGetLastError(sys);
  IPI_RETURN_IF_ERROR(stream.CloseAfter(status));
  // The written bytes fit the image's memory, so this never widens a bound.
  return IpiSetAttribute(sys, image, "size", static_cast<intptr_t>(count));
}

// Stored rows in stored order into a packed-bitmap image.
int ReadPackedRows(IpiSystem* sys, const ReadPlan& plan, IpiObject* image) {
  const BmpHeader& h = plan.header;
  const int bits = h.bits_per_pixel;
  const bool converts = bits == 16 || bits == 32;
  const int64_t needed = converts ? 3 * h.width_px : h.payload_row_bytes;
  PackedBitmapRows rows;
  IPI_RETURN_IF_ERROR(IpiGetPackedBitmapRows(sys, image, needed, &rows));
  ScopedAccessor out;
  IPI_RETURN_IF_ERROR(OpenAuxiliaryAccessor(sys, image, AccessMode::kWrite, 1, out));
  const int64_t count = std::min(h.height_px, rows.rows);
  for (int64_t s = 0; s < std::min(count, plan.rows_present); ++s) {
    uint8_t* row = IpiGetOutputRow(sys, out.stream(), rows.ElementOfRow(s));
    if (row == nullptr) return IpiGetLastError(sys);
    const uint8_t* stored = plan.stored.data() + h.pixel_offset + s * h.row_bytes;
    int64_t filled = 0;
    if (bits == 16) {
      Convert555ToBgr(stored, h.width_px, row);
      filled = 3 * h.width_px;
    } else if (bits == 32) {
      ConvertBgrxToBgr(stored, h.width_px, row);
      filled = 3 * h.width_px;
    } else {
      // The last stored row may lack its padding: copy what is there.
      const int64_t there = static_cast<int64_t>(plan.stored.size() - h.pixel_offset) - s * h.row_bytes;
      filled = std::min({rows.row_bytes, h.row_bytes, there});
      std::memcpy(row, stored, static_cast<size_t>(filled));
    }
    std::memset(row + filled, 0, static_cast<size_t>(rows.row_bytes - filled));
    IPI_RETURN_IF_ERROR(IpiPutOutputRow(sys, out.stream(), rows.ElementOfRow(s)));
  }
  IPI_RETURN_IF_ERROR(out.Close());
  return plan.rows_present < count ? IpiRefuse(sys, kIpiSyntaxError) : kIpiNoError;
}

// Stored rows into the image's band rows, the picture's top row first.
int ReadImageRows(IpiSystem* sys, const ReadPlan& plan, IpiObject* image) {
  const BmpHeader& h = plan.header;
  const int bits = h.bits_per_pixel;
  if (image->fields.compression != kCompressionNone) return IpiRefuse(sys, kIpiNonPermissibleOption);
  if (image->fields.data_type != plan.data_type) return IpiRefuse(sys, kIpiMismatchDataType);
  IPI_RETURN_IF_ERROR(RequireStoredBits(sys, image, bits == 1 ? 1 : 8));
  const IpiObjectFields& f = image->fields;
  const int64_t x_dim = f.dimension[kDimX];
  const int64_t y_dim = f.dimension[kDimY];
  // A band's first row: bands follow each other after every z and t plane.
  const int64_t band_elements = x_dim * y_dim * f.dimension[kDimZ] * f.dimension[kDimT];
  const int64_t columns = std::min<int64_t>(x_dim, bits == 1 ? plan.x_dimension : h.width_px);
  const int64_t rows = std::min(y_dim, h.height_px);
  const int32_t bands = bits >= 16 ? std::min<int32_t>(3, f.dimension[kDimB]) : 1;

  ScopedAccessor out;
  IPI_RETURN_IF_ERROR(OpenAuxiliaryAccessor(sys, image, AccessMode::kWrite, 1, out));
  const IpiAccessor& accessor = *out;
  // Rows in memory are written in place, so the three band rows can be at
  // hand at once and split in one pass; file rows share one buffer.
  const bool splits_in_one_pass = (bits == 24 || bits == 32) && bands == 3 && out.stream()->data != nullptr;
  for (int64_t r = 0; r < rows; ++r) {
    const int64_t s = h.height_px - 1 - r;  // rows are stored bottom-up
    if (s >= plan.rows_present) continue;   // missing: reported after the rows that are there
    const uint8_t* stored = plan.stored.data() + h.pixel_offset + s * h.row_bytes;
    if (splits_in_one_pass) {
      uint8_t* planes[3] = {};
      for (int32_t b = 0; b < 3; ++b) {
        planes[b] = IpiGetOutputRow(sys, out.stream(), b * band_elements + r * x_dim);
        if (planes[b] == nullptr) return IpiGetLastError(sys);
      }
      SplitPixels(stored, columns, bits / 8, planes[0], planes[1], planes[2]);
      continue;
    }
    for (int32_t b = 0; b < bands; ++b) {
      const int64_t element = b * band_elements + r * x_dim;
      uint8_t* row = IpiGetOutputRow(sys, out.stream(), element);
      if (row == nullptr) return IpiGetLastError(sys);
      switch (bits) {
        case 1: StoredBitsToRow(stored, columns, accessor, row, element % 8); break;
        case 4: UnpackNibbles(stored, columns, row); break;
        case 8: std::memcpy(row, stored, static_cast<size_t>(columns)); break;
        case 16: Expand555Channel(stored, columns, b, row); break;
        case 24: ExtractChannel(stored, columns, 3, 2 - b, row); break;
        default: ExtractChannel(stored, columns, 4, 2 - b, row); break;  // 32: blue, green, red, unused
      }
      IPI_RETURN_IF_ERROR(IpiPutOutputRow(sys, out.stream(), element));
    }
  }
  IPI_RETURN_IF_ERROR(out.Close());
  // Every image row needs stored row height - 1 at least; any row missing is lost.
  return rows > 0 && plan.rows_present < h.height_px ? IpiRefuse(sys, kIpiSyntaxError) : kIpiNoError;
}

int ReadPixels(IpiSystem* sys, const ReadPlan& plan, IpiObject* image) {
  if (plan.header.is_run_length) return CopyCodedBody(sys, plan, image);
  if (IpiIsPackedBitmapImage(*image)) return ReadPackedRows(sys, plan, image);
  return ReadImageRows(sys, plan, image);
}

}  // namespace

int ReadBmpFile(IpiSystem* sys, IpiObject* source, IpiObject* image, int read_mode, int32_t format) {
  SourceBytes stored;
  IPI_RETURN_IF_ERROR(IpiBeginRead(sys, source, image, read_mode, stored));

  ReadPlan plan;
  plan.stored = stored.bytes();
  const BmpContainer container = format == kFormatBmp ? BmpContainer::kFile : BmpContainer::kPacked;
  const int parse_status = ParseBmpHeader(plan.stored, container, &plan.header);
  if (parse_status != 0) return IpiRefuse(sys, parse_status);
  const BmpHeader& h = plan.header;
  IPI_RETURN_IF_ERROR(CheckClass(sys, *image, h.bits_per_pixel));
  plan.x_dimension = h.width_px;
  plan.has_byte_boundary = IpiSystemValue(sys, IpiSystemAttribute::kByteBoundary) != 0;
  if (plan.has_byte_boundary && h.bits_per_pixel == 1) plan.x_dimension = (h.width_px + 7) / 8 * 8;
  plan.data_type = h.bits_per_pixel == 1 ? kDataTypeBoolean : kDataTypeNonnegative;
  plan.image_precision = PrecisionOf(h.bits_per_pixel);
  plan.bands = h.bits_per_pixel >= 16 ? 3 : 1;
  plan.rows_present = RowsPresent(h);

  if (read_mode != kReadModeData) {
    IPI_RETURN_IF_ERROR(SetImageAttributes(sys, plan, image));
    IPI_RETURN_IF_ERROR(ReadPalette(sys, plan, image));
  }
  if (read_mode != kReadModeHeader) IPI_RETURN_IF_ERROR(ReadPixels(sys, plan, image));
  return kIpiNoError;
}
