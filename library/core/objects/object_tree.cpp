// Creating, deleting, checking and releasing objects. Nodes live in the
// context's store until it closes: a deleted node stays dead in its chain and
// is never handed out again, so stale pointers and ids keep failing with 9.
// Walks over chains are iterative, so long chains cannot exhaust the stack.
#include <cerrno>
#include <unordered_set>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/format_extras.h"
#include "core/objects/object.h"
#include "core/status.h"
#include "core/streams/stream.h"
#include "plat/files.h"
#include "plat/global_memory.h"

struct IpiObjectStore {
  IpiObject* root = nullptr;
  IpiObject* root_tail = nullptr;
  std::vector<std::unique_ptr<IpiObject>> nodes;  // nodes[id - 1]
  std::unordered_set<const IpiObject*> known;     // every node of the context, live or dead
};

namespace {

bool IsDerivableFromImage(const IpiObjectClass* cls) {
  return cls == &kRoiClass || cls == &kPowerSpectrumArrayClass || cls == &kTransferFunctionArrayClass ||
         cls == &kWindowFunctionArrayClass;
}

// Which classes a template of another class allows.
bool IsClassAllowedForTemplate(const IpiObjectClass* cls, const IpiObject& template_object) {
  if (cls == template_object.object_class) return true;
  if (!IpiIsImageClass(template_object.object_class)) return false;
  return IpiIsImageClass(cls) || IsDerivableFromImage(cls);
}

void SetTypeFromSystem(IpiSystem* sys, IpiObjectFields& f, int32_t data_type, IpiSystemAttribute precision) {
  f.data_type = data_type;
  f.data_precision = IpiSystemValue(sys, precision);
}

void ApplyClassDefaults(IpiSystem* sys, IpiObject& obj, const IpiObjectClass* cls) {
  obj.fields = *cls->defaults;
  switch (cls->id) {
    case IpiClassId::kDitherArray:
      SetTypeFromSystem(sys, obj.fields, kDataTypeNonnegative, IpiSystemAttribute::kNonnegativeIntegerPrecision);
      obj.fields.dimension[kDimX] = 4;
      obj.fields.dimension[kDimY] = 4;
      obj.fields.scale_factor = 16;
      break;
    case IpiClassId::kMaskArray:
      SetTypeFromSystem(sys, obj.fields, kDataTypeNonnegative, IpiSystemAttribute::kNonnegativeIntegerPrecision);
      break;
    case IpiClassId::kWindowFunctionArray:
      SetTypeFromSystem(sys, obj.fields, kDataTypeReal, IpiSystemAttribute::kRealArithmeticPrecision);
      break;
    default:
      break;
  }
}

void ApplyTemplate(IpiSystem* sys, IpiObject& obj, const IpiObjectClass* cls, const IpiObject& tmpl) {
  obj.fields = tmpl.fields;
  // The new object owns no data, file name or format yet; a global block is
  // allocated afresh when its first stream opens.
  obj.fields.application_address_space = 0;
  obj.fields.file_format = 0;
  obj.fields.work_space = 0;
  obj.fields.work_space_handle = 0;
  IpiObjectFields& f = obj.fields;
  switch (cls->id) {
    case IpiClassId::kColourImage:
      f.dimension[kDimZ] = f.dimension[kDimT] = 1;
      break;
    case IpiClassId::kMonochromeImage:
      f.dimension[kDimZ] = f.dimension[kDimT] = f.dimension[kDimB] = 1;
      break;
    case IpiClassId::kRoi:
      SetTypeFromSystem(sys, f, kDataTypeNonnegative, IpiSystemAttribute::kNonnegativeIntegerPrecision);
      break;
    case IpiClassId::kPowerSpectrumArray:
    case IpiClassId::kTransferFunctionArray:
      SetTypeFromSystem(sys, f, kDataTypeComplex, IpiSystemAttribute::kComplexArithmeticPrecision);
      break;
    case IpiClassId::kWindowFunctionArray:
      SetTypeFromSystem(sys, f, kDataTypeReal, IpiSystemAttribute::kRealArithmeticPrecision);
      break;
    default:
      break;
  }
}

// Marks `node` dead and releases its data, with its siblings and derived chains.
void ReleaseChains(IpiSystem* sys, IpiObject* node) {
  std::vector<IpiObject*> pending;
  if (node != nullptr) pending.push_back(node);
  while (!pending.empty()) {
    IpiObject* current = pending.back();
    pending.pop_back();
    if (current->next_sibling != nullptr) pending.push_back(current->next_sibling);
    if (current->first_derived != nullptr) pending.push_back(current->first_derived);
    current->is_live = false;
    IpiReleaseImageData(sys, current);
  }
}

}  // namespace

