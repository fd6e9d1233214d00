// Composite array elements; see composite_array.h. The words are stored in
// the host's byte order: they never leave the process.
#include "core/objects/composite_array.h"

#include <cstring>
#include <memory>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/status.h"
#include "core/streams/accessor.h"
#include "core/streams/scoped_stream.h"
#include "core/streams/stream.h"

namespace {

constexpr int32_t kWordBits = 32;

struct AccessorCloser {
  IpiSystem* sys;
  void operator()(IpiAccessor* accessor) const { (void)IpiCloseAccessor(sys, accessor); }
};
using ScopedAccessor = std::unique_ptr<IpiAccessor, AccessorCloser>;

// The index must name an entry, and the entries must be 32-bit words.
int CheckEntry(IpiSystem* sys, IpiObject* array, int64_t index) {
  if (IpiCheckObject(sys, array) == nullptr) return IpiCheckSystem(sys) != 0 ? kIpiInvalidHandle : kIpiInvalidInstance;
  if (index < 0 || index >= array->fields.dimension[kDimX]) return IpiRefuse(sys, kIpiOutOfRange);
  if (array->fields.data_type != kDataTypeWord) return IpiRefuse(sys, kIpiMismatchDataType);
  return kIpiNoError;
}

// The stored width must be a word too: narrower elements would put word
// `index` past the end of the row.
int CheckWordStream(IpiSystem* sys, const IpiAccessor& accessor) {
  if (accessor.stream->bits_per_element != kWordBits) return IpiRefuse(sys, kIpiMismatchDataType);
  return kIpiNoError;
}

}  // namespace

IpiObject* IpiGetCompositeElement(IpiSystem* sys, IpiObject* array, int64_t index) {
  if (CheckEntry(sys, array, index) != 0) return nullptr;
  ScopedAccessor accessor(IpiOpenAccessor(sys, array, "r", 1, nullptr, 0), AccessorCloser{sys});
  if (!accessor || CheckWordStream(sys, *accessor) != 0) return nullptr;
  const uint8_t* row = IpiGetInputRow(sys, accessor->stream, 0);
  if (row == nullptr) return nullptr;
  uint32_t id = 0;
  std::memcpy(&id, row + index * sizeof id, sizeof id);
  IpiObject* element = IpiObjectFromId(sys, id);
  if (element == nullptr) IpiReportError(sys, kIpiInvalidInstance);
  return element;
}

int IpiPutCompositeElement(IpiSystem* sys, IpiObject* element, IpiObject* array, int64_t index) {
  IPI_RETURN_IF_ERROR(CheckEntry(sys, array, index));
  if (element != nullptr && IpiCheckObject(sys, element) == nullptr) return kIpiInvalidInstance;
  ScopedAccessor accessor(IpiOpenAccessor(sys, array, "w", 1, nullptr, 0), AccessorCloser{sys});
  if (!accessor) return IpiGetLastError(sys);
  IPI_RETURN_IF_ERROR(CheckWordStream(sys, *accessor));
  uint8_t* row = IpiGetOutputRow(sys, accessor->stream, 0);
  if (row == nullptr) return IpiGetLastError(sys);
  const uint32_t id = IpiObjectId(element);
  std::memcpy(row + index * sizeof id, &id, sizeof id);
  IPI_RETURN_IF_ERROR(IpiPutOutputRow(sys, accessor->stream, 0));
  // Closing writes a file-held row out and marks the array as holding data.
  const int status = IpiCloseAccessor(sys, accessor.release());
  return status;
}

IpiObject* IpiCompositeElementOrNull(IpiSystem* sys, IpiObject* array, int64_t index) {
  if (array->fields.data_type != kDataTypeWord || index < 0 || index >= array->fields.dimension[kDimX]) {
    return nullptr;
  }
  ScopedStream stream(sys, IpiOpenStream(sys, array, "r", 0));
  if (!stream) return nullptr;
  uint32_t id = 0;
  const bool read = IpiReadBytes(sys, stream.get(), index * static_cast<int64_t>(sizeof id), &id, sizeof id) ==
                    static_cast<int64_t>(sizeof id);
  (void)stream.Close();
  return read ? IpiObjectFromId(sys, id) : nullptr;
}

int IpiResizeCompositeArray(IpiSystem* sys, IpiObject* array, const std::vector<IpiObject*>& elements,
                            int64_t entries) {
  if (array->fields.dimension[kDimX] == entries) return kIpiNoError;
  IPI_RETURN_IF_ERROR(IpiSetAttribute(sys, array, "entries", static_cast<intptr_t>(entries)));
  for (size_t i = 0; i < elements.size() && static_cast<int64_t>(i) < entries; ++i) {
    IPI_RETURN_IF_ERROR(IpiPutCompositeElement(sys, elements[i], array, static_cast<int64_t>(i)));
  }
  return kIpiNoError;
}

IpiObject* IpiFirstCompositeEntry(IpiSystem* sys, IpiObject* array) {
  if (array->fields.dimension[kDimX] < 1) {
    IpiReportError(sys, kIpiInvalidInstance);
    return nullptr;
  }
  return IpiGetCompositeElement(sys, array, 0);
}
