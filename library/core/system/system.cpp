// Opening, checking and closing contexts, error reporting and the system
// attributes.
#include "core/system/system.h"

#include <cstring>
#include <new>

#include "core/codes.h"
#include "core/objects/object.h"
#include "core/status.h"
#include "core/system/error_log.h"

namespace {

struct SystemAttributeEntry {
  const char* name;
  int32_t default_value;
};

// Record order; "operationalState" becomes OPEN when a context opens.
constexpr SystemAttributeEntry kSystemAttributes[kSystemAttributeCount] = {
    {"booleanPrecision", 1},
    {"nonnegativeIntegerPrecision", 8},
    {"signedIntegerPrecision", 16},
    {"realArithmeticPrecision", 32},
    {"complexArithmeticPrecision", 64},
    {"boundaryCondition", 231},
    {"colourQuantization", 211},
    {"comformanceProfile", 86},
    {"errorDiffusion", 85},
    {"errorReportingState", 0},
    {"indexAssignmentState", 0},
    {"interpolation", 191},
    {"matchPointState", 0},
    {"morphologicalOperation", 0},
    {"operationalState", kStateClosed},
    {"realArithmeticImplementation", 161},
    {"roiState", 0},
    {"synchronicityState", 1},
    {"thresholdRamp", 42},
    {"byteBoundary", 0},
    {"progressive", 0},
    {"interlacePass", 1},
    {"debugState", 0},
    {"xDimensionLimit", 0x7fffffff},
    {"yDimensionLimit", 0x7fffffff},
    {"zDimensionLimit", 0x7fffffff},
    {"tDimensionLimit", 0x7fffffff},
    {"bDimensionLimit", 0x7fffffff},
};

int FindSystemAttribute(const char* name) {
  if (name == nullptr) return -1;
  for (int i = 0; i < kSystemAttributeCount; ++i) {
    if (std::strcmp(kSystemAttributes[i].name, name) == 0) return i;
  }
  return -1;
}

enum class AttributeWalk { kInquire, kSet };

int WalkSystemAttributes(IpiSystem* sys, const IpiAttribute* list, int count, AttributeWalk walk) {
  if (IpiCheckSystem(sys) != 0) return kIpiInvalidHandle;
  if (count < 1 || list == nullptr) return kIpiNoError;
  for (int i = 0; i < count; ++i) {
    const int index = FindSystemAttribute(list[i].name);
    if (index < 0) return IpiRefuse(sys, kIpiOutOfRange);
    if (walk == AttributeWalk::kSet) {
      sys->attributes[index] = static_cast<int32_t>(list[i].value);
    } else if (list[i].value != 0) {
      *reinterpret_cast<intptr_t*>(list[i].value) = sys->attributes[index];
    }
  }
  return kIpiNoError;
}

}  // namespace

IpiSystem* IpiOpenSystem(const char* log_file_name) {
  auto* sys = new (std::nothrow) IpiSystem;
  if (sys == nullptr) return nullptr;
  sys->magic = kSystemMagic;
  for (int i = 0; i < kSystemAttributeCount; ++i) sys->attributes[i] = kSystemAttributes[i].default_value;
  sys->attributes[static_cast<int>(IpiSystemAttribute::kOperationalState)] = kStateOpen;
  sys->objects = IpiCreateObjectStore();
  if (sys->objects == nullptr) {
    IpiDestroyObjectStore(sys);
    delete sys;
    return nullptr;
  }
  if (log_file_name != nullptr && log_file_name[0] != '\0') {
    sys->log_file_name = log_file_name;
    sys->attributes[static_cast<int>(IpiSystemAttribute::kErrorReportingState)] = 1;
  }
  IpiRegisterOpenSystem(sys);
  return sys;
}

int IpiCloseSystem(IpiSystem* sys) {
  if (IpiCheckSystem(sys) != 0) return kIpiInvalidHandle;
  IpiUnregisterOpenSystem(sys);
  IpiDestroyObjectStore(sys);  // releases every object's data, temporary files included
  IpiReleaseAllBlocks(sys);
  sys->magic = 0;
  delete sys;
  return kIpiNoError;
}

int IpiCheckSystem(const IpiSystem* sys) {
  if (sys == nullptr || sys->magic != kSystemMagic ||
      IpiSystemValue(sys, IpiSystemAttribute::kOperationalState) != kStateOpen) {
    return kIpiInvalidHandle;
  }
  return kIpiNoError;
}

int IpiReportError(IpiSystem* sys, int code, intptr_t /*detail*/) {
  if (IpiCheckSystem(sys) != 0) return kIpiInvalidHandle;
  sys->last_error = code;
  if (IpiSystemValue(sys, IpiSystemAttribute::kErrorReportingState) == 0) return kIpiNoError;
  // A context opened without a log name writes to a plain file named "stderr".
  IpiWriteLogLine(sys->log_file_name.empty() ? std::string("stderr") : sys->log_file_name, code);
  return kIpiNoError;
}

int IpiGetLastError(const IpiSystem* sys) {
  if (IpiCheckSystem(sys) != 0) return kIpiInvalidHandle;
  return sys->last_error;
}

int IpiInquireSystemAttributes(IpiSystem* sys, const IpiAttribute* list, int count) {
  return WalkSystemAttributes(sys, list, count, AttributeWalk::kInquire);
}

int IpiSetSystemAttributes(IpiSystem* sys, const IpiAttribute* list, int count) {
  return WalkSystemAttributes(sys, list, count, AttributeWalk::kSet);
}

intptr_t IpiInquireSystemAttribute(IpiSystem* sys, const char* name) {
  intptr_t value = 0;
  IpiAttribute entry{name, reinterpret_cast<intptr_t>(&value)};
  if (IpiInquireSystemAttributes(sys, &entry, 1) != 0) return 0;
  return value;
}
