// Byte views of objects; see object_bytes.h.
#include "interchange/common/object_bytes.h"

#include <cerrno>
#include <new>

#include "core/codes.h"
#include "core/status.h"
#include "core/streams/scoped_stream.h"
#include "core/streams/stream.h"
#include "interchange/common/whole_file.h"
#include "plat/files.h"

int ObjectBytes::LoadSource(IpiSystem* sys, IpiObject* source) {
  const IpiObjectFields& f = source->fields;
  if (f.repository == kRepositoryCallerMemory) {
    // Caller memory always carries its real size: without one nothing is read.
    if (f.application_address_space == 0 || f.size < 1) return IpiRefuse(sys, kIpiInsufficientSize);
    view_ = std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(f.application_address_space),
                                     static_cast<size_t>(f.size));
    return kIpiNoError;
  }
  if (f.repository != kRepositoryFile) return IpiRefuse(sys, kIpiNonPermissibleOption);
  plat::File file;
  if (source->file_name.empty() ||
      plat::File::Open(source->file_name, plat::FileMode::kReadExisting, file) != plat::OpenStatus::kOk) {
    return IpiRefuse(sys, kIpiFileOpenFailure);
  }
  uint64_t size_bytes = 0;
  if (!file.Size(size_bytes)) return IpiRefuse(sys, kIpiSystemFailure);
  if (size_bytes > kMaxWholeFileBytes) return IpiRefuse(sys, kIpiExceedImplementation);
  storage_.resize(static_cast<size_t>(size_bytes));
  if (!file.ReadExactAt(0, storage_.data(), storage_.size())) {
    if (errno == 0) errno = EIO;  // a short read: the file shrank under us
    return IpiRefuse(sys, kIpiSystemFailure);
  }
  view_ = storage_;
  return kIpiNoError;
}

int ObjectBytes::LoadData(IpiSystem* sys, IpiObject* obj, int64_t count) {
  if (count < 0) return IpiRefuse(sys, kIpiOutOfRange);
  ScopedStream stream(sys, IpiOpenStream(sys, obj, "r", 0));
  if (!stream) return IpiGetLastError(sys);
  int status = kIpiNoError;
  if (stream->data != nullptr) {
    // Memory: the object's bytes stay where they are after the stream closes.
    if (count > stream->limit) {
      status = IpiRefuse(sys, kIpiInsufficientSize);
    } else {
      view_ = std::span<const uint8_t>(stream->data, static_cast<size_t>(count));
    }
  } else {
    storage_.resize(static_cast<size_t>(count));
    if (IpiReadBytes(sys, stream.get(), 0, storage_.data(), count) != count) {
      status = IpiGetLastError(sys);
    } else {
      view_ = storage_;
    }
  }
  return stream.CloseAfter(status);
}
