// Encode and decode dispatch by compression code; see coder_dispatch.h.
#include "interchange/dispatch/coder_dispatch.h"

#include "core/status.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dispatch/codec_table.h"

namespace {

IpiImageCoder EncoderOf(int32_t compression) {
  const CompressionRow* row = IpiFindCompression(compression);
  return row != nullptr ? row->encoder : nullptr;
}

IpiImageCoder DecoderOf(int32_t compression) {
  const CompressionRow* row = IpiFindCompression(compression);
  return row != nullptr ? row->decoder : nullptr;
}

// Both objects live (9 otherwise, 24 for a context that is not open).
int CheckPair(IpiSystem* sys, IpiObject* a, IpiObject* b) {
  if (IpiCheckSystem(sys) != 0) return kIpiInvalidHandle;
  if (IpiCheckObject(sys, a) == nullptr || IpiCheckObject(sys, b) == nullptr) return kIpiInvalidInstance;
  return kIpiNoError;
}

}  // namespace

bool IpiHasEncoder(int32_t compression) { return EncoderOf(compression) != nullptr; }
bool IpiHasDecoder(int32_t compression) { return DecoderOf(compression) != nullptr; }

int IpiEncodeImageData(IpiSystem* sys, IpiObject* image, IpiObject* target) {
  IPI_RETURN_IF_ERROR(CheckPair(sys, image, target));
  if (image->fields.compression != kCompressionNone) return IpiRefuse(sys, kIpiNonPermissibleOption);
  const IpiImageCoder encoder = EncoderOf(target->fields.compression);
  if (encoder == nullptr) return IpiRefuse(sys, kIpiNonPermissibleOption);
  return encoder(sys, image, target);
}

int IpiDecodeImageData(IpiSystem* sys, IpiObject* source, IpiObject* target) {
  IPI_RETURN_IF_ERROR(CheckPair(sys, source, target));
  if (target->fields.compression != kCompressionNone) return IpiRefuse(sys, kIpiNonPermissibleOption);
  const IpiImageCoder decoder = DecoderOf(source->fields.compression);
  if (decoder == nullptr) return IpiRefuse(sys, kIpiNonPermissibleOption);
  return decoder(sys, source, target);
}
