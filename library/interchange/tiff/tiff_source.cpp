// Byte ranges of a TIFF reader's source; see tiff_source.h.
#include "interchange/tiff/tiff_source.h"

#include <cerrno>

#include "core/codes.h"
#include "core/status.h"

int TiffSource::Open(IpiSystem* sys, const IpiObject& source) {
  if (source.fields.repository == kRepositoryFile) return OpenFile(sys, source.file_name.c_str());
  IPI_RETURN_IF_ERROR(memory_.Load(sys, source));
  size_bytes_ = memory_.size();
  return kIpiNoError;
}

void TiffSource::OpenMemory(std::span<const uint8_t> bytes) {
  (void)memory_.ViewMemory(bytes.data(), static_cast<int64_t>(bytes.size()));
  size_bytes_ = memory_.size();
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
    out = ByteReader(memory_.bytes().subspan(static_cast<size_t>(offset), static_cast<size_t>(length)));
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
