// The bitmap run-length coder; see bmp_run_length.h. Rows are coded and
// decoded whole in memory: runs are memset, literals memcpy on the 8-bit
// path, and the stream of the coded object is written in large blocks.
#include "interchange/bmp/bmp_run_length.h"

#include <algorithm>
#include <cstring>

#include "core/codes.h"
#include "core/limits.h"
#include "core/objects/attributes.h"
#include "core/operators/operator_frame.h"
#include "core/status.h"
#include "core/streams/accessor.h"
#include "core/streams/stream.h"
#include "interchange/common/object_bytes.h"
#include "interchange/io/byte_reader.h"
#include "interchange/rows/packed_bitmap_rows.h"

namespace {

constexpr uint8_t kEscape = 0;
constexpr uint8_t kEndOfLine = 0;
constexpr uint8_t kEndOfBitmap = 1;
constexpr uint8_t kDelta = 2;
constexpr size_t kEncoderFlushBytes = 64 * 1024;

void Emit(std::vector<uint8_t>& out, uint8_t first, uint8_t second) {
  out.push_back(first);
  out.push_back(second);
}

// A literal piece: (0, pixels), the data bytes, and a 0 byte to an even count.
void EmitLiteral(std::vector<uint8_t>& out, int64_t pixels, const uint8_t* data, int64_t data_bytes) {
  Emit(out, kEscape, static_cast<uint8_t>(pixels));
  out.insert(out.end(), data, data + data_bytes);
  if (data_bytes % 2 != 0) out.push_back(0);
}

void EmitRuns(std::vector<uint8_t>& out, int64_t pixels, uint8_t value) {
  while (pixels > kBmpRunLengthMaxPiece) {
    Emit(out, kBmpRunLengthMaxPiece, value);
    pixels -= kBmpRunLengthMaxPiece;
  }
  if (pixels >= 1) Emit(out, static_cast<uint8_t>(pixels), value);
}

}  // namespace

void BmpRunLengthEncoder::AddRow(const uint8_t* pixels, int64_t width_px, bool is_last_row) {
  if (bits_ == 4) {
    AddRow4(pixels, width_px);
  } else {
    AddRow8(pixels, width_px);
  }
  Emit(out_, kEscape, is_last_row ? kEndOfBitmap : kEndOfLine);
}

void BmpRunLengthEncoder::AddRow8(const uint8_t* p, int64_t w) {
  int64_t x = 0;
  while (x < w) {
    if (x == w - 1) {
      Emit(out_, 1, p[x]);
      ++x;
    } else if (p[x] == p[x + 1]) {
      int64_t n = 2;
      while (x + n < w && p[x + n] == p[x]) ++n;
      EmitRuns(out_, n, p[x]);
      x += n;
    } else {
      // Literal pixels up to the first pixel that equals its right neighbour.
      int64_t j = x;
      while (j + 1 < w && p[j] != p[j + 1]) ++j;
      int64_t n = j + 1 < w ? j - x : w - x;
      while (n > kBmpRunLengthMaxPiece) {
        EmitLiteral(out_, kBmpRunLengthMaxPiece, p + x, kBmpRunLengthMaxPiece);
        x += kBmpRunLengthMaxPiece;
        n -= kBmpRunLengthMaxPiece;
      }
      if (n >= 3) {
        EmitLiteral(out_, n, p + x, n);
      } else if (n == 2) {
        Emit(out_, 1, p[x]);
        Emit(out_, 1, p[x + 1]);
      } else if (n == 1) {
        Emit(out_, 1, p[x]);
      }
      x += n;
    }
  }
}

