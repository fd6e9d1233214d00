// The bitmap run-length decoder on fuzz bytes. The last three bytes give the
// rows (1 to 64), the width (1 to 256 pixels) and the scheme and row layout;
// each row is a buffer of exactly its length, so any write past it shows.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "interchange/bmp/bmp_run_length.h"

namespace {

class ExactRows final : public RleRowSink {
 public:
  ExactRows(int64_t rows, int64_t row_bytes) : rows_(static_cast<size_t>(rows)) {
    for (auto& row : rows_) row.assign(static_cast<size_t>(row_bytes), 0);
  }
  int BeginRow(int64_t coded_row, uint8_t** row) override {
    *row = rows_.at(static_cast<size_t>(coded_row)).data();
    return 0;
  }
  int EndRow(int64_t) override { return 0; }

 private:
  std::vector<std::vector<uint8_t>> rows_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const uint8_t mode = data[size - 1];
  RleDecodeShape shape;
  shape.rows = 1 + data[size - 3] % 64;
  shape.bits = (mode & 1) != 0 ? 4 : 8;
  shape.layout = shape.bits == 4 && (mode & 2) != 0 ? RleRowLayout::kPackedNibbles : RleRowLayout::kPixelPerByte;
  const int64_t row_bytes = 1 + data[size - 2];
  shape.width_px = shape.layout == RleRowLayout::kPackedNibbles ? 2 * row_bytes : row_bytes;
  ExactRows rows(shape.rows, row_bytes);
  const std::vector<uint8_t> body(data, data + size - 3);
  (void)DecodeBmpRunLengthBody(body, shape, rows);
  return 0;
}
