// The Zoltra reader; see zoltra_file.h. The record layer (zoltra_records.h)
// finds each image's content, the field walk (zoltra_fields.h) turns it into
// one checked ZoltraImageInfo that the header pass and the data pass share.
#include <algorithm>
#include <iterator>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/composite_array.h"
#include "core/objects/object.h"
#include "core/operators/operator_frame.h"
#include "core/status.h"
#include "core/streams/stream.h"
#include "core/system/system.h"
#include "interchange/common/codec_prelude.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/rows/bilevel_rows.h"
#include "interchange/zoltra/zoltra_fields.h"
#include "interchange/zoltra/zoltra_file.h"
#include "interchange/zoltra/zoltra_records.h"

namespace {

int SetImageAttributes(IpiSystem* sys, const ZoltraImageInfo& info, IpiObject* target) {
  std::vector<IpiAttribute> list = {
      {"xDimension", static_cast<intptr_t>(info.width)},
      {"yDimension", static_cast<intptr_t>(info.height)},
      {"zDimension", 1},
      {"tDimension", 1},
      {"bDimension", 1},
      // dataType first: it sets the precision from the system, which the next entry replaces.
      {"dataType", kDataTypeBoolean},
      {"dataPrecision", 1},
      {"bitOrder", kOrderMsbFirst},
      {"compression", info.compression},
      {"eolState", 0},
      {"xResolution", info.x_resolution},
      {"yResolution", info.y_resolution},
      {"resolutionUnit", info.resolution_unit},
      {"xVDC1stCorner", info.corners[0]},
      {"yVDC1stCorner", info.corners[1]},
      {"xVDC2ndCorner", info.corners[2]},
      {"yVDC2ndCorner", info.corners[3]},
  };
  // Coded data: its byte count decides where the read front holds it. Caller
  // memory keeps the size of the memory as its bound.
  if (info.compression != kCompressionNone && target->fields.repository != kRepositoryCallerMemory) {
    list.push_back({"size", static_cast<intptr_t>(info.data_bytes)});
  }
  return IpiSetAttributes(sys, target, list.data(), static_cast<int>(list.size()));
}

// The coded data as it stands in the file, for the decode.
int CopyCodedData(IpiSystem* sys, const ZoltraImageInfo& info, IpiObject* target) {
  if (target->fields.compression != info.compression) return IpiRefuse(sys, kIpiNonPermissibleOption);
  ScopedAccessor out;
  IPI_RETURN_IF_ERROR(OpenAuxiliaryAccessor(sys, target, AccessMode::kWrite, 0, out));
  int64_t written = 0;
  for (const auto& piece : info.data) {
    const auto n = static_cast<int64_t>(piece.size());
    if (IpiWriteBytes(sys, out.stream(), written, piece.data(), n) != n) return IpiGetLastError(sys);
    written += n;
  }
  IPI_RETURN_IF_ERROR(out.Close());
  return IpiSetAttribute(sys, target, "size", static_cast<intptr_t>(written));
}

// Plain rows of (width + 7) / 8 bytes, first pixel in the most significant
// bit, into the rows the target shares with the image. Rows the data does
// not hold whole are an error after the rows before them are stored.
int CopyRows(IpiSystem* sys, const ZoltraImageInfo& info, IpiObject* target) {
  if (target->fields.compression != kCompressionNone) return IpiRefuse(sys, kIpiNonPermissibleOption);
  IPI_RETURN_IF_ERROR(RequireDataType(sys, target, kDataTypeBoolean));
  IPI_RETURN_IF_ERROR(RequireStoredBits(sys, target, 1));
  std::vector<uint8_t> data;
  data.reserve(static_cast<size_t>(info.data_bytes));
  for (const auto& piece : info.data) data.insert(data.end(), piece.begin(), piece.end());
  const auto row_bytes = static_cast<uint64_t>((info.width + 7) / 8);
  const uint64_t whole_rows = data.size() / row_bytes;

  ScopedAccessor out;
  IPI_RETURN_IF_ERROR(OpenImageAccessor(sys, target, AccessMode::kWrite, 1, false, out));
  const int64_t width = std::min<int64_t>(info.width, out->dimension[kDimX]);
  const int64_t rows = std::min<int64_t>({info.height, out->dimension[kDimY], static_cast<int64_t>(whole_rows)});
  for (int64_t y = 0; y < rows; ++y) {
    const int64_t row_start = y * out->dimension[kDimX];
    uint8_t* row = IpiGetOutputRow(sys, out.stream(), row_start);
    if (row == nullptr) return IpiGetLastError(sys);
    ScatterBilevelRow(*out, row, row_start & 7, width, data.data() + static_cast<uint64_t>(y) * row_bytes);
    IPI_RETURN_IF_ERROR(IpiPutOutputRow(sys, out.stream(), row_start));
  }
  IPI_RETURN_IF_ERROR(out.Close());
  if (whole_rows < static_cast<uint64_t>(info.height)) return IpiRefuse(sys, kIpiSyntaxError);
  return kIpiNoError;
}

int ReadImage(IpiSystem* sys, const ZoltraImageRecords& records, IpiObject* target, int read_mode) {
  std::vector<uint8_t> storage;
  ZoltraImageInfo info;
  const int parsed = ParseZoltraFields(JoinZoltraContent(records, storage), &info);
  if (parsed != kIpiNoError) return IpiRefuse(sys, parsed);
  if (!IpiIsGenericOrMonochromeClass(target->object_class)) return IpiRefuse(sys, kIpiMismatchObjectClass);
  if (read_mode != kReadModeData) IPI_RETURN_IF_ERROR(SetImageAttributes(sys, info, target));
  if (read_mode == kReadModeHeader) return kIpiNoError;
  return info.compression == kCompressionNone ? CopyRows(sys, info, target) : CopyCodedData(sys, info, target);
}

// The images of a composite target: after its "xMatchPoint" images, at most
// its "entries" of them.
int ReadImages(IpiSystem* sys, const ByteReader& file, uint64_t first_record, IpiObject* array, int read_mode) {
  const int64_t first_image = array->fields.match_point[kDimX];
  if (first_image < 0) return IpiRefuse(sys, kIpiNonPermissibleOption);
  ZoltraImageWalk walk(file, first_record, kIpiSyntaxError);
  ZoltraImageRecords records;
  bool has_image = false;
  for (int64_t i = 0; i < first_image; ++i) {
    const int status = walk.Next(&records, &has_image);
    if (status != kIpiNoError) return IpiRefuse(sys, status);
    if (!has_image) return IpiRefuse(sys, kIpiNonPermissibleOption);  // not that many images
  }

  const bool is_header_pass = read_mode != kReadModeData;
  std::vector<IpiObject*> images;
  int64_t wanted = array->fields.dimension[kDimX];
  if (wanted == 0 && is_header_pass) {
    // An array of no entries takes every image from the first one on.
    ZoltraImageWalk counter = walk;
    for (;;) {
      const int status = counter.Next(&records, &has_image);
      if (status != kIpiNoError) return IpiRefuse(sys, status);
      if (!has_image) break;
      ++wanted;
    }
    if (wanted == 0) return IpiRefuse(sys, kIpiNonPermissibleOption);
    IPI_RETURN_IF_ERROR(IpiResizeCompositeArray(sys, array, images, wanted));
  }
  bool has_run_out = false;
  for (int64_t k = 0; k < wanted; ++k) {
    const int status = walk.Next(&records, &has_image);
    if (status != kIpiNoError) return IpiRefuse(sys, status);
    if (!has_image) {
      has_run_out = true;
      break;
    }
    IpiObject* image = IpiCompositeElementOrNull(sys, array, k);
    if (image == nullptr) {
      if (!is_header_pass) break;
      image = IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, nullptr, 0);
      if (image == nullptr) return IpiGetLastError(sys);
      IPI_RETURN_IF_ERROR(IpiPutCompositeElement(sys, image, array, k));
    }
    IPI_RETURN_IF_ERROR(IpiSetAttribute(sys, image, "fileFormat", kFormatZoltra));
    IPI_RETURN_IF_ERROR(ReadImage(sys, records, image, read_mode));
    images.push_back(image);
  }
  if (images.empty()) return IpiRefuse(sys, has_run_out ? kIpiNonPermissibleOption : kIpiInvalidInstance);
  if (is_header_pass) IPI_RETURN_IF_ERROR(IpiResizeCompositeArray(sys, array, images, static_cast<int64_t>(images.size())));
  return kIpiNoError;
}

}  // namespace

