// The frame of every entry point. A call sets its status to 0 first, checks
// its arguments (-100 before anything is locked or allocated), locks and
// checks the caller's bitmaps, opens its own context, imports the bitmaps,
// runs its operation and hands the result back as a new packed bitmap. The
// frame's destructor closes the context and unlocks the caller's handles on
// every path; a close that fails turns a success into that failure and the
// result handle is freed. A null status pointer is tolerated.
//
//   CmiCall call(status, pairs, n);
//   if (!call.Begin(direction == 48 || direction == 49)) return 0;
//   const CmiSource* source = call.LockSource(handle);
//   if (source == nullptr || !call.OpenContext()) return 0;
//   IpiObject* image = call.ImportSource(*source);
//   ...
//   return call.Finish(result);
//
// Entry points wrap their body in CmiRun (below) so that no exception leaves
// the library.
#ifndef PELRITH_API_FRAME_CALL_FRAME_H_
#define PELRITH_API_FRAME_CALL_FRAME_H_

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#include "Pelrith.h"
#include "api/frame/options.h"
#include "api/frame/packed_bitmap.h"
#include "core/objects/object.h"
#include "core/system/system.h"

// A caller's bitmap, locked for the call.
struct CmiSource {
  HGLOBAL handle = 0;
  const uint8_t* bytes = nullptr;
  PackedBitmapInfo info;
};

class CmiCall {
 public:
  CmiCall(int32_t* status, const IpiAttributePair* pairs, int32_t count);
  ~CmiCall();
  CmiCall(const CmiCall&) = delete;
  CmiCall& operator=(const CmiCall&) = delete;

  // The argument checks: false (status -100) when `arguments_ok` is false or
  // the option list is a count without pairs.
  [[nodiscard]] bool Begin(bool arguments_ok);

  // Locks and checks a caller's bitmap: null with status -1 when the handle
  // does not lock, -100 or 3 when the bitmap is damaged or too large
  // (see ValidatePackedBitmap).
  [[nodiscard]] const CmiSource* LockSource(HGLOBAL handle);

  // Opens the call's context; false with status -1 when it cannot.
  [[nodiscard]] bool OpenContext();

  // The palette "oLUT" and the image "oImage" made from `source` in the
  // options' repository; null with the status set on failure.
  [[nodiscard]] IpiObject* ImportSource(const CmiSource& source, const char* image_name = "oImage",
                                        const char* palette_name = "oLUT");

  // A new image made from `template_object`, then the pairs; null with the
  // context's last error as status.
  [[nodiscard]] IpiObject* CreateImage(const char* name, IpiObject* template_object,
                                       std::initializer_list<IpiAttribute> pairs = {});
  // A new object of any class (palettes, arrays).
  [[nodiscard]] IpiObject* CreateObject(const char* name, const IpiObjectClass* cls, IpiObject* template_object,
                                        std::initializer_list<IpiAttribute> pairs = {});

  // Records a failure and returns 0, for `return call.Fail(rc);`. A code of
  // 0 records nothing. Fail keeps an earlier failure.
  HGLOBAL Fail(int code);
  // The context's last error as the failure (22 when none was recorded, so a
  // failed step never reports success).
  HGLOBAL FailFromContext();
  // Checks an operator's result: true on 0, else records it.
  [[nodiscard]] bool Ok(int code) {
    if (code == 0) return true;
    Fail(code);
    return false;
  }

  // Exports `result` as a new packed bitmap, closes the context and unlocks
  // the sources; returns the handle, or 0 with the status set.
  [[nodiscard]] HGLOBAL Finish(IpiObject* result);
  // Closes the context and unlocks the sources; returns the status.
  int32_t Close();

  IpiSystem* sys() const { return sys_; }
  const CmiOptions& options() const { return options_; }
  int32_t repository() const { return options_.Repository(); }
  int32_t status() const { return *status_; }
  bool failed() const { return *status_ != 0; }

 private:
  void Set(int32_t code) { *status_ = code; }

  int32_t local_status_ = 0;
  int32_t* status_;
  CmiOptions options_;
  IpiSystem* sys_ = nullptr;
  std::vector<std::unique_ptr<CmiSource>> sources_;
};

// Runs the body of an entry point: an allocation that fails inside it (a
// standard container running out of memory) ends the call with status -1
// instead of leaving the library by an exception. The frame's destructor has
// already closed the context and unlocked the handles by then. The result is
// then `on_failure`: 0 for entry points that return a handle or a count, the
// status itself (-1) for those that return "0 or the status".
template <class Body, class Result = decltype(std::declval<Body&>()())>
Result CmiRun(int32_t* status, Body&& body, std::type_identity_t<Result> on_failure = Result{}) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    if (status != nullptr) *status = kCmiStatusSystemFailure;
    return on_failure;
  }
}

#endif  // PELRITH_API_FRAME_CALL_FRAME_H_
