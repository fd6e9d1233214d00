// The decoder of the DCT codec: tables from the compressed object's
// attributes, the MCU walk with restart intervals, inverse transforms into an
// MCU row of planes, and colour conversion as the rows are put. The coded
// bytes are read once and decoded from memory.
#include <algorithm>
#include <array>
#include <vector>

#include "core/codes.h"
#include "core/limits.h"
#include "core/objects/attributes.h"
#include "core/operators/operator_frame.h"
#include "core/status.h"
#include "core/streams/accessor.h"
#include "core/streams/stream.h"
#include "interchange/common/object_bytes.h"
#include "interchange/io/bit_reader.h"
#include "interchange/jpeg_dct/dct_transform.h"
#include "interchange/jpeg_dct/entropy_coder.h"
#include "interchange/jpeg_dct/huffman_tables.h"
#include "interchange/jpeg_dct/jpeg_dct_internal.h"
#include "interchange/jpeg_dct/jpeg_dct_tables.h"

namespace {

// A table attribute's bytes, or null when the object has none.
const uint8_t* TableBytes(IpiSystem* sys, IpiObject* obj, const char* name) {
  return reinterpret_cast<const uint8_t*>(IpiInquireAttribute(sys, obj, name));
}

// The dequantizer from a 64-byte zigzag quantization table attribute.
bool LoadDequantizer(IpiSystem* sys, IpiObject* obj, const char* name, InverseDequantizer& out) {
  const uint8_t* zigzag = TableBytes(sys, obj, name);
  if (zigzag == nullptr) return false;
  int32_t entries[kBlockSize];
  for (int k = 0; k < kBlockSize; ++k) entries[kZigzagToNatural[k]] = zigzag[k];
  BuildInverseDequantizer(entries, out);
  return true;
}

bool LoadHuffman(IpiSystem* sys, IpiObject* obj, const char* bits_name, const char* values_name, int capacity,
                 HuffmanDecodeTable& out) {
  const uint8_t* bits = TableBytes(sys, obj, bits_name);
  const uint8_t* values = TableBytes(sys, obj, values_name);
  if (bits == nullptr || values == nullptr) return false;
  return BuildHuffmanDecodeTable(bits, std::span<const uint8_t>(values, static_cast<size_t>(capacity)), capacity,
                                 out);
}

struct DecoderTables {
  InverseDequantizer luma_dequantizer, chroma_dequantizer;
  HuffmanDecodeTable luma_dc, luma_ac, chroma_dc, chroma_ac;
};

// Every table the scan uses must be present and sound: 22 otherwise, since
// decoding with a missing or over-subscribed table would read garbage.
int LoadTables(IpiSystem* sys, IpiObject* compressed, bool colour, DecoderTables& t) {
  bool ok = LoadDequantizer(sys, compressed, "luminanceQuantizationTable", t.luma_dequantizer) &&
            LoadHuffman(sys, compressed, "luminanceDCBITS", "luminanceDCHUFFVAL", kDcHuffvalCapacity, t.luma_dc) &&
            LoadHuffman(sys, compressed, "luminanceACBITS", "luminanceACHUFFVAL", kAcHuffvalCapacity, t.luma_ac);
  if (ok && colour) {
    ok = LoadDequantizer(sys, compressed, "chrominanceQuantizationTable", t.chroma_dequantizer) &&
         LoadHuffman(sys, compressed, "chrominanceDCBITS", "chrominanceDCHUFFVAL", kDcHuffvalCapacity,
                     t.chroma_dc) &&
         LoadHuffman(sys, compressed, "chrominanceACBITS", "chrominanceACHUFFVAL", kAcHuffvalCapacity,
                     t.chroma_ac);
  }
  return ok ? kIpiNoError : IpiRefuse(sys, kIpiSyntaxError);
}

// The scan's bytes ("size" of them), read once into memory of our own: the
// stuffing is removed in place.
int ReadCodedBytes(IpiSystem* sys, IpiObject* compressed, std::vector<uint8_t>& out) {
  const int64_t size = compressed->fields.size;
  if (size < 0) return IpiRefuse(sys, kIpiSyntaxError);
  if (size > kMaxImageBytes) return IpiRefuse(sys, kIpiExceedImplementation);
  ObjectBytes coded;
  IPI_RETURN_IF_ERROR(coded.LoadData(sys, compressed, size));
  out.assign(coded.bytes().begin(), coded.bytes().end());
  return kIpiNoError;
}

// Decoded MCU row: sample values before colour conversion, not yet clamped
// (held to 16 bits; only damaged data comes near that).
struct DecodedPlanes {
  int64_t luma_stride = 0;
  int64_t chroma_stride = 0;
  std::vector<int16_t> luma, cb, cr;
};

// Per pixel of a row: what Cb and Cr add to Y for R, G and B.
struct ChromaTerms {
  std::vector<int32_t> red, green, blue;
};

inline int16_t Saturate16(int32_t v) { return static_cast<int16_t>(std::clamp<int32_t>(v, -32768, 32767)); }
inline uint8_t ClampSample(int32_t v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }

// Inverse transform of the decoded block into 8 x 8 plane samples at `out`.
inline void StoreBlock(const DecodedBlock& block, int16_t* out, int64_t stride) {
  if (!block.has_ac()) {
    const int16_t value = Saturate16(InverseDctDcOnly(block.values[0]) + 128);
    for (int r = 0; r < 8; ++r) std::fill_n(out + r * stride, 8, value);
    return;
  }
  int32_t samples[kBlockSize];
  InverseDct(block.values, samples);
  for (int r = 0; r < 8; ++r) {
    for (int c = 0; c < 8; ++c) out[r * stride + c] = Saturate16(samples[r * 8 + c] + 128);
  }
}

// The chrominance parts of R, G and B for one row, repeated over the 1 <<
// x_shift pixels each sample covers. Since 256 Y is a multiple of 256,
// (256 Y + t + 128) >> 8 equals Y + ((t + 128) >> 8): each pixel then only
// adds its Y.
void ExpandChromaTerms(const int16_t* cb, const int16_t* cr, int64_t width, int x_shift, ChromaTerms& terms) {
  const int64_t samples = (width + (int64_t{1} << x_shift) - 1) >> x_shift;
  const int repeat = 1 << x_shift;
  for (int64_t cx = 0; cx < samples; ++cx) {
    const int32_t cb_offset = cb[cx] - 128;
    const int32_t cr_offset = cr[cx] - 128;
    const int32_t red = (359 * cr_offset + 128) >> 8;
    const int32_t green = (-88 * cb_offset - 183 * cr_offset + 128) >> 8;
    const int32_t blue = (454 * cb_offset + 128) >> 8;
    for (int i = 0; i < repeat; ++i) {
      const int64_t x = (cx << x_shift) + i;
      terms.red[x] = red;
      terms.green[x] = green;
      terms.blue[x] = blue;
    }
  }
}

// One RGB row: Y plus the chrominance parts, clamped to 0..255. The rows do
// not overlap (restrict lets the compiler vectorize the loop).
void ConvertRow(const int16_t* __restrict luma, const int32_t* __restrict red_term,
                const int32_t* __restrict green_term, const int32_t* __restrict blue_term, int64_t width,
                uint8_t* __restrict red, uint8_t* __restrict green, uint8_t* __restrict blue) {
  for (int64_t x = 0; x < width; ++x) {
    const int32_t y = luma[x];
    red[x] = ClampSample(y + red_term[x]);
    green[x] = ClampSample(y + green_term[x]);
    blue[x] = ClampSample(y + blue_term[x]);
  }
}

void ConvertGreyRow(const int16_t* __restrict luma, int64_t width, uint8_t* __restrict grey) {
  for (int64_t x = 0; x < width; ++x) grey[x] = ClampSample(luma[x]);
}

// Puts rows y0 ... of plane (t, z) that lie inside the image.
int PutMcuRow(IpiSystem* sys, const std::array<IpiStream*, 3>& streams, const ScanGeometry& g,
              const McuLayout& layout, int64_t frame, int64_t slice, int64_t y0, const DecodedPlanes& planes,
              ChromaTerms& terms) {
  const int rows = static_cast<int>(std::min<int64_t>(layout.height_px, g.height - y0));
  for (int r = 0; r < rows; ++r) {
    const int64_t y = y0 + r;
    const int16_t* luma = planes.luma.data() + r * planes.luma_stride;
    uint8_t* out[3] = {};
    const int bands = layout.colour ? 3 : 1;
    for (int band = 0; band < bands; ++band) {
      out[band] = IpiGetOutputRow(sys, streams[band], RowElement(g, band, frame, slice, y));
      if (out[band] == nullptr) return IpiGetLastError(sys);
    }
    if (layout.colour) {
      if ((r & ((1 << layout.chroma_y_shift) - 1)) == 0) {
        const int64_t chroma_row = (r >> layout.chroma_y_shift) * planes.chroma_stride;
        ExpandChromaTerms(planes.cb.data() + chroma_row, planes.cr.data() + chroma_row, g.width,
                          layout.chroma_x_shift, terms);
      }
      ConvertRow(luma, terms.red.data(), terms.green.data(), terms.blue.data(), g.width, out[0], out[1], out[2]);
    } else {
      ConvertGreyRow(luma, g.width, out[0]);
    }
    for (int band = 0; band < bands; ++band) {
      IPI_RETURN_IF_ERROR(IpiPutOutputRow(sys, streams[band], RowElement(g, band, frame, slice, y)));
    }
  }
  return kIpiNoError;
}

// Walks the scan. The entropy decoding of a block may run past its segment
// (the reader then supplies zeros); that is found right after the block and
// reported as the stream would: 8 at the end of the data, 19 at a marker.
class ScanDecoder {
 public:
  ScanDecoder(IpiSystem* sys, const ScanGeometry& g, const McuLayout& layout, const DecoderTables& tables,
              std::vector<uint8_t> coded)
      : sys_(sys), g_(g), layout_(layout), segments_(std::move(coded)),
        segment_(segments_.Next()), reader_(segment_, FillOrder::kMsbFirst),
        luma_{&tables.luma_dc, &tables.luma_ac, &tables.luma_dequantizer},
        chroma_{&tables.chroma_dc, &tables.chroma_ac, &tables.chroma_dequantizer} {
    total_mcus_ = g.frames * g.depth * g.mcu_rows * g.mcus_across;
  }

