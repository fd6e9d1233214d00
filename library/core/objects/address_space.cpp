// Address-space copies; see address_space.h. The twin's "size" is always set
// here from its own shape, never inherited from the object it is made from,
// so the memory stream is bounded by what the caller's memory really holds.
#include "core/objects/address_space.h"

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/pair_list.h"
#include "core/objects/scoped_object.h"
#include "core/operators/data_type_conversion.h"
#include "core/status.h"
#include "core/streams/stream.h"

namespace {

int MakeTwin(IpiSystem* sys, IpiObject* image, void* address, const IpiAttribute* pairs, int count,
             ScopedObject& twin) {
  if (IpiCheckObject(sys, image) == nullptr) return IpiCheckSystem(sys) != 0 ? kIpiInvalidHandle : kIpiInvalidInstance;
  intptr_t memory_bytes = 0;
  const bool has_bound = IpiFindPair(pairs, count, "size", &memory_bytes);
  PairList list(pairs, count, {"repository", "applicationAddressSpace", "size"});
  list.Add("repository", kRepositoryCallerMemory);
  list.Add("applicationAddressSpace", reinterpret_cast<intptr_t>(address));
  twin = ScopedObject(sys, IpiCreateObject(sys, nullptr, image->object_class, image, list.data(), list.count()));
  if (!twin) return IpiGetLastError(sys);
  int64_t elements = 0;
  int64_t total_bytes = 0;
  int32_t bits = 0;
  const int status = IpiObjectDataSize(sys, *twin.get(), &elements, &total_bytes, &bits);
  if (status != 0) return IpiRefuse(sys, status);
  if (has_bound && memory_bytes < total_bytes) return IpiRefuse(sys, kIpiInsufficientSize);
  return IpiSetAttribute(sys, twin.get(), "size", static_cast<intptr_t>(total_bytes));
}

}  // namespace

int IpiExportToAddressSpace(IpiSystem* sys, IpiObject* image, void* address, const IpiAttribute* pairs,
                            int count) {
  ScopedObject twin;
  IPI_RETURN_IF_ERROR(MakeTwin(sys, image, address, pairs, count, twin));
  return IpiConvertDataType(sys, image, twin.get());
}

int IpiImportFromAddressSpace(IpiSystem* sys, void* address, IpiObject* image, const IpiAttribute* pairs,
                              int count) {
  ScopedObject twin;
  IPI_RETURN_IF_ERROR(MakeTwin(sys, image, address, pairs, count, twin));
  // The caller's memory is the data: the twin holds data from the start.
  IPI_RETURN_IF_ERROR(IpiSetAttribute(sys, twin.get(), "inited", 1));
  return IpiConvertDataType(sys, twin.get(), image);
}
