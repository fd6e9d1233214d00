// The encoder of the DCT codec: tables from "quarityFactor", colour
// conversion with point-sampled chrominance, MCU walk, restart markers. Each
// MCU row of the image is fetched once per band into padded planes (edge rows
// and columns repeated), then transformed and coded block by block.
#include <algorithm>
#include <array>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/operators/operator_frame.h"
#include "core/status.h"
#include "core/streams/accessor.h"
#include "core/streams/stream.h"
#include "interchange/io/bit_writer.h"
#include "interchange/jpeg_dct/dct_transform.h"
#include "interchange/jpeg_dct/entropy_coder.h"
#include "interchange/jpeg_dct/huffman_tables.h"
#include "interchange/jpeg_dct/jpeg_dct_internal.h"
#include "interchange/jpeg_dct/jpeg_dct_tables.h"

namespace {

constexpr int32_t kMinQuantizer = 1;
constexpr int32_t kMaxQuantizer = 255;  // a DQT entry holds 8 bits

// Quantizer entries (natural order) for quality q: q >= 1 divides the base
// table, q < 1 gives the ramp 1 + (row + column + 1) |q|. Every entry is held to
// 1..255, so the coder divides by what the file's DQT can carry.
void QuantizerEntries(const uint8_t base[kBlockSize], int32_t quality, int32_t out[kBlockSize]) {
  for (int i = 0; i < kBlockSize; ++i) {
    int64_t entry = 0;
    if (quality >= 1) {
      entry = (int64_t{base[i]} + quality / 2) / quality;
    } else {
      const int64_t step = -int64_t{quality};
      entry = 1 + (i / 8 + i % 8 + 1) * step;
    }
    out[i] = static_cast<int32_t>(std::clamp<int64_t>(entry, kMinQuantizer, kMaxQuantizer));
  }
}

// The 64-byte zigzag form of a DQT segment.
std::array<uint8_t, kBlockSize> ZigzagBytes(const int32_t entries[kBlockSize]) {
  std::array<uint8_t, kBlockSize> bytes{};
  for (int k = 0; k < kBlockSize; ++k) bytes[k] = static_cast<uint8_t>(entries[kZigzagToNatural[k]]);
  return bytes;
}

// A table attribute's bytes: BITS, then HUFFVAL padded to its attribute size.
struct PublishedHuffman {
  std::array<uint8_t, kHuffmanLengths> bits{};
  std::array<uint8_t, kAcHuffvalCapacity> values{};
  explicit PublishedHuffman(const HuffmanSpec& spec) {
    std::copy_n(spec.bits, kHuffmanLengths, bits.begin());
    std::copy(spec.huffval.begin(), spec.huffval.end(), values.begin());
  }
};

intptr_t Address(const void* p) { return reinterpret_cast<intptr_t>(p); }

// Publishes the tables the scan is coded with on the compressed object.
int PublishTables(IpiSystem* sys, IpiObject* compressed, const int32_t luma[kBlockSize],
                  const int32_t chroma[kBlockSize], bool colour) {
  const auto luma_bytes = ZigzagBytes(luma);
  const auto chroma_bytes = ZigzagBytes(chroma);
  const PublishedHuffman luma_dc(kAnnexKLuminanceDc), luma_ac(kAnnexKLuminanceAc);
  const PublishedHuffman chroma_dc(kAnnexKChrominanceDc), chroma_ac(kAnnexKChrominanceAc);
  const IpiAttribute luma_tables[] = {
      {"luminanceQuantizationTable", Address(luma_bytes.data())},
      {"luminanceDCBITS", Address(luma_dc.bits.data())},
      {"luminanceDCHUFFVAL", Address(luma_dc.values.data())},
      {"luminanceACBITS", Address(luma_ac.bits.data())},
      {"luminanceACHUFFVAL", Address(luma_ac.values.data())},
  };
  IPI_RETURN_IF_ERROR(IpiSetAttributes(sys, compressed, luma_tables, 5));
  if (!colour) return kIpiNoError;
  const IpiAttribute chroma_tables[] = {
      {"chrominanceQuantizationTable", Address(chroma_bytes.data())},
      {"chrominanceDCBITS", Address(chroma_dc.bits.data())},
      {"chrominanceDCHUFFVAL", Address(chroma_dc.values.data())},
      {"chrominanceACBITS", Address(chroma_ac.bits.data())},
      {"chrominanceACHUFFVAL", Address(chroma_ac.values.data())},
  };
  return IpiSetAttributes(sys, compressed, chroma_tables, 5);
}

struct EncoderTables {
  ForwardQuantizer luma_quantizer;
  ForwardQuantizer chroma_quantizer;
  HuffmanEncodeTable luma_dc, luma_ac, chroma_dc, chroma_ac;
};

// One MCU row of the image in coding form: luminance (or grey) samples and,
// for colour, the point-sampled chrominance, all padded to whole MCUs.
struct McuRowPlanes {
  int64_t luma_stride = 0;
  int64_t chroma_stride = 0;
  std::vector<uint8_t> luma, cb, cr;
};

// Fills the planes from image rows y0 ... y0 + MCU height - 1 of plane (t, z);
// rows below the image repeat its last row, columns right of it its last column.
int LoadMcuRow(IpiSystem* sys, const std::array<IpiStream*, 3>& streams, const ScanGeometry& g,
               const McuLayout& layout, int64_t frame, int64_t slice, int64_t y0, McuRowPlanes& planes) {
  const int64_t width = g.width;
  for (int r = 0; r < layout.height_px; ++r) {
    const int64_t y = std::min(y0 + r, g.height - 1);
    uint8_t* luma = planes.luma.data() + r * planes.luma_stride;
    if (!layout.colour) {
      const uint8_t* grey = IpiGetInputRow(sys, streams[0], RowElement(g, 0, frame, slice, y));
      if (grey == nullptr) return IpiGetLastError(sys);
      std::copy_n(grey, width, luma);
      std::fill(luma + width, luma + planes.luma_stride, grey[width - 1]);
      continue;
    }
    const uint8_t* rgb[3];
    for (int band = 0; band < 3; ++band) {
      rgb[band] = IpiGetInputRow(sys, streams[band], RowElement(g, band, frame, slice, y));
      if (rgb[band] == nullptr) return IpiGetLastError(sys);
    }
    const uint8_t* red = rgb[0];
    const uint8_t* green = rgb[1];
    const uint8_t* blue = rgb[2];
    for (int64_t x = 0; x < width; ++x) {
      luma[x] = static_cast<uint8_t>((77 * red[x] + 150 * green[x] + 29 * blue[x] + 128) >> 8);
    }
    std::fill(luma + width, luma + planes.luma_stride, luma[width - 1]);
    if ((r & ((1 << layout.chroma_y_shift) - 1)) != 0) continue;
    uint8_t* cb = planes.cb.data() + (r >> layout.chroma_y_shift) * planes.chroma_stride;
    uint8_t* cr = planes.cr.data() + (r >> layout.chroma_y_shift) * planes.chroma_stride;
    for (int64_t cx = 0; cx < planes.chroma_stride; ++cx) {
      const int64_t x = std::min(cx << layout.chroma_x_shift, width - 1);
      const int32_t red_x = red[x], green_x = green[x], blue_x = blue[x];
      cb[cx] = static_cast<uint8_t>((128 * blue_x - 43 * red_x - 85 * green_x + 32768) >> 8);
      cr[cx] = static_cast<uint8_t>((128 * red_x - 107 * green_x - 21 * blue_x + 32768) >> 8);
    }
  }
  return kIpiNoError;
}

// Codes the scan into `sink`; 0 or the first status met.
int CodeScan(IpiSystem* sys, const std::array<IpiStream*, 3>& streams, const ScanGeometry& g,
             const McuLayout& layout, const EncoderTables& tables, StuffingStreamSink& sink) {
  BitWriter bits(sink, FillOrder::kMsbFirst);
  McuRowPlanes planes;
  planes.luma_stride = g.mcus_across * layout.width_px;
  planes.luma.resize(static_cast<size_t>(planes.luma_stride * layout.height_px));
  if (layout.colour) {
    planes.chroma_stride = g.mcus_across * 8;
    planes.cb.resize(static_cast<size_t>(planes.chroma_stride * 8));
    planes.cr.resize(planes.cb.size());
  }
  const BlockCodes luma_codes{&tables.luma_dc, &tables.luma_ac};
  const BlockCodes chroma_codes{&tables.chroma_dc, &tables.chroma_ac};
  int32_t predictors[3] = {0, 0, 0};
  int32_t coefficients[kBlockSize];
  int64_t in_interval = 0;
  int marker_count = 0;

  for (int64_t frame = 0; frame < g.frames; ++frame) {
    for (int64_t slice = 0; slice < g.depth; ++slice) {
      for (int64_t mcu_row = 0; mcu_row < g.mcu_rows; ++mcu_row) {
        IPI_RETURN_IF_ERROR(LoadMcuRow(sys, streams, g, layout, frame, slice, mcu_row * layout.height_px, planes));
        for (int64_t mx = 0; mx < g.mcus_across; ++mx) {
          const uint8_t* mcu = planes.luma.data() + mx * layout.width_px;
          for (int by = 0; by < layout.luma_rows; ++by) {
            for (int bx = 0; bx < layout.luma_columns; ++bx) {
              ForwardDctQuantize(mcu + by * 8 * planes.luma_stride + bx * 8, planes.luma_stride,
                                 tables.luma_quantizer, coefficients);
              EncodeBlock(bits, coefficients, predictors[0], luma_codes);
            }
          }
          if (layout.colour) {
            ForwardDctQuantize(planes.cb.data() + mx * 8, planes.chroma_stride, tables.chroma_quantizer,
                               coefficients);
            EncodeBlock(bits, coefficients, predictors[1], chroma_codes);
            ForwardDctQuantize(planes.cr.data() + mx * 8, planes.chroma_stride, tables.chroma_quantizer,
                               coefficients);
            EncodeBlock(bits, coefficients, predictors[2], chroma_codes);
          }
          // A marker follows every completed interval, the last one included.
          if (g.restart_interval != 0 && ++in_interval == g.restart_interval) {
            in_interval = 0;
            const uint8_t marker[2] = {0xFF, static_cast<uint8_t>(kMarkerRst0 + (marker_count & 7))};
            ++marker_count;
            if (!bits.Flush() || !sink.WriteUnstuffed(marker, 2)) return sink.status();
            predictors[0] = predictors[1] = predictors[2] = 0;
          }
        }
        if (sink.status() != 0) return sink.status();
      }
    }
  }
  if (!bits.Flush()) return sink.status();
  return sink.Finish();
}

}  // namespace

