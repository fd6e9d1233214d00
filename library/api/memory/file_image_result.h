// Encoded files handed back in memory: the entry points write through the
// file entry points into temporary files ("ipi" in $TMPDIR, removed on every
// path) and read the result back whole, into a heap block (released by the
// caller with free()) or a new global-memory handle.
#ifndef PELRITH_API_MEMORY_FILE_IMAGE_RESULT_H_
#define PELRITH_API_MEMORY_FILE_IMAGE_RESULT_H_

#include <cstdint>
#include <string>

#include "Pelrith.h"

enum class FileImageKind { kHeapBlock, kGlobalHandle };

// The whole file at `path` as a new result of `kind`: 0 and the result with
// its byte count, 25 when the file cannot be opened, -1 when it cannot be
// read or the memory cannot be had, 3 when its size does not fit the 32-bit
// byte count of the interface.
struct FileImage {
  void* heap = nullptr;
  HGLOBAL handle = 0;
  int32_t size_bytes = 0;
};
[[nodiscard]] int ReadFileImage(const std::string& path, FileImageKind kind, FileImage* out);

// The status of a call that may have been given a null status pointer.
class StatusSlot {
 public:
  explicit StatusSlot(int32_t* status) : status_(status != nullptr ? status : &local_) { *status_ = 0; }
  int32_t* get() { return status_; }
  int32_t value() const { return *status_; }
  void Set(int32_t code) { *status_ = code; }

 private:
  int32_t local_ = 0;
  int32_t* status_;
};

#endif  // PELRITH_API_MEMORY_FILE_IMAGE_RESULT_H_
