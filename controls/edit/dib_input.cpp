// Checking and normalising packed bitmaps from outside; see dib_input.h.
#include "dib_input.h"

#include "edit_constants.h"

namespace ondavel {

bool IsLibraryForm(const plat::DibView& view) {
  const bool is_depth = view.bpp == 1 || view.bpp == 4 || view.bpp == 8 || view.bpp == 24;
  return view.headerSize == 40 && !view.topDown && is_depth && view.compression != plat::BI_BITFIELDS;
}

DibInput::DibInput(HGLOBAL handle) : handle_(handle) {
  // The view's pointers are only used while the block cannot move: global
  // blocks here never move, and the copy below is made at once.
  view_ = plat::ValidatePackedDib(handle);
  if (!view_) {
    error_ = plat::qrvErrInvalidParam;
    return;
  }
  if (IsLibraryForm(*view_)) return;
  const void* bytes = GlobalLock(handle);
  if (bytes == nullptr) {
    error_ = plat::qrvErrInvalidParam;
    return;
  }
  // Validate again on the locked bytes so that the view's pointers are the
  // ones the copy reads.
  view_ = plat::ValidatePackedDib(bytes, GlobalSize(handle));
  if (view_) copy_ = plat::NormalizePackedDib(*view_, plat::kKeepDibDepth);
  (void)GlobalUnlock(handle);
  if (!view_) error_ = plat::qrvErrInvalidParam;
  else if (copy_ == 0) error_ = plat::qrvErrOutofMemory;
}

DibInput::~DibInput() {
  if (copy_ != 0) (void)GlobalFree(copy_);
}

}  // namespace ondavel
