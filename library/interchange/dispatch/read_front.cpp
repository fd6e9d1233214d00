// Read fronts; see read_front.h. Holders of coded data and decode
// intermediates are owned by ScopedObject and the copy of a file by its
// FileCopy, so all of them go on every path; the target keeps what was read
// before a failure.
#include "interchange/dispatch/read_front.h"

#include <vector>

#include "core/codes.h"
#include "core/limits.h"
#include "core/objects/attributes.h"
#include "core/objects/composite_array.h"
#include "core/objects/object.h"
#include "core/objects/pair_list.h"
#include "core/objects/scoped_object.h"
#include "core/status.h"
#include "core/streams/stream.h"
#include "core/system/system.h"
#include "interchange/common/byte_boundary.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/common/source_bytes.h"
#include "interchange/dispatch/codec_table.h"
#include "interchange/dispatch/coder_dispatch.h"
#include "interchange/dispatch/read_dispatch.h"

namespace {

// Where the reader finds a file's bytes: a copy, or the file itself (a file
// above its format's copy limit; an empty file, which no copy could bound).
class FileCopy {
 public:
  int Load(IpiSystem* sys, const char* file_name, const FileFormatRow& row) {
    const bool limited = row.copy_limit_bytes != 0;
    const int status = copy_.CopyFile(file_name, limited ? row.copy_limit_bytes : kMaxWholeFileBytes);
    if (status == kIpiExceedImplementation && limited) return kIpiNoError;
    return status == kIpiNoError ? kIpiNoError : IpiRefuse(sys, status);
  }

  // The pairs of every reader pass: the caller's, and the copy when there is one.
  PairList Pairs(const IpiAttribute* pairs, int count) const {
    PairList list(pairs, count, {"applicationAddressSpace", "size"});
    if (!copy_.empty()) {
      list.Add("applicationAddressSpace", reinterpret_cast<intptr_t>(copy_.bytes().data()));
      list.Add("size", static_cast<intptr_t>(copy_.size()));
    }
    return list;
  }

