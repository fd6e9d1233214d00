// TIFF pages straight into packed bitmaps; see tiff_page_bitmaps.h. Every
// directory of the range is read and checked before the first bitmap is
// made, so a page the road does not take costs no decode. The header and
// colour table are the ones the export writes for the page's image: no
// resolution, a grey ramp for grey pages (entry 0 white when zero is white),
// the file's colour map for palette pages.
#include "api/read/tiff_page_bitmaps.h"

#include <span>
#include <vector>

#include "api/frame/packed_bitmap.h"
#include "core/status.h"
#include "interchange/bmp/bmp_header.h"
#include "interchange/io/chain_guard.h"
#include "interchange/tiff/tiff_bitmap_rows.h"
#include "interchange/tiff/tiff_directory.h"
#include "interchange/tiff/tiff_source.h"
#include "interchange/tiff/tiff_tags.h"

namespace {

// The pages' directories, read and checked; false at the first fault or at
// a chain that ends before the last wanted page.
bool ReadPagePlans(IpiSystem* sys, TiffSource& source, int32_t first_index, int64_t count,
                   std::vector<TiffImagePlan>& plans) {
  TiffHeader header;
  if (ReadTiffHeader(sys, source, &header, kIpiSyntaxError) != 0) return false;
  ChainGuard guard;
  uint32_t position = header.first_directory;
  for (int32_t i = 0; i < first_index; ++i) {
    if (position == 0 || !guard.Visit(position)) return false;
    if (ReadNextTiffDirectory(sys, source, header.byte_order, position, &position, kIpiSyntaxError) != 0) return false;
  }
  plans.resize(static_cast<size_t>(count));
  for (TiffImagePlan& plan : plans) {
    if (position == 0 || !guard.Visit(position)) return false;
    if (ReadTiffDirectory(sys, source, header.byte_order, position, &plan) != 0) return false;
    if (ReadNextTiffDirectory(sys, source, header.byte_order, position, &position, kIpiSyntaxError) != 0) return false;
  }
  return true;
}

// Whether the page's shape is one the road takes.
bool TakesPage(const TiffImagePlan& plan) {
  if (plan.has_byte_boundary || !TiffBitmapRowsTake(plan.strips)) return false;
  if (plan.bands == 3) return plan.photometric == kPhotometricCodeRgb;
  const bool has_map = plan.photometric == kPhotometricCodePalette && !plan.palette.empty() &&
                       plan.lut_entries == (int64_t{1} << plan.image_precision);
  return plan.bands == 1 && (plan.photometric == kPhotometricCodeWhiteIsZero ||
                             plan.photometric == kPhotometricCodeBlackIsZero || has_map);
}

// The colour table of `entries` entries (blue, green, red, 0).
void FormatColourTable(const TiffImagePlan& plan, uint32_t entries, uint8_t* table) {
  for (uint32_t i = 0; i < entries; ++i) {
    uint8_t* entry = table + uint64_t{i} * kBmpPaletteEntryBytes;
    if (plan.photometric == kPhotometricCodePalette) {
      entry[0] = plan.palette[2 * entries + i];
      entry[1] = plan.palette[entries + i];
      entry[2] = plan.palette[i];
    } else {
      const auto level = static_cast<uint8_t>(i * 255 / (entries - 1));
      const bool white_is_zero = plan.photometric == kPhotometricCodeWhiteIsZero;
      entry[0] = entry[1] = entry[2] = white_is_zero ? static_cast<uint8_t>(255 - level) : level;
    }
    entry[3] = 0;
  }
}

// One page into a new bitmap, added to `made` (which frees it with the rest
// when the range is not read whole); false when it cannot be had or the
// page's data fails.
bool ReadPageBitmap(IpiSystem* sys, TiffSource& source, const TiffImagePlan& plan, MadeHandles& made) {
  const PackedDibLayout layout =
      PackedDibLayoutFor(plan.x_dimension, plan.y_dimension, plan.bands, plan.image_precision);
  if (layout.total_bytes == 0) return false;
  const HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE, layout.total_bytes);
  if (handle == 0) return false;
  made.Add(handle);
  auto* bytes = static_cast<uint8_t*>(GlobalLock(handle));
  if (bytes == nullptr) return false;
  uint8_t* table = FormatPackedBitmapHeader(plan.x_dimension, plan.y_dimension, layout, bytes);
  FormatColourTable(plan, layout.palette_entries, table);
  const TiffBitmapRows rows{table + uint64_t{layout.palette_entries} * kBmpPaletteEntryBytes,
                            static_cast<int64_t>(layout.row_bytes)};
  const int status = ReadTiffStripsIntoBitmap(sys, source, plan.strips, rows);
  (void)GlobalUnlock(handle);
  return status == 0;
}

}  // namespace

bool ReadTiffPagesStraight(CmiCall& call, const CmiImageFile& file, int32_t first_index, int64_t count,
                           MadeHandles& made) {
  IpiSystem* sys = call.sys();
  TiffSource source;
  if (file.in_memory()) {
    source.OpenMemory(std::span(file.address, static_cast<size_t>(file.size_bytes)));
  } else if (source.OpenFile(sys, file.file_name) != 0) {
    return false;
  }
  std::vector<TiffImagePlan> plans;
  if (!ReadPagePlans(sys, source, first_index, count, plans)) return false;
  for (const TiffImagePlan& plan : plans) {
    if (!TakesPage(plan)) return false;
  }
  MadeHandles pages;
  for (const TiffImagePlan& plan : plans) {
    if (!ReadPageBitmap(sys, source, plan, pages)) return false;
  }
  pages.MoveTo(made);
  return true;
}
