// Source bytes of readers; see source_bytes.h.
#include "interchange/common/source_bytes.h"

#include "core/codes.h"
#include "core/status.h"
#include "plat/files.h"

int SourceBytes::ViewMemory(const void* address, int64_t size_bytes) {
  if (size_bytes < 0 || (size_bytes > 0 && address == nullptr)) return kIpiInsufficientSize;
  storage_.clear();
  view_ = size_bytes == 0 ? std::span<const uint8_t>()
                          : std::span<const uint8_t>(static_cast<const uint8_t*>(address),
                                                     static_cast<size_t>(size_bytes));
  return kIpiNoError;
}

int SourceBytes::CopyFile(const char* file_name, uint64_t max_bytes) {
  if (file_name == nullptr) return kIpiFileOpenFailure;
  std::vector<uint8_t> copy;
  switch (plat::ReadWholeFile(file_name, max_bytes, copy)) {
    case plat::ReadStatus::kOk: break;
    case plat::ReadStatus::kNotFound:
    case plat::ReadStatus::kCannotOpen: return kIpiFileOpenFailure;
    case plat::ReadStatus::kTooLarge: return kIpiExceedImplementation;
    case plat::ReadStatus::kReadFailed: return kIpiSystemFailure;
  }
  storage_ = std::move(copy);
  view_ = storage_;
  return kIpiNoError;
}

int SourceBytes::Load(IpiSystem* sys, const IpiObject& source) {
  const IpiObjectFields& f = source.fields;
  int status = kIpiNonPermissibleOption;
  if (f.repository == kRepositoryCallerMemory) {
    status = ViewMemory(reinterpret_cast<const void*>(f.application_address_space), f.size);
  } else if (f.repository == kRepositoryFile) {
    status = CopyFile(source.file_name.c_str());
  }
  return status == kIpiNoError ? kIpiNoError : IpiRefuse(sys, status);
}
