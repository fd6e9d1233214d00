// Attribute lists built from fuzz bytes: names from the vocabulary, values
// small integers, set on one object and inquired back. Conflicting format and
// strip-count entries must always end, and no count may reach past a table.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/objects/attributes.h"
#include "core/objects/object.h"
#include "core/system/system.h"

namespace {

struct FuzzName {
  const char* name;
  enum class Value { kSmall, kFormat, kCount, kTable, kText } value;
};

// Names whose value is an address always get a valid one: callers inside the
// library pass addresses of their own tables and texts.
constexpr FuzzName kNames[] = {
    {"fileFormat", FuzzName::Value::kFormat},       {"stripsPerImage", FuzzName::Value::kSmall},
    {"stripOffsets", FuzzName::Value::kTable},       {"stripByteCounts", FuzzName::Value::kTable},
    {"xResolution", FuzzName::Value::kTable},        {"yResolution", FuzzName::Value::kTable},
    {"transparencyEntry", FuzzName::Value::kCount},  {"transparencyPaletteIndex", FuzzName::Value::kTable},
    {"copyright", FuzzName::Value::kText},           {"dataType", FuzzName::Value::kSmall},
    {"xDimension", FuzzName::Value::kSmall},         {"inited", FuzzName::Value::kSmall},
    {"fileName", FuzzName::Value::kText},            {"luminanceQuantizationTable", FuzzName::Value::kTable},
    {"scaleFactor", FuzzName::Value::kSmall},        {"versionNumber", FuzzName::Value::kSmall},
    {"codeSize", FuzzName::Value::kSmall},           {"unknownName", FuzzName::Value::kSmall},
};
constexpr int32_t kFormats[] = {0, 92, 207, 216, 225, 235, 246, 259, 274, 255};

// Large enough for the largest table a name copies: 255 strips of 4 bytes.
uint8_t g_table[1024];
const char g_text[] = "text";

intptr_t ValueFor(const FuzzName& name, uint8_t byte) {
  switch (name.value) {
    case FuzzName::Value::kSmall: return byte;
    case FuzzName::Value::kFormat: return kFormats[byte % (sizeof kFormats / sizeof kFormats[0])];
    case FuzzName::Value::kCount: return intptr_t{byte} * 4;  // counts past 256 too
    case FuzzName::Value::kTable: return byte == 0 ? 0 : reinterpret_cast<intptr_t>(g_table);
    case FuzzName::Value::kText: return byte == 0 ? 0 : reinterpret_cast<intptr_t>(g_text);
  }
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  IpiSystem* sys = IpiOpenSystem(nullptr);
  if (sys == nullptr) return 0;
  IpiObject* obj = IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, nullptr, 0);
  std::vector<IpiAttribute> list;
  for (size_t i = 0; i + 1 < size && list.size() < 64; i += 2) {
    const FuzzName& name = kNames[data[i] % (sizeof kNames / sizeof kNames[0])];
    list.push_back({name.name, ValueFor(name, data[i + 1])});
  }
  (void)IpiSetAttributes(sys, obj, list.data(), static_cast<int>(list.size()));
  intptr_t sink = 0;
  for (const FuzzName& name : kNames) {
    IpiAttribute query{name.name, reinterpret_cast<intptr_t>(&sink)};
    (void)IpiInquireAttributes(sys, obj, &query, 1);
  }
  IpiObject* copy = IpiCreateObject(sys, nullptr, &kGenericImageClass, obj, nullptr, 0);
  (void)copy;
  IpiCloseSystem(sys);
  return 0;
}
