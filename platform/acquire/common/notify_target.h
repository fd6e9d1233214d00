// Where an acquisition library sends its notifications: the id, delivery mode
// and target of SetCallback, and the one routine that delivers a record.
#ifndef PLATFORM_ACQUIRE_COMMON_NOTIFY_TARGET_H_
#define PLATFORM_ACQUIRE_COMMON_NOTIFY_TARGET_H_

#include <cstdint>

#include "plat/acquire/acquire_notify.h"

namespace plat::acquire {

class NotifyTarget {
 public:
  // False for a mode other than 1 and 2 (nothing changes then).
  bool Set(unsigned id, short mode, intptr_t target);
  // Delivers on the calling thread; nothing happens without a target.
  void Deliver(AcquireNotifyRecord& record) const;

 private:
  uint16_t id_ = 0;
  short mode_ = 0;
  intptr_t target_ = 0;  // pointer-sized: a window handle or a function address
};

}  // namespace plat::acquire

#endif  // PLATFORM_ACQUIRE_COMMON_NOTIFY_TARGET_H_
