// The record layer of Zoltra tagged raster files (fileFormat 216), shared by
// the reader and the image count so that both see the same images in a file:
// the leading block, the document start and, per image, its records down to
// the end records. Every length is checked against the bytes that are there,
// and a walk over images passes each offset through a ChainGuard.
#ifndef PELRITH_INTERCHANGE_ZOLTRA_ZOLTRA_RECORDS_H_
#define PELRITH_INTERCHANGE_ZOLTRA_ZOLTRA_RECORDS_H_

#include <cstdint>
#include <span>
#include <vector>

#include "interchange/io/byte_reader.h"
#include "interchange/io/chain_guard.h"

// Record codes: a 16-bit code and a 16-bit value, big-endian.
inline constexpr uint16_t kZoltraDocumentStart = 0xF111;
inline constexpr uint16_t kZoltraImageStart = 0xF110;
inline constexpr uint16_t kZoltraDescriptor = 0xF500;
inline constexpr uint16_t kZoltraContent = 0xF401;
inline constexpr uint16_t kZoltraChainedContent = 0xF501;
inline constexpr uint16_t kZoltraContentPiece = 0xF004;
inline constexpr uint16_t kZoltraEnd = 0xF000;
inline constexpr uint16_t kZoltraOpenValue = 0x8000;  // document and image start; extra end record

inline constexpr uint64_t kZoltraRecordBytes = 4;
inline constexpr uint64_t kZoltraImageHeadBytes = 24;

struct ZoltraRecord {
  uint16_t code = 0;
  uint16_t value = 0;

  bool Is(uint16_t c, uint16_t v) const { return code == c && value == v; }
};

// Reads the record at `offset` of `file`. False past the end.
[[nodiscard]] bool ReadZoltraRecord(const ByteReader& file, uint64_t offset, ZoltraRecord* out);

// The leading block (two digits coded F0 to F9, then 23) and the document
// start record F111 8000 at 256 x the number the digits form. 0 with the
// offset of the first record after the document start; 22 for a malformed
// block or record; `past_end_code` when the file ends before either.
[[nodiscard]] int ParseZoltraDocument(const ByteReader& file, int past_end_code, uint64_t* first_record);

// One image's records, from its F110 8000 record to past its end records.
struct ZoltraImageRecords {
  uint64_t start = 0;  // offset of the F110 8000 record
  uint64_t next = 0;   // offset of the record after the image
  bool has_extra_end = false;
  bool is_chained = false;
  // The image content: the one F401 record's bytes, or the F004 pieces.
  std::vector<std::span<const uint8_t>> content;
  uint64_t content_bytes = 0;
};

// Parses the image whose F110 8000 record stands at `offset`: the 24-byte
// head (byte 12 is F1), the second F110 record, the F500 descriptor block,
// F401 content or F501 with F004 pieces closed by an F000 record, the extra
// F000 0000 record when the second F110 record has value 8000, and the final
// F000 0000. 0; 22 for any other record or value; `past_end_code` when the
// file ends inside the image.
[[nodiscard]] int ParseZoltraImageRecords(const ByteReader& file, uint64_t offset, int past_end_code,
                                          ZoltraImageRecords* out);

// The images of a file one after another, from the first record after the
// document start; an F000 0000 record in place of an image ends them. Each
// image offset passes a ChainGuard, so the walk stops at the page cap.
class ZoltraImageWalk {
 public:
  ZoltraImageWalk(const ByteReader& file, uint64_t first_record, int past_end_code)
      : file_(file), offset_(first_record), past_end_code_(past_end_code) {}

  // 0 with `*has_image` and `out` filled for the next image, or 0 with
  // `*has_image` false at the end record; 22 for any other record or past
  // the page cap; `past_end_code` when the file ends first. After an error
  // the walk stays failed.
  [[nodiscard]] int Next(ZoltraImageRecords* out, bool* has_image);

 private:
  const ByteReader& file_;
  uint64_t offset_;
  int past_end_code_;
  int status_ = 0;
  bool has_ended_ = false;
  ChainGuard guard_;
};

#endif  // PELRITH_INTERCHANGE_ZOLTRA_ZOLTRA_RECORDS_H_
