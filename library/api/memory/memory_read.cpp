// File images held in caller memory: the inquiries and the read of the file
// entry points over `size` bytes at `address`, never more. A size of 0 or
// less, or no address, is refused with -100 before anything is read.
#include "Pelrith.h"
#include "api/read/image_file.h"
#include "api/read/read_entry.h"

int32_t PELRITH_STDCALL CmiInquireAddressSpaceFormat(const void* address, int32_t size, CmiOptionList pairs,
                                                     int32_t n, int32_t* status) noexcept {
  return InquireImageFileFormat(CmiImageFile::InMemory(address, size), pairs, n, status);
}

int32_t PELRITH_STDCALL CmiInquireImageNumberAddressSpace(const void* address, int32_t format, int32_t size,
                                                          CmiOptionList pairs, int32_t n,
                                                          int32_t* status) noexcept {
  return InquireImageFileCount(CmiImageFile::InMemory(address, size), format, pairs, n, status);
}

int32_t PELRITH_STDCALL CmiInquireValuesAddressSpace(const void* address, int32_t count, int32_t firstIndex,
                                                     int32_t format, int32_t size, CmiOptionList pairs, int32_t n,
                                                     int32_t* status) noexcept {
  return InquireImageFileValues(CmiImageFile::InMemory(address, size), count, firstIndex, format, pairs, n, status);
}

int32_t PELRITH_STDCALL CmiImportAndParse(const void* address, HGLOBAL* images, int32_t count, int32_t format,
                                          int32_t firstIndex, int32_t size, CmiOptionList pairs, int32_t n,
                                          int32_t* status) noexcept {
  return ReadImageFileAsBitmaps(CmiImageFile::InMemory(address, size), images, count, format, firstIndex, pairs, n,
                                status);
}