IpiObjectStore* IpiCreateObjectStore() { return new (std::nothrow) IpiObjectStore; }

void IpiDestroyObjectStore(IpiSystem* sys) {
  if (sys->objects == nullptr) return;
  IpiFreeObjectTree(sys, sys->objects->root);
  delete sys->objects;
  sys->objects = nullptr;
}

IpiObject* IpiFindFreeObjectSlot(IpiSystem* sys, IpiObject** head, IpiObject** tail) {
  IpiObjectStore& store = *sys->objects;
  auto node = std::make_unique<IpiObject>();
  IpiObject* raw = node.get();
  store.known.insert(raw);
  store.nodes.push_back(std::move(node));
  raw->id = static_cast<uint32_t>(store.nodes.size());
  if (*head == nullptr) {
    *head = raw;
  } else {
    (*tail)->next_sibling = raw;
  }
  *tail = raw;
  return raw;
}

IpiObject* IpiCreateObject(IpiSystem* sys, const char* name, const IpiObjectClass* cls,
                           IpiObject* template_object, const IpiAttribute* list, int count) {
  if (IpiCheckSystem(sys) != 0) return nullptr;
  if (!IpiIsObjectClass(cls)) {
    IpiReportError(sys, kIpiIncorrectObjectClass);
    return nullptr;
  }
  if (template_object != nullptr) {
    if (IpiCheckObject(sys, template_object) == nullptr) return nullptr;
    if (!IsClassAllowedForTemplate(cls, *template_object)) {
      IpiReportError(sys, kIpiMismatchObjectClass);
      return nullptr;
    }
  }
  IpiObjectStore& store = *sys->objects;
  IpiObject* obj = template_object != nullptr
                       ? IpiFindFreeObjectSlot(sys, &template_object->first_derived, &template_object->last_derived)
                       : IpiFindFreeObjectSlot(sys, &store.root, &store.root_tail);
  obj->is_live = true;
  obj->flags = 0;
  if (name != nullptr) obj->name = name;
  obj->object_class = cls;
  obj->template_object = template_object;
  if (template_object == nullptr) {
    ApplyClassDefaults(sys, *obj, cls);
  } else {
    ApplyTemplate(sys, *obj, cls, *template_object);
  }
  // A failed format copy or attribute set leaves no half-made object behind.
  int status = template_object != nullptr ? IpiCopyFormatAttributes(sys, obj, template_object) : 0;
  if (status == 0) status = IpiSetAttributes(sys, obj, list, count);
  if (status != 0) {
    ReleaseChains(sys, obj->first_derived);
    obj->first_derived = obj->last_derived = nullptr;
    obj->is_live = false;
    IpiReleaseImageData(sys, obj);
    sys->last_error = status;
    return nullptr;
  }
  return obj;
}

int IpiDeleteObject(IpiSystem* sys, IpiObject* obj) {
  if (IpiCheckObject(sys, obj) == nullptr) return IpiGetLastError(sys);
  obj->is_live = false;
  IpiReleaseImageData(sys, obj);
  if (obj->first_derived != nullptr) {
    IpiFreeObjectTree(sys, obj->first_derived);
    obj->first_derived = obj->last_derived = nullptr;
  }
  return kIpiNoError;
}

