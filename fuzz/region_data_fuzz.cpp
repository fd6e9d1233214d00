// Region data on fuzz bytes: what ExtCreateRegion accepts must come back
// from GetRegionData as a region equal to it, and combine without faults.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "plat/gdi.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace plat;
  const std::vector<uint8_t> bytes(data, data + size);  // exactly as long as the input
  HRGN region = ExtCreateRegion(nullptr, static_cast<DWORD>(bytes.size()), reinterpret_cast<const RGNDATA*>(bytes.data()));
  if (region == nullptr) return 0;
  const DWORD needed = GetRegionData(region, 0, nullptr);
  std::vector<uint8_t> out(needed);
  if (GetRegionData(region, needed, reinterpret_cast<RGNDATA*>(out.data())) != needed) __builtin_trap();
  HRGN again = ExtCreateRegion(nullptr, needed, reinterpret_cast<const RGNDATA*>(out.data()));
  if (again == nullptr || !EqualRgn(region, again)) __builtin_trap();
  HRGN box = CreateRectRgn(-5, -5, 40, 40);
  CombineRgn(again, region, box, RGN_XOR);
  for (HRGN r : {region, again, box}) DeleteObject(r);
  return 0;
}
