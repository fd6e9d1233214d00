// The sample layout conversion over fuzz bytes: a strip layout built from the
// first 16 bytes (form, size, strips, fill and byte order, target kind) read
// from the rest of the input into a target of its own shape, then the rows of
// that target interlaced and put back in order. Sizes stay small by
// construction, so no cap is needed.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/object.h"
#include "core/system/system.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/gif/interlace_rows.h"
#include "interchange/tiff/tiff_source.h"
#include "interchange/tiff/tiff_strips.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr size_t kHead = 16;
  if (size < kHead) return 0;
  const std::span<const uint8_t> body(data + kHead, size - kHead);
  TiffStripLayout layout;
  layout.form = static_cast<TiffSampleForm>(data[0] % 5);
  layout.width_px = 1 + data[1] % 64;
  layout.height_px = 1 + data[2] % 48;
  layout.stored_row_bytes = TiffStoredRowBytes(layout.form, layout.width_px);
  layout.rows_per_strip = 1 + data[3] % layout.height_px;
  layout.fill_order = (data[4] & 1) != 0 ? FillOrder::kLsbFirst : FillOrder::kMsbFirst;
  layout.byte_order = (data[4] & 2) != 0 ? ByteOrder::kLittleEndian : ByteOrder::kBigEndian;
  const bool coded = (data[4] & 4) != 0;
  const bool packed_bitmap = (data[4] & 8) != 0;
  layout.compression = coded ? kCompressionPackBits : kCompressionNone;
  const int64_t strips = (layout.height_px + layout.rows_per_strip - 1) / layout.rows_per_strip;
  for (int64_t s = 0; s < strips; ++s) {
    // Strips anywhere in the body, some of them cut short; the directory
    // reader would have refused a strip past the end, the pixel pass must too.
    const uint64_t offset = body.empty() ? 0 : (data[5 + s % 8] * 131u + static_cast<uint64_t>(s) * 17u) % body.size();
    const uint64_t count = (data[13 + s % 3] * 7u + static_cast<uint64_t>(s)) % (body.size() + 8);
    layout.offsets.push_back(offset);
    layout.byte_counts.push_back(count);
    layout.coded_bytes += count;
  }
  IpiSystem* sys = IpiOpenSystem(nullptr);
  if (sys == nullptr) return 0;
  const bool is_bilevel = layout.form == TiffSampleForm::kBilevel;
  const bool is_colour = layout.form == TiffSampleForm::kRgb || layout.form == TiffSampleForm::kPackedColour16;
  const IpiAttribute shape[] = {
      {"xDimension", static_cast<intptr_t>(packed_bitmap ? 3 * layout.width_px + data[15] % 4 : layout.width_px + data[15] % 9)},
      {"yDimension", static_cast<intptr_t>(layout.height_px - data[14] % 2)},
      {"bDimension", packed_bitmap ? 1 : (is_colour ? 3 : 1)},
      {"dataType", is_bilevel && !packed_bitmap ? kDataTypeBoolean : kDataTypeNonnegative},
      {"repository", kRepositoryGlobalBlock},
      {"bitOrder", (data[4] & 16) != 0 ? kOrderLsbFirst : kOrderMsbFirst},
      {"compression", layout.compression},
      {"pixelInterpretation", packed_bitmap ? kPixelInterpretationPackedBitmap : kPixelInterpretationPlain}};
  IpiObject* target = IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, shape, 8);
  TiffSource source;
  source.OpenMemory(body);
  if (target != nullptr && ReadTiffStrips(sys, source, layout, target) == 0 && !coded) {
    IpiObject* interlaced = IpiCreateObject(sys, nullptr, &kGenericImageClass, target, nullptr, 0);
    IpiObject* back = IpiCreateObject(sys, nullptr, &kGenericImageClass, target, nullptr, 0);
    if (interlaced != nullptr && back != nullptr && InterlaceRows(sys, target, interlaced) == 0) {
      (void)DeinterlaceRows(sys, interlaced, back);
    }
  }
  IpiCloseSystem(sys);
  return 0;
}
