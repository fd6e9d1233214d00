// The JPEG file reader: finds SOI, walks the marker segments up to SOF0 and
// then up to SOS, each parsed inside its own length, and leaves the scan
// (entropy-coded bytes, EOI and anything behind it) to the codec. Every value
// read is bounded before it selects a table or sizes anything; the tables a
// component uses are the ones its selectors name.
#include <algorithm>
#include <array>
#include <optional>
#include <span>
#include <vector>

#include "core/codes.h"
#include "core/limits.h"
#include "core/objects/attributes.h"
#include "core/operators/operator_frame.h"
#include "core/status.h"
#include "core/streams/accessor.h"
#include "core/streams/stream.h"
#include "interchange/common/codec_prelude.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/io/byte_reader.h"
#include "interchange/jpeg_dct/huffman_tables.h"
#include "interchange/jpeg_dct/jpeg_dct_codec.h"
#include "interchange/jpeg_dct/jpeg_dct_tables.h"
#include "interchange/jpeg_dct/jpeg_file.h"
#include "interchange/jpeg_dct/jpeg_markers.h"

namespace {

constexpr int kTableSlots = 4;  // table numbers 0 to 3
constexpr int kMaxComponents = 3;
constexpr int64_t kCopyPieceBytes = 16384;

struct HuffmanTable {
  std::array<uint8_t, kHuffmanLengths> bits{};
  std::array<uint8_t, kAcHuffvalCapacity> values{};
};

struct Component {
  uint8_t id = 0;
  uint8_t sampling = 0;  // H << 4 | V
  uint8_t quantizer = 0;
  uint8_t dc_table = 0;
  uint8_t ac_table = 0;
};

// What the header pass and the data pass both need.
struct JpegFileHeader {
  int64_t width = 0;
  int64_t height = 0;
  int components = 0;
  Component component[kMaxComponents];
  int32_t sampling_code = kSampling1x1;
  int32_t restart_interval = 0;
  std::array<std::optional<std::array<uint8_t, kBlockSize>>, kTableSlots> quantizers;
  std::array<std::optional<HuffmanTable>, kTableSlots> dc_tables;
  std::array<std::optional<HuffmanTable>, kTableSlots> ac_tables;
  uint64_t scan_offset = 0;
};

// Parses into `header`; every structural fault is 22, sizes beyond the
// limits 3. Returns the status without reporting it.
class HeaderParser {
 public:
  explicit HeaderParser(std::span<const uint8_t> data) : file_(data) {}

  int Parse(JpegFileHeader& header) {
    if (!FindStartOfImage()) return kIpiSyntaxError;
    uint8_t marker = 0;
    // Tables and settings, then the frame.
    for (;;) {
      if (!NextMarker(marker)) return kIpiSyntaxError;
      if (marker == kMarkerSof0) break;
      IPI_RETURN_IF_ERROR(ParseTableOrSkip(marker, header));
    }
    IPI_RETURN_IF_ERROR(ParseFrame(header));
    for (;;) {
      if (!NextMarker(marker)) return kIpiSyntaxError;
      if (marker == kMarkerSos) break;
      IPI_RETURN_IF_ERROR(ParseTableOrSkip(marker, header));
    }
    IPI_RETURN_IF_ERROR(ParseScan(header));
    header.scan_offset = file_.position();
    return CheckTablesInUse(header);
  }

 private:
  // The data from behind the first FF D8 on.
  bool FindStartOfImage() {
    const std::span<const uint8_t> bytes = file_.bytes();
    constexpr uint8_t kSoi[2] = {kMarkerPrefix, kMarkerSoi};
    const auto found = std::search(bytes.begin(), bytes.end(), std::begin(kSoi), std::end(kSoi));
    if (found == bytes.end()) return false;
    return file_.SeekTo(static_cast<uint64_t>(found - bytes.begin()) + 2);
  }

  // A marker: 0xFF, any fill bytes 0xFF, then its code (0x00 is no marker).
  bool NextMarker(uint8_t& marker) {
    uint8_t byte = 0;
    if (!file_.ReadU8(byte) || byte != kMarkerPrefix) return false;
    do {
      if (!file_.ReadU8(byte)) return false;
    } while (byte == kMarkerPrefix);
    marker = byte;
    return marker != 0x00;
  }

