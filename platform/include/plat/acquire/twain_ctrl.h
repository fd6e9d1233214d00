// The scanner-source library: one object per user of the scanner, driving
// the scanners that SANE offers. Source names are SANE device names. Every
// SANE call runs on one SANE thread of the process; AcquireImage waits for it
// in the restricted loop and delivers every page on the calling thread.
#ifndef PLAT_ACQUIRE_TWAIN_CTRL_H_
#define PLAT_ACQUIRE_TWAIN_CTRL_H_

#include <cstdint>
#include <memory>
#include <string>

#include "plat/acquire/acquire_constants.h"
#include "plat/acquire/acquire_notify.h"
#include "plat/types.h"

namespace plat {

class CQRVNTwainCtrl {
 public:
  CQRVNTwainCtrl();
  virtual ~CQRVNTwainCtrl();
  CQRVNTwainCtrl(const CQRVNTwainCtrl&) = delete;
  CQRVNTwainCtrl& operator=(const CQRVNTwainCtrl&) = delete;

  // Where later notifications go (mode 1: a window, mode 2: a function);
  // non-zero on success.
  int SetCallback(unsigned id, short mode, intptr_t target);
  // Opens the source manager (SANE, shared by every object of the process);
  // non-zero on success, else GetLastErr gives 9911.
  int OpenDSM(HWND owner);
  // Closes what OpenDSM opened; the object stays usable.
  int CloseDSM();
  // Shows the source list with `name` preselected; non-zero when the user
  // chose a source, which is then in `name`. 0 with GetLastErr 0 for a cancel.
  int SelectSource(std::string& name);
  int GetDSnum();
  // Non-zero and the name when `index` is a listed source.
  int GetDSname(int index, std::string* name);
  // Remembers the source of later acquisitions (resolved when acquiring).
  int SetDSname(const std::string& name);

  // With the scan dialog: settings chosen by the user.
  int AcquireImage(HWND owner, HWND second, int mode, int count, int flag);
  // With a standard paper size.
  int AcquireImage(int count, HWND owner, HWND second, int mode, int paper_size, int auto_feeder, int resolution,
                   int color_depth);
  // With an area in `unit` (pixels, inches or centimetres); right or bottom 0
  // is the device's maximum.
  int AcquireImage(int count, HWND owner, HWND second, int mode, int unit, float left, float top, float right,
                   float bottom, int auto_feeder, int resolution, int color_depth);

  short GetLastErr();
  // Ends the running acquisition once the current notification has returned.
  void CancelAcquire();

  struct State;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace plat

extern "C" {
// Loads SANE once for the process; the result says whether it is present.
int InitK7RBITWN();
}

#endif  // PLAT_ACQUIRE_TWAIN_CTRL_H_
