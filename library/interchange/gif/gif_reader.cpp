// The GIF reader: signature, logical screen, colour tables (or the default
// palettes), extensions, the first image descriptor and its code stream. The
// whole structure is parsed and checked before anything is set or written,
// so a malformed file leaves the target as it was.
#include <algorithm>
#include <vector>

#include "core/codes.h"
#include "core/limits.h"
#include "core/objects/attributes.h"
#include "core/objects/object.h"
#include "core/status.h"
#include "core/streams/scoped_stream.h"
#include "core/streams/stream.h"
#include "core/system/system.h"
#include "interchange/common/codec_prelude.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/common/object_io.h"
#include "interchange/gif/gif_file.h"
#include "interchange/gif/gif_layout.h"
#include "interchange/io/byte_reader.h"

namespace {

struct GifImage {
  int32_t version = 0;
  uint16_t screen_width = 0;
  uint16_t screen_height = 0;
  bool has_global_table = false;
  int global_size_code = 0;
  std::vector<uint8_t> palette;  // R, G, B triples
  bool has_transparency = false;
  uint8_t transparent_index = 0;
  uint16_t left = 0;
  uint16_t top = 0;
  uint16_t width = 0;
  uint16_t height = 0;
  bool has_local_table = false;
  bool is_interlaced = false;
  int local_size_code = 0;
  int size_code = 0;  // the one in force
  uint8_t code_size = 0;
  uint64_t data_offset = 0;  // the first sub-block count
  uint64_t code_bytes = 0;   // data bytes of all sub-blocks
};

// Reads 3 x 2^(code + 1) bytes of a colour table over the palette.
bool ReadColourTable(ByteReader& in, int size_code, std::vector<uint8_t>& palette) {
  std::vector<uint8_t> table(static_cast<size_t>(3) << (size_code + 1));
  if (!in.ReadBytes(table)) return false;
  palette = std::move(table);
  return true;
}

// Skips sub-blocks up to and including the 0 count; `data_bytes` counts what
// they hold. False when the file ends first.
bool SkipSubBlocks(ByteReader& in, uint64_t* data_bytes = nullptr) {
  for (;;) {
    uint8_t count = 0;
    if (!in.ReadU8(count)) return false;
    if (count == 0) return true;
    if (!in.Skip(count)) return false;
    if (data_bytes != nullptr) *data_bytes += count;
  }
}

// Extensions while the next byte introduces one. The graphic control
// extension's first sub-block must hold its four bytes.
bool ReadExtensions(ByteReader& in, GifImage* image) {
  for (;;) {
    ByteReader peek = in;
    uint8_t introducer = 0;
    if (!peek.ReadU8(introducer) || introducer != kGifExtensionIntroducer) return true;
    uint8_t label = 0;
    if (!in.Skip(1) || !in.ReadU8(label)) return false;
    if (label == kGifGraphicControlLabel && image != nullptr) {
      uint8_t count = 0;
      uint8_t packed = 0;
      uint16_t delay = 0;
      uint8_t index = 0;
      if (!in.ReadU8(count) || count < kGifGraphicControlBytes) return false;
      if (!in.ReadU8(packed) || !in.ReadU16Le(delay) || !in.ReadU8(index)) return false;
      if (!in.Skip(count - kGifGraphicControlBytes)) return false;
      image->has_transparency = (packed & kGifTransparencyFlag) != 0;
      image->transparent_index = index;
    }
    if (!SkipSubBlocks(in)) return false;
  }
}

int ParseGif(ByteReader in, GifImage& image) {
  uint8_t signature[6] = {};
  if (!in.ReadBytes(signature)) return kIpiSyntaxError;
  if (std::equal(signature, signature + 6, kGifSignature87a)) {
    image.version = kGifVersion87a;
  } else if (std::equal(signature, signature + 6, kGifSignature89a)) {
    image.version = kGifVersion89a;
  } else {
    return kIpiSyntaxError;
  }

  uint8_t packed = 0;
  uint8_t background = 0;
  uint8_t aspect = 0;
  if (!in.ReadU16Le(image.screen_width) || !in.ReadU16Le(image.screen_height) || !in.ReadU8(packed) ||
      !in.ReadU8(background) || !in.ReadU8(aspect)) {
    return kIpiSyntaxError;
  }
  image.has_global_table = (packed & kGifTableFlag) != 0;
  image.global_size_code = packed & kGifSizeCodeMask;
  if (image.has_global_table) {
    if (!ReadColourTable(in, image.global_size_code, image.palette)) return kIpiSyntaxError;
  } else {
    image.palette = GifDefaultPalette(image.global_size_code);
  }

  if (!ReadExtensions(in, &image)) return kIpiSyntaxError;
  uint8_t separator = 0;
  if (!in.ReadU8(separator) || separator != kGifImageSeparator) return kIpiSyntaxError;
  uint8_t image_packed = 0;
  if (!in.ReadU16Le(image.left) || !in.ReadU16Le(image.top) || !in.ReadU16Le(image.width) ||
      !in.ReadU16Le(image.height) || !in.ReadU8(image_packed)) {
    return kIpiSyntaxError;
  }
  if (image.width == 0 || image.height == 0) return kIpiSyntaxError;
  image.has_local_table = (image_packed & kGifTableFlag) != 0;
  image.is_interlaced = (image_packed & kGifInterlaceFlag) != 0;
  image.local_size_code = image_packed & kGifSizeCodeMask;
  if (image.has_local_table) {
    if (!ReadColourTable(in, image.local_size_code, image.palette)) return kIpiSyntaxError;
  }
  // A local table governs the image it belongs to.
  if (image.has_local_table) {
    image.size_code = image.local_size_code;
  } else if (image.has_global_table) {
    image.size_code = image.global_size_code;
  } else {
    image.size_code = image.local_size_code;
  }

  // The code size may exceed what the palette needs (encoders that always
  // use 8 bits), but never passes the largest the code stream can start with.
  if (!in.ReadU8(image.code_size)) return kIpiSyntaxError;
  const int needed = GifMinimumCodeSize(image.size_code + 1);
  const bool has_table = image.has_global_table || image.has_local_table;
  if (image.code_size < (has_table ? needed : kGifSmallestCodeSize) || image.code_size > kGifLargestCodeSize) {
    return kIpiSyntaxError;
  }
  image.data_offset = in.position();
  if (!SkipSubBlocks(in, &image.code_bytes)) return kIpiSyntaxError;
  // Extensions behind the image are skipped; a trailer is not required.
  if (!ReadExtensions(in, nullptr)) return kIpiSyntaxError;
  return kIpiNoError;
}

// Entries of the lookup table for a size code: 2, 16 or 256.
int64_t LutEntriesFor(int size_code) {
  if (size_code == 0) return 2;
  return size_code <= 3 ? 16 : 256;
}

int FillLut(IpiSystem* sys, IpiObject* compressed, const GifImage& image) {
  IpiObject* lut = IpiObjectFromId(sys, compressed->fields.lut);
  if (lut == nullptr) return kIpiNoError;
  const int64_t entries = LutEntriesFor(image.size_code);
  const IpiAttribute shape[] = {{"dataType", kDataTypeNonnegative},
                                {"dataPrecision", 8},
                                {"entries", static_cast<intptr_t>(entries)},
                                {"bDimension", 3}};
  IPI_RETURN_IF_ERROR(IpiSetAttributes(sys, lut, shape, 4));
  // Entries past the file's palette are black.
  std::vector<uint8_t> rgb(static_cast<size_t>(3 * entries), 0);
  std::copy_n(image.palette.begin(), std::min(rgb.size(), image.palette.size()), rgb.begin());
  return WriteLutEntries(sys, lut, rgb);
}

int DescribeTarget(IpiSystem* sys, IpiObject* compressed, const GifImage& image) {
  const int32_t precision = image.size_code + 1;
  const IpiAttribute list[] = {
      {"fileFormat", kFormatGif},
      {"version", image.version},
      {"screenWidth", image.screen_width != 0 ? image.screen_width : image.width},
      {"screenDepth", image.screen_height != 0 ? image.screen_height : image.height},
      {"left", image.left},
      {"top", image.top},
      {"xDimension", image.width},
      {"yDimension", image.height},
      {"zDimension", 1},
      {"tDimension", 1},
      {"bDimension", 1},
      {"dataType", image.size_code == 0 ? kDataTypeBoolean : kDataTypeNonnegative},
      {"bitOrder", kOrderMsbFirst},
      {"dataPrecision", precision},
      {"codeSize", image.code_size},
      {"interlacedImage", image.is_interlaced ? 1 : 0},
      {"transparency", image.has_transparency ? 1 : 0},
      {"transparencyPaletteIndex", image.has_transparency ? image.transparent_index : 0},
      {"compression", kCompressionLzw},
      {"size", static_cast<intptr_t>(image.code_bytes)},
  };
  return IpiSetAttributes(sys, compressed, list, static_cast<int>(std::size(list)));
}

// Appends the data of every sub-block to the compressed object from byte 0.
int CopyCodeStream(IpiSystem* sys, ByteReader in, const GifImage& image, IpiObject* compressed) {
  if (!in.SeekTo(image.data_offset)) return IpiRefuse(sys, kIpiSyntaxError);
  ScopedStream stream(sys, IpiOpenStream(sys, compressed, "w", 0));
  if (!stream) return IpiGetLastError(sys);
  StreamSink sink(sys, stream.get());
  for (;;) {
    uint8_t count = 0;
    ByteReader block;
    if (!in.ReadU8(count) || count == 0 || !in.ReadSlice(count, block)) break;  // checked by the parse
    if (!sink.Write(block.bytes().data(), count)) break;
  }
  IPI_RETURN_IF_ERROR(stream.CloseAfter(sink.status()));
  return IpiSetAttribute(sys, compressed, "size", static_cast<intptr_t>(sink.position()));
}

}  // namespace

