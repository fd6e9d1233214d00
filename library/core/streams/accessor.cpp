// Row accessors; see accessor.h.
#include "core/streams/accessor.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>

#include "core/codes.h"
#include "core/status.h"

namespace {

constexpr uint8_t kMsbFirstMasks[8] = {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01};
constexpr uint8_t kLsbFirstMasks[8] = {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80};

bool OptionOn(const IpiAttribute* options, int count, const char* name) {
  bool on = false;
  for (int i = 0; i < count; ++i) {
    if (options[i].name != nullptr && std::strcmp(options[i].name, name) == 0) on = options[i].value != 0;
  }
  return on;
}

void FreeAccessor(IpiSystem* sys, IpiAccessor* a) {
  (void)IpiCloseStream(sys, a->roi_stream);
  (void)IpiCloseStream(sys, a->stream);
  delete a;
}

}  // namespace

IpiAccessor* IpiOpenAccessor(IpiSystem* sys, IpiObject* obj, const char* mode, int rows,
                             const IpiAttribute* options, int count) {
  if (IpiCheckObject(sys, obj) == nullptr) return nullptr;
  auto* a = new (std::nothrow) IpiAccessor;
  if (a == nullptr) {
    errno = ENOMEM;
    IpiReportError(sys, kIpiSystemFailure);
    return nullptr;
  }
  const IpiObjectFields& f = obj->fields;
  a->object = obj;
  a->bit_order = f.bit_order;
  a->byte_order = f.byte_order;
  a->precision = f.data_precision;
  a->data_type = f.data_type;
  for (int i = 0; i < 5; ++i) a->dimension[i] = f.dimension[i];
  if (f.bit_order == kOrderMsbFirst || f.bit_order == kOrderLsbFirst) {
    const uint8_t* masks = f.bit_order == kOrderMsbFirst ? kMsbFirstMasks : kLsbFirstMasks;
    for (int k = 0; k < 8; ++k) {
      a->bit_masks[k] = masks[k];
      a->clear_masks[k] = static_cast<uint8_t>(~masks[k]);
    }
  } else if (f.data_type == kDataTypeBoolean || (f.data_precision > 0 && f.data_precision < 8 && f.data_type != kDataTypeNonnegative)) {
    // Without a known bit order every bit would read as 0: refuse.
    IpiReportError(sys, kIpiOutOfRange);
    delete a;
    return nullptr;
  }
  if (options != nullptr && count > 0) {
    if (OptionOn(options, count, "matchPointState") &&
        IpiSystemValue(sys, IpiSystemAttribute::kMatchPointState) != 0) {
      a->match_point_state = IpiSystemValue(sys, IpiSystemAttribute::kMatchPointState);
      for (int i = 0; i < 5; ++i) a->match_point[i] = f.match_point[i];
    }
    if (OptionOn(options, count, "roiState") && IpiSystemValue(sys, IpiSystemAttribute::kRoiState) != 0 &&
        f.roi != 0) {
      IpiObject* roi = IpiObjectFromId(sys, f.roi);
      if (roi == nullptr) {
        IpiReportError(sys, kIpiInvalidInstance);
        delete a;
        return nullptr;
      }
      // The region is read at the image's element indices: it must have the image's extents.
      for (int i = 0; i < 4; ++i) {
        if (roi->fields.dimension[i] != f.dimension[i]) {
          IpiReportError(sys, kIpiInsufficientSize);
          delete a;
          return nullptr;
        }
      }
      a->roi = roi;
      a->roi_state = IpiSystemValue(sys, IpiSystemAttribute::kRoiState);
      a->roi_stream = IpiOpenStream(sys, roi, "r", 1);
      if (a->roi_stream == nullptr) {
        FreeAccessor(sys, a);
        return nullptr;
      }
    }
  }
  a->stream = IpiOpenStream(sys, obj, mode, rows);
  if (a->stream == nullptr) {
    const int error = IpiGetLastError(sys);
    FreeAccessor(sys, a);
    sys->last_error = error;
    return nullptr;
  }
  return a;
}

int IpiCloseAccessor(IpiSystem* sys, IpiAccessor* accessor) {
  if (accessor == nullptr) return kIpiNoError;
  const int roi_status = IpiCloseStream(sys, accessor->roi_stream);
  const int main_status = IpiCloseStream(sys, accessor->stream);
  delete accessor;
  return main_status != 0 ? main_status : roi_status;
}
