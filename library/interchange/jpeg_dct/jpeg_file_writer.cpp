// The JPEG file writer: SOI, APP0 (JFIF 1.01), DQT, DHT, DRI (always), SOF0,
// SOS, the compressed object's scan bytes, EOI. The header is sized from the
// tables it carries, each checked first, so no count from an attribute can
// reach past a buffer.
#include <algorithm>
#include <array>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/operators/operator_frame.h"
#include "core/status.h"
#include "core/streams/accessor.h"
#include "core/streams/stream.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/io/byte_store.h"
#include "interchange/jpeg_dct/huffman_tables.h"
#include "interchange/jpeg_dct/jpeg_dct_codec.h"
#include "interchange/jpeg_dct/jpeg_dct_tables.h"
#include "interchange/jpeg_dct/jpeg_file.h"
#include "interchange/jpeg_dct/jpeg_markers.h"

namespace {

constexpr int32_t kColourBands = 3;
constexpr int64_t kMaxExtent = 65535;  // SOF0 holds 16-bit extents
constexpr int32_t kMaxRestartInterval = 65535;
constexpr int64_t kCopyPieceBytes = 65536;

void PutMarker(std::vector<uint8_t>& out, uint8_t marker) {
  out.push_back(kMarkerPrefix);
  out.push_back(marker);
}

// One table's attributes, checked.
struct HuffmanAttribute {
  const uint8_t* bits = nullptr;
  const uint8_t* values = nullptr;
  int count = 0;
};

struct WriterTables {
  const uint8_t* quantizers[2] = {};  // luminance, chrominance: 64 bytes, zigzag order
  HuffmanAttribute dc[2];
  HuffmanAttribute ac[2];
};

const uint8_t* TableBytes(IpiSystem* sys, IpiObject* obj, const char* name) {
  return reinterpret_cast<const uint8_t*>(IpiInquireAttribute(sys, obj, name));
}

int LoadHuffman(IpiSystem* sys, IpiObject* obj, const char* bits_name, const char* values_name, int capacity,
                HuffmanAttribute& out) {
  out.bits = TableBytes(sys, obj, bits_name);
  out.values = TableBytes(sys, obj, values_name);
  if (out.bits == nullptr || out.values == nullptr) return IpiRefuse(sys, kIpiNonPermissibleOption);
  if (!IsValidHuffmanTable(out.bits, capacity, &out.count)) return IpiRefuse(sys, kIpiSyntaxError);
  return kIpiNoError;
}

int LoadTables(IpiSystem* sys, IpiObject* compressed, bool colour, WriterTables& t) {
  static constexpr const char* kQuantizerNames[2] = {"luminanceQuantizationTable", "chrominanceQuantizationTable"};
  static constexpr const char* kDcNames[2][2] = {{"luminanceDCBITS", "luminanceDCHUFFVAL"},
                                                 {"chrominanceDCBITS", "chrominanceDCHUFFVAL"}};
  static constexpr const char* kAcNames[2][2] = {{"luminanceACBITS", "luminanceACHUFFVAL"},
                                                 {"chrominanceACBITS", "chrominanceACHUFFVAL"}};
  const int sets = colour ? 2 : 1;
  for (int i = 0; i < sets; ++i) {
    t.quantizers[i] = TableBytes(sys, compressed, kQuantizerNames[i]);
    if (t.quantizers[i] == nullptr) return IpiRefuse(sys, kIpiNonPermissibleOption);
    IPI_RETURN_IF_ERROR(LoadHuffman(sys, compressed, kDcNames[i][0], kDcNames[i][1], kDcHuffvalCapacity, t.dc[i]));
    IPI_RETURN_IF_ERROR(LoadHuffman(sys, compressed, kAcNames[i][0], kAcNames[i][1], kAcHuffvalCapacity, t.ac[i]));
  }
  return kIpiNoError;
}

void PutHuffman(std::vector<uint8_t>& out, uint8_t class_and_id, const HuffmanAttribute& table) {
  out.push_back(class_and_id);
  out.insert(out.end(), table.bits, table.bits + kHuffmanLengths);
  out.insert(out.end(), table.values, table.values + table.count);
}

// Header items SOI to SOS.
std::vector<uint8_t> BuildHeader(const WriterTables& t, bool colour, uint8_t luma_sampling, int64_t width,
                                 int64_t height, int32_t restart_interval) {
  const int sets = colour ? 2 : 1;
  std::vector<uint8_t> out;
  PutMarker(out, kMarkerSoi);
  PutMarker(out, kMarkerApp0);
  // Length 16, "JFIF", version 1.01, density unit 0, density 1 x 1, no thumbnail.
  constexpr uint8_t kJfif[] = {0x00, 0x10, 'J',  'F',  'I',  'F',  0x00, 0x01,
                               0x01, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00};
  out.insert(out.end(), std::begin(kJfif), std::end(kJfif));

  PutMarker(out, kMarkerDqt);
  AppendU16Be(out, static_cast<uint32_t>(2 + sets * (1 + kBlockSize)));
  for (int i = 0; i < sets; ++i) {
    out.push_back(static_cast<uint8_t>(i));  // 8-bit entries, table i
    out.insert(out.end(), t.quantizers[i], t.quantizers[i] + kBlockSize);
  }

  PutMarker(out, kMarkerDht);
  uint32_t dht_length = 2;
  for (int i = 0; i < sets; ++i) {
    dht_length += 2 * (1 + kHuffmanLengths) + static_cast<uint32_t>(t.dc[i].count + t.ac[i].count);
  }
  AppendU16Be(out, dht_length);
  PutHuffman(out, 0x00, t.dc[0]);
  PutHuffman(out, 0x10, t.ac[0]);
  if (colour) {
    PutHuffman(out, 0x01, t.dc[1]);
    PutHuffman(out, 0x11, t.ac[1]);
  }

  PutMarker(out, kMarkerDri);
  AppendU16Be(out, 4);
  AppendU16Be(out, static_cast<uint32_t>(restart_interval));

  const int components = colour ? 3 : 1;
  PutMarker(out, kMarkerSof0);
  AppendU16Be(out, static_cast<uint32_t>(8 + 3 * components));
  out.push_back(8);
  AppendU16Be(out, static_cast<uint32_t>(height));
  AppendU16Be(out, static_cast<uint32_t>(width));
  out.push_back(static_cast<uint8_t>(components));
  out.insert(out.end(), {1, luma_sampling, 0});
  if (colour) out.insert(out.end(), {2, 0x11, 1, 3, 0x11, 1});

  PutMarker(out, kMarkerSos);
  AppendU16Be(out, static_cast<uint32_t>(6 + 2 * components));
  out.push_back(static_cast<uint8_t>(components));
  out.insert(out.end(), {1, 0x00});
  if (colour) out.insert(out.end(), {2, 0x11, 3, 0x11});
  out.insert(out.end(), {0x00, 0x3F, 0x00});
  return out;
}

bool IsColourFile(const IpiObject& file, bool& known) {
  known = true;
  const IpiClassId id = file.object_class->id;
  if (id == IpiClassId::kColourImage) return true;
  if (id == IpiClassId::kMonochromeImage) return false;
  if (id == IpiClassId::kGenericImage) return file.fields.dimension[kDimB] >= kColourBands;
  known = false;
  return false;
}

}  // namespace

