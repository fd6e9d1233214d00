// The facsimile row coders; see fax_coder.h. Both sides work on changing
// elements: the positions where a row changes colour, the first of them a
// change to black, followed by sentinels at the row width.
#include "interchange/fax/fax_coder.h"

#include <algorithm>
#include <cstring>

#include "interchange/fax/fax_tables.h"

namespace {

constexpr int kSentinels = 4;
constexpr uint32_t kEofb = 0x001001;  // two EOLs

// Number of leading 0 bits of a byte (8 for 0).
struct LeadingZeros {
  uint8_t count[256];
  LeadingZeros() {
    for (int b = 0; b < 256; ++b) {
      int n = 0;
      while (n < 8 && (b & (0x80 >> n)) == 0) ++n;
      count[b] = static_cast<uint8_t>(n);
    }
  }
};
const LeadingZeros kLeadingZeros;

// First position from `start` on whose pixel is not `black`, or `width`.
int64_t FindChange(const uint8_t* row, int64_t width, int64_t start, bool black) {
  if (start >= width) return width;
  const uint8_t flip = black ? 0xFF : 0x00;
  int64_t index = start >> 3;
  const int shift = static_cast<int>(start & 7);
  const auto first = static_cast<uint8_t>(static_cast<uint8_t>(row[index] ^ flip) << shift);
  const int zeros = kLeadingZeros.count[first];
  if (zeros < 8 - shift) return std::min(width, start + zeros);
  const int64_t byte_count = (width + 7) >> 3;
  for (++index; index < byte_count; ++index) {
    const auto b = static_cast<uint8_t>(row[index] ^ flip);
    if (b != 0) return std::min(width, index * 8 + kLeadingZeros.count[b]);
  }
  return width;
}

// Changes of `row` into `out` (room for width + kSentinels), then sentinels.
void FindChanges(const uint8_t* row, int64_t width, std::vector<int64_t>& out) {
  size_t count = 0;
  bool black = false;
  for (int64_t x = FindChange(row, width, 0, false); x < width; x = FindChange(row, width, x, black)) {
    out[count++] = x;
    black = !black;
  }
  for (int i = 0; i < kSentinels; ++i) out[count + static_cast<size_t>(i)] = width;
}

void SetWhiteReference(std::vector<int64_t>& list, int64_t width) {
  for (int i = 0; i < kSentinels; ++i) list[static_cast<size_t>(i)] = width;
}

void Write(BitWriter& out, FaxCode code) { out.Write(code.bits, code.length); }

}  // namespace

FaxEncoder::FaxEncoder(BitWriter& out, int64_t width, FaxCoding coding, int k, bool eol_aligned)
    : out_(out),
      width_(width),
      coding_(coding),
      k_(k < 1 ? 1 : k),
      eol_aligned_(eol_aligned),
      reference_(static_cast<size_t>(width) + kSentinels + 1),
      current_(static_cast<size_t>(width) + kSentinels + 1) {
  SetWhiteReference(reference_, width_);
}

void FaxEncoder::BeginPlane() {
  row_in_plane_ = 0;
  SetWhiteReference(reference_, width_);
}

void FaxEncoder::WriteRun(int64_t run, bool black) {
  const FaxRunCodes& codes = black ? FaxBlackCodes() : FaxWhiteCodes();
  while (run > 2560) {
    Write(out_, codes.makeup[40]);
    run -= 2560;
  }
  if (run >= 64) Write(out_, codes.makeup[run / 64]);
  Write(out_, codes.terminating[run % 64]);
}

void FaxEncoder::CodeRuns() {
  int64_t position = 0;
  bool black = false;
  for (size_t i = 0; current_[i] < width_; ++i) {
    WriteRun(current_[i] - position, black);
    position = current_[i];
    black = !black;
  }
  WriteRun(width_ - position, black);
}