int EncodeJpegDctScan(IpiSystem* sys, IpiObject* image, IpiObject* compressed, const McuLayout& layout) {
  const int bands = layout.colour ? 3 : 1;
  ScopedAccessor sources[3];
  std::array<IpiStream*, 3> streams{};
  for (int band = 0; band < bands; ++band) {
    sources[band] = ScopedAccessor(sys, IpiOpenAccessor(sys, image, "r", 1, nullptr, 0));
    if (!sources[band]) return IpiGetLastError(sys);
    streams[band] = sources[band].stream();
  }
  ScopedAccessor target(sys, IpiOpenAccessor(sys, compressed, "w", 0, nullptr, 0));
  if (!target) return IpiGetLastError(sys);

  EncoderTables tables;
  int32_t luma_entries[kBlockSize];
  int32_t chroma_entries[kBlockSize];
  const auto quality = static_cast<int32_t>(IpiInquireAttribute(sys, compressed, "quarityFactor"));
  QuantizerEntries(kAnnexKLuminanceQuantizer, quality, luma_entries);
  QuantizerEntries(kAnnexKChrominanceQuantizer, quality, chroma_entries);
  BuildForwardQuantizer(luma_entries, tables.luma_quantizer);
  BuildForwardQuantizer(chroma_entries, tables.chroma_quantizer);
  // The Annex K tables are valid: building them cannot fail.
  (void)BuildHuffmanEncodeTable(kAnnexKLuminanceDc, tables.luma_dc);
  (void)BuildHuffmanEncodeTable(kAnnexKLuminanceAc, tables.luma_ac);
  (void)BuildHuffmanEncodeTable(kAnnexKChrominanceDc, tables.chroma_dc);
  (void)BuildHuffmanEncodeTable(kAnnexKChrominanceAc, tables.chroma_ac);
  IPI_RETURN_IF_ERROR(PublishTables(sys, compressed, luma_entries, chroma_entries, layout.colour));

  if (sources[0]->data_type != kDataTypeNonnegative || streams[0]->bits_per_element != 8) {
    return IpiRefuse(sys, kIpiMismatchDataType);
  }
  ScanGeometry geometry;
  IPI_RETURN_IF_ERROR(CheckScanGeometry(sys, compressed, image, bands, layout, geometry));

  StuffingStreamSink sink(sys, target.stream());
  IPI_RETURN_IF_ERROR(CodeScan(sys, streams, geometry, layout, tables, sink));
  const auto coded_bytes = static_cast<intptr_t>(sink.position());
  IPI_RETURN_IF_ERROR(target.Close());
  return IpiSetAttribute(sys, compressed, "size", coded_bytes);
}
