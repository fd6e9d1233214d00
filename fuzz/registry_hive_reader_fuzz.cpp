// The registry-hive reader over fuzz bytes as a hive file. A hive that parses
// must write out a text that parses again to the same text, so a value or name
// the writer cannot carry shows up as a crash here.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/kernel/registry_hive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  plat::internal::HiveKey root{std::string()};
  if (!plat::internal::ParseHive(text, root, nullptr)) return 0;
  const std::string written = plat::internal::SerializeHive(root);
  plat::internal::HiveKey again{std::string()};
  if (!plat::internal::ParseHive(written, again, nullptr)) std::abort();
  if (plat::internal::SerializeHive(again) != written) std::abort();
  return 0;
}
