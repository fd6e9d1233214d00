// Tuples; see tuple.h. Reading back goes through a local array of the largest
// size a form allows, and a tuple with more entries than that is refused
// before anything is copied, so no caller array is overrun.
#include "core/objects/tuple.h"

#include <algorithm>

#include "core/codes.h"
#include "core/objects/address_space.h"
#include "core/objects/scoped_object.h"
#include "core/status.h"

namespace {

// Copies the tuple's words into `local` (zeros past its entries); at most
// `capacity` entries are accepted.
int ExportWords(IpiSystem* sys, IpiObject* tuple, int32_t* local, int capacity) {
  if (IpiCheckObject(sys, tuple) == nullptr) return IpiCheckSystem(sys) != 0 ? kIpiInvalidHandle : kIpiInvalidInstance;
  if (tuple->fields.data_type != kDataTypeWord) return IpiRefuse(sys, kIpiMismatchDataType);
  const int32_t entries = tuple->fields.dimension[kDimX];
  if (entries < 0 || entries > capacity) return IpiRefuse(sys, kIpiOutOfRange);
  // The copy is bounded by the local array as well, whatever the tuple claims.
  const IpiAttribute bound[] = {{"size", static_cast<intptr_t>(sizeof(int32_t) * capacity)}};
  return IpiExportToAddressSpace(sys, tuple, local, bound, 1);
}

}  // namespace

IpiObject* IpiCreateTuple(IpiSystem* sys, const void* values, int count, int32_t data_type) {
  if (IpiCheckSystem(sys) != 0) return nullptr;
  if (values == nullptr || count < 1) {
    IpiReportError(sys, kIpiOutOfRange);
    return nullptr;
  }
  const IpiAttribute shape[] = {
      {"entries", count}, {"dataType", data_type}, {"repository", kRepositoryGlobalBlock}};
  ScopedObject tuple(sys, IpiCreateObject(sys, nullptr, &kTupleClass, nullptr, shape, 3));
  if (!tuple) return nullptr;
  if (IpiImportFromAddressSpace(sys, const_cast<void*>(values), tuple.get(), nullptr, 0) != 0) return nullptr;
  return tuple.release();
}

IpiObject* IpiCreateTuple5(IpiSystem* sys, int32_t x, int32_t y, int32_t z, int32_t t, int32_t b) {
  const int32_t values[kTuple5Entries] = {x, y, z, t, b};
  return IpiCreateTuple(sys, values, kTuple5Entries, kDataTypeWord);
}

IpiObject* IpiCreateTupleN(IpiSystem* sys, const int32_t* values, int count) {
  if (IpiCheckSystem(sys) != 0) return nullptr;
  if (count > kTupleNMaxEntries) {
    IpiReportError(sys, kIpiOutOfRange);
    return nullptr;
  }
  return IpiCreateTuple(sys, values, count, kDataTypeWord);
}

int IpiGetTuple5(IpiSystem* sys, IpiObject* tuple, int32_t out[kTuple5Entries]) {
  if (IpiCheckSystem(sys) != 0) return kIpiInvalidHandle;
  if (out == nullptr) return IpiRefuse(sys, kIpiOutOfRange);
  int32_t local[kTuple5Entries] = {};
  IPI_RETURN_IF_ERROR(ExportWords(sys, tuple, local, kTuple5Entries));
  std::copy_n(local, kTuple5Entries, out);
  return kIpiNoError;
}

int IpiGetTupleN(IpiSystem* sys, IpiObject* tuple, int32_t* out, int count) {
  if (IpiCheckSystem(sys) != 0) return kIpiInvalidHandle;
  if (count < 0 || count > kTupleNMaxEntries || (out == nullptr && count > 0)) return IpiRefuse(sys, kIpiOutOfRange);
  int32_t local[kTupleNMaxEntries] = {};
  IPI_RETURN_IF_ERROR(ExportWords(sys, tuple, local, count));
  std::copy_n(local, count, out);
  return kIpiNoError;
}
