// The class library's bitmap and icon read from any bytes: a refusal is one
// of the library's exceptions, never a crash, an overrun or an unbounded
// allocation.
#include <cstddef>
#include <cstdint>

#include "plat/forms/bitmap.h"
#include "plat/forms/exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  plat::TMemoryStream stream;
  stream.WriteBuffer(data, static_cast<int64_t>(size));
  stream.SetPosition(0);
  plat::TBitmap bitmap;
  try {
    bitmap.LoadFromStream(stream);
    if (!bitmap.Empty()) {
      volatile uint8_t first = bitmap.ScanLine(bitmap.Height() - 1)[0];
      (void)first;
    }
  } catch (const plat::Exception&) {
  }
  stream.SetPosition(0);
  plat::TIcon icon;
  try {
    icon.LoadFromStream(stream);
    plat::TMemoryStream saved;
    icon.SaveToStream(saved);
  } catch (const plat::Exception&) {
  }
  return 0;
}
