// A packed bitmap handed in by a host, a file or the clipboard, checked once
// against its block before any field of it is used, and made ready for the
// image library: a 40-byte bottom-up copy is made for other header forms,
// top-down rows and 16- and 32-bit bitmaps.
#ifndef CONTROLS_EDIT_DIB_INPUT_H_
#define CONTROLS_EDIT_DIB_INPUT_H_

#include <cstdint>
#include <optional>

#include "plat/packed_dib.h"

namespace ondavel {

class DibInput {
 public:
  // Checks `handle` (not null) against its GlobalSize.
  explicit DibInput(HGLOBAL handle);
  ~DibInput();
  DibInput(const DibInput&) = delete;
  DibInput& operator=(const DibInput&) = delete;

  // 0 when the bitmap can be used, else 1001 (not a valid packed bitmap)
  // or 9000 (the plain copy could not be made).
  int16_t error() const { return error_; }
  // The handle to give the library: the caller's own, or the plain copy.
  HGLOBAL handle() const { return copy_ != 0 ? copy_ : handle_; }
  // The geometry as the caller's block stores it (valid when error() is 0).
  const plat::DibView& view() const { return *view_; }
  int width() const { return view_->width; }
  int height() const { return view_->height; }

 private:
  HGLOBAL handle_;
  HGLOBAL copy_ = 0;
  std::optional<plat::DibView> view_;
  int16_t error_ = 0;
};

// Whether the library takes the bitmap as it stands: a 40-byte header,
// bottom-up rows, 1, 4, 8 or 24 bits a pixel.
bool IsLibraryForm(const plat::DibView& view);

}  // namespace ondavel

#endif  // CONTROLS_EDIT_DIB_INPUT_H_
