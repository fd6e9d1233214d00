// The codecs' common opening; see codec_prelude.h.
#include "interchange/common/codec_prelude.h"

#include "core/status.h"
#include "core/streams/stream.h"
#include "interchange/common/interchange_codes.h"

namespace {

int CheckClass(IpiSystem* sys, const CodecClassCheck& check) {
  if (check.object == nullptr || check.allowed == nullptr || check.allowed(check.object->object_class)) {
    return kIpiNoError;
  }
  return IpiRefuse(sys, kIpiMismatchObjectClass);
}

}  // namespace

int IpiBeginRead(IpiSystem* sys, IpiObject* source, IpiObject* target, int read_mode, CodecClassCheck check) {
  IPI_RETURN_IF_ERROR(IpiRequireLive(sys, source));
  IPI_RETURN_IF_ERROR(IpiRequireLive(sys, target));
  if (!IpiIsReadMode(read_mode)) return IpiRefuse(sys, kIpiOutOfRange);
  return CheckClass(sys, check);
}

int IpiBeginRead(IpiSystem* sys, IpiObject* source, IpiObject* target, int read_mode, SourceBytes& bytes,
                 CodecClassCheck check) {
  IPI_RETURN_IF_ERROR(IpiBeginRead(sys, source, target, read_mode, check));
  return bytes.Load(sys, *source);
}

int IpiBeginWrite(IpiSystem* sys, IpiObject* image, IpiObject* file, CodecClassCheck check) {
  IPI_RETURN_IF_ERROR(IpiRequireLive(sys, image));
  IPI_RETURN_IF_ERROR(IpiRequireLive(sys, file));
  return CheckClass(sys, check);
}

int IpiOpenSizedOutput(IpiSystem* sys, IpiObject* file, uint64_t total_bytes, ScopedStream& out) {
  // Byte access: the stream keeps no row window and adds nothing at its close.
  out = ScopedStream(sys, IpiOpenStream(sys, file, "w", 0));
  if (!out) return IpiGetLastError(sys);
  if (out->data != nullptr && total_bytes > static_cast<uint64_t>(out->limit)) {
    return IpiRefuse(sys, kIpiInsufficientSize);
  }
  return kIpiNoError;
}

int IpiBeginRowsWrite(IpiSystem* sys, IpiObject* image, IpiObject* file, WriterCheck check, RowsWrite& out) {
  IPI_RETURN_IF_ERROR(IpiBeginWrite(sys, image, file));
  IPI_RETURN_IF_ERROR(check(sys, image, file));
  out.width = image->fields.dimension[kDimX];
  out.height = image->fields.dimension[kDimY];
  IPI_RETURN_IF_ERROR(OpenImageAccessor(sys, image, AccessMode::kRead, 1, false, out.rows));
  out.stream = ScopedStream(sys, IpiOpenStream(sys, file, "w", 0));
  if (out.stream) return kIpiNoError;
  const int status = IpiGetLastError(sys);
  (void)out.rows.Close();
  return status;
}
