#include "api/adjust/direct_bitmap.h"

#include <cassert>
#include <cstring>

#include "core/codes.h"
#include "interchange/bmp/bmp_header.h"

namespace {
constexpr uint32_t kReservedByte = 3;  // of blue, green, red, reserved
}  // namespace

bool DirectBlock::CopyFrom(CmiCall& call, const CmiSource& source, uint64_t rewritten_offset,
                           uint64_t rewritten_bytes) {
  const uint64_t size = source.info.handle_bytes;
  if (!block_.Allocate(call, size, GHND)) return false;
  uint8_t* bytes = block_.bytes();
  // The whole handle, so that header fields, the colour table and any bytes
  // the operation does not rewrite arrive as the caller gave them. The
  // rewritten span lies inside the checked bitmap, so both copies stay
  // inside the handle.
  assert(rewritten_offset <= size && rewritten_bytes <= size - rewritten_offset);
  const uint64_t after = rewritten_offset + rewritten_bytes;
  std::memcpy(bytes, source.bytes, rewritten_offset);
  std::memcpy(bytes + after, source.bytes + after, size - after);
  return true;
}

IpiObject* CreateImageOverBytes(CmiCall& call, const char* name, uint8_t* bytes, int64_t x, int64_t y, int64_t bands,
                                bool has_data) {
  // "inited" last: setting the shape clears it.
  return call.CreateImage(name, nullptr,
                          {{"xDimension", static_cast<intptr_t>(x)},
                           {"yDimension", static_cast<intptr_t>(y)},
                           {"bDimension", static_cast<intptr_t>(bands)},
                           {"dataType", kDataTypeNonnegative},
                           {"dataPrecision", 8},
                           {"repository", kRepositoryCallerMemory},
                           {"applicationAddressSpace", reinterpret_cast<intptr_t>(bytes)},
                           {"size", static_cast<intptr_t>(x * y * bands)},
                           {"inited", has_data ? 1 : 0}});
}

void ClearReservedBytes(uint8_t* table, uint32_t entries) {
  for (uint32_t i = 0; i < entries; ++i) table[uint64_t{i} * kBmpPaletteEntryBytes + kReservedByte] = 0;
}