void BmpRunLengthEncoder::AddRow4(const uint8_t* pixels, int64_t w) {
  const int64_t b = (w + 1) / 2;
  packed_.resize(static_cast<size_t>(b));
  uint8_t* q = packed_.data();
  for (int64_t i = 0; i < w / 2; ++i) {
    q[i] = static_cast<uint8_t>(((pixels[2 * i] & 0x0F) << 4) | (pixels[2 * i + 1] & 0x0F));
  }
  if (w % 2 != 0) q[b - 1] = static_cast<uint8_t>((pixels[w - 1] & 0x0F) << 4);
  // Pixels of the bytes [i, i + k): the last byte of an odd row holds one.
  auto pixels_of = [&](int64_t i, int64_t k) { return 2 * k - (i + k == b && w % 2 != 0 ? 1 : 0); };

  int64_t i = 0;
  while (i < b) {
    if (i == b - 1) {
      Emit(out_, static_cast<uint8_t>(pixels_of(i, 1)), q[i]);
      ++i;
    } else if (q[i] == q[i + 1]) {
      int64_t k = 2;
      while (i + k < b && q[i + k] == q[i]) ++k;
      EmitRuns(out_, pixels_of(i, k), q[i]);
      i += k;
    } else {
      int64_t j = i;
      while (j + 1 < b && q[j] != q[j + 1]) ++j;
      const int64_t k = j + 1 < b ? j - i : b - i;
      int64_t n = pixels_of(i, k);
      constexpr int64_t kPieceBytes = kBmpRunLengthMaxPiece / 2;
      while (n > kBmpRunLengthMaxPiece) {
        EmitLiteral(out_, kBmpRunLengthMaxPiece, q + i, kPieceBytes);
        i += kPieceBytes;
        n -= kBmpRunLengthMaxPiece;
      }
      if (n >= 3) {
        const int64_t bytes = (n + 1) / 2;
        EmitLiteral(out_, n, q + i, bytes);
        i += bytes;
      } else if (n >= 1) {
        Emit(out_, static_cast<uint8_t>(n), q[i]);
        ++i;
      }
    }
  }
}

namespace {

// Writes `count` pixels of a run or a literal from column x of the row.
class RowWriter {
 public:
  explicit RowWriter(const RleDecodeShape& shape) : shape_(shape) {}

  void Run(uint8_t* row, int64_t x, int64_t count, uint8_t value) const {
    if (shape_.bits == 8) {
      std::memset(row + x, value, static_cast<size_t>(count));
      return;
    }
    const uint8_t nibbles[2] = {static_cast<uint8_t>(value >> 4), static_cast<uint8_t>(value & 0x0F)};
    for (int64_t i = 0; i < count; ++i) Put4(row, x + i, nibbles[i & 1]);
    ClearTail(row, x + count);
  }

  void Literal(uint8_t* row, int64_t x, int64_t count, const uint8_t* data) const {
    if (shape_.bits == 8) {
      std::memcpy(row + x, data, static_cast<size_t>(count));
      return;
    }
    for (int64_t i = 0; i < count; ++i) {
      const uint8_t byte = data[i >> 1];
      Put4(row, x + i, (i & 1) != 0 ? static_cast<uint8_t>(byte & 0x0F) : static_cast<uint8_t>(byte >> 4));
    }
    ClearTail(row, x + count);
  }

 private:
  void Put4(uint8_t* row, int64_t column, uint8_t nibble) const {
    if (shape_.layout == RleRowLayout::kPixelPerByte) {
      row[column] = nibble;
      return;
    }
    uint8_t& byte = row[column >> 1];
    byte = (column & 1) != 0 ? static_cast<uint8_t>((byte & 0xF0) | nibble)
                             : static_cast<uint8_t>((byte & 0x0F) | (nibble << 4));
  }
  // Packed rows: a run that ends in the middle of a byte leaves its low
  // nibble 0, as the stored form would have it.
  void ClearTail(uint8_t* row, int64_t next_column) const {
    if (shape_.layout == RleRowLayout::kPackedNibbles && (next_column & 1) != 0 &&
        next_column < shape_.width_px) {
      row[next_column >> 1] &= 0xF0;
    }
  }

  const RleDecodeShape& shape_;
};

}  // namespace