int ReadZoltraFile(IpiSystem* sys, IpiObject* source, IpiObject* target, int read_mode) {
  SourceBytes bytes;
  IPI_RETURN_IF_ERROR(IpiBeginRead(sys, source, target, read_mode, bytes));
  const ByteReader file(bytes.bytes());
  uint64_t first_record = 0;
  const int document = ParseZoltraDocument(file, kIpiSyntaxError, &first_record);
  if (document != kIpiNoError) return IpiRefuse(sys, document);
  if (IpiIsCompositeArray(*target)) return ReadImages(sys, file, first_record, target, read_mode);

  ZoltraImageWalk walk(file, first_record, kIpiSyntaxError);
  ZoltraImageRecords records;
  bool has_image = false;
  const int status = walk.Next(&records, &has_image);
  if (status != kIpiNoError) return IpiRefuse(sys, status);
  if (!has_image) return IpiRefuse(sys, kIpiSyntaxError);  // a document of no image
  return ReadImage(sys, records, target, read_mode);
}

int CountZoltraFileImages(const uint8_t* bytes, uint64_t size_bytes, int past_end_code, int64_t* count) {
  const ByteReader file(std::span<const uint8_t>(bytes, static_cast<size_t>(size_bytes)));
  uint64_t first_record = 0;
  IPI_RETURN_IF_ERROR(ParseZoltraDocument(file, past_end_code, &first_record));
  ZoltraImageWalk walk(file, first_record, past_end_code);
  ZoltraImageRecords records;
  int64_t images = 0;
  for (;;) {
    bool has_image = false;
    IPI_RETURN_IF_ERROR(walk.Next(&records, &has_image));
    if (!has_image) break;
    ++images;
  }
  *count = images;
  return kIpiNoError;
}
