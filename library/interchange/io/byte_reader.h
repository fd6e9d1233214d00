// Bounded reading of file and memory images: every parser reads its input
// through a ByteReader. No read goes past the view it was given; a read that
// does not fit returns false and leaves its output untouched.
#ifndef PELRITH_INTERCHANGE_IO_BYTE_READER_H_
#define PELRITH_INTERCHANGE_IO_BYTE_READER_H_

#include <cstdint>
#include <span>

// The order of multi-byte numbers in a file whose order is known only when
// its header has been read (TIFF "II" / "MM").
enum class ByteOrder { kLittleEndian, kBigEndian };

class ByteReader {
 public:
  ByteReader() = default;  // an empty view
  explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  [[nodiscard]] bool ReadU8(uint8_t& out) {
    if (position_ >= bytes_.size()) return false;
    out = bytes_[position_++];
    return true;
  }
  [[nodiscard]] bool ReadU16Le(uint16_t& out);
  [[nodiscard]] bool ReadU16Be(uint16_t& out);
  [[nodiscard]] bool ReadU32Le(uint32_t& out);
  [[nodiscard]] bool ReadU32Be(uint32_t& out);
  [[nodiscard]] bool ReadU16(ByteOrder order, uint16_t& out);
  [[nodiscard]] bool ReadU32(ByteOrder order, uint32_t& out);
  // Fills all of `out`, or nothing.
  [[nodiscard]] bool ReadBytes(std::span<uint8_t> out);

  [[nodiscard]] bool Skip(uint64_t count);
  // Absolute; the end itself is a valid position, anything past it is not.
  [[nodiscard]] bool SeekTo(uint64_t offset);
  // A reader over [offset, offset + length) of this view, at its position 0.
  // False, with `out` unchanged, when the range does not lie inside the view.
  [[nodiscard]] bool Slice(uint64_t offset, uint64_t length, ByteReader& out) const;
  // Slice of the next `length` bytes from the position, which moves past them.
  [[nodiscard]] bool ReadSlice(uint64_t length, ByteReader& out);

  uint64_t position() const { return position_; }
  uint64_t remaining() const { return bytes_.size() - position_; }
  uint64_t size() const { return bytes_.size(); }
  // The whole view, and the part from the position on.
  std::span<const uint8_t> bytes() const { return bytes_; }
  std::span<const uint8_t> rest() const { return bytes_.subspan(position_); }

 private:
  std::span<const uint8_t> bytes_;
  uint64_t position_ = 0;  // invariant: position_ <= bytes_.size()
};

#endif  // PELRITH_INTERCHANGE_IO_BYTE_READER_H_