  // The segment behind a marker, inside its length (which counts itself).
  bool Segment(ByteReader& out) {
    uint16_t length = 0;
    return file_.ReadU16Be(length) && length >= 2 && file_.ReadSlice(length - 2u, out);
  }

  int ParseTableOrSkip(uint8_t marker, JpegFileHeader& header) {
    ByteReader segment;
    if (!Segment(segment)) return kIpiSyntaxError;
    if ((marker >= kMarkerApp0 && marker <= kMarkerApp15) || marker == kMarkerCom) return kIpiNoError;
    switch (marker) {
      case kMarkerDqt: return ParseQuantizers(segment, header);
      case kMarkerDht: return ParseHuffmanTables(segment, header);
      case kMarkerDri: {
        uint16_t interval = 0;
        if (segment.remaining() != 2 || !segment.ReadU16Be(interval)) return kIpiSyntaxError;
        header.restart_interval = interval;
        return kIpiNoError;
      }
      default:
        // Progressive, lossless, arithmetic-coded and extended frames among them.
        return kIpiSyntaxError;
    }
  }

  // Any number of tables; 8-bit entries only.
  static int ParseQuantizers(ByteReader& segment, JpegFileHeader& header) {
    while (segment.remaining() > 0) {
      uint8_t precision_and_slot = 0;
      std::array<uint8_t, kBlockSize> entries{};
      if (!segment.ReadU8(precision_and_slot) || (precision_and_slot >> 4) != 0 ||
          (precision_and_slot & 15) >= kTableSlots || !segment.ReadBytes(entries)) {
        return kIpiSyntaxError;
      }
      header.quantizers[precision_and_slot & 15] = entries;
    }
    return kIpiNoError;
  }

  // Any number of tables; counts checked against the table's capacity and the
  // code space before the values are read.
  static int ParseHuffmanTables(ByteReader& segment, JpegFileHeader& header) {
    while (segment.remaining() > 0) {
      uint8_t class_and_slot = 0;
      HuffmanTable table;
      if (!segment.ReadU8(class_and_slot) || !segment.ReadBytes(table.bits)) return kIpiSyntaxError;
      const int table_class = class_and_slot >> 4;
      const int slot = class_and_slot & 15;
      if (table_class > 1 || slot >= kTableSlots) return kIpiSyntaxError;
      const int capacity = table_class == 0 ? kDcHuffvalCapacity : kAcHuffvalCapacity;
      int count = 0;
      if (!IsValidHuffmanTable(table.bits.data(), capacity, &count) ||
          !segment.ReadBytes(std::span<uint8_t>(table.values.data(), static_cast<size_t>(count)))) {
        return kIpiSyntaxError;
      }
      (table_class == 0 ? header.dc_tables : header.ac_tables)[slot] = table;
    }
    return kIpiNoError;
  }

  int ParseFrame(JpegFileHeader& header) {
    ByteReader segment;
    uint8_t precision = 0;
    uint16_t height = 0;
    uint16_t width = 0;
    uint8_t components = 0;
    if (!Segment(segment) || !segment.ReadU8(precision) || !segment.ReadU16Be(height) ||
        !segment.ReadU16Be(width) || !segment.ReadU8(components)) {
      return kIpiSyntaxError;
    }
    // A frame of 11 or 17 bytes, whichever its component count: bytes behind
    // the components it names are not read. A frame too short for them is
    // refused rather than read into the next segment.
    const size_t specs = segment.remaining();
    if (precision != 8 || height == 0 || width == 0 || (components != 1 && components != kMaxComponents) ||
        (specs != 3u && specs != 3u * kMaxComponents) || specs < 3u * components) {
      return kIpiSyntaxError;
    }
    header.width = width;
    header.height = height;
    header.components = components;
    for (int i = 0; i < components; ++i) {
      Component& c = header.component[i];
      if (!segment.ReadU8(c.id) || !segment.ReadU8(c.sampling) || !segment.ReadU8(c.quantizer) ||
          c.quantizer >= kTableSlots) {
        return kIpiSyntaxError;
      }
    }
    int64_t row_bytes = 0;
    int64_t total_bytes = 0;
    IPI_RETURN_IF_ERROR(IpiCheckGeometry(header.width, header.height, 8 * int64_t{components},
                                         DimensionStorage::kBits16, &row_bytes, &total_bytes));
    return ChooseSampling(header);
  }