 private:
  SourceBytes copy_;
};

// A file is not even opened for a format that cannot be read: its row, or
// null with 18 reported.
const FileFormatRow* RequireReader(IpiSystem* sys, int32_t format) {
  const FileFormatRow* row = IpiFindFileFormat(format);
  if (row != nullptr && row->has_reader()) return row;
  IpiReportError(sys, kIpiOutOfRange);
  return nullptr;
}

// Whether a composite array reads every page of a file of `format`.
bool HoldsPages(int32_t format) {
  const FileFormatRow* row = IpiFindFileFormat(format);
  return row != nullptr && row->holds_pages;
}

// The pairs of every reader pass over caller memory.
int MemoryPairs(IpiSystem* sys, const void* address, int64_t size_bytes, const IpiAttribute* pairs, int count,
                PairList& out) {
  if (address == nullptr) return IpiRefuse(sys, kIpiOutOfRange);
  if (size_bytes < 1) return IpiRefuse(sys, kIpiInsufficientSize);
  out = PairList(pairs, count, {"applicationAddressSpace", "size"});
  out.Add("applicationAddressSpace", reinterpret_cast<intptr_t>(address));
  out.Add("size", static_cast<intptr_t>(size_bytes));
  return kIpiNoError;
}

// The object the reader leaves the coded data in: a global block when the
// coded bytes fit in the image's plain size, else a temporary file.
int MakeHolder(IpiSystem* sys, IpiObject* image, ScopedObject& out) {
  int64_t elements = 0;
  int64_t plain_bytes = 0;
  int32_t bits = 0;
  const int status = IpiObjectDataSize(sys, *image, &elements, &plain_bytes, &bits);
  if (status != 0) return IpiRefuse(sys, status);
  const int32_t repository = image->fields.size < plain_bytes ? kRepositoryGlobalBlock : kRepositoryFile;
  const IpiAttribute shape[] = {{"repository", repository}};
  out = ScopedObject(sys, IpiCreateObject(sys, nullptr, image->object_class, image, shape, 1));
  return out ? kIpiNoError : IpiGetLastError(sys);
}

// Makes `image` plain (with the given precision) so that it can take the
// decoded data; a 1-bit TIFF image may get whole-byte rows.
int PrepareDecodeTarget(IpiSystem* sys, IpiObject* image, int32_t precision, bool widens_rows) {
  const IpiAttribute plain[] = {{"compression", kCompressionNone}, {"dataPrecision", precision}};
  IPI_RETURN_IF_ERROR(IpiSetAttributes(sys, image, plain, 2));
  return widens_rows ? IpiWidenToByteBoundary(sys, image) : kIpiNoError;
}

// The image's file holds coded data: read it into a holder and decode it.
int ReadCompressedImage(IpiSystem* sys, const char* file_name, IpiObject* image, int32_t format,
                        const PairList& pairs) {
  const FileFormatRow* row = IpiFindFileFormat(format);
  if (row == nullptr) return IpiRefuse(sys, kIpiOutOfRange);
  const int32_t stated = image->fields.data_precision;
  const int32_t precision = row->decoded_precision != nullptr ? row->decoded_precision(stated) : stated;
  ScopedObject holder;
  IPI_RETURN_IF_ERROR(MakeHolder(sys, image, holder));
  IPI_RETURN_IF_ERROR(IpiReadImageFile(sys, file_name, holder.get(), format, kReadModeBoth, pairs.data(),
                                       pairs.count()));
  IPI_RETURN_IF_ERROR(PrepareDecodeTarget(sys, image, precision, row->byte_boundary_rows));
  // Rows a format stores interlaced come back in order through its own table.
  const bool interlaced =
      row->deinterlace_rows != nullptr && IpiInquireAttribute(sys, holder.get(), "interlacedImage") == 1;
  if (!interlaced) return IpiDecodeImageData(sys, holder.get(), image);

  const IpiAttribute plain_shape[] = {{"repository", kRepositoryGlobalBlock}};
  ScopedObject decoded(sys, IpiCreateObject(sys, nullptr, image->object_class, image, plain_shape, 1));
  if (!decoded) return IpiGetLastError(sys);
  IPI_RETURN_IF_ERROR(IpiDecodeImageData(sys, holder.get(), decoded.get()));
  return row->deinterlace_rows(sys, decoded.get(), image);
}

int ReadSingleImage(IpiSystem* sys, const char* file_name, IpiObject* image, int32_t format,
                    const PairList& pairs) {
  IPI_RETURN_IF_ERROR(
      IpiReadImageFile(sys, file_name, image, format, kReadModeHeader, pairs.data(), pairs.count()));
  if (image->fields.compression == kCompressionNone) {
    IPI_RETURN_IF_ERROR(
        IpiReadImageFile(sys, file_name, image, format, kReadModeData, pairs.data(), pairs.count()));
  } else {
    IPI_RETURN_IF_ERROR(ReadCompressedImage(sys, file_name, image, format, pairs));
  }
  if (format == kFormatJpeg || format == kFormatJpegLib) {
    return IpiSetAttribute(sys, image, "colourSpace", kColourSpaceRgb);
  }
  return kIpiNoError;
}

// Every page of a multi-page file: the header pass makes the pages, one data
// pass fills plain pages and the holders of coded ones, then each coded page
// is decoded from its holder.
int ReadPages(IpiSystem* sys, const char* file_name, IpiObject* array, int32_t format, const PairList& pairs) {
  IPI_RETURN_IF_ERROR(
      IpiReadImageFile(sys, file_name, array, format, kReadModeHeader, pairs.data(), pairs.count()));
  const int32_t entries = array->fields.dimension[kDimX];
  const IpiAttribute working_shape[] = {{"repository", kRepositoryGlobalBlock}};
  ScopedObject working(sys, IpiCreateObject(sys, nullptr, &kCompositeIdArrayClass, array, working_shape, 1));
  if (!working) return IpiGetLastError(sys);

  struct CodedPage {
    IpiObject* page;
    ScopedObject holder;
  };
  std::vector<CodedPage> coded_pages;
  for (int32_t i = 0; i < entries; ++i) {
    IpiObject* page = IpiGetCompositeElement(sys, array, i);
    if (page == nullptr) return IpiGetLastError(sys);
    IpiObject* slot = page;
    if (page->fields.compression != kCompressionNone) {
      ScopedObject holder;
      IPI_RETURN_IF_ERROR(MakeHolder(sys, page, holder));
      slot = holder.get();
      coded_pages.push_back({page, std::move(holder)});
    }
    IPI_RETURN_IF_ERROR(IpiPutCompositeElement(sys, slot, working.get(), i));
  }
  IPI_RETURN_IF_ERROR(
      IpiReadImageFile(sys, file_name, working.get(), format, kReadModeBoth, pairs.data(), pairs.count()));
  for (CodedPage& coded : coded_pages) {
    IPI_RETURN_IF_ERROR(IpiRequireLive(sys, coded.page));
    IPI_RETURN_IF_ERROR(PrepareDecodeTarget(sys, coded.page, coded.page->fields.data_precision, true));
    IPI_RETURN_IF_ERROR(IpiDecodeImageData(sys, coded.holder.get(), coded.page));
  }
  return kIpiNoError;
}

}  // namespace