  int Run(const std::array<IpiStream*, 3>& streams) {
    DecodedPlanes planes;
    planes.luma_stride = g_.mcus_across * layout_.width_px;
    planes.luma.resize(static_cast<size_t>(planes.luma_stride * layout_.height_px));
    ChromaTerms terms;
    if (layout_.colour) {
      planes.chroma_stride = g_.mcus_across * 8;
      planes.cb.resize(static_cast<size_t>(planes.chroma_stride * 8));
      planes.cr.resize(planes.cb.size());
      terms.red.resize(static_cast<size_t>(planes.luma_stride));
      terms.green.resize(terms.red.size());
      terms.blue.resize(terms.red.size());
    }
    for (int64_t frame = 0; frame < g_.frames; ++frame) {
      for (int64_t slice = 0; slice < g_.depth; ++slice) {
        for (int64_t mcu_row = 0; mcu_row < g_.mcu_rows; ++mcu_row) {
          for (int64_t mx = 0; mx < g_.mcus_across; ++mx) {
            IPI_RETURN_IF_ERROR(DecodeMcu(planes, mx));
            IPI_RETURN_IF_ERROR(AfterMcu());
          }
          IPI_RETURN_IF_ERROR(
              PutMcuRow(sys_, streams, g_, layout_, frame, slice, mcu_row * layout_.height_px, planes, terms));
        }
      }
    }
    return kIpiNoError;
  }

