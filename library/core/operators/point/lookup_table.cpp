// The lookup-table operator: one table read per row run, one byte looked up
// per element.
#include "core/operators/point/lookup_table.h"

#include <bit>
#include <cstring>

#include "core/operators/operator_frame.h"
#include "core/status.h"

static_assert(std::endian::native == std::endian::little, "a word of looked-up bytes is stored byte 0 first");

int MapThroughTable(IpiSystem* sys, IpiObject* source, IpiObject* destination, const ByteTable& table) {
  return RunRowOperator(sys, *source, *destination, [&table](RowIn in, RowOut out, const Gate& gate) {
    const uint8_t* from = in.data;
    uint8_t* to = out.data;
    const uint8_t* entries = table.data();
    const int64_t count = in.count;
    if (gate.none()) {
      // Eight look-ups gathered into one word and stored at once.
      int64_t i = 0;
      for (; i + 8 <= count; i += 8) {
        uint64_t word = 0;
        for (int k = 0; k < 8; ++k) word |= uint64_t{entries[from[i + k]]} << (8 * k);
        std::memcpy(to + i, &word, sizeof word);
      }
      for (; i < count; ++i) to[i] = entries[from[i]];
      return;
    }
    for (int64_t i = 0; i < count; ++i) {
      if (gate.open(i)) to[i] = entries[from[i]];
    }
  });
}

int IpiApplyLookupTable(IpiSystem* sys, IpiObject* source, IpiObject* destination, IpiObject* table,
                        int32_t /*reserved*/) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  IPI_RETURN_IF_ERROR(RequireByteImage(sys, source));
  IPI_RETURN_IF_ERROR(RequireByteImage(sys, destination));
  ByteTable entries;
  IPI_RETURN_IF_ERROR(ReadByteTable(sys, table, entries));
  return MapThroughTable(sys, source, destination, entries);
}
