// Image counts; see image_count.h. The TIFF count walks the directory chain
// with the reader's own header and chain functions, reading two small pieces
// of each directory and none of its data.
#include "interchange/identify/image_count.h"

#include <span>

#include "core/codes.h"
#include "core/objects/scoped_object.h"
#include "core/status.h"
#include "interchange/common/source_bytes.h"
#include "interchange/tiff/tiff_directory.h"
#include "interchange/tiff/tiff_source.h"
#include "interchange/zoltra/zoltra_file.h"

namespace {

// The smallest file image whose pages a memory count looks for.
constexpr int64_t kMinTiffCountBytes = 9;

int64_t Fail(IpiSystem* sys, int code) {
  IpiReportError(sys, code);
  return 0;
}

// The directories of the TIFF file behind `source`; 0 on any failure.
int64_t CountPages(IpiSystem* sys, TiffSource& source, int past_end_code) {
  TiffHeader header;
  if (ReadTiffHeader(sys, source, &header, past_end_code) != 0) return 0;
  if (header.first_directory == 0) return Fail(sys, kIpiSyntaxError);  // a file of no image
  int64_t count = 0;
  if (CountTiffDirectories(sys, source, header.byte_order, header.first_directory, past_end_code, &count) != 0) {
    return 0;
  }
  return count;
}

// Zoltra images are counted by walking the element chain with the Zoltra
// reader's own record parser, so that counting and reading can never
// disagree on a file. 0 on any failure, with the reason reported.
int64_t CountZoltraElementChain(IpiSystem* sys, std::span<const uint8_t> bytes, int past_end_code) {
  int64_t count = 0;
  const int status = CountZoltraFileImages(bytes.data(), bytes.size(), past_end_code, &count);
  if (status != kIpiNoError) return Fail(sys, status);
  return count;
}

}  // namespace

int64_t IpiCountTiffPages(IpiSystem* sys, const char* file_name) {
  TiffSource source;
  if (source.OpenFile(sys, file_name) != 0) return 0;
  return CountPages(sys, source, kIpiSyntaxError);
}

int64_t IpiCountAddressSpaceTiffPages(IpiSystem* sys, const void* address, int64_t size_bytes) {
  if (address == nullptr) return Fail(sys, kIpiOutOfRange);
  if (size_bytes < kMinTiffCountBytes) return Fail(sys, kIpiInsufficientSize);
  TiffSource source;
  source.OpenMemory(std::span<const uint8_t>(static_cast<const uint8_t*>(address), static_cast<size_t>(size_bytes)));
  return CountPages(sys, source, kIpiInsufficientSize);
}

int64_t IpiCountZoltraImages(IpiSystem* sys, const char* file_name) {
  if (file_name == nullptr || file_name[0] == '\0') return Fail(sys, kIpiFileOpenFailure);
  const IpiAttribute shape[] = {{"repository", kRepositoryFile},
                                {"fileName", reinterpret_cast<intptr_t>(file_name)},
                                {"fileFormat", kFormatZoltra}};
  ScopedObject file(sys, IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, shape, 3));
  if (!file) return 0;
  SourceBytes bytes;
  if (bytes.Load(sys, *file.get()) != kIpiNoError) return 0;
  return CountZoltraElementChain(sys, bytes.bytes(), kIpiSyntaxError);
}

int64_t IpiCountAddressSpaceZoltraImages(IpiSystem* sys, const void* address, int64_t size_bytes) {
  if (address == nullptr) return Fail(sys, kIpiOutOfRange);
  if (size_bytes < 0) return Fail(sys, kIpiInsufficientSize);
  const std::span<const uint8_t> bytes(static_cast<const uint8_t*>(address), static_cast<size_t>(size_bytes));
  return CountZoltraElementChain(sys, bytes, kIpiInsufficientSize);
}

int64_t IpiCountFileImages(IpiSystem* sys, const char* file_name, int32_t format) {
  if (IpiCheckSystem(sys) != 0) return 0;
  if (format == kFormatTiff) return IpiCountTiffPages(sys, file_name);
  if (format == kFormatZoltra) return IpiCountZoltraImages(sys, file_name);
  return Fail(sys, kIpiNonPermissibleOption);
}

int64_t IpiCountAddressSpaceImages(IpiSystem* sys, const void* address, int32_t format, int64_t size_bytes) {
  if (IpiCheckSystem(sys) != 0) return 0;
  if (format == kFormatTiff) return IpiCountAddressSpaceTiffPages(sys, address, size_bytes);
  if (format == kFormatZoltra) return IpiCountAddressSpaceZoltraImages(sys, address, size_bytes);
  return Fail(sys, kIpiNonPermissibleOption);
}
