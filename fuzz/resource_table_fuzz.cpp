// Resources on fuzz bytes: one module's table whose menu, bitmap, string and
// raw entries all hold the input, loaded through every loader and freed.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "plat/gdi.h"
#include "plat/menu.h"
#include "plat/resources.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace plat;
  const std::vector<uint8_t> bytes(data, data + size);  // exactly as long as the input
  const auto module = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0xF022));
  const ResourceEntry entries[] = {
      {RT_MENU, 1, nullptr, bytes.data(), bytes.size()},
      {RT_BITMAP, 1, nullptr, bytes.data(), bytes.size()},
      {RT_STRING, 1, nullptr, bytes.data(), bytes.size()},
      {RT_RCDATA, 0, "DATA", bytes.data(), bytes.size()},
  };
  RegisterModuleResources(module, entries, sizeof(entries) / sizeof(entries[0]));
  if (HMENU menu = LoadMenu(module, MAKEINTRESOURCE(1))) DestroyMenu(menu);
  const auto view = ValidatePackedDib(bytes.data(), bytes.size());
  if (view && int64_t{view->width} * view->height <= (int64_t{1} << 20)) {
    if (HBITMAP bitmap = LoadBitmap(module, MAKEINTRESOURCE(1))) DeleteObject(bitmap);
  }
  char text[64];
  LoadString(module, 1, text, sizeof(text));
  if (HRSRC found = FindResource(module, "data", MAKEINTRESOURCE(RT_RCDATA))) {
    (void)LockResource(LoadResource(module, found));
  }
  UnregisterModuleResources(module);
  return 0;
}
