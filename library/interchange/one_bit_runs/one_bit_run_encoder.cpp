// The encoder of the one-bit run coder: raw rows, two-dimensional rows with
// the coder's own mode and run codes, bit stuffing and the end of the image.
// A row's code is built apart first, so a row whose code does not pay is
// written raw instead without anything of it reaching the output.
#include <algorithm>
#include <cassert>
#include <cstdlib>

#include "interchange/io/bit_reader.h"
#include "interchange/one_bit_runs/one_bit_run_stream.h"

namespace {

// base(k) = 4 x (2^k - 1): the first value of run class k.
constexpr int64_t RunBase(int k) { return 4 * ((int64_t{1} << k) - 1); }

constexpr int kStuffAfterOnes = 5;
constexpr int kClosingCopies = 4;

// Appends the changing positions of the first `width` pixels of `row` (the
// first set pixel after unset ones, the first unset after set ones, starting
// unset), closed with four copies of the width. Returns the number of changes.
int64_t FindChanges(const uint8_t* row, int64_t width, std::vector<int64_t>& out) {
  out.clear();
  bool is_set = false;
  int64_t x = 0;
  while (x < width) {
    const uint8_t byte = row[x >> 3];
    // Whole bytes of the current colour are skipped at once.
    if ((x & 7) == 0 && byte == (is_set ? 0xFF : 0x00)) {
      x += 8;
      continue;
    }
    const bool bit = ((byte >> (7 - (x & 7))) & 1) != 0;
    if (bit != is_set) {
      out.push_back(x);
      is_set = bit;
    }
    ++x;
  }
  const auto count = static_cast<int64_t>(out.size());
  out.insert(out.end(), kClosingCopies, width);
  return count;
}

// Mode codes of a two-dimensional row.
constexpr uint32_t kVertical0 = 0b0;  // 1 bit
constexpr uint32_t kVerticalRight1 = 0b100;
constexpr uint32_t kVerticalLeft1 = 0b101;
constexpr uint32_t kVerticalRightLong = 0b1100;  // then d - 2 zeros and a 1
constexpr uint32_t kVerticalLeftLong = 0b1101;
constexpr uint32_t kPass = 0b1110;
constexpr uint32_t kHorizontal = 0b1111;

}  // namespace

int RunClassOf(int64_t value) {
  assert(value >= 0 && value <= kMaxRunValue);
  int k = 0;
  while (k < kMaxRunClass && value > RunBase(k + 1) - 1) ++k;
  return k;
}

void WriteRunCode(BitWriter& out, int64_t value) {
  const int k = RunClassOf(value);
  out.Write(((1u << k) - 1) << 1, k + 1);  // k ones and the 0
  out.Write(static_cast<uint32_t>(value - RunBase(k)), k + 2);
}

OneBitRunEncoder::OneBitRunEncoder(BitWriter& out, int64_t width_px) : out_(out), width_px_(width_px) {
  assert(width_px > 0);
  reference_.assign(kClosingCopies, width_px);
}

void OneBitRunEncoder::AddRow(const uint8_t* row) {
  const int64_t change_count = FindChanges(row, width_px_, changes_);
  if (is_first_row_ || change_count >= kRawRowChanges || !CodeTwoDimensional()) {
    WriteRaw(row);
    // After a raw row the reference line is an unset row.
    reference_.assign(kClosingCopies, width_px_);
  } else {
    WriteStuffed(kCodedRowFlag, row_code_, row_code_bits_);
    reference_.swap(changes_);
  }
  is_first_row_ = false;
}

void OneBitRunEncoder::WriteRaw(const uint8_t* row) {
  const auto row_bytes = static_cast<size_t>((width_px_ + 7) / 8);
  WriteStuffed(kRawRowFlag, std::span<const uint8_t>(row, row_bytes), static_cast<uint64_t>(width_px_));
}

void OneBitRunEncoder::WriteStuffed(uint8_t flag, std::span<const uint8_t> bits, uint64_t bit_count) {
  out_.Write(flag, 8);
  BitReader in(bits, FillOrder::kMsbFirst);
  int ones = 0;
  for (uint64_t i = 0; i < bit_count; ++i) {
    const uint32_t bit = in.Read(1);
    out_.Write(bit, 1);
    ones = bit != 0 ? ones + 1 : 0;
    if (ones == kStuffAfterOnes) {
      out_.Write(0, 1);
      ones = 0;
    }
  }
  out_.PadToByte(PadBits::kZeros);
}

bool OneBitRunEncoder::CodeTwoDimensional() {
  row_code_.clear();
  BitWriter code(row_code_, FillOrder::kMsbFirst);
  const std::vector<int64_t>& ref = reference_;
  const std::vector<int64_t>& cur = changes_;
  const int64_t width = width_px_;

  int64_t a0 = -1;
  int colour = 0;        // of the pixel at a0: 0 unset, 1 set
  size_t p = 0;          // first reference change right of a0
  size_t q = 0;          // first coding-line change right of a0
  bool force_horizontal = false;
  while (a0 < width) {
    while (ref[p] <= a0) ++p;
    while (cur[q] <= a0) ++q;
    // b1 is the first reference change right of a0 towards the other colour:
    // changes towards set sit at even indices.
    const size_t b1_index = p + ((p & 1) != static_cast<size_t>(colour) ? 1 : 0);
    const int64_t b1 = ref[b1_index];
    const int64_t b2 = ref[b1_index + 1];
    const int64_t a1 = cur[q];
    const int64_t a2 = cur[q + 1];
    const int64_t d = a1 - b1;
    const int64_t first_run = a1 - std::max<int64_t>(a0, 0);

    bool horizontal = force_horizontal;
    force_horizontal = false;
    if (!horizontal && b2 < a1) {
      code.Write(kPass, 4);
      a0 = b2;
    } else if (!horizontal && std::llabs(d) <= 1) {
      code.Write(d == 0 ? kVertical0 : (d > 0 ? kVerticalRight1 : kVerticalLeft1), d == 0 ? 1 : 3);
      force_horizontal = d > 0 && a1 == b2;
      a0 = a1;
      colour ^= 1;
    } else if (!horizontal && first_run <= kMaxRunValue && std::llabs(d) - 1 < RunCodeBits(first_run)) {
      const int64_t magnitude = std::llabs(d);  // below 32: bounded by the run code length
      code.Write(d > 0 ? kVerticalRightLong : kVerticalLeftLong, 4);
      code.Write(1, static_cast<int>(magnitude - 1));  // d - 2 zeros and the 1
      force_horizontal = d > 0 && a1 == b2;
      a0 = a1;
      colour ^= 1;
    } else {
      horizontal = true;
    }
    if (horizontal) {
      const int64_t second_run = a2 - a1;
      if (first_run > kMaxRunValue || second_run > kMaxRunValue) return false;
      code.Write(kHorizontal, 4);
      WriteRunCode(code, first_run);
      WriteRunCode(code, second_run);
      a0 = a2;
    }
    if (code.bits_written() >= static_cast<uint64_t>(width)) return false;
  }
  row_code_bits_ = code.bits_written();
  (void)code.Flush();  // into the vector: cannot fail
  return true;
}

void OneBitRunEncoder::Finish() {
  auto pad_to_32 = [this] {
    const int pad = static_cast<int>((32 - out_.bits_written() % 32) % 32);
    out_.Write(0, pad);
  };
  pad_to_32();
  out_.Write(kRawRowFlag, 8);
  out_.Write(kRawRowFlag, 8);
  if (out_.bits_written() % 64 > 32) {
    pad_to_32();
    out_.Write(0, 1);
  }
  pad_to_32();
}