 private:
  int DecodeInto(const BlockTables& tables, int32_t& predictor, int16_t* out, int64_t stride) {
    const BlockResult result = DecodeBlock(reader_, tables, predictor, block_);
    if (reader_.overran()) return IpiRefuse(sys_, segments_.OverrunStatus());
    if (result != BlockResult::kOk) return IpiRefuse(sys_, kIpiSyntaxError);
    StoreBlock(block_, out, stride);
    block_.Clear();
    return kIpiNoError;
  }

  int DecodeMcu(DecodedPlanes& planes, int64_t mx) {
    int16_t* mcu = planes.luma.data() + mx * layout_.width_px;
    for (int by = 0; by < layout_.luma_rows; ++by) {
      for (int bx = 0; bx < layout_.luma_columns; ++bx) {
        IPI_RETURN_IF_ERROR(
            DecodeInto(luma_, predictors_[0], mcu + by * 8 * planes.luma_stride + bx * 8, planes.luma_stride));
      }
    }
    if (!layout_.colour) return kIpiNoError;
    IPI_RETURN_IF_ERROR(DecodeInto(chroma_, predictors_[1], planes.cb.data() + mx * 8, planes.chroma_stride));
    return DecodeInto(chroma_, predictors_[2], planes.cr.data() + mx * 8, planes.chroma_stride);
  }