int IpiReadFile(IpiSystem* sys, const char* file_name, IpiObject* image, int32_t format,
                const IpiAttribute* pairs, int count) {
  IPI_RETURN_IF_ERROR(IpiRequireLive(sys, image));
  if (!IpiIsCompositeArray(*image)) return IpiReadSingleImageFile(sys, file_name, image, format, pairs, count);
  if (HoldsPages(format)) return IpiReadFilePages(sys, file_name, image, format, pairs, count);
  IpiObject* first = IpiFirstCompositeEntry(sys, image);
  if (first == nullptr) return IpiGetLastError(sys);
  return IpiReadSingleImageFile(sys, file_name, first, format, pairs, count);
}

int IpiReadFilePages(IpiSystem* sys, const char* file_name, IpiObject* array, int32_t format,
                     const IpiAttribute* pairs, int count) {
  IPI_RETURN_IF_ERROR(IpiRequireLive(sys, array));
  const FileFormatRow* row = RequireReader(sys, format);
  if (row == nullptr) return kIpiOutOfRange;
  FileCopy copy;
  IPI_RETURN_IF_ERROR(copy.Load(sys, file_name, *row));
  return ReadPages(sys, file_name, array, format, copy.Pairs(pairs, count));
}

int IpiReadSingleImageFile(IpiSystem* sys, const char* file_name, IpiObject* image, int32_t format,
                           const IpiAttribute* pairs, int count) {
  IPI_RETURN_IF_ERROR(IpiRequireLive(sys, image));
  const FileFormatRow* row = RequireReader(sys, format);
  if (row == nullptr) return kIpiOutOfRange;
  FileCopy copy;
  IPI_RETURN_IF_ERROR(copy.Load(sys, file_name, *row));
  return ReadSingleImage(sys, file_name, image, format, copy.Pairs(pairs, count));
}

int IpiImportImage(IpiSystem* sys, const void* address, IpiObject* image, int32_t format, int64_t size_bytes,
                   const IpiAttribute* pairs, int count) {
  IPI_RETURN_IF_ERROR(IpiRequireLive(sys, image));
  if (!IpiIsCompositeArray(*image)) {
    return IpiImportSingleImage(sys, address, image, format, size_bytes, pairs, count);
  }
  if (HoldsPages(format)) return IpiImportPages(sys, address, image, format, size_bytes, pairs, count);
  IpiObject* first = IpiFirstCompositeEntry(sys, image);
  if (first == nullptr) return IpiGetLastError(sys);
  return IpiImportSingleImage(sys, address, first, format, size_bytes, pairs, count);
}

int IpiImportPages(IpiSystem* sys, const void* address, IpiObject* array, int32_t format, int64_t size_bytes,
                   const IpiAttribute* pairs, int count) {
  IPI_RETURN_IF_ERROR(IpiRequireLive(sys, array));
  PairList list(nullptr, 0);
  IPI_RETURN_IF_ERROR(MemoryPairs(sys, address, size_bytes, pairs, count, list));
  return ReadPages(sys, nullptr, array, format, list);
}

int IpiImportSingleImage(IpiSystem* sys, const void* address, IpiObject* image, int32_t format,
                         int64_t size_bytes, const IpiAttribute* pairs, int count) {
  IPI_RETURN_IF_ERROR(IpiRequireLive(sys, image));
  PairList list(nullptr, 0);
  IPI_RETURN_IF_ERROR(MemoryPairs(sys, address, size_bytes, pairs, count, list));
  return ReadSingleImage(sys, nullptr, image, format, list);
}
