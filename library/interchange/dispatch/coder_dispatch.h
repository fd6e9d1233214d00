// Encode and decode dispatch: the compression code of the compressed side
// chooses the coder of the compression table.
#ifndef PELRITH_INTERCHANGE_DISPATCH_CODER_DISPATCH_H_
#define PELRITH_INTERCHANGE_DISPATCH_CODER_DISPATCH_H_

#include "core/objects/object.h"
#include "core/system/system.h"

// Codes the plain `image` into `target`, by the target's "compression".
// 12 when the image is not plain, or the code is 0, outside the table or has
// no encoder (LZW among them); else the encoder's status.
[[nodiscard]] int IpiEncodeImageData(IpiSystem* sys, IpiObject* image, IpiObject* target);
// Decodes `source` into the plain `target`, by the source's "compression";
// refusals as for encoding.
[[nodiscard]] int IpiDecodeImageData(IpiSystem* sys, IpiObject* source, IpiObject* target);

// True when the library has an encoder, respectively a decoder, for the code.
[[nodiscard]] bool IpiHasEncoder(int32_t compression);
[[nodiscard]] bool IpiHasDecoder(int32_t compression);

#endif  // PELRITH_INTERCHANGE_DISPATCH_CODER_DISPATCH_H_
