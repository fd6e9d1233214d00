// The glue between libjpeg and the library: an error manager that turns
// every libjpeg error into a status instead of exiting, a source manager over
// a byte view, a destination manager over an object's stream, and JpegLibRun,
// the one place that arms a jump buffer. libjpeg leaves an error by a long
// jump; JpegLibRun is its only landing point, and it and the steps it runs
// hold no object with a destructor, so the jump never skips one. The owners
// of the libjpeg objects (JpegLibCompressor, JpegLibDecompressor) sit in the
// caller and destroy them on every path.
#ifndef PELRITH_INTERCHANGE_JPEG_LIB_JPEG_LIB_GLUE_H_
#define PELRITH_INTERCHANGE_JPEG_LIB_JPEG_LIB_GLUE_H_

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>

#include <jpeglib.h>

#include "core/streams/stream.h"
#include "core/system/system.h"

// Bytes handed to the destination stream at a time.
inline constexpr size_t kJpegLibBufferBytes = 4096;
// A progressive file with more scans than this is refused with 22: each scan
// walks the whole image again, so a file of tiny scans could keep a reader
// busy for hours. Real files have about ten.
inline constexpr int kJpegLibMaxScans = 1000;

struct JpegLibErrorManager {
  jpeg_error_mgr pub;  // first: libjpeg sees only this part
  std::jmp_buf jump;
  IpiSystem* sys = nullptr;
  int status = 0;            // the status a jump turns into; 0 until a failure
  bool is_reported = false;  // the stream layer has already reported `status`
};

// One step of libjpeg calls. It must hold no object with a destructor.
using JpegLibStep = void (*)(void* context);

// Runs `step` under the manager's jump buffer: 0, or the status of the
// libjpeg error that ended it, reported once. After a failure the libjpeg
// object may only be destroyed.
[[nodiscard]] int JpegLibRun(JpegLibErrorManager& err, JpegLibStep step, void* context);

// The bytes of a file image, handed to libjpeg in one piece. Past their end
// it supplies an end-of-image marker (with libjpeg's warning), so a file cut
// inside its coded data decodes as far as it goes and ends without an error.
struct JpegLibSource {
  jpeg_source_mgr pub;  // first
  const uint8_t* data = nullptr;
  size_t size = 0;
  bool is_delivered = false;  // the bytes have been handed over
  bool has_hit_end = false;   // the end-of-image marker was supplied
};

// The coded bytes go to an object's stream from offset 0.
struct JpegLibDestination {
  jpeg_destination_mgr pub;  // first
  IpiSystem* sys = nullptr;
  IpiStream* stream = nullptr;
  int64_t position = 0;  // bytes written to the stream
  JOCTET buffer[kJpegLibBufferBytes];
};

// Owns a compression object with its error manager and destination.
class JpegLibCompressor {
 public:
  explicit JpegLibCompressor(IpiSystem* sys);
  ~JpegLibCompressor();
  JpegLibCompressor(const JpegLibCompressor&) = delete;
  JpegLibCompressor& operator=(const JpegLibCompressor&) = delete;

  // Creates the object writing to `stream`: 0 or the reported status.
  [[nodiscard]] int Create(IpiStream* stream);
  [[nodiscard]] int Run(JpegLibStep step, void* context) { return JpegLibRun(err_, step, context); }
  jpeg_compress_struct* info() { return &info_; }
  int64_t bytes_written() const { return destination_.position; }

 private:
  JpegLibErrorManager err_;
  jpeg_compress_struct info_{};
  JpegLibDestination destination_;
  bool is_created_ = false;
};

// Owns a decompression object with its error manager and source.
class JpegLibDecompressor {
 public:
  explicit JpegLibDecompressor(IpiSystem* sys);
  ~JpegLibDecompressor();
  JpegLibDecompressor(const JpegLibDecompressor&) = delete;
  JpegLibDecompressor& operator=(const JpegLibDecompressor&) = delete;

  // Creates the object reading `bytes`, which must outlive it: 0 or the
  // reported status.
  [[nodiscard]] int Create(std::span<const uint8_t> bytes);
  [[nodiscard]] int Run(JpegLibStep step, void* context) { return JpegLibRun(err_, step, context); }
  jpeg_decompress_struct* info() { return &info_; }

 private:
  JpegLibErrorManager err_;
  jpeg_decompress_struct info_{};
  JpegLibSource source_;
  jpeg_progress_mgr progress_{};
  bool is_created_ = false;
};

#endif  // PELRITH_INTERCHANGE_JPEG_LIB_JPEG_LIB_GLUE_H_
