// The decoder of the one-bit run coder. A row's bits are the bytes between
// its flag and the next flag byte; they are unstuffed as they are read, so no
// row buffer of the coded size exists. Every value taken from the data is
// bounded before it moves a position: run classes to 14, vertical offsets to
// the width, positions to the row, changes to 744 per row.
#include <algorithm>
#include <cstring>

#include "core/status.h"
#include "interchange/io/bit_reader.h"
#include "interchange/one_bit_runs/one_bit_run_stream.h"

namespace {

constexpr int64_t RunBase(int k) { return 4 * ((int64_t{1} << k) - 1); }
constexpr int kStuffAfterOnes = 5;
constexpr int kClosingCopies = 4;

bool IsFlag(uint8_t byte) { return byte == kRawRowFlag || byte == kCodedRowFlag; }

// The bits of one row's data with the stuffed 0s removed. Next() fails at the
// end of the row's bits, and for good when a 1 follows five 1s (a flag
// pattern that cannot stand inside row data).
class UnstuffedBits {
 public:
  explicit UnstuffedBits(std::span<const uint8_t> bytes) : in_(bytes, FillOrder::kMsbFirst) {}

  [[nodiscard]] bool Next(uint32_t& bit) {
    if (is_broken_) return false;
    if (ones_ == kStuffAfterOnes) {
      if (in_.bits_remaining() == 0) return false;
      if (in_.Read(1) != 0) {
        is_broken_ = true;
        return false;
      }
      ones_ = 0;
    }
    if (in_.bits_remaining() == 0) return false;
    bit = in_.Read(1);
    ones_ = bit != 0 ? ones_ + 1 : 0;
    return true;
  }
  // `count` bits (up to 31), the first most significant.
  [[nodiscard]] bool Take(int count, uint32_t& value) {
    value = 0;
    for (int i = 0; i < count; ++i) {
      uint32_t bit = 0;
      if (!Next(bit)) return false;
      value = (value << 1) | bit;
    }
    return true;
  }

 private:
  BitReader in_;
  int ones_ = 0;
  bool is_broken_ = false;
};

// A run code: k ones (k at most 14), a 0, then k + 2 bits.
bool ReadRunCode(UnstuffedBits& bits, int64_t& value) {
  int k = 0;
  uint32_t bit = 0;
  for (;;) {
    if (!bits.Next(bit)) return false;
    if (bit == 0) break;
    if (++k > kMaxRunClass) return false;
  }
  uint32_t offset = 0;
  if (!bits.Take(k + 2, offset)) return false;
  value = RunBase(k) + offset;
  return true;
}

// Sets bits [from, to) of an MSB-first row.
void SetBitRange(uint8_t* row, int64_t from, int64_t to) {
  if (from >= to) return;
  const int64_t first_byte = from >> 3;
  const int64_t last_byte = (to - 1) >> 3;
  const auto head = static_cast<uint8_t>(0xFFu >> (from & 7));
  const auto tail = static_cast<uint8_t>(0xFFu << (7 - ((to - 1) & 7)));
  if (first_byte == last_byte) {
    row[first_byte] |= static_cast<uint8_t>(head & tail);
    return;
  }
  row[first_byte] |= head;
  std::memset(row + first_byte + 1, 0xFF, static_cast<size_t>(last_byte - first_byte - 1));
  row[last_byte] |= tail;
}

// Paints a row from its changes (non-decreasing, all below the width, closed
// with copies of the width): unset up to the first change, set to the next,
// and so on.
void PaintRow(const std::vector<int64_t>& changes, int64_t width, uint8_t* row) {
  std::memset(row, 0, static_cast<size_t>((width + 7) / 8));
  for (size_t i = 0; changes[i] < width; i += 2) {
    SetBitRange(row, changes[i], changes[i + 1]);
  }
}

}  // namespace

OneBitRunDecoder::OneBitRunDecoder(std::span<const uint8_t> coded, int64_t width_px)
    : coded_(coded), width_px_(width_px) {
  reference_.assign(kClosingCopies, width_px);
}

void OneBitRunDecoder::BeginPlane() { reference_.assign(kClosingCopies, width_px_); }

