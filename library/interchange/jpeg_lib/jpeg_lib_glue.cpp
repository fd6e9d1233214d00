// libjpeg glue; see jpeg_lib_glue.h. Every callback handed to libjpeg is
// noexcept and holds no object with a destructor: libjpeg may leave any of
// them by a long jump to JpegLibRun.
#include "interchange/jpeg_lib/jpeg_lib_glue.h"

#include <cerrno>

#include <jerror.h>

#include "core/status.h"

namespace {

// The end-of-image marker supplied past the end of the data.
constexpr JOCTET kEndOfImage[2] = {0xFF, 0xD9};

JpegLibErrorManager& ErrorsOf(j_common_ptr cinfo) { return *reinterpret_cast<JpegLibErrorManager*>(cinfo->err); }

constexpr int kTwelveBitPrecision = 12;

// The status of a libjpeg error: -1 for memory and I/O only, 12 for coding
// variants this libjpeg does not decode (12-bit samples, features left out
// of the build), 3 for sizes beyond it, 22 for everything the data caused.
int StatusOfError(j_common_ptr cinfo) {
  const int code = cinfo->err->msg_code;
  switch (code) {
    case JERR_OUT_OF_MEMORY:
      errno = ENOMEM;
      return kIpiSystemFailure;
    case JERR_FILE_READ:
    case JERR_FILE_WRITE:
    case JERR_TFILE_CREATE:
    case JERR_TFILE_READ:
    case JERR_TFILE_SEEK:
    case JERR_TFILE_WRITE:
      if (errno == 0) errno = EIO;
      return kIpiSystemFailure;
    case JERR_BAD_PRECISION:
      // 12-bit files are valid JPEG; any other precision is a broken header.
      if (!cinfo->is_decompressor ||
          reinterpret_cast<j_decompress_ptr>(cinfo)->data_precision != kTwelveBitPrecision) {
        return kIpiSyntaxError;
      }
      return kIpiNonPermissibleOption;
    case JERR_NOT_COMPILED:
    case JERR_NOTIMPL:
    case JERR_ARITH_NOTIMPL:
    case JERR_CCIR601_NOTIMPL:
    case JERR_CONVERSION_NOTIMPL:
    case JERR_FRACT_SAMPLE_NOTIMPL:
      return kIpiNonPermissibleOption;
    case JERR_IMAGE_TOO_BIG:
    case JERR_WIDTH_OVERFLOW:
      return kIpiExceedImplementation;
    default:
      return kIpiSyntaxError;
  }
}

[[noreturn]] void JpegLibErrorExit(j_common_ptr cinfo) noexcept {
  JpegLibErrorManager& err = ErrorsOf(cinfo);
  if (err.status == 0) err.status = StatusOfError(cinfo);
  std::longjmp(err.jump, 1);
}

// Warnings are counted, trace messages dropped, nothing printed. A warning
// is not an error: libjpeg goes on with what the data gives (a cut file or a
// bad code leaves grey where pixels are missing), and only its fatal errors
// end a read.
void JpegLibEmitMessage(j_common_ptr cinfo, int level) noexcept {
  if (level < 0) ErrorsOf(cinfo).pub.num_warnings++;
}

void JpegLibSilentOutputMessage(j_common_ptr) noexcept {}

// Ends the step with `status`, which the caller has reported or will have
// reported by JpegLibRun.
[[noreturn]] void FailWith(j_common_ptr cinfo, int status, bool is_reported, int code) noexcept {
  JpegLibErrorManager& err = ErrorsOf(cinfo);
  err.status = status;
  err.is_reported = is_reported;
  err.pub.msg_code = code;
  JpegLibErrorExit(cinfo);
}

void InstallErrorManager(IpiSystem* sys, JpegLibErrorManager& err) {
  jpeg_std_error(&err.pub);
  err.pub.error_exit = JpegLibErrorExit;
  err.pub.emit_message = JpegLibEmitMessage;
  err.pub.output_message = JpegLibSilentOutputMessage;
  err.sys = sys;
}

void JpegLibMonitorScans(j_common_ptr cinfo) noexcept {
  if (!cinfo->is_decompressor) return;
  if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kJpegLibMaxScans) {
    FailWith(cinfo, kIpiSyntaxError, false, JERR_NOTIMPL);
  }
}

// --- source ---------------------------------------------------------------------

JpegLibSource& SourceOf(j_decompress_ptr cinfo) { return *reinterpret_cast<JpegLibSource*>(cinfo->src); }

void JpegLibInitSource(j_decompress_ptr) noexcept {}

boolean JpegLibFillInputBuffer(j_decompress_ptr cinfo) noexcept {
  JpegLibSource& src = SourceOf(cinfo);
  if (!src.is_delivered) {
    src.is_delivered = true;
    if (src.size == 0) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    src.pub.next_input_byte = src.data;
    src.pub.bytes_in_buffer = src.size;
    return TRUE;
  }
  WARNMS(cinfo, JWRN_JPEG_EOF);
  src.has_hit_end = true;
  src.pub.next_input_byte = kEndOfImage;
  src.pub.bytes_in_buffer = sizeof kEndOfImage;
  return TRUE;
}

