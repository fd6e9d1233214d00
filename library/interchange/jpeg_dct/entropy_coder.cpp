// The entropy layer of the DCT codec; see entropy_coder.h.
#include "interchange/jpeg_dct/entropy_coder.h"

#include <cassert>
#include <cstring>

#include "core/status.h"

namespace {

inline int BitCount(uint32_t magnitude) { return magnitude == 0 ? 0 : 32 - __builtin_clz(magnitude); }

// Writes the code of `symbol` followed by the low `category` bits of `value`
// (of value - 1 when negative): at most 16 + 11 bits, one write.
inline void PutSymbol(BitWriter& out, const HuffmanEncodeTable& table, int symbol, int category, int32_t value) {
  const uint32_t value_bits = static_cast<uint32_t>(value < 0 ? value - 1 : value) & ((1u << category) - 1);
  out.Write((table.code[symbol] << category) | value_bits, table.length[symbol] + category);
}

// Sign extension of `bits` read as a value of `category` bits.
inline int32_t ExtendValue(uint32_t bits, int category) {
  const int32_t value = static_cast<int32_t>(bits);
  return value < (1 << (category - 1)) ? value + 1 - (1 << category) : value;
}

inline int32_t Dequantize(int32_t coefficient, int32_t multiplier) {
  // |coefficient| <= 32767 and multiplier <= 3925: the product fits in 32 bits.
  return std::clamp(coefficient * multiplier, -kMaxDequantizedMagnitude, kMaxDequantizedMagnitude);
}

}  // namespace

// --- output ---------------------------------------------------------------------

bool StuffingStreamSink::Write(const uint8_t* data, size_t count) {
  if (status_ != 0) return false;
  const uint8_t* end = data + count;
  while (data < end) {
    const auto* ff = static_cast<const uint8_t*>(std::memchr(data, 0xFF, static_cast<size_t>(end - data)));
    const uint8_t* run_end = ff != nullptr ? ff + 1 : end;
    buffer_.insert(buffer_.end(), data, run_end);
    if (ff != nullptr) buffer_.push_back(0x00);
    data = run_end;
    if (buffer_.size() >= kPieceBytes && !Drain()) return false;
  }
  return true;
}

bool StuffingStreamSink::WriteAt(uint64_t /*offset*/, const uint8_t* /*data*/, size_t /*count*/) {
  assert(false && "the codec only appends");
  return false;
}

bool StuffingStreamSink::WriteUnstuffed(const uint8_t* data, size_t count) {
  if (status_ != 0) return false;
  buffer_.insert(buffer_.end(), data, data + count);
  return buffer_.size() < kPieceBytes || Drain();
}

int StuffingStreamSink::Finish() {
  if (status_ == 0) (void)Drain();
  return status_;
}

bool StuffingStreamSink::Drain() {
  if (buffer_.empty()) return true;
  const auto count = static_cast<int64_t>(buffer_.size());
  if (IpiWriteBytes(sys_, stream_, written_bytes_, buffer_.data(), count) != count) {
    status_ = IpiGetLastError(sys_);  // reported by the stream layer
    if (status_ == 0) status_ = kIpiSystemFailure;
    (void)Fail(status_ == kIpiInsufficientSize ? SinkFailure::kLimitReached : SinkFailure::kPlatform);
    return false;
  }
  written_bytes_ += count;
  buffer_.clear();
  return true;
}