int32_t GifDecodedPrecision(int32_t stated) {
  if (stated == 2 || stated == 3) return 4;
  if (stated >= 5 && stated <= 7) return 8;
  return stated;
}

int ReadGifFile(IpiSystem* sys, IpiObject* file, IpiObject* compressed, int read_mode) {
  SourceBytes source;
  GifImage image;
  const CodecClassCheck file_class{file, IpiIsGenericOrMonochromeClass};
  IPI_RETURN_IF_ERROR(IpiBeginParsedRead(sys, file, compressed, read_mode, file_class, source, ParseGif, image));
  int64_t row_bytes = 0;
  int64_t total_bytes = 0;
  const int fits = IpiCheckGeometry(image.width, image.height, image.size_code + 1, DimensionStorage::kBits16,
                                    &row_bytes, &total_bytes);
  if (fits != 0) return IpiRefuse(sys, fits);

  IPI_RETURN_IF_ERROR(FillLut(sys, compressed, image));
  if (read_mode != kReadModeData) IPI_RETURN_IF_ERROR(DescribeTarget(sys, compressed, image));
  if (read_mode != kReadModeHeader) IPI_RETURN_IF_ERROR(CopyCodeStream(sys, ByteReader(source.bytes()), image, compressed));
  return kIpiNoError;
}
