// Inflating and unfiltering of PNG rows; see png_row_coder.h. Input never
// goes past the compressed object's stated size: in memory it is inflated in
// place, from a file it is read in pieces of at most kPngBufferBytes. Output
// goes into a batch of whole rows of the current pass, at most the rows the
// pass has left, so nothing beyond the computed rows is ever inflated; rows
// are unfiltered in place there, each against the one before it.
#include <algorithm>
#include <cassert>
#include <cstring>

#include "core/status.h"
#include "core/system/system.h"
#include "interchange/png/png_row_coder.h"

namespace {

// zlib counts its input in 32 bits.
constexpr int64_t kPngLargestInput = int64_t{1} << 30;
// Room for the rows inflated by one call: zlib's fast loop stops some 258
// bytes before the end of its room, so one row per call would leave the
// end of every row to the slow loop.
constexpr int64_t kPngBatchBytes = 64 * 1024;

}  // namespace

PngRowDecoder::PngRowDecoder(const PngRowFormat& format)
    : format_(format),
      previous_(static_cast<size_t>(format.row_bytes() + 1), 0),
      batch_(static_cast<size_t>(std::max<int64_t>(format.row_bytes() + 1, kPngBatchBytes))),
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

int PngRowDecoder::DeliverFault(IpiSystem* sys) {
  // A row asked for past the end of its pass is one the stream does not have.
  if (pending_.status == kIpiNoError) pending_.status = kIpiSyntaxError;
  if (pending_.is_reported) return pending_.status;
  pending_.is_reported = true;
  return IpiRefuse(sys, pending_.status);
}

void PngRowDecoder::FillBatch(IpiSystem* sys, int64_t stride) {
  const int64_t rows = std::min(rows_left_in_pass_, std::max<int64_t>(1, kPngBatchBytes / stride));
  const int64_t room = rows * stride;
  stream_.next_out = batch_.data();
  stream_.avail_out = static_cast<uInt>(room);
  while (stream_.avail_out > 0) {
    // The stream already ended, or the compressed bytes ran out: rows are missing.
    if (has_ended_ || (stream_.avail_in == 0 && remaining_ == 0)) {
      pending_ = {kIpiSyntaxError, false};
      break;
    }
    if (stream_.avail_in == 0) {
      const int status = Refill(sys);
      if (status != kIpiNoError) {
        pending_ = {status, true};
        break;
      }
    }
    const int status = inflate(&stream_, Z_PARTIAL_FLUSH);
    if (status == Z_STREAM_END) {
      has_ended_ = true;
    } else if (status == Z_MEM_ERROR) {
      pending_ = {kIpiSystemFailure, false};
      break;
    } else if (status != Z_OK && !(status == Z_BUF_ERROR && stream_.avail_in == 0)) {
      pending_ = {kIpiSyntaxError, false};
      break;
    }
  }
  batch_rows_ = (room - static_cast<int64_t>(stream_.avail_out)) / stride;
  next_in_batch_ = 0;
}

int PngRowDecoder::ReadPngRow(IpiSystem* sys, int pass, const uint8_t** row) {
  assert(is_open_);
  const int64_t count = PngRowBytes(format_.pass_width(pass), format_.bits_per_pixel());
  const int64_t stride = count + 1;
  if (pass != current_pass_) {
    std::memset(previous_.data(), 0, previous_.size());
    above_ = previous_.data() + 1;
    current_pass_ = pass;
    rows_left_in_pass_ = format_.pass_rows(pass);
    batch_rows_ = next_in_batch_ = 0;
  }
  if (next_in_batch_ == batch_rows_) {
    // The rows decoded before a fault are delivered first; the fault comes at the row it hit.
    if (pending_.status != kIpiNoError || rows_left_in_pass_ == 0) return DeliverFault(sys);
    // The row above lives in the batch, which is about to be overwritten.
    if (above_ != previous_.data() + 1) std::memcpy(previous_.data() + 1, above_, static_cast<size_t>(count));
    above_ = previous_.data() + 1;
    FillBatch(sys, stride);
    if (batch_rows_ == 0) return DeliverFault(sys);
  }
  uint8_t* coded = batch_.data() + next_in_batch_ * stride;
  if (!UnfilterPngRow(coded[0], coded + 1, above_, count, format_.filter_bpp())) {
    return IpiRefuse(sys, kIpiSyntaxError);
  }
  above_ = coded + 1;
  ++next_in_batch_;
  --rows_left_in_pass_;
  *row = coded + 1;
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