  // Only the layouts the codec walks: one component of any legal factors, or
  // luminance 1x1, 2x1, 1x2, 2x2 with both chrominance components 1x1.
  static int ChooseSampling(JpegFileHeader& header) {
    if (header.components == 1) {
      const int h = header.component[0].sampling >> 4;
      const int v = header.component[0].sampling & 15;
      if (h < 1 || h > 4 || v < 1 || v > 4) return kIpiSyntaxError;
      header.sampling_code = kSampling1x1;
      return kIpiNoError;
    }
    if (header.component[1].sampling != 0x11 || header.component[2].sampling != 0x11) return kIpiSyntaxError;
    switch (header.component[0].sampling) {
      case 0x11: header.sampling_code = kSampling1x1; break;
      case 0x21: header.sampling_code = kSampling2x1; break;
      case 0x12: header.sampling_code = kSampling1x2; break;
      case 0x22: header.sampling_code = kSampling2x2; break;
      default: return kIpiSyntaxError;
    }
    return kIpiNoError;
  }

  // One interleaved scan of every frame component, in frame order, over the
  // whole spectrum without approximation.
  int ParseScan(JpegFileHeader& header) {
    ByteReader segment;
    uint8_t count = 0;
    if (!Segment(segment) || !segment.ReadU8(count) || count != header.components ||
        segment.remaining() != 2u * count + 3u) {
      return kIpiSyntaxError;
    }
    for (int i = 0; i < count; ++i) {
      uint8_t id = 0;
      uint8_t tables = 0;
      if (!segment.ReadU8(id) || !segment.ReadU8(tables) || id != header.component[i].id ||
          (tables >> 4) >= kTableSlots || (tables & 15) >= kTableSlots) {
        return kIpiSyntaxError;
      }
      header.component[i].dc_table = tables >> 4;
      header.component[i].ac_table = tables & 15;
    }
    uint8_t spectral_start = 0;
    uint8_t spectral_end = 0;
    uint8_t approximation = 0;
    if (!segment.ReadU8(spectral_start) || !segment.ReadU8(spectral_end) || !segment.ReadU8(approximation) ||
        spectral_start != 0 || spectral_end != 63 || approximation != 0) {
      return kIpiSyntaxError;
    }
    return kIpiNoError;
  }

  // The codec keeps one table set for luminance and one for both chrominance
  // components: those must share their tables, and every table used must
  // have been defined.
  static int CheckTablesInUse(const JpegFileHeader& header) {
    if (header.components == kMaxComponents) {
      const Component& cb = header.component[1];
      const Component& cr = header.component[2];
      if (cb.quantizer != cr.quantizer || cb.dc_table != cr.dc_table || cb.ac_table != cr.ac_table) {
        return kIpiSyntaxError;
      }
    }
    for (int i = 0; i < header.components; ++i) {
      const Component& c = header.component[i];
      if (!header.quantizers[c.quantizer] || !header.dc_tables[c.dc_table] || !header.ac_tables[c.ac_table]) {
        return kIpiSyntaxError;
      }
    }
    return kIpiNoError;
  }