int OneBitRunDecoder::NextRow(uint8_t* row) {
  const auto row_bytes = static_cast<size_t>((width_px_ + 7) / 8);
  if (has_failed_) return kIpiSyntaxError;
  std::memset(row, 0, row_bytes);
  if (has_ended_) return kIpiNoError;

  uint64_t flag_at = position_;
  while (flag_at < coded_.size() && !IsFlag(coded_[flag_at])) ++flag_at;
  if (flag_at == coded_.size()) {  // no further row: the rest is unset
    has_ended_ = true;
    return kIpiNoError;
  }
  uint64_t end = flag_at + 1;
  while (end < coded_.size() && !IsFlag(coded_[end])) ++end;
  position_ = end;
  const std::span<const uint8_t> bits = coded_.subspan(flag_at + 1, end - flag_at - 1);

  if (coded_[flag_at] == kRawRowFlag) {
    if (bits.empty()) {  // the end pair: the rest is unset
      has_ended_ = true;
      return kIpiNoError;
    }
    UnstuffedBits in(bits);
    for (int64_t x = 0; x < width_px_; ++x) {
      uint32_t bit = 0;
      if (!in.Next(bit)) {
        has_failed_ = true;
        return kIpiSyntaxError;
      }
      if (bit != 0) row[x >> 3] |= static_cast<uint8_t>(0x80u >> (x & 7));
    }
    reference_.assign(kClosingCopies, width_px_);
    return kIpiNoError;
  }

  // A coded row of 0 bits only repeats its reference line.
  if (std::all_of(bits.begin(), bits.end(), [](uint8_t byte) { return byte == 0; })) {
    PaintRow(reference_, width_px_, row);
    return kIpiNoError;
  }
  if (DecodeTwoDimensional(bits) != 0) {
    has_failed_ = true;
    return kIpiSyntaxError;
  }
  PaintRow(changes_, width_px_, row);
  reference_.swap(changes_);
  return kIpiNoError;
}

int OneBitRunDecoder::DecodeTwoDimensional(std::span<const uint8_t> bytes) {
  UnstuffedBits bits(bytes);
  const std::vector<int64_t>& ref = reference_;
  const int64_t width = width_px_;
  changes_.clear();
  auto add_change = [this, width](int64_t position) {
    if (position < width) changes_.push_back(position);
    return static_cast<int64_t>(changes_.size()) <= kMaxDecodedRowChanges;
  };

  int64_t a0 = -1;
  int colour = 0;
  size_t p = 0;
  while (a0 < width) {
    while (ref[p] <= a0) ++p;  // the closing copies of the width stop it
    const size_t b1_index = p + ((p & 1) != static_cast<size_t>(colour) ? 1 : 0);
    const int64_t b1 = ref[b1_index];
    const int64_t b2 = ref[b1_index + 1];

    uint32_t bit = 0;
    if (!bits.Next(bit)) return kIpiSyntaxError;
    int64_t offset = 0;  // vertical offset of a1 from b1
    if (bit == 0) {
      offset = 0;
    } else {
      uint32_t second = 0;
      if (!bits.Next(second)) return kIpiSyntaxError;
      if (second == 0) {  // 100 or 101
        uint32_t sign = 0;
        if (!bits.Next(sign)) return kIpiSyntaxError;
        offset = sign == 0 ? 1 : -1;
      } else {
        uint32_t mode = 0;
        if (!bits.Take(2, mode)) return kIpiSyntaxError;
        if (mode == 0b10) {  // pass
          a0 = b2;
          continue;
        }
        if (mode == 0b11) {  // horizontal
          int64_t first_run = 0;
          int64_t second_run = 0;
          if (!ReadRunCode(bits, first_run) || !ReadRunCode(bits, second_run)) return kIpiSyntaxError;
          const int64_t a1 = std::min(std::max<int64_t>(a0, 0) + first_run, width);
          const int64_t a2 = std::min(a1 + second_run, width);
          if (!add_change(a1) || !add_change(a2)) return kIpiSyntaxError;
          a0 = a2;
          continue;
        }
        // Long vertical: d - 2 zeros and a 1, d at most the width.
        int64_t magnitude = 2;
        for (;;) {
          uint32_t next = 0;
          if (!bits.Next(next)) return kIpiSyntaxError;
          if (next != 0) break;
          if (++magnitude > width) return kIpiSyntaxError;
        }
        offset = mode == 0b00 ? magnitude : -magnitude;
      }
    }
    // A change left of a0 would run the row backwards.
    const int64_t a1 = b1 + offset;
    if (a1 < std::max<int64_t>(a0, 0)) return kIpiSyntaxError;
    if (!add_change(std::min(a1, width))) return kIpiSyntaxError;
    a0 = std::min(a1, width);
    colour ^= 1;
  }
  changes_.insert(changes_.end(), kClosingCopies, width);
  return kIpiNoError;
}

int64_t CountCodedRows(std::span<const uint8_t> coded) {
  int64_t rows = 0;
  for (size_t i = 0; i < coded.size(); ++i) {
    if (coded[i] == kRawRowFlag && i + 1 < coded.size() && coded[i + 1] == kRawRowFlag) break;
    if (IsFlag(coded[i])) ++rows;
  }
  return rows;
}