void FaxEncoder::CodeTwoDimensional() {
  int64_t a0 = -1;
  size_t colour = 0;  // 0 white, 1 black: the parity of the changes that start the other colour
  size_t ai = 0;
  size_t bi = 0;
  while (a0 < width_) {
    while (current_[ai] <= a0) ++ai;
    while (reference_[bi] <= a0) ++bi;
    const size_t j = bi + ((bi & 1) != colour ? 1 : 0);
    const int64_t a1 = current_[ai];
    const int64_t b1 = reference_[j];
    const int64_t b2 = reference_[j + 1];
    if (b2 < a1) {
      Write(out_, kFaxPassCode);
      a0 = b2;
    } else if (a1 - b1 >= -3 && a1 - b1 <= 3) {
      Write(out_, kFaxVerticalCodes[a1 - b1 + 3]);
      a0 = a1;
      colour ^= 1;
    } else {
      const int64_t a2 = current_[ai + 1];
      Write(out_, kFaxHorizontalCode);
      WriteRun(a1 - std::max<int64_t>(a0, 0), colour != 0);
      WriteRun(a2 - a1, colour == 0);
      a0 = a2;
    }
  }
}

void FaxEncoder::AddRow(const uint8_t* packed) {
  const bool one_dimensional =
      coding_ == FaxCoding::kHuffman || coding_ == FaxCoding::kHuffmanNoEol ||
      (coding_ == FaxCoding::kMr && row_in_plane_ % k_ == 0);
  if (coding_ == FaxCoding::kHuffman || coding_ == FaxCoding::kMr) {
    // Fill so that the EOL ends on a byte boundary (not before the first one).
    if (eol_aligned_ && out_.bits_written() > 0) {
      const int pad = static_cast<int>((12 - out_.bits_written() % 8) % 8);
      out_.Write(0, pad);
    }
    Write(out_, kFaxEol);
    if (coding_ == FaxCoding::kMr) out_.Write(one_dimensional ? 1 : 0, 1);
  }
  FindChanges(packed, width_, current_);
  if (one_dimensional) {
    CodeRuns();
  } else {
    CodeTwoDimensional();
  }
  if (coding_ == FaxCoding::kHuffmanNoEol) out_.PadToByte(PadBits::kZeros);
  std::swap(reference_, current_);
  ++row_in_plane_;
}

void FaxEncoder::EndPlane() {
  switch (coding_) {
    case FaxCoding::kHuffmanNoEol: break;
    case FaxCoding::kHuffman:
      if (eol_aligned_) out_.PadToByte(PadBits::kZeros);
      for (int i = 0; i < 6; ++i) Write(out_, kFaxEol);
      break;
    case FaxCoding::kMr:
      if (eol_aligned_) out_.Write(0, static_cast<int>((10 - out_.bits_written() % 8) % 8));
      for (int i = 0; i < 6; ++i) {
        Write(out_, kFaxEol);
        out_.Write(1, 1);
      }
      break;
    case FaxCoding::kMmr:
      Write(out_, kFaxEol);
      Write(out_, kFaxEol);
      break;
  }
}

FaxDecoder::FaxDecoder(int64_t width, FaxCoding coding)
    : width_(width),
      coding_(coding),
      reference_(static_cast<size_t>(width) + kSentinels + 2),
      current_(static_cast<size_t>(width) + kSentinels + 2) {
  SetWhiteReference(reference_, width_);
}

void FaxDecoder::BeginStrip(std::span<const uint8_t> bytes, FillOrder order) {
  reader_ = BitReader(bytes, order);
  has_ended_ = false;
  is_first_of_plane_ = false;  // the strip's first plane has no RTC before it
  SetWhiteReference(reference_, width_);
}

void FaxDecoder::BeginPlane() {
  if (coding_ == FaxCoding::kMmr && reader_.Peek(24) == kEofb) reader_.Consume(24);
  if (reader_.bits_consumed() > 0) is_first_of_plane_ = true;
  has_ended_ = false;
  SetWhiteReference(reference_, width_);
}

