// Delivery of acquisition notifications by window message or by callback.
#include "acquire/common/notify_target.h"

#include "plat/user.h"

namespace plat::acquire {

bool NotifyTarget::Set(unsigned id, short mode, intptr_t target) {
  if (mode != kAcquireNotifyByMessage && mode != kAcquireNotifyByCallback) return false;
  id_ = static_cast<uint16_t>(id);
  mode_ = mode;
  target_ = target;
  return true;
}

void NotifyTarget::Deliver(AcquireNotifyRecord& record) const {
  if (target_ == 0) return;
  if (mode_ == kAcquireNotifyByCallback) {
    reinterpret_cast<AcquireCallbackProc>(target_)(id_, &record);
    return;
  }
  static const UINT message = RegisterWindowMessage(kAcquireNotifyMessageName);
  SendMessage(reinterpret_cast<HWND>(target_), message, 0, reinterpret_cast<LPARAM>(&record));
}

}  // namespace plat::acquire
