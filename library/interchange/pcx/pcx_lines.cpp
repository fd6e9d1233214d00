// PCX line units and run codes; see pcx_lines.h.
#include "interchange/pcx/pcx_lines.h"

#include <algorithm>
#include <cstring>

int64_t PcxBytesPerLine(PcxLayout layout, int64_t width) {
  if (layout == PcxLayout::kBytes8) return (width + 1) / 2 * 2;
  return (width + 15) / 16 * 2;
}

void EncodePcxUnit(std::span<const uint8_t> unit, std::vector<uint8_t>& out) {
  const size_t n = unit.size();
  size_t i = 0;
  while (i < n) {
    const uint8_t value = unit[i];
    size_t run = 1;
    while (i + run < n && run < kPcxMaxRun && unit[i + run] == value) ++run;
    // Two equal bytes are a run; a lone byte that looks like a count byte is
    // a run of one.
    if (run > 1 || value >= kPcxCountFlag) {
      out.push_back(static_cast<uint8_t>(kPcxCountFlag | run));
    }
    out.push_back(value);
    i += run;
  }
}

bool PcxRunDecoder::DecodePcxUnit(uint8_t* out, int64_t count) {
  int64_t filled = 0;
  // The rest of a run that went past the previous unit.
  const int64_t carried = std::min<int64_t>(run_left_, count);
  std::memset(out, run_value_, static_cast<size_t>(carried));
  filled += carried;
  run_left_ -= static_cast<int>(carried);
  const uint8_t* coded = coded_.data();
  const size_t size = coded_.size();
  while (filled < count) {
    if (position_ >= size) return false;
    const uint8_t code = coded[position_++];
    if (code < kPcxCountFlag) {
      out[filled++] = code;
      continue;
    }
    if (position_ >= size) return false;
    const uint8_t value = coded[position_++];
    const int run = code & kPcxMaxRun;
    const int64_t taken = std::min<int64_t>(run, count - filled);
    std::memset(out + filled, value, static_cast<size_t>(taken));
    filled += taken;
    run_value_ = value;
    run_left_ = run - static_cast<int>(taken);
  }
  return true;
}

uint64_t PcxCodedLength(std::span<const uint8_t> coded, uint64_t decoded_bytes, bool* is_complete) {
  uint64_t covered = 0;
  size_t position = 0;
  const size_t size = coded.size();
  while (covered < decoded_bytes && position < size) {
    const uint8_t code = coded[position];
    if (code < kPcxCountFlag) {
      covered += 1;
      position += 1;
    } else {
      if (size - position < 2) break;  // a count byte without its value
      covered += code & kPcxMaxRun;
      position += 2;
    }
  }
  *is_complete = covered >= decoded_bytes;
  return *is_complete ? position : size;
}