// Moves past the next EOL (and any fill before it). False at the end of the
// data or at the RTC that ends it.
bool FaxDecoder::FindEol() {
  for (;;) {
    if (reader_.bits_remaining() < 12) return false;
    const uint32_t window = reader_.Peek(11);
    if (window == 0) break;
    // No run of eleven 0 bits starts at or before the first 1 bit.
    reader_.Consume(__builtin_clz(window) - 21 + 1);
  }
  for (;;) {
    const uint64_t remaining = reader_.bits_remaining();
    if (remaining == 0) return false;
    const uint32_t window = reader_.Peek(32);
    if (window != 0) {
      const int zeros = __builtin_clz(window);
      if (static_cast<uint64_t>(zeros) >= remaining) return false;
      reader_.Consume(zeros + 1);
      break;
    }
    if (remaining <= 32) return false;
    reader_.Consume(32);
  }
  // Another EOL right after this one: the RTC, or the previous plane's RTC
  // before the first row of a plane.
  const bool tagged = coding_ == FaxCoding::kMr;
  auto next_is_eol = [&] { return (reader_.Peek(tagged ? 13 : 12) & 0xFFF) == 1; };
  if (!next_is_eol()) {
    is_first_of_plane_ = false;
    return true;
  }
  if (!is_first_of_plane_) return false;
  while (next_is_eol()) reader_.Consume(tagged ? 13 : 12);
  is_first_of_plane_ = false;
  return reader_.bits_remaining() > 0;
}

void FaxDecoder::Append(int64_t position) {
  if (position >= width_) return;
  if (current_count_ > 0 && current_[current_count_ - 1] == position) {
    --current_count_;  // a run of length 0: the two changes cancel
    return;
  }
  if (current_count_ < static_cast<size_t>(width_)) current_[current_count_++] = position;
}

bool FaxDecoder::ReadRun(bool black, int64_t* run) {
  const FaxRunEntry* lookup = black ? FaxBlackLookup() : FaxWhiteLookup();
  int64_t total = 0;
  for (;;) {
    const FaxRunEntry& e = lookup[reader_.Peek(kFaxRunWindow)];
    if (e.kind == FaxRunKind::kInvalid || e.kind == FaxRunKind::kEol) return false;
    reader_.Consume(e.length);
    total += e.run;
    if (e.kind == FaxRunKind::kTerminating) break;
    if (reader_.overran()) return false;
  }
  *run = total;
  return true;
}

bool FaxDecoder::DecodeOneDimensional() {
  int64_t position = 0;
  bool black = false;
  while (position < width_) {
    int64_t run = 0;
    if (!ReadRun(black, &run)) return false;
    if (run > width_ - position) {
      Append(width_);
      return false;  // a run past the row's end
    }
    position += run;
    Append(position);
    black = !black;
  }
  return true;
}

