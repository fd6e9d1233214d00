// The system context: validity magic, last error, error log, object tree,
// the 28 system attributes and the registry of blocks from IpiAlloc. Every
// internal operation takes the context first and checks it.
#ifndef PELRITH_CORE_SYSTEM_SYSTEM_H_
#define PELRITH_CORE_SYSTEM_SYSTEM_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

// One entry of an attribute list. For a set the value is the new value (or the
// address of a table); for an inquire it is the address of an intptr_t that
// receives the value.
struct IpiAttribute {
  const char* name;
  intptr_t value;
};

// The system attributes, in record order.
enum class IpiSystemAttribute : int {
  kBooleanPrecision,
  kNonnegativeIntegerPrecision,
  kSignedIntegerPrecision,
  kRealArithmeticPrecision,
  kComplexArithmeticPrecision,
  kBoundaryCondition,
  kColourQuantization,
  kConformanceProfile,  // "comformanceProfile"
  kErrorDiffusion,
  kErrorReportingState,
  kIndexAssignmentState,
  kInterpolation,
  kMatchPointState,
  kMorphologicalOperation,
  kOperationalState,
  kRealArithmeticImplementation,
  kRoiState,
  kSynchronicityState,
  kThresholdRamp,
  kByteBoundary,
  kProgressive,
  kInterlacePass,
  kDebugState,
  kXDimensionLimit,
  kYDimensionLimit,
  kZDimensionLimit,
  kTDimensionLimit,
  kBDimensionLimit,
};
inline constexpr int kSystemAttributeCount = 28;
inline constexpr size_t kRegistrySlots = 16384;
inline constexpr uint32_t kSystemMagic = 0x49504900;

struct IpiObjectStore;

struct IpiSystem {
  uint32_t magic = 0;
  int32_t last_error = 0;
  std::string log_file_name;  // empty: none given
  IpiObjectStore* objects = nullptr;
  int32_t attributes[kSystemAttributeCount] = {};
  // Live blocks by slot (null = free slot). It grows on demand up to
  // kRegistrySlots, so opening a context allocates nothing for it.
  std::vector<void*> registry;
  size_t registry_lowest_free = 0;  // no free slot below this index
  std::unordered_map<const void*, size_t> block_slots;  // live block -> its slot
};

// Context lifecycle.
[[nodiscard]] IpiSystem* IpiOpenSystem(const char* log_file_name);
int IpiCloseSystem(IpiSystem* sys);
[[nodiscard]] int IpiCheckSystem(const IpiSystem* sys);

// Errors: records `code` as the last error and logs it when reporting is on.
int IpiReportError(IpiSystem* sys, int code, intptr_t detail = 0);
// Records `code` as IpiReportError does and returns it, for the function that
// detects a refusal: `return IpiRefuse(sys, 22);`.
inline int IpiRefuse(IpiSystem* sys, int code) {
  IpiReportError(sys, code);
  return code;
}
[[nodiscard]] int IpiGetLastError(const IpiSystem* sys);

// System attributes by name.
int IpiInquireSystemAttributes(IpiSystem* sys, const IpiAttribute* list, int count);
int IpiSetSystemAttributes(IpiSystem* sys, const IpiAttribute* list, int count);
// The value of one system attribute; 0 when the context or the name is invalid.
[[nodiscard]] intptr_t IpiInquireSystemAttribute(IpiSystem* sys, const char* name);
// Direct read for hot paths; the context must have been checked.
inline int32_t IpiSystemValue(const IpiSystem* sys, IpiSystemAttribute which) {
  return sys->attributes[static_cast<int>(which)];
}

// Registered blocks: zeroed, rounded up to 4 bytes, freed with the context at
// the latest. IpiAlloc reports -1 and returns null when the context is invalid,
// the registry is full or memory runs out.
[[nodiscard]] void* IpiAlloc(IpiSystem* sys, size_t size_bytes);
// Releases a block of this context; null, foreign or already freed addresses
// and closed contexts are ignored.
void IpiFree(IpiSystem* sys, void* block);
// Blocks that callers left registered and the close released, counted over the
// process (a debugging aid: non-zero means a user forgot an IpiFree).
[[nodiscard]] size_t IpiBlocksReleasedAtClose();

// Internal to the system files.
void IpiReleaseAllBlocks(IpiSystem* sys);
bool IpiIsOpenSystemAddress(const IpiSystem* sys);
void IpiRegisterOpenSystem(const IpiSystem* sys);
void IpiUnregisterOpenSystem(const IpiSystem* sys);

#endif  // PELRITH_CORE_SYSTEM_SYSTEM_H_