int DecodeBmpRunLengthBody(std::span<const uint8_t> body, const RleDecodeShape& shape, RleRowSink& sink) {
  ByteReader in(body);
  const RowWriter writer(shape);
  const int64_t width = shape.width_px;
  int64_t y = 0;
  int64_t x = 0;
  uint8_t* row = nullptr;
  auto begin_row = [&]() -> int { return row != nullptr ? kIpiNoError : sink.BeginRow(y, &row); };
  auto end_row = [&]() -> int {
    if (row == nullptr) return kIpiNoError;
    row = nullptr;
    return sink.EndRow(y);
  };
  // A body that ends early ends the bitmap: the row being decoded is stored
  // and the rows after it keep their content. This is not an error.
  auto cut_off = [&]() -> int { return end_row(); };

  while (y < shape.rows) {
    uint8_t first = 0;
    uint8_t second = 0;
    if (!in.ReadU8(first) || !in.ReadU8(second)) return cut_off();
    if (first != kEscape) {
      IPI_RETURN_IF_ERROR(begin_row());
      const int64_t written = std::min<int64_t>(first, width - x);
      writer.Run(row, x, written, second);
      x += written;
      continue;
    }
    switch (second) {
      case kEndOfLine:
        IPI_RETURN_IF_ERROR(end_row());
        ++y;
        x = 0;
        break;
      case kEndOfBitmap:
        return end_row();
      case kDelta: {
        uint8_t dx = 0;
        uint8_t dy = 0;
        if (!in.ReadU8(dx) || !in.ReadU8(dy)) return cut_off();
        x = std::min<int64_t>(x + dx, width);
        if (dy != 0) {
          // The rows passed over keep their content; past the last row the
          // bitmap ends as with an end of bitmap.
          IPI_RETURN_IF_ERROR(end_row());
          y += dy;
        }
        break;
      }
      default: {
        const int64_t count = second;
        const int64_t data_bytes = shape.bits == 8 ? count : (count + 1) / 2;
        const int64_t padded_bytes = data_bytes + (data_bytes & 1);
        ByteReader literal;
        if (!in.ReadSlice(static_cast<uint64_t>(padded_bytes), literal)) {
          // Cut inside the literal: the whole pixels that are there still count.
          const auto there = static_cast<int64_t>(in.remaining());
          const int64_t pixels = std::min(count, shape.bits == 8 ? there : 2 * there);
          if (pixels > 0 && in.ReadSlice(static_cast<uint64_t>(there), literal)) {
            IPI_RETURN_IF_ERROR(begin_row());
            writer.Literal(row, x, std::min<int64_t>(pixels, width - x), literal.bytes().data());
          }
          return cut_off();
        }
        IPI_RETURN_IF_ERROR(begin_row());
        const int64_t written = std::min<int64_t>(count, width - x);
        writer.Literal(row, x, written, literal.bytes().data());
        x += written;
        break;
      }
    }
  }
  return end_row();
}

namespace {

// 10 unless the object keeps one byte per element.
int RequireByteElements(IpiSystem* sys, IpiObject* obj) { return RequireStoredBits(sys, obj, 8); }

int RequireRows(IpiSystem* sys, const IpiObject& image) {
  const bool empty = image.fields.dimension[kDimX] < 1 || image.fields.dimension[kDimY] < 1;
  return empty ? IpiRefuse(sys, kIpiOutOfRange) : kIpiNoError;
}

// Decoded rows go straight into the image's rows through its stream.
class ImageRowSink final : public RleRowSink {
 public:
  ImageRowSink(IpiSystem* sys, IpiStream* stream, bool is_flipped, int64_t rows, int64_t row_elements)
      : sys_(sys), stream_(stream), is_flipped_(is_flipped), rows_(rows), row_elements_(row_elements) {}

  int BeginRow(int64_t coded_row, uint8_t** row) override {
    *row = IpiGetOutputRow(sys_, stream_, ElementOf(coded_row));
    return *row != nullptr ? kIpiNoError : IpiGetLastError(sys_);
  }
  int EndRow(int64_t coded_row) override { return IpiPutOutputRow(sys_, stream_, ElementOf(coded_row)); }

 private:
  int64_t ElementOf(int64_t coded_row) const {
    return (is_flipped_ ? rows_ - 1 - coded_row : coded_row) * row_elements_;
  }
  IpiSystem* sys_;
  IpiStream* stream_;
  bool is_flipped_;
  int64_t rows_;
  int64_t row_elements_;
};

// The four row forms the decoder writes. Image rows take the coded rows
// flipped (coded row k is image row last - k), one element per pixel;
// packed-bitmap rows take them in stored order, and their length is
// xDimension bytes whatever the depth: 8-bit pixels one a byte, 4-bit pixels
// two a byte.
RleDecodeShape Rle8RowsShape(int64_t x_dimension, int64_t rows) {
  return {8, x_dimension, rows, RleRowLayout::kPixelPerByte};
}
RleDecodeShape Rle4RowsShape(int64_t x_dimension, int64_t rows) {
  return {4, x_dimension, rows, RleRowLayout::kPixelPerByte};
}
RleDecodeShape Rle8DibRowsShape(int64_t x_dimension, int64_t rows) {
  return {8, x_dimension, rows, RleRowLayout::kPixelPerByte};
}
RleDecodeShape Rle4DibRowsShape(int64_t x_dimension, int64_t rows) {
  return {4, 2 * x_dimension, rows, RleRowLayout::kPackedNibbles};
}

}  // namespace

