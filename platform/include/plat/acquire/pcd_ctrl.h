// The photo-disc library: reads the images of a disc's image packs
// (IMGnnnn.PCD) at the stored sizes and delivers them as packed bitmaps.
#ifndef PLAT_ACQUIRE_PCD_CTRL_H_
#define PLAT_ACQUIRE_PCD_CTRL_H_

#include <cstdint>
#include <memory>

#include "plat/acquire/acquire_constants.h"
#include "plat/acquire/acquire_notify.h"
#include "plat/types.h"

namespace plat {

class CQRVNPcdCtrl {
 public:
  CQRVNPcdCtrl();
  virtual ~CQRVNPcdCtrl();
  CQRVNPcdCtrl(const CQRVNPcdCtrl&) = delete;
  CQRVNPcdCtrl& operator=(const CQRVNPcdCtrl&) = delete;

  int SetCallback(unsigned id, short mode, intptr_t target);
  // The packs numbered from 0001 without a gap; -1 with 8003 when `path` is
  // not a folder.
  int GetImageCount(const char* path);
  short GetFormatNum(const char* path, int image);
  short GetFormat(const char* path, int image, short index);
  short GetResolutionNum(const char* path, int image);
  short GetResolution(const char* path, int image, short index);
  // With the photo chooser.
  int AcquireImage(const char* path, HWND owner, HWND second, int mode, int count, short data_size,
                   short color_depth, RECT* rect);
  // Images first to last, numbered from 1.
  int AcquireImage(int first, int last, const char* path, short data_size, short color_depth, RECT* rect);
  short GetLastErr();
  void CancelAcquire();

  struct State;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace plat

extern "C" {
int InitK7RBIPCD();
}

#endif  // PLAT_ACQUIRE_PCD_CTRL_H_