int WriteJpegFile(IpiSystem* sys, IpiObject* compressed, IpiObject* file) {
  if (IpiCheckSystem(sys) != 0) return kIpiInvalidHandle;
  ScopedAccessor source(sys, IpiOpenAccessor(sys, compressed, "r", 0, nullptr, 0));
  if (!source) return IpiGetLastError(sys);
  ScopedAccessor target(sys, IpiOpenAccessor(sys, file, "w", 0, nullptr, 0));
  if (!target) return IpiGetLastError(sys);

  bool known_class = false;
  const bool colour = IsColourFile(*file, known_class);
  if (!known_class) return IpiRefuse(sys, kIpiMismatchObjectClass);
  if (colour && file->fields.colour_space != kColourSpaceYCbCr) return IpiRefuse(sys, kIpiNonPermissibleOption);
  const int64_t width = target->dimension[kDimX];
  const int64_t height = target->dimension[kDimY];
  if (file->fields.compression != kCompressionDct || width < 1 || width > kMaxExtent || height < 1 ||
      height > kMaxExtent || target->precision != 8) {
    return IpiRefuse(sys, kIpiNonPermissibleOption);
  }

  WriterTables tables;
  IPI_RETURN_IF_ERROR(LoadTables(sys, compressed, colour, tables));
  const intptr_t restart_interval = IpiInquireAttribute(sys, compressed, "restartInterval");
  if (restart_interval < 0 || restart_interval > kMaxRestartInterval) return IpiRefuse(sys, kIpiNonPermissibleOption);
  uint8_t luma_sampling = 0x11;
  if (colour) {
    switch (compressed->fields.sampling_factor) {
      case kSampling1x1: luma_sampling = 0x11; break;
      case kSampling2x1: luma_sampling = 0x21; break;
      case kSampling2x2: luma_sampling = 0x22; break;
      default: return IpiRefuse(sys, kIpiNonPermissibleOption);  // 1x2 among them
    }
  }
  if (source->data_type != kDataTypeNonnegative || target->data_type != kDataTypeNonnegative) {
    return IpiRefuse(sys, kIpiMismatchDataType);
  }
  const int64_t scan_bytes = compressed->fields.size;
  if (scan_bytes < 0) return IpiRefuse(sys, kIpiSyntaxError);

  const std::vector<uint8_t> header =
      BuildHeader(tables, colour, luma_sampling, width, height, static_cast<int32_t>(restart_interval));
  const auto header_bytes = static_cast<int64_t>(header.size());
  if (IpiWriteBytes(sys, target.stream(), 0, header.data(), header_bytes) != header_bytes) {
    return IpiGetLastError(sys);
  }
  std::vector<uint8_t> piece(static_cast<size_t>(std::min(scan_bytes, kCopyPieceBytes)));
  for (int64_t done = 0; done < scan_bytes;) {
    const int64_t count = std::min(scan_bytes - done, kCopyPieceBytes);
    if (IpiReadBytes(sys, source.stream(), done, piece.data(), count) != count ||
        IpiWriteBytes(sys, target.stream(), header_bytes + done, piece.data(), count) != count) {
      return IpiGetLastError(sys);
    }
    done += count;
  }
  const uint8_t end_of_image[2] = {kMarkerPrefix, kMarkerEoi};
  if (IpiWriteBytes(sys, target.stream(), header_bytes + scan_bytes, end_of_image, 2) != 2) {
    return IpiGetLastError(sys);
  }
  IPI_RETURN_IF_ERROR(target.Close());
  return source.Close();
}
