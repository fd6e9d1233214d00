// Packed-bitmap import and export; see dib.h. Intermediate objects (the
// memory source, the holder of a coded body, the coded export) are owned by
// ScopedObject and deleted on every path.
#include "interchange/dib/dib.h"

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/object.h"
#include "core/objects/pair_list.h"
#include "core/objects/scoped_object.h"
#include "core/status.h"
#include "core/system/system.h"
#include "interchange/bmp/bmp_codec.h"
#include "interchange/bmp/bmp_run_length.h"
#include "interchange/common/interchange_codes.h"

namespace {

// The byte count of the caller's memory: 8 when the pairs do not give one.
int MemorySize(IpiSystem* sys, const IpiAttribute* pairs, int count, intptr_t* size_bytes) {
  if (!IpiFindPair(pairs, count, "size", size_bytes) || *size_bytes < 1) {
    return IpiRefuse(sys, kIpiInsufficientSize);
  }
  return kIpiNoError;
}

bool IsWrittenFormat(int32_t format) {
  return format == kFormatBmp || format == kFormatPackedBitmap || format == kFormatPackedBitmapHeader;
}

}  // namespace

int IpiReadDibFromAddressSpace(IpiSystem* sys, const void* address, IpiObject* image, int32_t format,
                               int read_mode, const IpiAttribute* pairs, int count) {
  if (IpiCheckSystem(sys) != 0) return kIpiInvalidHandle;
  if (!IpiIsReadMode(read_mode)) return IpiRefuse(sys, kIpiOutOfRange);
  IPI_RETURN_IF_ERROR(IpiRequireLive(sys, image));
  if (format != kFormatBmp && format != kFormatPackedBitmap) return IpiRefuse(sys, kIpiOutOfRange);
  if (address == nullptr) return IpiRefuse(sys, kIpiOutOfRange);
  intptr_t size_bytes = 0;
  IPI_RETURN_IF_ERROR(MemorySize(sys, pairs, count, &size_bytes));

  IPI_RETURN_IF_ERROR(IpiSetAttribute(sys, image, "fileFormat", format));
  PairList list(pairs, count, {"repository", "size", "applicationAddressSpace", "fileName"});
  list.Add("repository", kRepositoryCallerMemory);
  list.Add("size", size_bytes);
  list.Add("applicationAddressSpace", reinterpret_cast<intptr_t>(address));
  ScopedObject source(sys, IpiCreateObject(sys, nullptr, image->object_class, image, list.data(), list.count()));
  if (!source) return IpiGetLastError(sys);
  return ReadBmpFile(sys, source.get(), image, read_mode, format);
}

int IpiImportDib(IpiSystem* sys, const void* address, IpiObject* image, int32_t format, const IpiAttribute* pairs,
                 int count) {
  IPI_RETURN_IF_ERROR(IpiReadDibFromAddressSpace(sys, address, image, format, kReadModeHeader, pairs, count));
  const int32_t compression = image->fields.compression;
  if (compression == kCompressionNone) {
    return IpiReadDibFromAddressSpace(sys, address, image, format, kReadModeData, pairs, count);
  }
  if (compression != kCompressionBmpRunLength) return IpiRefuse(sys, kIpiNonPermissibleOption);

  // The coded body can be longer than the plain rows: it goes to a file, which
  // has no fixed length. The palette is already in the image's table.
  const IpiAttribute holder_shape[] = {{"repository", kRepositoryFile}, {"lut", 0}};
  ScopedObject holder(sys, IpiCreateObject(sys, nullptr, image->object_class, image, holder_shape, 2));
  if (!holder) return IpiGetLastError(sys);
  IPI_RETURN_IF_ERROR(IpiReadDibFromAddressSpace(sys, address, holder.get(), format, kReadModeBoth, pairs, count));
  IPI_RETURN_IF_ERROR(IpiSetAttribute(sys, image, "compression", kCompressionNone));
  return DecodeBmpRunLength(sys, holder.get(), image);
}

int IpiWriteDibToAddressSpace(IpiSystem* sys, IpiObject* image, void* address, int32_t format,
                              const IpiAttribute* pairs, int count) {
  IPI_RETURN_IF_ERROR(IpiRequireLive(sys, image));
  if (!IsWrittenFormat(format) || address == nullptr) return IpiRefuse(sys, kIpiOutOfRange);
  intptr_t size_bytes = 0;
  IPI_RETURN_IF_ERROR(MemorySize(sys, pairs, count, &size_bytes));

  PairList list(pairs, count, {"repository", "size", "applicationAddressSpace", "fileName"});
  list.Add("repository", kRepositoryCallerMemory);
  list.Add("size", size_bytes);
  list.Add("applicationAddressSpace", reinterpret_cast<intptr_t>(address));
  if (format == kFormatBmp) list.Add("fileFormat", kFormatBmp);
  ScopedObject target(sys, IpiCreateObject(sys, nullptr, image->object_class, image, list.data(), list.count()));
  if (!target) return IpiGetLastError(sys);
  return WriteBmpFile(sys, image, target.get(), format);
}

int IpiExportDib(IpiSystem* sys, IpiObject* image, void* address, int32_t format, const IpiAttribute* pairs,
                 int count) {
  IPI_RETURN_IF_ERROR(IpiRequireLive(sys, image));
  if (!IsWrittenFormat(format) || address == nullptr) return IpiRefuse(sys, kIpiOutOfRange);
  if (image->fields.compression != kCompressionNone) return IpiRefuse(sys, kIpiNonPermissibleOption);
  intptr_t compression = kCompressionNone;
  (void)IpiFindPair(pairs, count, "compression", &compression);
  intptr_t precision = image->fields.data_precision;
  (void)IpiFindPair(pairs, count, "dataPrecision", &precision);
  const PairList passed_on(pairs, count, {"compression"});

  if (compression == kCompressionNone) {
    return IpiWriteDibToAddressSpace(sys, image, address, format, passed_on.data(), passed_on.count());
  }
  if (compression != kCompressionBmpRunLength) return IpiRefuse(sys, kIpiNonPermissibleOption);
  intptr_t size_bytes = 0;
  IPI_RETURN_IF_ERROR(MemorySize(sys, pairs, count, &size_bytes));
  const IpiAttribute coded_shape[] = {{"compression", kCompressionBmpRunLength},
                                      {"fileFormat", format},
                                      {"dataPrecision", precision},
                                      {"repository", kRepositoryFile}};
  ScopedObject coded(sys, IpiCreateObject(sys, nullptr, image->object_class, image, coded_shape, 4));
  if (!coded) return IpiGetLastError(sys);
  IPI_RETURN_IF_ERROR(EncodeBmpRunLength(sys, image, coded.get()));
  return IpiWriteDibToAddressSpace(sys, coded.get(), address, format, passed_on.data(), passed_on.count());
}
