// Lookups in the routing tables, with the test rows searched first.
#include "interchange/dispatch/codec_table.h"

#include <cassert>

namespace {

// Innermost live test rows of this thread; null outside tests.
thread_local ScopedCodecRowsForTesting* g_test_rows = nullptr;

template <typename Row>
const Row* FindRow(std::span<const Row> rows, int32_t code) {
  for (const Row& row : rows) {
    if (row.code == code) return &row;
  }
  return nullptr;
}

}  // namespace

ScopedCodecRowsForTesting::ScopedCodecRowsForTesting(std::span<const FileFormatRow> formats,
                                                     std::span<const CompressionRow> compressions)
    : formats_(formats), compressions_(compressions), outer_(g_test_rows) {
  g_test_rows = this;
}

ScopedCodecRowsForTesting::~ScopedCodecRowsForTesting() { g_test_rows = outer_; }

const FileFormatRow* IpiFindFileFormat(int32_t code) {
  for (const ScopedCodecRowsForTesting* rows = g_test_rows; rows != nullptr; rows = rows->outer_) {
    if (const FileFormatRow* row = FindRow(rows->formats_, code)) return row;
  }
  return FindRow(IpiFileFormatTable(), code);
}

const CompressionRow* IpiFindCompression(int32_t code) {
  for (const ScopedCodecRowsForTesting* rows = g_test_rows; rows != nullptr; rows = rows->outer_) {
    if (const CompressionRow* row = FindRow(rows->compressions_, code)) return row;
  }
  return FindRow(IpiCompressionTable(), code);
}

int IpiCallReader(IpiSystem* sys, const FileFormatRow& row, IpiObject* source, IpiObject* target, int read_mode) {
  assert(row.has_reader());
  if (row.reader_with_format != nullptr) return row.reader_with_format(sys, source, target, read_mode, row.code);
  return row.reader(sys, source, target, read_mode);
}

int IpiCallWriter(IpiSystem* sys, const FileFormatRow& row, IpiObject* image, IpiObject* file) {
  assert(row.has_writer());
  if (row.writer_with_format != nullptr) return row.writer_with_format(sys, image, file, row.code);
  return row.writer(sys, image, file);
}
