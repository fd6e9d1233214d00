// The record an acquisition library hands over with every notification, and
// the two ways it reaches its receiver: a registered window message sent to a
// window, or a call of a function. Both run on the thread that called
// AcquireImage, before that call returns.
#ifndef PLAT_ACQUIRE_ACQUIRE_NOTIFY_H_
#define PLAT_ACQUIRE_ACQUIRE_NOTIFY_H_

#include <cstdint>

#include "plat/global_memory.h"

namespace plat {

// The image handle stays the library's: a receiver copies what it keeps before
// the notification returns, and the library frees the block afterwards.
struct AcquireNotifyRecord {
  HGLOBAL image = 0;    // a packed bitmap; valid for status 1
  int16_t status = 0;   // kAcquireStatus...
  int16_t value1 = 0;   // colour depth code delivered (1, 9 or 12)
  int16_t value2 = 0;   // horizontal resolution in dpi (0 when unknown)
  int16_t value3 = 0;   // vertical resolution in dpi (0 when unknown)
};

constexpr int16_t kAcquireStatusImage = 1;
constexpr int16_t kAcquireStatusError = 2;
constexpr int16_t kAcquireStatusCancelled = 3;

// Delivery modes of SetCallback.
constexpr short kAcquireNotifyByMessage = 1;   // target: a window handle
constexpr short kAcquireNotifyByCallback = 2;  // target: an AcquireCallbackProc

// The message sent in mode 1 (RegisterWindowMessage of this name), with
// wParam 0 and lParam the record's address.
inline constexpr const char kAcquireNotifyMessageName[] = "WM_QRVN_ACQNOTIFY";

// The function of mode 2: the id given to SetCallback and the record.
using AcquireCallbackProc = int32_t (*)(uint16_t id, AcquireNotifyRecord* record);

}  // namespace plat

#endif  // PLAT_ACQUIRE_ACQUIRE_NOTIFY_H_
