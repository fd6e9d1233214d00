// System attributes of a context set for the duration of a scope.
#ifndef PELRITH_API_FRAME_SCOPED_SYSTEM_ATTRIBUTES_H_
#define PELRITH_API_FRAME_SCOPED_SYSTEM_ATTRIBUTES_H_

#include <array>
#include <cstdint>
#include <initializer_list>

#include "core/system/system.h"

// Sets system attributes for the duration of a scope and restores the values
// they had.
class ScopedSystemAttributes {
 public:
  ScopedSystemAttributes(IpiSystem* sys, std::initializer_list<IpiAttribute> values);
  ~ScopedSystemAttributes();
  ScopedSystemAttributes(const ScopedSystemAttributes&) = delete;
  ScopedSystemAttributes& operator=(const ScopedSystemAttributes&) = delete;
  // 0, or the error of setting them.
  int status() const { return status_; }

 private:
  IpiSystem* sys_;
  int count_ = 0;
  std::array<const char*, 4> names_{};
  std::array<intptr_t, 4> previous_{};
  int status_ = 0;
};

#endif  // PELRITH_API_FRAME_SCOPED_SYSTEM_ATTRIBUTES_H_