  // Between restart intervals the interval's bytes must be used up and the
  // next marker must be RSTn in sequence. Nothing is read after the last MCU,
  // so a marker there (as this codec writes one) and its absence both pass.
  int AfterMcu() {
    ++mcus_done_;
    if (g_.restart_interval == 0 || ++in_interval_ < g_.restart_interval || mcus_done_ == total_mcus_) {
      return kIpiNoError;
    }
    in_interval_ = 0;
    if ((reader_.bits_consumed() + 7) / 8 != segment_.size()) return IpiRefuse(sys_, kIpiSyntaxError);
    if (segments_.end() != SegmentEnd::kMarker) return IpiRefuse(sys_, kIpiInsufficientSize);
    if (segments_.marker() != kMarkerRst0 + (markers_seen_ & 7)) return IpiRefuse(sys_, kIpiSyntaxError);
    ++markers_seen_;
    segment_ = segments_.Next();
    reader_ = BitReader(segment_, FillOrder::kMsbFirst);
    predictors_[0] = predictors_[1] = predictors_[2] = 0;
    return kIpiNoError;
  }

  IpiSystem* sys_;
  const ScanGeometry& g_;
  const McuLayout& layout_;
  ScanSegments segments_;
  std::span<const uint8_t> segment_;
  BitReader reader_;
  BlockTables luma_;
  BlockTables chroma_;
  DecodedBlock block_;
  int32_t predictors_[3] = {0, 0, 0};
  int64_t total_mcus_ = 0;
  int64_t mcus_done_ = 0;
  int64_t in_interval_ = 0;
  int markers_seen_ = 0;
};

}  // namespace

int DecodeJpegDctScan(IpiSystem* sys, IpiObject* compressed, IpiObject* image, const McuLayout& layout) {
  const int bands = layout.colour ? 3 : 1;
  ScopedAccessor targets[3];
  std::array<IpiStream*, 3> streams{};
  for (int band = 0; band < bands; ++band) {
    targets[band] = ScopedAccessor(sys, IpiOpenAccessor(sys, image, "w", 1, nullptr, 0));
    if (!targets[band]) return IpiGetLastError(sys);
    streams[band] = targets[band].stream();
  }
  DecoderTables tables;
  IPI_RETURN_IF_ERROR(LoadTables(sys, compressed, layout.colour, tables));
  if (targets[0]->data_type != kDataTypeNonnegative || streams[0]->bits_per_element != 8) {
    return IpiRefuse(sys, kIpiMismatchDataType);
  }
  ScanGeometry geometry;
  IPI_RETURN_IF_ERROR(CheckScanGeometry(sys, compressed, image, bands, layout, geometry));
  std::vector<uint8_t> coded;
  IPI_RETURN_IF_ERROR(ReadCodedBytes(sys, compressed, coded));

  ScanDecoder decoder(sys, geometry, layout, tables, std::move(coded));
  IPI_RETURN_IF_ERROR(decoder.Run(streams));
  for (ScopedAccessor& target : targets) IPI_RETURN_IF_ERROR(target.Close());
  return kIpiNoError;
}
