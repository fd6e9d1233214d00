// Ownership of an intermediate object: deleted when the owner goes out of
// scope, on every path. An object that is no longer live by then (deleted
// with the object it was made from, or by its context's close) is left alone,
// so a cleanup never reports an error over the one being returned.
#ifndef PELRITH_CORE_OBJECTS_SCOPED_OBJECT_H_
#define PELRITH_CORE_OBJECTS_SCOPED_OBJECT_H_

#include <cstdint>
#include <utility>

#include "core/objects/object.h"
#include "core/system/system.h"

class ScopedObject {
 public:
  ScopedObject() = default;
  ScopedObject(IpiSystem* sys, IpiObject* obj) : sys_(sys), obj_(obj), id_(IpiObjectId(obj)) {}
  ~ScopedObject() { reset(); }

  ScopedObject(ScopedObject&& other) noexcept
      : sys_(other.sys_), obj_(std::exchange(other.obj_, nullptr)), id_(std::exchange(other.id_, 0)) {}
  ScopedObject& operator=(ScopedObject&& other) noexcept {
    if (this != &other) {
      reset();
      sys_ = other.sys_;
      obj_ = std::exchange(other.obj_, nullptr);
      id_ = std::exchange(other.id_, 0);
    }
    return *this;
  }
  ScopedObject(const ScopedObject&) = delete;
  ScopedObject& operator=(const ScopedObject&) = delete;

  IpiObject* get() const { return obj_; }
  explicit operator bool() const { return obj_ != nullptr; }

  // Hands the object back to the caller, who then owns its deletion.
  IpiObject* release() {
    id_ = 0;
    return std::exchange(obj_, nullptr);
  }

  // Deletes the owned object now, when it is still live.
  void reset() {
    if (obj_ != nullptr && IpiObjectFromId(sys_, id_) == obj_) (void)IpiDeleteObject(sys_, obj_);
    obj_ = nullptr;
    id_ = 0;
  }

 private:
  IpiSystem* sys_ = nullptr;
  IpiObject* obj_ = nullptr;
  uint32_t id_ = 0;
};

#endif  // PELRITH_CORE_OBJECTS_SCOPED_OBJECT_H_
