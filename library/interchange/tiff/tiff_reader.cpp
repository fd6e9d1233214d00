// The TIFF reader; see tiff_reader.h. Each directory is read into a
// TiffImagePlan (tiff_directory.h) that both passes share; the header pass
// gives the plan to the target as attributes and its colour map to the
// target's lookup table, the data pass hands the plan's strips to the pixel
// pass (ReadTiffStrips).
#include "interchange/tiff/tiff_reader.h"

#include <cstring>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/composite_array.h"
#include "core/status.h"
#include "core/streams/scoped_stream.h"
#include "core/streams/stream.h"
#include "interchange/common/codec_prelude.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/io/chain_guard.h"
#include "interchange/tiff/tiff_directory.h"
#include "interchange/tiff/tiff_source.h"
#include "interchange/tiff/tiff_strips.h"

namespace {

bool IsComposite(const IpiObject& obj) { return obj.object_class == &kCompositeIdArrayClass; }

intptr_t Address(const void* p) { return reinterpret_cast<intptr_t>(p); }

// SetTiffImageAttributes: the description of the image for the target.
int SetImageAttributes(IpiSystem* sys, const TiffImagePlan& plan, IpiObject* target) {
  std::vector<IpiAttribute> list = {
      {"xDimension", plan.x_dimension},
      {"yDimension", plan.y_dimension},
      {"zDimension", 1},
      {"tDimension", 1},
      {"bDimension", plan.bands},
      // dataType first: it sets the precision from the system, which the next entry replaces.
      {"dataType", plan.data_type},
      {"dataPrecision", plan.image_precision},
      {"bitOrder", plan.bit_order},
      {"byteOrder", plan.byte_order},
      {"compression", plan.compression},
      {"eolState", plan.eol_state},
      // The TIFF group (names outside a target's group are ignored); the
      // strip count comes before the strip tables it sizes.
      {"orientation", plan.orientation},
      {"planarConfiguration", plan.planar_configuration},
      {"resolutionUnit", plan.resolution_unit},
      {"photometricInterpretation", plan.photometric},
      {"rowsPerStrip", plan.rows_per_strip},
      {"newSubfileType", plan.new_subfile_type},
      {"pageNumber", plan.page_number},
      {"stripsPerImage", static_cast<intptr_t>(plan.strip_offsets.size())},
      {"stripByteCounts", Address(plan.strip_byte_counts.data())},
      {"stripOffsets", Address(plan.strip_offsets.data())},
  };
  if (plan.colour_space != 0) list.push_back({"colourSpace", plan.colour_space});
  if (plan.x_resolution) list.push_back({"xResolution", Address(plan.x_resolution->data())});
  if (plan.y_resolution) list.push_back({"yResolution", Address(plan.y_resolution->data())});
  if (plan.has_byte_boundary) list.push_back({"widthByteBoundary", plan.width_byte_boundary});
  // Coded data: its byte count decides where the read front holds it. Caller
  // memory keeps the size of the memory as its bound.
  if (plan.compression != kCompressionNone && target->fields.repository != kRepositoryCallerMemory) {
    list.push_back({"size", static_cast<intptr_t>(plan.strips.coded_bytes)});
  }
  return IpiSetAttributes(sys, target, list.data(), static_cast<int>(list.size()));
}

// The target's lookup table: three bands of `lut_entries` entries, filled
// from the colour map when the file has one.
int SetLookupTable(IpiSystem* sys, const TiffImagePlan& plan, IpiObject* target) {
  if (target->fields.lut == 0) return kIpiNoError;
  IpiObject* table = IpiObjectFromId(sys, target->fields.lut);
  if (table == nullptr) return kIpiNoError;  // no live table is attached
  const IpiAttribute shape[] = {{"bitOrder", kOrderMsbFirst},
                                {"xDimension", static_cast<intptr_t>(plan.lut_entries)},
                                {"bDimension", 3},
                                {"dataType", kDataTypeNonnegative},
                                {"dataPrecision", 8}};
  IPI_RETURN_IF_ERROR(IpiSetAttributes(sys, table, shape, 5));
  if (plan.palette.empty()) return kIpiNoError;
  ScopedStream stream(sys, IpiOpenStream(sys, table, "w", 0));
  if (!stream) return IpiGetLastError(sys);
  const auto count = static_cast<int64_t>(plan.palette.size());
  const bool wrote = IpiWriteBytes(sys, stream.get(), 0, plan.palette.data(), count) == count;
  const int status = wrote ? kIpiNoError : IpiGetLastError(sys);
  return stream.CloseAfter(status);
}

// ReadTiffImage: the directory at `position` into `target`.
int ReadImage(IpiSystem* sys, TiffSource& source, ByteOrder order, uint64_t position, IpiObject* target,
              int read_mode) {
  TiffImagePlan plan;
  IPI_RETURN_IF_ERROR(ReadTiffDirectory(sys, source, order, position, &plan));
  const IpiObjectClass* cls = target->object_class;
  if (cls != &kGenericImageClass && cls != plan.image_class) return IpiRefuse(sys, kIpiMismatchObjectClass);
  if (read_mode != kReadModeData) {
    IPI_RETURN_IF_ERROR(SetImageAttributes(sys, plan, target));
    IPI_RETURN_IF_ERROR(SetLookupTable(sys, plan, target));
  }
  if (read_mode != kReadModeHeader) IPI_RETURN_IF_ERROR(ReadTiffStrips(sys, source, plan.strips, target));
  return kIpiNoError;
}

// The pages of a composite target: from its "xMatchPoint" on, at most its
// "entries" of them.
int ReadPages(IpiSystem* sys, TiffSource& source, const TiffHeader& header, IpiObject* array, int read_mode) {
  const int64_t first_page = array->fields.match_point[kDimX];
  if (first_page < 0) return IpiRefuse(sys, kIpiNonPermissibleOption);
  ChainGuard guard;
  uint32_t position = header.first_directory;
  for (int64_t i = 0; i < first_page; ++i) {
    // A loop ends the chain: pages past it do not exist.
    if (position == 0 || !guard.Visit(position)) return IpiRefuse(sys, kIpiNonPermissibleOption);
    IPI_RETURN_IF_ERROR(ReadNextTiffDirectory(sys, source, header.byte_order, position, &position, kIpiSyntaxError));
  }
  if (position == 0) return IpiRefuse(sys, kIpiNonPermissibleOption);

  const bool is_header_pass = read_mode != kReadModeData;
  std::vector<IpiObject*> pages;
  int64_t wanted = array->fields.dimension[kDimX];
  if (wanted == 0 && is_header_pass) {
    // An array of no entries takes every page from the first one on.
    IPI_RETURN_IF_ERROR(CountTiffDirectories(sys, source, header.byte_order, position, kIpiSyntaxError, &wanted));
    IPI_RETURN_IF_ERROR(IpiResizeCompositeArray(sys, array, pages, wanted));
  }
  for (int64_t k = 0; k < wanted && position != 0; ++k) {
    if (!guard.Visit(position)) {
      // The chain loops back and ends here; a first page past the loop does not exist.
      if (k == 0) return IpiRefuse(sys, kIpiNonPermissibleOption);
      break;
    }
    IpiObject* page = IpiCompositeElementOrNull(sys, array, k);
    if (page == nullptr) {
      if (!is_header_pass) break;
      // A new page gets a lookup table of its own for its palette.
      IpiObject* table = IpiCreateObject(sys, nullptr, &kLookupTableClass, nullptr, nullptr, 0);
      if (table == nullptr) return IpiGetLastError(sys);
      const IpiAttribute shape[] = {{"lut", static_cast<intptr_t>(IpiObjectId(table))}};
      page = IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, shape, 1);
      if (page == nullptr) return IpiGetLastError(sys);
      IPI_RETURN_IF_ERROR(IpiPutCompositeElement(sys, page, array, k));
    }
    IPI_RETURN_IF_ERROR(IpiSetAttribute(sys, page, "fileFormat", kFormatTiff));
    IPI_RETURN_IF_ERROR(ReadImage(sys, source, header.byte_order, position, page, read_mode));
    pages.push_back(page);
    IPI_RETURN_IF_ERROR(ReadNextTiffDirectory(sys, source, header.byte_order, position, &position, kIpiSyntaxError));
  }
  // Nothing read: the first wanted element is missing.
  if (pages.empty()) return IpiRefuse(sys, kIpiInvalidInstance);
  if (is_header_pass) IPI_RETURN_IF_ERROR(IpiResizeCompositeArray(sys, array, pages, static_cast<int64_t>(pages.size())));
  return kIpiNoError;
}

}  // namespace

int ReadTiffFile(IpiSystem* sys, IpiObject* source, IpiObject* target, int read_mode) {
  IPI_RETURN_IF_ERROR(IpiBeginRead(sys, source, target, read_mode));
  TiffSource bytes;
  IPI_RETURN_IF_ERROR(bytes.Open(sys, *source));
  TiffHeader header;
  IPI_RETURN_IF_ERROR(ReadTiffHeader(sys, bytes, &header, kIpiSyntaxError));
  if (IsComposite(*target)) return ReadPages(sys, bytes, header, target, read_mode);
  if (header.first_directory == 0) return IpiRefuse(sys, kIpiSyntaxError);  // a file of no image
  return ReadImage(sys, bytes, header.byte_order, header.first_directory, target, read_mode);
}
