// The edit control's type detector over fuzz bytes as a memory image, once
// as caller memory and once as a global block of exactly that length; the
// last byte moves the stream's position first, which detection must restore.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "file_type_detector.h"
#include "plat/ctl/file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t start = data[size - 1];
  std::vector<uint8_t> bytes(data, data + size - 1);  // exactly as long as the image
  ondavel::FileTypeDetector detector;
  const bool found = detector.DetectMemoryFormat(static_cast<const void*>(bytes.data()), bytes.size()) != 0;
  if (found != (detector.error() == 0)) std::abort();
  if (!bytes.empty()) {
    const HGLOBAL block = GlobalAlloc(GHND, bytes.size());
    if (block != 0) {
      auto* target = static_cast<uint8_t*>(GlobalLock(block));
      for (size_t i = 0; i < bytes.size(); ++i) target[i] = bytes[i];
      GlobalUnlock(block);
      (void)detector.DetectMemoryFormat(block, bytes.size());
      GlobalFree(block);
    }
    plat::CMemFile stream(bytes.data(), plat::UINT(bytes.size()), 0);
    stream.Seek(start % (bytes.size() + 1), plat::CFile::begin);
    const plat::ULONGLONG before = stream.GetPosition();
    (void)detector.DetectStreamFormat(&stream);
    if (stream.GetPosition() != before) std::abort();
  }
  return 0;
}