FaxRowResult FaxDecoder::DecodeTwoDimensional() {
  const FaxModeEntry* modes = FaxModeLookup();
  bool is_sound = true;
  int64_t a0 = -1;
  size_t colour = 0;
  size_t bi = 0;
  while (a0 < width_) {
    while (reference_[bi] <= a0) ++bi;
    const size_t j = bi + ((bi & 1) != colour ? 1 : 0);
    const int64_t b1 = reference_[j];
    const int64_t b2 = reference_[j + 1];
    const int64_t start = std::max<int64_t>(a0, 0);
    const FaxModeEntry& e = modes[reader_.Peek(kFaxModeWindow)];
    switch (e.mode) {
      case FaxMode::kPass:
        reader_.Consume(e.length);
        a0 = b2;
        break;
      case FaxMode::kHorizontal: {
        reader_.Consume(e.length);
        int64_t run1 = 0;
        int64_t run2 = 0;
        if (!ReadRun(colour != 0, &run1) || !ReadRun(colour == 0, &run2)) return FaxRowResult::kDamagedRow;
        const int64_t a1 = std::min(width_, start + std::min(run1, width_));
        const int64_t a2 = std::min(width_, a1 + std::min(run2, width_));
        if (start + run1 + run2 > width_) is_sound = false;
        Append(a1);
        Append(a2);
        a0 = a2;
        break;
      }
      case FaxMode::kVertical: {
        reader_.Consume(e.length);
        int64_t a1 = b1 + e.offset;
        if (a1 < start || a1 > width_) {
          is_sound = false;  // a change off the row or behind a0
          a1 = std::clamp(a1, start, width_);
        }
        Append(a1);
        a0 = a1;
        colour ^= 1;
        break;
      }
      case FaxMode::kEol:
        return FaxRowResult::kDamagedRow;  // an EOL inside the row
      default:
        return FaxRowResult::kInvalidMode;
    }
    if (reader_.overran()) return FaxRowResult::kDamagedRow;
  }
  return is_sound ? FaxRowResult::kRow : FaxRowResult::kDamagedRow;
}

void FaxDecoder::Fill(uint8_t* packed) const {
  std::memset(packed, 0, static_cast<size_t>((width_ + 7) / 8));
  for (size_t i = 0; i < current_count_; i += 2) {
    const int64_t from = current_[i];
    const int64_t to = std::min(width_, i + 1 < current_count_ ? current_[i + 1] : width_);
    if (from >= to) continue;
    int64_t first_byte = from >> 3;
    const int64_t last_byte = (to - 1) >> 3;
    const auto head = static_cast<uint8_t>(0xFF >> (from & 7));
    const auto tail = static_cast<uint8_t>(0xFF << (7 - ((to - 1) & 7)));
    if (first_byte == last_byte) {
      packed[first_byte] |= static_cast<uint8_t>(head & tail);
      continue;
    }
    packed[first_byte++] |= head;
    if (last_byte > first_byte) std::memset(packed + first_byte, 0xFF, static_cast<size_t>(last_byte - first_byte));
    packed[last_byte] |= tail;
  }
}

FaxRowResult FaxDecoder::NextRow(uint8_t* packed) {
  current_count_ = 0;
  bool two_dimensional = false;
  if (!has_ended_) {
    switch (coding_) {
      case FaxCoding::kHuffmanNoEol:
        if (reader_.bits_remaining() == 0) has_ended_ = true;
        break;
      case FaxCoding::kHuffman:
        if (!FindEol()) has_ended_ = true;
        break;
      case FaxCoding::kMr:
        if (!FindEol()) {
          has_ended_ = true;
        } else {
          two_dimensional = reader_.Read(1) == 0;
        }
        break;
      case FaxCoding::kMmr:
        two_dimensional = true;
        if (reader_.bits_remaining() == 0 || reader_.Peek(24) == kEofb) has_ended_ = true;
        break;
    }
  }
  if (has_ended_) {
    Fill(packed);
    return FaxRowResult::kEnd;
  }
  FaxRowResult result = FaxRowResult::kRow;
  if (two_dimensional) {
    result = DecodeTwoDimensional();
  } else if (!DecodeOneDimensional()) {
    result = FaxRowResult::kDamagedRow;
  }
  if (coding_ == FaxCoding::kHuffmanNoEol) reader_.AlignToByte();
  if (reader_.overran() && result == FaxRowResult::kRow) result = FaxRowResult::kDamagedRow;
  // Without EOLs there is no place to pick the data up again.
  if (result != FaxRowResult::kRow && (coding_ == FaxCoding::kMmr || coding_ == FaxCoding::kHuffmanNoEol)) {
    has_ended_ = true;
  }
  Fill(packed);
  std::swap(reference_, current_);
  for (int i = 0; i < kSentinels; ++i) reference_[current_count_ + static_cast<size_t>(i)] = width_;
  return result;
}
