// The byte side of the bit writer: whole bytes leave the accumulator in
// stream order, mirrored when the fill order is least significant bit first.
#include "interchange/io/bit_writer.h"

BitWriter::BitWriter(ByteSink& sink, FillOrder order) : out_(&piece_), sink_(&sink), order_(order) {
  piece_.reserve(kSinkPieceBytes);
}

void BitWriter::EmitWord() {
  uint64_t word = window_ >> 32;  // the four oldest bytes, first at bits 31..24
  if (order_ == FillOrder::kLsbFirst) word = ReverseBitsOfEachByte(word);
  uint8_t bytes[4] = {static_cast<uint8_t>(word >> 24), static_cast<uint8_t>(word >> 16),
                      static_cast<uint8_t>(word >> 8), static_cast<uint8_t>(word)};
  out_->insert(out_->end(), bytes, bytes + 4);
  window_ <<= 32;
  held_bits_ -= 32;
  if (sink_ != nullptr && piece_.size() >= kSinkPieceBytes) (void)SendPiece();
}

void BitWriter::EmitByte(uint8_t byte) {
  if (order_ == FillOrder::kLsbFirst) byte = static_cast<uint8_t>(ReverseBitsOfEachByte(byte));
  out_->push_back(byte);
}

void BitWriter::PadToByte(PadBits pad) {
  int pad_bits = (8 - (held_bits_ & 7)) & 7;
  Write(pad == PadBits::kOnes ? 0xFFu : 0u, pad_bits);
}

bool BitWriter::Flush() {
  PadToByte(PadBits::kZeros);
  while (held_bits_ > 0) {
    EmitByte(static_cast<uint8_t>(window_ >> 56));
    window_ <<= 8;
    held_bits_ -= 8;
  }
  if (sink_ == nullptr) return true;
  return SendPiece();
}

bool BitWriter::SendPiece() {
  // A failed sink refuses every later write, so the bytes are dropped here and
  // the failure shows in Flush().
  bool ok = sink_->Write(piece_.data(), piece_.size());
  piece_.clear();
  return ok;
}