  ByteReader file_;
};

intptr_t Address(const void* p) { return reinterpret_cast<intptr_t>(p); }

// The description and tables of the file on the compressed object.
int SetHeaderAttributes(IpiSystem* sys, IpiObject* target, const JpegFileHeader& h, int64_t scan_bytes) {
  const bool colour = h.components == kMaxComponents;
  const IpiAttribute description[] = {
      {"xDimension", static_cast<intptr_t>(h.width)},
      {"yDimension", static_cast<intptr_t>(h.height)},
      {"zDimension", 1},
      {"tDimension", 1},
      {"bDimension", h.components},
      {"dataType", kDataTypeNonnegative},
      {"dataPrecision", 8},
      {"bitOrder", kOrderMsbFirst},
      {"byteOrder", kOrderMsbFirst},
      {"compression", kCompressionDct},
      {"samplingFactor", h.sampling_code},
      {"restartInterval", h.restart_interval},
      {"size", static_cast<intptr_t>(scan_bytes)},
  };
  IPI_RETURN_IF_ERROR(IpiSetAttributes(sys, target, description, static_cast<int>(std::size(description))));
  if (colour) IPI_RETURN_IF_ERROR(IpiSetAttribute(sys, target, "colourSpace", kColourSpaceYCbCr));

  // Checked by the parser: every table named here is present.
  const Component& luma = h.component[0];
  const IpiAttribute luma_tables[] = {
      {"luminanceACBITS", Address(h.ac_tables[luma.ac_table]->bits.data())},
      {"luminanceACHUFFVAL", Address(h.ac_tables[luma.ac_table]->values.data())},
      {"luminanceDCBITS", Address(h.dc_tables[luma.dc_table]->bits.data())},
      {"luminanceDCHUFFVAL", Address(h.dc_tables[luma.dc_table]->values.data())},
      {"luminanceQuantizationTable", Address(h.quantizers[luma.quantizer]->data())},
  };
  if (colour) {
    const Component& chroma = h.component[1];
    const IpiAttribute chroma_tables[] = {
        {"chrominanceACBITS", Address(h.ac_tables[chroma.ac_table]->bits.data())},
        {"chrominanceACHUFFVAL", Address(h.ac_tables[chroma.ac_table]->values.data())},
        {"chrominanceDCBITS", Address(h.dc_tables[chroma.dc_table]->bits.data())},
        {"chrominanceDCHUFFVAL", Address(h.dc_tables[chroma.dc_table]->values.data())},
        {"chrominanceQuantizationTable", Address(h.quantizers[chroma.quantizer]->data())},
    };
    IPI_RETURN_IF_ERROR(IpiSetAttributes(sys, target, chroma_tables, 5));
  }
  return IpiSetAttributes(sys, target, luma_tables, 5);
}

bool IsClassFor(const IpiObject& target, int components) {
  switch (target.object_class->id) {
    case IpiClassId::kGenericImage: return true;
    case IpiClassId::kMonochromeImage: return components == 1;
    case IpiClassId::kColourImage: return components == kMaxComponents;
    default: return false;
  }
}

}  // namespace

int ReadJpegFile(IpiSystem* sys, IpiObject* source, IpiObject* target, int read_mode) {
  SourceBytes file;
  IPI_RETURN_IF_ERROR(IpiBeginRead(sys, source, target, read_mode, file));
  const std::span<const uint8_t> bytes = file.bytes();

  JpegFileHeader header;
  const int parsed = HeaderParser(bytes).Parse(header);
  if (parsed != 0) return IpiRefuse(sys, parsed);
  if (!IsClassFor(*target, header.components)) return IpiRefuse(sys, kIpiMismatchObjectClass);
  const auto scan_bytes = static_cast<int64_t>(bytes.size() - header.scan_offset);

  if (read_mode != kReadModeData) IPI_RETURN_IF_ERROR(SetHeaderAttributes(sys, target, header, scan_bytes));
  if (read_mode != kReadModeHeader) {
    ScopedAccessor coded(sys, IpiOpenAccessor(sys, target, "w", 0, nullptr, 0));
    if (!coded) return IpiGetLastError(sys);
    if (coded->data_type != kDataTypeNonnegative) return IpiRefuse(sys, kIpiMismatchDataType);
    for (int64_t done = 0; done < scan_bytes;) {
      const int64_t count = std::min(scan_bytes - done, kCopyPieceBytes);
      if (IpiWriteBytes(sys, coded.stream(), done, bytes.data() + header.scan_offset + done, count) != count) {
        return IpiGetLastError(sys);
      }
      done += count;
    }
    IPI_RETURN_IF_ERROR(coded.Close());
  }
  return kIpiNoError;
}
