// The memory read entry points over fuzz bytes as a file image: the last byte
// chooses the format (and the first TIFF page); the values inquiry runs on
// every input, the read only when every inquired image is within the
// fuzz-only cap of 16 Mpx.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "Pelrith.h"
#include "fuzz/fuzz_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static constexpr int32_t kFormats[] = {kCmiFormatTiff, kCmiFormatJpeg, kCmiFormatGif, kCmiFormatBmp,
                                         kCmiFormatPcx,  kCmiFormatPng,  kCmiFormatZoltra};
  constexpr int32_t kPages = 3;
  if (size < 2 || size > (size_t{1} << 30)) return 0;
  const std::vector<uint8_t> file(data, data + size - 1);  // exactly as long as the input
  const uint8_t choice = data[size - 1];
  const int32_t format = kFormats[choice % 7];
  const int32_t first = (choice >> 4) & 1;
  const auto file_size = static_cast<int32_t>(file.size());
  int32_t status = 0;
  intptr_t width[kPages] = {}, height[kPages] = {};
  const IpiAttributePair pairs[] = {{"xDimension", reinterpret_cast<intptr_t>(width)},
                                    {"yDimension", reinterpret_cast<intptr_t>(height)}};
  if (CmiInquireValuesAddressSpace(file.data(), kPages, first, format, file_size, pairs, 2, &status) != 0) return 0;
  for (int32_t i = 0; i < kPages; ++i) {
    if (int64_t{width[i]} * height[i] > kFuzzPixelCap) return 0;
  }
  HGLOBAL images[kPages] = {};
  const int32_t read = CmiImportAndParse(file.data(), images, kPages, format, first, file_size, nullptr, 0, &status);
  for (int32_t i = 0; i < read; ++i) (void)GlobalFree(images[i]);
  return 0;
}