void EncodeBlock(BitWriter& out, const int32_t zigzag[kBlockSize], int32_t& predictor, const BlockCodes& codes) {
  const int32_t difference = std::clamp(zigzag[0] - predictor, -kMaxDcDifference, kMaxDcDifference);
  predictor += difference;
  const int dc_category = BitCount(static_cast<uint32_t>(difference < 0 ? -difference : difference));
  PutSymbol(out, *codes.dc, dc_category, dc_category, difference);

  constexpr int kZeroRunLength = 0xF0;  // ZRL: sixteen zeros
  constexpr int kEndOfBlock = 0x00;
  int run = 0;
  for (int k = 1; k < kBlockSize; ++k) {
    int32_t value = zigzag[k];
    if (value == 0) {
      ++run;
      continue;
    }
    value = std::clamp(value, -kMaxAcValue, kMaxAcValue);
    for (; run > 15; run -= 16) out.Write(codes.ac->code[kZeroRunLength], codes.ac->length[kZeroRunLength]);
    const int category = BitCount(static_cast<uint32_t>(value < 0 ? -value : value));
    PutSymbol(out, *codes.ac, (run << 4) | category, category, value);
    run = 0;
  }
  if (run > 0) out.Write(codes.ac->code[kEndOfBlock], codes.ac->length[kEndOfBlock]);
}

// --- input ----------------------------------------------------------------------

std::span<const uint8_t> ScanSegments::Next() {
  const size_t size = data_.size();
  uint8_t* bytes = data_.data();
  const size_t begin = position_;
  size_t write = begin;  // the unstuffed bytes end here; never past `read`
  size_t read = begin;
  auto keep = [&](size_t until) {
    if (write != read) std::memmove(bytes + write, bytes + read, until - read);
    write += until - read;
    read = until;
  };
  for (;;) {
    const void* found = read < size ? std::memchr(bytes + read, 0xFF, size - read) : nullptr;
    if (found == nullptr) {
      keep(size);
      end_ = SegmentEnd::kDataEnd;
      break;
    }
    const size_t ff = static_cast<size_t>(static_cast<const uint8_t*>(found) - bytes);
    keep(ff);
    if (ff + 1 < size && bytes[ff + 1] == 0x00) {
      bytes[write++] = 0xFF;
      read = ff + 2;
      continue;
    }
    size_t next = ff + 1;
    while (next < size && bytes[next] == 0xFF) ++next;  // fill bytes before a marker
    if (next == size) {
      read = size;
      end_ = SegmentEnd::kDataEnd;
      break;
    }
    marker_ = bytes[next];
    read = next + 1;
    end_ = SegmentEnd::kMarker;
    break;
  }
  position_ = read;
  return {bytes + begin, write - begin};
}

BlockResult DecodeBlock(BitReader& in, const BlockTables& tables, int32_t& predictor, DecodedBlock& block) {
  const uint8_t* target = tables.dequantizer->target_index;
  const int32_t* multiplier = tables.dequantizer->multiplier;

  const int dc_category = DecodeHuffmanSymbol(in, *tables.dc);
  if (dc_category < 0 || dc_category > kMaxDcCategory) return BlockResult::kSyntaxError;
  int32_t difference = 0;
  if (dc_category != 0) difference = ExtendValue(in.Read(dc_category), dc_category);
  predictor = std::clamp(predictor + difference, -kMaxDcPredictor, kMaxDcPredictor);
  int32_t* values = block.values;
  uint8_t* stored = block.stored;
  int count = 0;
  values[target[0]] = Dequantize(predictor, multiplier[0]);
  stored[count++] = target[0];

  BlockResult result = BlockResult::kOk;
  for (int k = 1; k < kBlockSize;) {
    const int symbol = DecodeHuffmanSymbol(in, *tables.ac);
    if (symbol < 0) {
      result = BlockResult::kSyntaxError;
      break;
    }
    const int run = symbol >> 4;
    const int category = symbol & 15;
    if (category == 0) {
      if (run != 15) break;  // end of block
      k += 16;               // sixteen zeros
      if (k > kBlockSize) {
        result = BlockResult::kSyntaxError;
        break;
      }
      continue;
    }
    k += run;
    if (category > kMaxAcCategory || k >= kBlockSize) {  // k: past the 64th coefficient
      result = BlockResult::kSyntaxError;
      break;
    }
    values[target[k]] = Dequantize(ExtendValue(in.Read(category), category), multiplier[k]);
    stored[count++] = target[k];
    ++k;
  }
  block.stored_count = count;
  return result;
}
