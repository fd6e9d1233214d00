// Byte ranges of a TIFF reader's source; see tiff_source.h.
#include "interchange/tiff/tiff_source.h"

#include <cerrno>

#include "core/codes.h"
#include "core/status.h"

int TiffSource::Open(IpiSystem* sys, const IpiObject& source) {
  const IpiObjectFields& f = source.fields;
  if (f.repository == kRepositoryCallerMemory) {
    if (f.application_address_space == 0) return IpiRefuse(sys, kIpiNonPermissibleOption);
    if (f.size < 0) return IpiRefuse(sys, kIpiInsufficientSize);
    OpenMemory({reinterpret_cast<const uint8_t*>(f.application_address_space), static_cast<size_t>(f.size)});
    return kIpiNoError;
  }
  if (f.repository != kRepositoryFile) return IpiRefuse(sys, kIpiNonPermissibleOption);
  return OpenFile(sys, source.file_name.c_str());
}

void TiffSource::OpenMemory(std::span<const uint8_t> bytes) {
  memory_ = bytes;
  size_bytes_ = bytes.size();
}

int TiffSource::OpenFile(IpiSystem* sys, const char* file_name) {
  if (file_name == nullptr || file_name[0] == '\0' ||
      plat::File::Open(file_name, plat::FileMode::kReadExisting, file_) != plat::OpenStatus::kOk) {
    return IpiRefuse(sys, kIpiFileOpenFailure);
  }
  if (!file_.Size(size_bytes_)) return IpiRefuse(sys, kIpiSystemFailure);
  return kIpiNoError;
}

int TiffSource::Read(IpiSystem* sys, uint64_t offset, uint64_t length, std::vector<uint8_t>& storage,
                     ByteReader& out, int past_end_code) {
  if (!Contains(offset, length)) return IpiRefuse(sys, past_end_code);
  if (!file_.is_open()) {
    out = ByteReader(memory_.subspan(static_cast<size_t>(offset), static_cast<size_t>(length)));
    return kIpiNoError;
  }
  storage.resize(static_cast<size_t>(length));
  if (length > 0 && !file_.ReadExactAt(offset, storage.data(), storage.size())) {
    if (errno == 0) errno = EIO;  // a short read: the file shrank under us
    return IpiRefuse(sys, kIpiSystemFailure);
  }
  out = ByteReader(storage);
  return kIpiNoError;
}
