// Bounded reads over a byte view. Numbers are assembled from single bytes by
// shifts, so alignment and host byte order never matter.
#include "interchange/io/byte_reader.h"

#include <cstring>

namespace {

uint32_t LoadLe(const uint8_t* p, int byte_count) {
  uint32_t value = 0;
  for (int i = byte_count - 1; i >= 0; --i) value = (value << 8) | p[i];
  return value;
}

uint32_t LoadBe(const uint8_t* p, int byte_count) {
  uint32_t value = 0;
  for (int i = 0; i < byte_count; ++i) value = (value << 8) | p[i];
  return value;
}

}  // namespace

bool ByteReader::ReadU16Le(uint16_t& out) {
  if (remaining() < 2) return false;
  out = static_cast<uint16_t>(LoadLe(bytes_.data() + position_, 2));
  position_ += 2;
  return true;
}

bool ByteReader::ReadU16Be(uint16_t& out) {
  if (remaining() < 2) return false;
  out = static_cast<uint16_t>(LoadBe(bytes_.data() + position_, 2));
  position_ += 2;
  return true;
}

bool ByteReader::ReadU32Le(uint32_t& out) {
  if (remaining() < 4) return false;
  out = LoadLe(bytes_.data() + position_, 4);
  position_ += 4;
  return true;
}

bool ByteReader::ReadU32Be(uint32_t& out) {
  if (remaining() < 4) return false;
  out = LoadBe(bytes_.data() + position_, 4);
  position_ += 4;
  return true;
}

bool ByteReader::ReadU16(ByteOrder order, uint16_t& out) {
  return order == ByteOrder::kLittleEndian ? ReadU16Le(out) : ReadU16Be(out);
}

bool ByteReader::ReadU32(ByteOrder order, uint32_t& out) {
  return order == ByteOrder::kLittleEndian ? ReadU32Le(out) : ReadU32Be(out);
}

bool ByteReader::ReadBytes(std::span<uint8_t> out) {
  if (out.size() > remaining()) return false;
  if (!out.empty()) std::memcpy(out.data(), bytes_.data() + position_, out.size());
  position_ += out.size();
  return true;
}

bool ByteReader::Skip(uint64_t count) {
  if (count > remaining()) return false;
  position_ += count;
  return true;
}

bool ByteReader::SeekTo(uint64_t offset) {
  if (offset > bytes_.size()) return false;
  position_ = offset;
  return true;
}

bool ByteReader::Slice(uint64_t offset, uint64_t length, ByteReader& out) const {
  // offset <= size is checked first, so size - offset cannot wrap; the two
  // values are never added, so a length near 2^64 cannot wrap either.
  if (offset > bytes_.size() || length > bytes_.size() - offset) return false;
  out = ByteReader(bytes_.subspan(offset, length));
  return true;
}

bool ByteReader::ReadSlice(uint64_t length, ByteReader& out) {
  if (!Slice(position_, length, out)) return false;
  position_ += length;
  return true;
}
