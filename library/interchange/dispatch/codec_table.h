// The routing tables of the interchange subsystem: one constant row per
// file-format code (its reader and writer) and one per compression code (its
// encoder and decoder). Adding a codec means filling in its row in
// format_table.cpp or compression_table.cpp; the dispatch logic never names
// a codec. A code without a row, or a row without the function, is refused by
// the dispatch: 18 for a file format, 12 for a compression.
#ifndef PELRITH_INTERCHANGE_DISPATCH_CODEC_TABLE_H_
#define PELRITH_INTERCHANGE_DISPATCH_CODEC_TABLE_H_

#include <cstdint>
#include <span>

#include "core/objects/object.h"
#include "core/system/system.h"

// Calling conventions. Every codec returns 0 or a status it has reported.
// A writer gets the image and the file object the dispatch made from it
// ("repository" 83, "fileName", "fileFormat"). The "fileName" is a temporary
// beside the target, renamed over the target only when the writer returns 0:
// the writer writes there (through the object's stream) and never makes an
// atomic file of its own or writes to any other name.
using IpiFileWriter = int (*)(IpiSystem* sys, IpiObject* image, IpiObject* file);
// A reader gets the source object (a file, "repository" 83 with "fileName", or
// caller memory, 9 with "applicationAddressSpace" and its real "size"), the
// target and the read mode (interchange_codes.h).
using IpiFileReader = int (*)(IpiSystem* sys, IpiObject* source, IpiObject* target, int read_mode);
// The packed-bitmap codec serves several codes and is also told which one.
using IpiFormatFileWriter = int (*)(IpiSystem* sys, IpiObject* image, IpiObject* file, int32_t format);
using IpiFormatFileReader = int (*)(IpiSystem* sys, IpiObject* source, IpiObject* target, int read_mode,
                                    int32_t format);
// Encoders (plain source, compressed target), decoders (compressed source,
// plain target) and row reorders (source, target) share one shape.
using IpiImageCoder = int (*)(IpiSystem* sys, IpiObject* source, IpiObject* target);

struct FileFormatRow {
  int32_t code = 0;
  IpiFileReader reader = nullptr;
  IpiFileWriter writer = nullptr;
  IpiFormatFileReader reader_with_format = nullptr;  // in place of `reader`
  IpiFormatFileWriter writer_with_format = nullptr;  // in place of `writer`
  // Formats that store rows interlaced: the write front reorders a copy with
  // `interlace_rows` before encoding it, the read front puts decoded rows back
  // in order with `deinterlace_rows`.
  IpiImageCoder interlace_rows = nullptr;
  IpiImageCoder deinterlace_rows = nullptr;
  // Formats of several images a file: a composite array is read (and, where
  // there is a writer, written) a page an entry.
  bool holds_pages = false;
  // Files above this size are read through the file instead of a whole copy;
  // 0: every file is copied whole, up to the whole-file cap.
  uint64_t copy_limit_bytes = 0;
  // The precision a coded image of the format decodes to, from the one its
  // file states; null: the same.
  int32_t (*decoded_precision)(int32_t stated) = nullptr;
  // 1-bit rows are widened to whole bytes when the context's "byteBoundary"
  // is on (the coder works on the true width).
  bool byte_boundary_rows = false;

  bool has_reader() const { return reader != nullptr || reader_with_format != nullptr; }
  bool has_writer() const { return writer != nullptr || writer_with_format != nullptr; }
};

struct CompressionRow {
  int32_t code = 0;
  IpiImageCoder encoder = nullptr;
  IpiImageCoder decoder = nullptr;
};

// The constant tables, in code order.
[[nodiscard]] std::span<const FileFormatRow> IpiFileFormatTable();
[[nodiscard]] std::span<const CompressionRow> IpiCompressionTable();

// The row of a code, or null for a code outside the table.
[[nodiscard]] const FileFormatRow* IpiFindFileFormat(int32_t code);
[[nodiscard]] const CompressionRow* IpiFindCompression(int32_t code);

// Calls the row's reader or writer in its own convention. The row must have one.
[[nodiscard]] int IpiCallReader(IpiSystem* sys, const FileFormatRow& row, IpiObject* source, IpiObject* target,
                                int read_mode);
[[nodiscard]] int IpiCallWriter(IpiSystem* sys, const FileFormatRow& row, IpiObject* image, IpiObject* file);

// Test rows: while an instance lives, its rows are found (on its thread)
// before those of the constant tables, so tests can route a code to a fake
// codec. Instances nest; the innermost is searched first.
class ScopedCodecRowsForTesting {
 public:
  ScopedCodecRowsForTesting(std::span<const FileFormatRow> formats, std::span<const CompressionRow> compressions);
  ~ScopedCodecRowsForTesting();
  ScopedCodecRowsForTesting(const ScopedCodecRowsForTesting&) = delete;
  ScopedCodecRowsForTesting& operator=(const ScopedCodecRowsForTesting&) = delete;

 private:
  friend const FileFormatRow* IpiFindFileFormat(int32_t code);
  friend const CompressionRow* IpiFindCompression(int32_t code);
  std::span<const FileFormatRow> formats_;
  std::span<const CompressionRow> compressions_;
  ScopedCodecRowsForTesting* outer_;
};

#endif  // PELRITH_INTERCHANGE_DISPATCH_CODEC_TABLE_H_