IpiObject* IpiCheckObject(IpiSystem* sys, IpiObject* obj) {
  if (IpiCheckSystem(sys) != 0) return nullptr;
  if (obj == nullptr || sys->objects->known.count(obj) == 0 || !obj->is_live) {
    IpiReportError(sys, kIpiInvalidInstance);
    return nullptr;
  }
  return obj;
}

int IpiRequireLive(IpiSystem* sys, IpiObject* obj) {
  if (IpiCheckSystem(sys) != 0) return kIpiInvalidHandle;
  if (IpiCheckObject(sys, obj) == nullptr) return kIpiInvalidInstance;
  return kIpiNoError;
}

IpiObject* IpiFindObject(IpiObject* node, IpiObject* obj) {
  std::vector<IpiObject*> pending;
  if (node != nullptr) pending.push_back(node);
  while (!pending.empty()) {
    IpiObject* current = pending.back();
    pending.pop_back();
    if (current == obj && current->is_live) return current;
    if (current->next_sibling != nullptr) pending.push_back(current->next_sibling);
    if (current->first_derived != nullptr) pending.push_back(current->first_derived);
  }
  return nullptr;
}

void IpiFreeObjectTree(IpiSystem* sys, IpiObject* node) { ReleaseChains(sys, node); }

void IpiReleaseImageData(IpiSystem* sys, IpiObject* obj) {
  obj->name.clear();
  obj->name.shrink_to_fit();
  IpiObjectFields& f = obj->fields;
  if (f.repository == kRepositoryFile) {
    // A temporary file is removed whenever the library made it, data or not;
    // a failed removal is reported and the release goes on.
    if (obj->has_temp_file()) {
      if (!obj->file_name.empty() && !plat::RemoveFile(obj->file_name) && errno != ENOENT) {
        IpiReportError(sys, kIpiSystemFailure);
      }
      obj->flags &= ~kObjectTempFile;
    }
    obj->file_name.clear();
  }
  if (obj->clearing_stream != nullptr) {
    obj->clearing_stream->zeroed_to = INT64_MAX;  // its block goes: nothing left to clear
    obj->clearing_stream = nullptr;
  }
  if (f.repository == kRepositoryGlobalBlock && f.work_space != 0) {
    if (f.work_space_handle != 0) {
      GlobalUnlock(f.work_space_handle);
      GlobalFree(f.work_space_handle);
    }
    f.work_space = 0;
    f.work_space_handle = 0;
  }
  if (f.file_format != 0) IpiFreeFormatExtras(sys, obj);
  obj->flags &= ~kObjectInited;
}

int IpiCopyFormatAttributes(IpiSystem* sys, IpiObject* obj, const IpiObject* template_object) {
  const int32_t format = template_object->fields.file_format;
  obj->extras.reset();
  obj->fields.file_format = format;
  if (template_object->extras != nullptr) {
    // Tables, rationals and texts are copied, never shared.
    obj->extras.reset(new IpiFormatExtras(*template_object->extras));
  } else if (IpiFormatHasExtras(format)) {
    obj->extras.reset(IpiNewFormatExtras(format));
  }
  return kIpiNoError;
}

const IpiObjectClass* IpiGetObjectClass(IpiSystem* sys, IpiObject* obj) {
  if (IpiCheckObject(sys, obj) == nullptr) return nullptr;
  return obj->object_class;
}

IpiObject* IpiObjectFromId(IpiSystem* sys, uint32_t id) {
  if (IpiCheckSystem(sys) != 0 || id == 0) return nullptr;
  IpiObjectStore& store = *sys->objects;
  if (id > store.nodes.size()) return nullptr;
  IpiObject* obj = store.nodes[id - 1].get();
  return obj->is_live ? obj : nullptr;
}
