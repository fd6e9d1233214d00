// The packed bitmaps a read call makes: freed unless handed on, so that a
// call hands the caller every handle it made or none.
#ifndef PELRITH_API_READ_MADE_HANDLES_H_
#define PELRITH_API_READ_MADE_HANDLES_H_

#include <algorithm>
#include <cstdint>
#include <vector>

#include "Pelrith.h"

class MadeHandles {
 public:
  MadeHandles() = default;
  ~MadeHandles() {
    for (HGLOBAL handle : handles_) (void)GlobalFree(handle);
  }
  MadeHandles(const MadeHandles&) = delete;
  MadeHandles& operator=(const MadeHandles&) = delete;

  void Add(HGLOBAL handle) { handles_.push_back(handle); }
  // Into the caller's slots; the number of handles.
  int32_t HandOver(HGLOBAL* images) {
    std::copy(handles_.begin(), handles_.end(), images);
    const auto count = static_cast<int32_t>(handles_.size());
    handles_.clear();
    return count;
  }
  // Into `other`, which frees them from then on.
  void MoveTo(MadeHandles& other) {
    other.handles_.insert(other.handles_.end(), handles_.begin(), handles_.end());
    handles_.clear();
  }

 private:
  std::vector<HGLOBAL> handles_;
};

#endif  // PELRITH_API_READ_MADE_HANDLES_H_