void JpegLibSkipInputData(j_decompress_ptr cinfo, long count) noexcept {
  if (count <= 0) return;
  JpegLibSource& src = SourceOf(cinfo);
  auto remaining = static_cast<size_t>(count);
  while (remaining > src.pub.bytes_in_buffer) {
    remaining -= src.pub.bytes_in_buffer;
    (void)JpegLibFillInputBuffer(cinfo);
    // Skipping past the end: the supplied marker stays to be read.
    if (src.has_hit_end) return;
  }
  src.pub.next_input_byte += remaining;
  src.pub.bytes_in_buffer -= remaining;
}

void JpegLibTermSource(j_decompress_ptr) noexcept {}

// --- destination ------------------------------------------------------------------

JpegLibDestination& DestinationOf(j_compress_ptr cinfo) { return *reinterpret_cast<JpegLibDestination*>(cinfo->dest); }

// Writes the first `count` buffered bytes; a failed write ends the step with
// the stream layer's status (already reported there).
void FlushBuffer(j_compress_ptr cinfo, size_t count) noexcept {
  JpegLibDestination& dest = DestinationOf(cinfo);
  const auto n = static_cast<int64_t>(count);
  if (IpiWriteBytes(dest.sys, dest.stream, dest.position, dest.buffer, n) != n) {
    FailWith(reinterpret_cast<j_common_ptr>(cinfo), IpiGetLastError(dest.sys), true, JERR_FILE_WRITE);
  }
  dest.position += n;
}

void JpegLibInitDestination(j_compress_ptr cinfo) noexcept {
  JpegLibDestination& dest = DestinationOf(cinfo);
  dest.pub.next_output_byte = dest.buffer;
  dest.pub.free_in_buffer = kJpegLibBufferBytes;
  dest.position = 0;
}

boolean JpegLibEmptyOutputBuffer(j_compress_ptr cinfo) noexcept {
  FlushBuffer(cinfo, kJpegLibBufferBytes);
  JpegLibDestination& dest = DestinationOf(cinfo);
  dest.pub.next_output_byte = dest.buffer;
  dest.pub.free_in_buffer = kJpegLibBufferBytes;
  return TRUE;
}

void JpegLibTermDestination(j_compress_ptr cinfo) noexcept {
  const size_t count = kJpegLibBufferBytes - DestinationOf(cinfo).pub.free_in_buffer;
  if (count > 0) FlushBuffer(cinfo, count);
}

}  // namespace

int JpegLibRun(JpegLibErrorManager& err, JpegLibStep step, void* context) {
  if (setjmp(err.jump) != 0) {
    if (!err.is_reported) IpiReportError(err.sys, err.status);
    err.is_reported = true;
    return err.status;
  }
  step(context);
  return kIpiNoError;
}

JpegLibCompressor::JpegLibCompressor(IpiSystem* sys) {
  InstallErrorManager(sys, err_);
  info_.err = &err_.pub;
  destination_.sys = sys;
  destination_.pub.init_destination = JpegLibInitDestination;
  destination_.pub.empty_output_buffer = JpegLibEmptyOutputBuffer;
  destination_.pub.term_destination = JpegLibTermDestination;
}

JpegLibCompressor::~JpegLibCompressor() {
  // Safe on an object whose creation failed: its memory manager is then null.
  if (is_created_) jpeg_destroy_compress(&info_);
}

int JpegLibCompressor::Create(IpiStream* stream) {
  destination_.stream = stream;
  is_created_ = true;
  IPI_RETURN_IF_ERROR(Run([](void* c) { jpeg_create_compress(static_cast<j_compress_ptr>(c)); }, &info_));
  info_.dest = &destination_.pub;
  return kIpiNoError;
}

JpegLibDecompressor::JpegLibDecompressor(IpiSystem* sys) {
  InstallErrorManager(sys, err_);
  info_.err = &err_.pub;
  source_.pub.init_source = JpegLibInitSource;
  source_.pub.fill_input_buffer = JpegLibFillInputBuffer;
  source_.pub.skip_input_data = JpegLibSkipInputData;
  source_.pub.resync_to_restart = jpeg_resync_to_restart;
  source_.pub.term_source = JpegLibTermSource;
  source_.pub.next_input_byte = nullptr;
  source_.pub.bytes_in_buffer = 0;
  progress_.progress_monitor = JpegLibMonitorScans;
}

JpegLibDecompressor::~JpegLibDecompressor() {
  if (is_created_) jpeg_destroy_decompress(&info_);
}

int JpegLibDecompressor::Create(std::span<const uint8_t> bytes) {
  source_.data = bytes.data();
  source_.size = bytes.size();
  is_created_ = true;
  IPI_RETURN_IF_ERROR(Run([](void* c) { jpeg_create_decompress(static_cast<j_decompress_ptr>(c)); }, &info_));
  info_.src = &source_.pub;
  info_.progress = &progress_;
  return kIpiNoError;
}
