// The record layer of Zoltra files; see zoltra_records.h. Offsets only grow
// while an image is parsed (every record is at least 4 bytes), and every
// range is sliced from the file view before it is used.
#include "interchange/zoltra/zoltra_records.h"

#include "core/status.h"

namespace {

constexpr uint8_t kDigitZero = 0xF0;  // decimal digits coded F0 to F9
constexpr uint8_t kDigitNine = 0xF9;
constexpr uint8_t kLeadingMark = 0x23;
constexpr uint64_t kLeadingUnitBytes = 256;
constexpr size_t kHeadMarkOffset = 12;
constexpr uint8_t kHeadMark = 0xF1;
constexpr uint16_t kLengthMask = 0x7FFF;
constexpr uint16_t kLengthHighBit = 0x8000;

// Reads the record at `offset` into `out`; `past_end_code` when it is not there.
int ReadRecord(const ByteReader& file, uint64_t offset, int past_end_code, ZoltraRecord* out) {
  return ReadZoltraRecord(file, offset, out) ? kIpiNoError : past_end_code;
}

// Slices `length` bytes at `offset`; `past_end_code` when they pass the end.
int SliceBytes(const ByteReader& file, uint64_t offset, uint64_t length, int past_end_code,
               std::span<const uint8_t>* out) {
  ByteReader slice;
  if (!file.Slice(offset, length, slice)) return past_end_code;
  *out = slice.bytes();
  return kIpiNoError;
}

}  // namespace

bool ReadZoltraRecord(const ByteReader& file, uint64_t offset, ZoltraRecord* out) {
  ByteReader record;
  if (!file.Slice(offset, kZoltraRecordBytes, record)) return false;
  uint16_t code = 0;
  uint16_t value = 0;
  if (!record.ReadU16Be(code) || !record.ReadU16Be(value)) return false;
  *out = {code, value};
  return true;
}

int ParseZoltraDocument(const ByteReader& file, int past_end_code, uint64_t* first_record) {
  ByteReader head;
  if (!file.Slice(0, kZoltraRecordBytes, head)) return past_end_code;
  const std::span<const uint8_t> b = head.bytes();
  for (int i = 0; i < 2; ++i) {
    if (b[static_cast<size_t>(i)] < kDigitZero || b[static_cast<size_t>(i)] > kDigitNine) return kIpiSyntaxError;
  }
  if (b[2] != kLeadingMark) return kIpiSyntaxError;
  const uint64_t units = uint64_t{10} * (b[0] - kDigitZero) + (b[1] - kDigitZero);
  const uint64_t document = units * kLeadingUnitBytes;
  ZoltraRecord record;
  IPI_RETURN_IF_ERROR(ReadRecord(file, document, past_end_code, &record));
  if (!record.Is(kZoltraDocumentStart, kZoltraOpenValue)) return kIpiSyntaxError;
  *first_record = document + kZoltraRecordBytes;
  return kIpiNoError;
}

int ParseZoltraImageRecords(const ByteReader& file, uint64_t offset, int past_end_code, ZoltraImageRecords* out) {
  ZoltraImageRecords image;
  image.start = offset;
  uint64_t at = offset;
  ZoltraRecord record;
  IPI_RETURN_IF_ERROR(ReadRecord(file, at, past_end_code, &record));
  if (!record.Is(kZoltraImageStart, kZoltraOpenValue)) return kIpiSyntaxError;
  at += kZoltraRecordBytes;

  std::span<const uint8_t> head;
  IPI_RETURN_IF_ERROR(SliceBytes(file, at, kZoltraImageHeadBytes, past_end_code, &head));
  if (head[kHeadMarkOffset] != kHeadMark) return kIpiSyntaxError;
  at += kZoltraImageHeadBytes;

  IPI_RETURN_IF_ERROR(ReadRecord(file, at, past_end_code, &record));
  if (record.code != kZoltraImageStart) return kIpiSyntaxError;
  image.has_extra_end = record.value == kZoltraOpenValue;
  at += kZoltraRecordBytes;

  IPI_RETURN_IF_ERROR(ReadRecord(file, at, past_end_code, &record));
  if (record.code != kZoltraDescriptor || (record.value & kLengthHighBit) != 0) return kIpiSyntaxError;
  at += kZoltraRecordBytes;
  std::span<const uint8_t> skipped;
  IPI_RETURN_IF_ERROR(SliceBytes(file, at, record.value, past_end_code, &skipped));
  at += record.value;

  IPI_RETURN_IF_ERROR(ReadRecord(file, at, past_end_code, &record));
  at += kZoltraRecordBytes;
  if (record.code == kZoltraContent) {
    const uint16_t length = record.value & kLengthMask;
    std::span<const uint8_t> content;
    IPI_RETURN_IF_ERROR(SliceBytes(file, at, length, past_end_code, &content));
    image.content.push_back(content);
    image.content_bytes = length;
    at += length;
  } else if (record.code == kZoltraChainedContent) {
    image.is_chained = true;
    // Pieces until the closing F000 record; each record moves `at` on by at
    // least 4 bytes, so the loop ends at the file's end at the latest.
    for (;;) {
      IPI_RETURN_IF_ERROR(ReadRecord(file, at, past_end_code, &record));
      at += kZoltraRecordBytes;
      if (record.code == kZoltraEnd) break;
      if (record.code != kZoltraContentPiece || (record.value & kLengthHighBit) != 0) return kIpiSyntaxError;
      std::span<const uint8_t> piece;
      IPI_RETURN_IF_ERROR(SliceBytes(file, at, record.value, past_end_code, &piece));
      if (!piece.empty()) image.content.push_back(piece);
      image.content_bytes += record.value;
      at += record.value;
    }
  } else {
    return kIpiSyntaxError;
  }

  const int end_records = image.has_extra_end ? 2 : 1;
  for (int i = 0; i < end_records; ++i) {
    IPI_RETURN_IF_ERROR(ReadRecord(file, at, past_end_code, &record));
    if (!record.Is(kZoltraEnd, 0)) return kIpiSyntaxError;
    at += kZoltraRecordBytes;
  }
  image.next = at;
  *out = std::move(image);
  return kIpiNoError;
}

int ZoltraImageWalk::Next(ZoltraImageRecords* out, bool* has_image) {
  *has_image = false;
  if (status_ != kIpiNoError || has_ended_) return status_;
  ZoltraRecord record;
  status_ = ReadRecord(file_, offset_, past_end_code_, &record);
  if (status_ != kIpiNoError) return status_;
  if (record.Is(kZoltraEnd, 0)) {
    has_ended_ = true;
    return kIpiNoError;
  }
  if (!record.Is(kZoltraImageStart, kZoltraOpenValue) || !guard_.Visit(offset_)) {
    status_ = kIpiSyntaxError;
    return status_;
  }
  status_ = ParseZoltraImageRecords(file_, offset_, past_end_code_, out);
  if (status_ != kIpiNoError) return status_;
  offset_ = out->next;
  *has_image = true;
  return kIpiNoError;
}
