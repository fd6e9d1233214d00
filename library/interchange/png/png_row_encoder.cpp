// Filtering, Adam7 packing and deflating of PNG rows; see png_row_coder.h.
#include <cassert>
#include <cstring>
#include <utility>

#include "core/status.h"
#include "core/system/system.h"
#include "interchange/png/png_row_coder.h"

PngRowEncoder::PngRowEncoder(const PngRowFormat& format, uint8_t filter_set, PngDeflateOutput& output)
    : format_(format),
      output_(output),
      chooser_(filter_set, format.row_bytes(), format.filter_bpp()),
      row_(static_cast<size_t>(format.row_bytes() + 1), 0),
      previous_(static_cast<size_t>(format.row_bytes() + 1), 0),
      buffer_(kPngBufferBytes) {
  if (format_.is_interlaced) full_row_.assign(static_cast<size_t>(format.row_bytes()), 0);
}

PngRowEncoder::~PngRowEncoder() {
  if (is_open_) deflateEnd(&stream_);
}

int PngRowEncoder::Start(IpiSystem* sys, int level, int strategy) {
  const int status = deflateInit2(&stream_, level, kPngDeflateMethod, kPngWindowBits, kPngMemoryLevel, strategy);
  if (status != Z_OK) return IpiRefuse(sys, status == Z_MEM_ERROR ? kIpiSystemFailure : kIpiSyntaxError);
  is_open_ = true;
  stream_.next_out = buffer_.data();
  stream_.avail_out = static_cast<uInt>(buffer_.size());
  return kIpiNoError;
}

uint8_t* PngRowEncoder::NextRow(int pass) {
  // Pass 6 and plain images take every column: the row is coded where it lies.
  return format_.is_interlaced && pass < kAdam7Passes - 1 ? full_row_.data() : row_.data() + 1;
}

int PngRowEncoder::WritePngRow(IpiSystem* sys, int pass) {
  assert(is_open_);
  if (pass != current_pass_) {
    // Each pass filters against zeros above its first row.
    std::memset(previous_.data(), 0, previous_.size());
    current_pass_ = pass;
  }
  const int64_t width = format_.pass_width(pass);
  if (width == 0) return kIpiNoError;
  const int64_t count = PngRowBytes(width, format_.bits_per_pixel());
  if (format_.is_interlaced && pass < kAdam7Passes - 1) {
    PackInterlacePass(full_row_.data(), format_.width, format_.bits_per_pixel(), pass, row_.data() + 1);
  }
  const uint8_t* coded = chooser_.ChoosePngFilter(row_.data(), previous_.data() + 1, count);
  IPI_RETURN_IF_ERROR(DeflatePngRow(sys, coded, count + 1));
  std::swap(row_, previous_);
  return kIpiNoError;
}

int PngRowEncoder::DeflatePngRow(IpiSystem* sys, const uint8_t* coded, int64_t count) {
  stream_.next_in = const_cast<Bytef*>(coded);  // zlib's input pointer is not const
  stream_.avail_in = static_cast<uInt>(count);
  while (stream_.avail_in > 0) {
    if (deflate(&stream_, Z_NO_FLUSH) != Z_OK) return IpiRefuse(sys, kIpiSyntaxError);
    if (stream_.avail_out == 0) IPI_RETURN_IF_ERROR(Drain(sys));
  }
  return kIpiNoError;
}

int PngRowEncoder::Drain(IpiSystem* sys) {
  const size_t count = buffer_.size() - stream_.avail_out;
  if (count > 0) IPI_RETURN_IF_ERROR(output_.WritePngData(sys, buffer_.data(), count));
  stream_.next_out = buffer_.data();
  stream_.avail_out = static_cast<uInt>(buffer_.size());
  return kIpiNoError;
}

int PngRowEncoder::Finish(IpiSystem* sys) {
  assert(is_open_);
  stream_.next_in = nullptr;
  stream_.avail_in = 0;
  for (;;) {
    const int status = deflate(&stream_, Z_FINISH);
    if (status != Z_OK && status != Z_STREAM_END) return IpiRefuse(sys, kIpiSyntaxError);
    if (status == Z_STREAM_END) break;
    IPI_RETURN_IF_ERROR(Drain(sys));
  }
  return Drain(sys);
}
