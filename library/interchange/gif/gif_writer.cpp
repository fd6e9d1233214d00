// The GIF writer: header, logical screen, global colour table from the
// lookup table, a graphic control extension for transparency (GIF89a), the
// image descriptor, the code size and the code stream cut into sub-blocks.
// Every value is checked against its field before the first byte is written.
#include <algorithm>
#include <vector>

#include "core/codes.h"
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
#include "interchange/io/byte_store.h"

namespace {

constexpr int64_t kMaxField16 = 65535;
// Code bytes copied per read: whole sub-blocks.
constexpr int64_t kCopyChunkBytes = int64_t{kGifMaxSubBlockBytes} * 256;

bool Fits16(intptr_t value) { return value >= 0 && value <= kMaxField16; }

// What the file says, gathered and checked before writing.
struct GifLayout {
  int32_t precision = 0;  // bits per pixel, 1 to 8
  bool is_87a = false;
  intptr_t screen_width = 0;
  intptr_t screen_height = 0;
  intptr_t left = 0;
  intptr_t top = 0;
  intptr_t width = 0;
  intptr_t height = 0;
  bool is_interlaced = false;
  bool has_transparency = false;
  intptr_t transparent_index = 0;
  int code_size = 0;
  bool has_palette = false;
  std::vector<uint8_t> palette;  // 2^precision triples when present
  int64_t code_bytes = 0;
};

int GatherLayout(IpiSystem* sys, IpiObject* compressed, IpiObject* file, GifLayout& g) {
  g.precision = file->fields.data_precision;
  if (g.precision < 1 || g.precision > 8) return IpiRefuse(sys, kIpiNonPermissibleOption);
  g.width = compressed->fields.dimension[kDimX];
  g.height = compressed->fields.dimension[kDimY];
  g.is_87a = IpiInquireAttribute(sys, file, "version") == kGifVersion87a;
  g.screen_width = IpiInquireAttribute(sys, file, "screenWidth");
  g.screen_height = IpiInquireAttribute(sys, file, "screenDepth");
  if (g.screen_width == 0) g.screen_width = g.width;
  if (g.screen_height == 0) g.screen_height = g.height;
  g.left = IpiInquireAttribute(sys, file, "left");
  g.top = IpiInquireAttribute(sys, file, "top");
  g.is_interlaced = IpiInquireAttribute(sys, file, "interlacedImage") != 0;
  g.has_transparency = !g.is_87a && IpiInquireAttribute(sys, file, "transparency") != 0;
  g.transparent_index = IpiInquireAttribute(sys, file, "transparencyPaletteIndex");
  g.code_bytes = compressed->fields.size;
  if (g.width < 1 || g.height < 1 || !Fits16(g.width) || !Fits16(g.height) || !Fits16(g.screen_width) ||
      !Fits16(g.screen_height) || !Fits16(g.left) || !Fits16(g.top) || g.code_bytes < 0 ||
      (g.has_transparency && (g.transparent_index < 0 || g.transparent_index > 255))) {
    return IpiRefuse(sys, kIpiNonPermissibleOption);
  }

  // A code stream read from a file keeps the code size it was made with; it
  // must still be one the palette can start from.
  const int needed = GifMinimumCodeSize(g.precision);
  const intptr_t stored = IpiInquireAttribute(sys, file, "codeSize");
  if (stored != 0 && (stored < needed || stored > kGifLargestCodeSize)) {
    return IpiRefuse(sys, kIpiNonPermissibleOption);
  }
  g.code_size = stored != 0 ? static_cast<int>(stored) : needed;

  IpiObject* lut = IpiObjectFromId(sys, compressed->fields.lut);
  g.has_palette = lut != nullptr && lut->fields.dimension[kDimX] != 0 &&
                  lut->fields.data_type == kDataTypeNonnegative;
  if (g.has_palette) {
    const int64_t entries = int64_t{1} << g.precision;
    IPI_RETURN_IF_ERROR(ReadLutEntries(sys, lut, entries, g.palette));
    g.palette.resize(static_cast<size_t>(3 * entries), 0);  // entries past the table are black
  }
  return kIpiNoError;
}

std::vector<uint8_t> HeadBytes(const GifLayout& g) {
  std::vector<uint8_t> out;
  const uint8_t* signature = g.is_87a ? kGifSignature87a : kGifSignature89a;
  out.insert(out.end(), signature, signature + 6);
  AppendU16Le(out, static_cast<uint32_t>(g.screen_width));
  AppendU16Le(out, static_cast<uint32_t>(g.screen_height));
  const auto size_bits = static_cast<uint8_t>(g.precision - 1);
  out.push_back(static_cast<uint8_t>((g.has_palette ? kGifTableFlag : 0) | (size_bits << 4) | size_bits));
  out.push_back(0);  // background index
  out.push_back(0);  // aspect ratio
  out.insert(out.end(), g.palette.begin(), g.palette.end());
  if (g.has_transparency) {
    out.insert(out.end(), {kGifExtensionIntroducer, kGifGraphicControlLabel, kGifGraphicControlBytes,
                           kGifTransparencyFlag, 0, 0, static_cast<uint8_t>(g.transparent_index), 0});
  }
  out.push_back(kGifImageSeparator);
  AppendU16Le(out, static_cast<uint32_t>(g.left));
  AppendU16Le(out, static_cast<uint32_t>(g.top));
  AppendU16Le(out, static_cast<uint32_t>(g.width));
  AppendU16Le(out, static_cast<uint32_t>(g.height));
  out.push_back(static_cast<uint8_t>((g.is_interlaced ? kGifInterlaceFlag : 0) | size_bits));
  out.push_back(static_cast<uint8_t>(g.code_size));
  return out;
}

// The code bytes of `compressed`, read in whole sub-blocks and written with
// their counts.
int CopySubBlocks(IpiSystem* sys, IpiObject* compressed, int64_t code_bytes, StreamSink& out) {
  if (code_bytes == 0) return kIpiNoError;
  ScopedStream in(sys, IpiOpenStream(sys, compressed, "r", 0));
  if (!in) return IpiGetLastError(sys);
  std::vector<uint8_t> chunk(static_cast<size_t>(std::min(code_bytes, kCopyChunkBytes)));
  std::vector<uint8_t> blocks;
  int status = kIpiNoError;
  for (int64_t offset = 0; offset < code_bytes && status == 0;) {
    const int64_t count = std::min<int64_t>(code_bytes - offset, static_cast<int64_t>(chunk.size()));
    if (IpiReadBytes(sys, in.get(), offset, chunk.data(), count) < 0) {
      status = IpiGetLastError(sys);
      break;
    }
    blocks.clear();
    for (int64_t i = 0; i < count; i += kGifMaxSubBlockBytes) {
      const int64_t block = std::min<int64_t>(kGifMaxSubBlockBytes, count - i);
      blocks.push_back(static_cast<uint8_t>(block));
      blocks.insert(blocks.end(), chunk.begin() + i, chunk.begin() + i + block);
    }
    if (!out.Write(blocks.data(), blocks.size())) status = out.status();
    offset += count;
  }
  return in.CloseAfter(status);
}

}  // namespace

int WriteGifFile(IpiSystem* sys, IpiObject* compressed, IpiObject* file) {
  IPI_RETURN_IF_ERROR(IpiBeginWrite(sys, compressed, file, {compressed, IpiIsGenericOrMonochromeClass}));
  if (compressed->object_class != file->object_class) return IpiRefuse(sys, kIpiMismatchObjectClass);
  if (file->fields.compression != kCompressionLzw) return IpiRefuse(sys, kIpiNonPermissibleOption);
  GifLayout layout;
  IPI_RETURN_IF_ERROR(GatherLayout(sys, compressed, file, layout));

  ScopedStream stream(sys, IpiOpenStream(sys, file, "w", 0));
  if (!stream) return IpiGetLastError(sys);
  StreamSink sink(sys, stream.get());
  const std::vector<uint8_t> head = HeadBytes(layout);
  int status = sink.Write(head.data(), head.size()) ? kIpiNoError : sink.status();
  if (status == 0) status = CopySubBlocks(sys, compressed, layout.code_bytes, sink);
  const uint8_t tail[] = {0, kGifTrailer};  // the last block's terminator and the trailer
  if (status == 0 && !sink.Write(tail, sizeof tail)) status = sink.status();
  return stream.CloseAfter(status);
}
