// Data objects: the 15 classes with their default records, the object record
// and the object tree of a context. An object pointer stays valid until its
// context closes, and a deleted object is never handed out again, so a stale
// pointer or id is always "not a live object" (9).
#ifndef PELRITH_CORE_OBJECTS_OBJECT_H_
#define PELRITH_CORE_OBJECTS_OBJECT_H_

#include <cstdint>
#include <memory>
#include <string>

#include "core/system/system.h"

enum class IpiClassId : uint8_t {
  kColourImage,
  kGenericImage,
  kMonochromeImage,
  kHistogram,
  kLookupTable,
  kMatrix,
  kDitherArray,
  kImpulseResponseArray,
  kMaskArray,
  kRoi,
  kPowerSpectrumArray,
  kTransferFunctionArray,
  kWindowFunctionArray,
  kTuple,
  kCompositeIdArray,
};

// The attribute words of an object that a template passes on.
struct IpiObjectFields {
  intptr_t application_address_space = 0;  // caller memory (repository 9)
  int32_t bit_order = 0;
  int32_t byte_order = 0;
  int32_t colour_space = 0;
  int32_t compression = 0;
  int32_t k = 0;
  int32_t eol_state = 0;  // also "predictor"
  int32_t data_precision = 0;
  int32_t data_type = 0;
  int32_t file_format = 0;
  int32_t index_assignment[5] = {};  // j, k, l, m, n
  int32_t repository = 0;
  uint32_t lut = 0;  // object id
  uint32_t roi = 0;  // object id
  int32_t sampling_factor = 0;
  int32_t scale_factor = 0;  // also "quarityFactor"
  int64_t size = 0;          // data bytes
  int32_t dimension[5] = {};    // x, y, z, t, b
  int32_t match_point[5] = {};  // x, y, z, t, b
  intptr_t work_space = 0;      // locked global block (repository 223)
  uint32_t appl_address_space_handle = 0;
  uint32_t work_space_handle = 0;  // HGLOBAL of the block
  int32_t pixel_interpretation = 0;
  int32_t width_byte_boundary = 0;
  int32_t compression_level = 0;
  int32_t filter = 0;
};

enum IpiDimension : int { kDimX, kDimY, kDimZ, kDimT, kDimB };

struct IpiObjectClass {
  const char* name;
  IpiClassId id;
  const IpiObjectFields* defaults;
};

extern const IpiObjectClass kColourImageClass;
extern const IpiObjectClass kGenericImageClass;
extern const IpiObjectClass kMonochromeImageClass;
extern const IpiObjectClass kHistogramClass;
extern const IpiObjectClass kLookupTableClass;
extern const IpiObjectClass kMatrixClass;
extern const IpiObjectClass kDitherArrayClass;
extern const IpiObjectClass kImpulseResponseArrayClass;
extern const IpiObjectClass kMaskArrayClass;
extern const IpiObjectClass kRoiClass;
extern const IpiObjectClass kPowerSpectrumArrayClass;
extern const IpiObjectClass kTransferFunctionArrayClass;
extern const IpiObjectClass kWindowFunctionArrayClass;
extern const IpiObjectClass kTupleClass;
extern const IpiObjectClass kCompositeIdArrayClass;

// Any of the three image classes: colour, generic or monochrome.
[[nodiscard]] inline bool IpiIsImageClass(const IpiObjectClass* cls) {
  return cls == &kColourImageClass || cls == &kGenericImageClass || cls == &kMonochromeImageClass;
}
// The image classes without a fixed colour model, generic and monochrome:
// what holds palette indices or bits.
[[nodiscard]] inline bool IpiIsGenericOrMonochromeClass(const IpiObjectClass* cls) {
  return cls == &kGenericImageClass || cls == &kMonochromeImageClass;
}
// True for the 15 class handles above.
[[nodiscard]] bool IpiIsObjectClass(const IpiObjectClass* cls);
// The class of that name ("GenericImage", ...), or null.
[[nodiscard]] const IpiObjectClass* IpiFindObjectClass(const char* name);

inline constexpr uint32_t kObjectInited = 1u << 0;
inline constexpr uint32_t kObjectTempFile = 1u << 1;

struct IpiFormatExtras;
struct IpiFormatExtrasDeleter {
  void operator()(IpiFormatExtras* extras) const;
};

struct IpiStream;

struct IpiObject {
  IpiObject* next_sibling = nullptr;
  IpiObject* first_derived = nullptr;
  IpiObject* last_derived = nullptr;  // tail of the derived chain: appends stay O(1)
  bool is_live = false;
  uint32_t flags = 0;
  uint32_t id = 0;  // never reused within the context
  std::string name;
  const IpiObjectClass* object_class = nullptr;
  IpiObject* template_object = nullptr;
  IpiObjectFields fields;
  std::string file_name;  // empty: none
  std::unique_ptr<IpiFormatExtras, IpiFormatExtrasDeleter> extras;
  // The write stream still clearing this object's fresh block as it goes;
  // another stream on the object has it finish first.
  IpiStream* clearing_stream = nullptr;
  int open_streams = 0;  // streams opened on the object and not yet closed

  bool is_inited() const { return (flags & kObjectInited) != 0; }
  bool has_temp_file() const { return (flags & kObjectTempFile) != 0; }
};

// Object storage of a context (created and destroyed with it).
IpiObjectStore* IpiCreateObjectStore();
// Releases the data of every object (temporary files, global blocks, extras)
// and frees the store; safe on a context whose store was never made.
void IpiDestroyObjectStore(IpiSystem* sys);

[[nodiscard]] IpiObject* IpiCreateObject(IpiSystem* sys, const char* name, const IpiObjectClass* cls,
                                         IpiObject* template_object, const IpiAttribute* list,
                                         int count);
int IpiDeleteObject(IpiSystem* sys, IpiObject* obj);
// The object when it is live in this context's tree; else null with 9 recorded
// (nothing is recorded for an invalid context).
[[nodiscard]] IpiObject* IpiCheckObject(IpiSystem* sys, IpiObject* obj);
// 0 when `obj` is live; else 24 for a context that is not open, 9 otherwise
// (reported by the check).
[[nodiscard]] int IpiRequireLive(IpiSystem* sys, IpiObject* obj);
// The object when it is found live in the subtree of `node` (siblings included).
[[nodiscard]] IpiObject* IpiFindObject(IpiObject* node, IpiObject* obj);
// Releases `node`, its sibling chain and its derived chains; the nodes stay
// dead until the context closes.
void IpiFreeObjectTree(IpiSystem* sys, IpiObject* node);
// A new node at the end of the chain whose head and tail are given.
[[nodiscard]] IpiObject* IpiFindFreeObjectSlot(IpiSystem* sys, IpiObject** head, IpiObject** tail);
// Releases the name, data (temporary file, global block) and extras.
void IpiReleaseImageData(IpiSystem* sys, IpiObject* obj);
int IpiCopyFormatAttributes(IpiSystem* sys, IpiObject* obj, const IpiObject* template_object);
[[nodiscard]] const IpiObjectClass* IpiGetObjectClass(IpiSystem* sys, IpiObject* obj);

// Object ids: the handle words of "lut", "roi" and composite arrays.
[[nodiscard]] inline uint32_t IpiObjectId(const IpiObject* obj) { return obj ? obj->id : 0; }
// The live object with that id, or null; nothing is recorded.
[[nodiscard]] IpiObject* IpiObjectFromId(IpiSystem* sys, uint32_t id);

#endif  // PELRITH_CORE_OBJECTS_OBJECT_H_
