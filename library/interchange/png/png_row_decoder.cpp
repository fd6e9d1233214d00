// Inflating and unfiltering of PNG rows; see png_row_coder.h. Input never
// goes past the compressed object's stated size: in memory it is inflated in
// place, from a file it is read in pieces of at most kPngBufferBytes. Output
// goes straight into the row buffer, whose room is exactly one row, so
// nothing beyond the computed rows is ever inflated.
#include <algorithm>
#include <cassert>
#include <cstring>
#include <utility>

#include "core/status.h"
#include "core/system/system.h"
#include "interchange/png/png_row_coder.h"

namespace {

// zlib counts its input in 32 bits.
constexpr int64_t kPngLargestInput = int64_t{1} << 30;

}  // namespace

PngRowDecoder::PngRowDecoder(const PngRowFormat& format)
    : format_(format),
      row_(static_cast<size_t>(format.row_bytes() + 1), 0),
      previous_(static_cast<size_t>(format.row_bytes() + 1), 0),
      buffer_(kPngBufferBytes) {}

PngRowDecoder::~PngRowDecoder() {
  if (is_open_) inflateEnd(&stream_);
}

int PngRowDecoder::Start(IpiSystem* sys, IpiStream* source, int64_t compressed_bytes) {
  const int status = inflateInit(&stream_);
  if (status != Z_OK) return IpiRefuse(sys, status == Z_MEM_ERROR ? kIpiSystemFailure : kIpiSyntaxError);
  is_open_ = true;
  source_ = source;
  offset_ = 0;
  remaining_ = compressed_bytes;
  return kIpiNoError;
}

int PngRowDecoder::Refill(IpiSystem* sys) {
  if (source_->data != nullptr) {
    // A stream in memory is inflated where it lies, in one piece.
    const int64_t count = std::min<int64_t>(remaining_, kPngLargestInput);
    if (count > source_->limit || offset_ > source_->limit - count) return IpiRefuse(sys, kIpiInsufficientSize);
    stream_.next_in = source_->data + offset_;
    stream_.avail_in = static_cast<uInt>(count);
    offset_ += count;
    remaining_ -= count;
    return kIpiNoError;
  }
  const int64_t count = std::min<int64_t>(remaining_, static_cast<int64_t>(buffer_.size()));
  if (IpiReadBytes(sys, source_, offset_, buffer_.data(), count) != count) return IpiGetLastError(sys);
  offset_ += count;
  remaining_ -= count;
  stream_.next_in = buffer_.data();
  stream_.avail_in = static_cast<uInt>(count);
  return kIpiNoError;
}

int PngRowDecoder::ReadPngRow(IpiSystem* sys, int pass, const uint8_t** row) {
  assert(is_open_);
  if (pass != current_pass_) {
    std::memset(previous_.data(), 0, previous_.size());
    current_pass_ = pass;
  }
  const int64_t count = PngRowBytes(format_.pass_width(pass), format_.bits_per_pixel());
  stream_.next_out = row_.data();
  stream_.avail_out = static_cast<uInt>(count + 1);
  while (stream_.avail_out > 0) {
    // The stream already ended, or the compressed bytes ran out: the row is missing.
    if (has_ended_) return IpiRefuse(sys, kIpiSyntaxError);
    if (stream_.avail_in == 0) {
      if (remaining_ == 0) return IpiRefuse(sys, kIpiSyntaxError);
      IPI_RETURN_IF_ERROR(Refill(sys));
    }
    const int status = inflate(&stream_, Z_PARTIAL_FLUSH);
    if (status == Z_STREAM_END) {
      has_ended_ = true;
    } else if (status == Z_MEM_ERROR) {
      return IpiRefuse(sys, kIpiSystemFailure);
    } else if (status != Z_OK && !(status == Z_BUF_ERROR && stream_.avail_in == 0)) {
      return IpiRefuse(sys, kIpiSyntaxError);
    }
  }
  if (!UnfilterPngRow(row_[0], row_.data() + 1, previous_.data() + 1, count, format_.filter_bpp())) {
    return IpiRefuse(sys, kIpiSyntaxError);
  }
  std::swap(row_, previous_);
  *row = previous_.data() + 1;
  return kIpiNoError;
}

int PngRowDecoder::FinishPngReadRow(IpiSystem* sys) {
  assert(is_open_);
  uint8_t extra = 0;
  while (!has_ended_) {
    if (stream_.avail_in == 0) {
      // The rows are all there but the stream's end (and checksum) is not.
      if (remaining_ == 0) return IpiRefuse(sys, kIpiSyntaxError);
      IPI_RETURN_IF_ERROR(Refill(sys));
    }
    stream_.next_out = &extra;
    stream_.avail_out = 1;
    const int status = inflate(&stream_, Z_PARTIAL_FLUSH);
    // A byte past the last row is data the image has no room for.
    if (stream_.avail_out == 0) return IpiRefuse(sys, kIpiSyntaxError);
    if (status == Z_STREAM_END) {
      has_ended_ = true;
    } else if (status == Z_MEM_ERROR) {
      return IpiRefuse(sys, kIpiSystemFailure);
    } else if (status != Z_OK && !(status == Z_BUF_ERROR && stream_.avail_in == 0)) {
      return IpiRefuse(sys, kIpiSyntaxError);
    }
  }
  // Bytes behind the stream's end.
  if (stream_.avail_in > 0 || remaining_ > 0) return IpiRefuse(sys, kIpiSyntaxError);
  return kIpiNoError;
}