int EncodeBmpRunLength(IpiSystem* sys, IpiObject* image, IpiObject* coded) {
  if (IpiCheckSystem(sys) != 0) return kIpiInvalidHandle;
  if (IpiCheckObject(sys, image) == nullptr || IpiCheckObject(sys, coded) == nullptr) return kIpiInvalidInstance;
  const int32_t bits = coded->fields.data_precision;
  // Any other depth has no run-length scheme: refused rather than coded as nothing.
  if (bits != 4 && bits != 8) return IpiRefuse(sys, kIpiNonPermissibleOption);
  if (image->fields.data_type != kDataTypeNonnegative || coded->fields.data_type != kDataTypeNonnegative) {
    return IpiRefuse(sys, kIpiMismatchDataType);
  }
  IPI_RETURN_IF_ERROR(RequireByteElements(sys, image));
  IPI_RETURN_IF_ERROR(RequireRows(sys, *image));
  const int64_t width = image->fields.dimension[kDimX];
  const int64_t height = image->fields.dimension[kDimY];

  ScopedAccessor in;
  IPI_RETURN_IF_ERROR(OpenAuxiliaryAccessor(sys, image, AccessMode::kRead, 1, in));
  ScopedAccessor out;
  IPI_RETURN_IF_ERROR(OpenAuxiliaryAccessor(sys, coded, AccessMode::kWrite, 0, out));
  BmpRunLengthEncoder encoder(bits);
  int64_t written = 0;
  auto flush = [&]() -> int {
    std::vector<uint8_t>& bytes = encoder.bytes();
    if (bytes.empty()) return kIpiNoError;
    const auto count = static_cast<int64_t>(bytes.size());
    if (IpiWriteBytes(sys, out.stream(), written, bytes.data(), count) != count) return IpiGetLastError(sys);
    written += count;
    bytes.clear();
    return kIpiNoError;
  };
  for (int64_t r = 0; r < height; ++r) {
    const uint8_t* pixels = IpiGetInputRow(sys, in.stream(), (height - 1 - r) * width);
    if (pixels == nullptr) return IpiGetLastError(sys);
    encoder.AddRow(pixels, width, r == height - 1);
    if (encoder.bytes().size() >= kEncoderFlushBytes) IPI_RETURN_IF_ERROR(flush());
  }
  IPI_RETURN_IF_ERROR(flush());
  IPI_RETURN_IF_ERROR(out.Close());
  IPI_RETURN_IF_ERROR(in.Close());
  return IpiSetAttribute(sys, coded, "size", static_cast<intptr_t>(written));
}

int DecodeBmpRunLength(IpiSystem* sys, IpiObject* coded, IpiObject* image) {
  if (IpiCheckSystem(sys) != 0) return kIpiInvalidHandle;
  if (IpiCheckObject(sys, coded) == nullptr || IpiCheckObject(sys, image) == nullptr) return kIpiInvalidInstance;
  const int64_t coded_bytes = coded->fields.size;
  if (coded_bytes < 2) return IpiRefuse(sys, kIpiSyntaxError);
  if (coded_bytes > 2 * kMaxImageBytes) return IpiRefuse(sys, kIpiExceedImplementation);
  if (image->fields.data_type != kDataTypeNonnegative || coded->fields.data_type != kDataTypeNonnegative) {
    return IpiRefuse(sys, kIpiMismatchDataType);
  }
  const int32_t bits = image->fields.data_precision;
  if (bits != 4 && bits != 8) return IpiRefuse(sys, kIpiNonPermissibleOption);
  IPI_RETURN_IF_ERROR(RequireByteElements(sys, image));
  IPI_RETURN_IF_ERROR(RequireRows(sys, *image));

  const int64_t rows = image->fields.dimension[kDimY];
  const int64_t row_elements = image->fields.dimension[kDimX];
  const bool is_packed = IpiIsPackedBitmapImage(*image);
  if (is_packed) {
    PackedBitmapRows packed;
    IPI_RETURN_IF_ERROR(IpiGetPackedBitmapRows(sys, image, 1, &packed));
  }
  RleDecodeShape shape;
  if (!is_packed) {
    shape = bits == 8 ? Rle8RowsShape(row_elements, rows) : Rle4RowsShape(row_elements, rows);
  } else {
    shape = bits == 8 ? Rle8DibRowsShape(row_elements, rows) : Rle4DibRowsShape(row_elements, rows);
  }

  ObjectBytes body;
  IPI_RETURN_IF_ERROR(body.LoadData(sys, coded, coded_bytes));
  ScopedAccessor out;
  IPI_RETURN_IF_ERROR(OpenAuxiliaryAccessor(sys, image, AccessMode::kWrite, 1, out));
  ImageRowSink sink(sys, out.stream(), !is_packed, shape.rows, row_elements);
  // A sink's error was reported by the stream.
  const int status = DecodeBmpRunLengthBody(body.bytes(), shape, sink);
  const int close_status = out.Close();
  return status != 0 ? status : close_status;
}
