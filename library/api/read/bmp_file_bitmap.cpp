#include "api/read/bmp_file_bitmap.h"

#include "Pelrith.h"
#include "core/status.h"
#include "interchange/bmp/bmp_header.h"

namespace {

bool IsPlain(const BmpHeader& header) {
  const int32_t bits = header.bits_per_pixel;
  return !header.is_run_length && (bits == 1 || bits == 4 || bits == 8 || bits == 24);
}

}  // namespace

int BmpFileIsPlain(std::span<const uint8_t> file, bool* is_plain) {
  BmpHeader header;
  IPI_RETURN_IF_ERROR(ParseBmpHeader(file, BmpContainer::kFile, &header));
  *is_plain = IsPlain(header);
  return kIpiNoError;
}
