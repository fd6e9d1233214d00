// The DCT decoder over fuzz bytes held as coded data in caller memory, with
// the Annex K tables. The last four bytes choose the width and height (1 to
// 256 each), grey or colour with its sampling, and the restart interval (0 to
// 7); the rest is the coded data.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

#include "core/codes.h"
#include "core/objects/object.h"
#include "core/system/system.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/jpeg_dct/jpeg_dct_codec.h"
#include "interchange/jpeg_dct/jpeg_dct_tables.h"

namespace {

std::vector<uint8_t> Padded(const HuffmanSpec& spec) {
  std::vector<uint8_t> values(256, 0);
  for (size_t i = 0; i < spec.huffval.size(); ++i) values[i] = spec.huffval[i];
  return values;
}

intptr_t Address(const void* p) { return reinterpret_cast<intptr_t>(p); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const size_t coded_bytes = size - 4;
  const int32_t width = 1 + data[coded_bytes];
  const int32_t height = 1 + data[coded_bytes + 1];
  constexpr int32_t kLayouts[5] = {kSampling1x1, kSampling1x1, kSampling2x1, kSampling1x2, kSampling2x2};
  const int layout = data[coded_bytes + 2] % 5;  // 0: grey
  const int32_t restart_interval = data[coded_bytes + 3] % 8;
  IpiSystem* sys = IpiOpenSystem(nullptr);
  if (sys == nullptr) return 0;
  const int32_t bands = layout == 0 ? 1 : 3;
  const IpiAttribute image_shape[] = {{"xDimension", width}, {"yDimension", height}, {"bDimension", bands},
                                      {"repository", kRepositoryGlobalBlock}};
  IpiObject* image = IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, image_shape, 4);
  uint8_t quantizers[64];
  for (uint8_t& q : quantizers) q = 16;
  const auto luma_dc = Padded(kAnnexKLuminanceDc), luma_ac = Padded(kAnnexKLuminanceAc);
  const auto chroma_dc = Padded(kAnnexKChrominanceDc), chroma_ac = Padded(kAnnexKChrominanceAc);
  const IpiAttribute coded_shape[] = {
      {"repository", kRepositoryCallerMemory}, {"applicationAddressSpace", Address(data)},
      {"size", static_cast<intptr_t>(coded_bytes)}, {"fileFormat", kFormatJpeg},
      {"compression", kCompressionDct}, {"samplingFactor", kLayouts[layout]},
      {"restartInterval", restart_interval}, {"luminanceQuantizationTable", Address(quantizers)},
      {"chrominanceQuantizationTable", Address(quantizers)}, {"luminanceDCBITS", Address(kAnnexKLuminanceDc.bits)},
      {"luminanceDCHUFFVAL", Address(luma_dc.data())}, {"luminanceACBITS", Address(kAnnexKLuminanceAc.bits)},
      {"luminanceACHUFFVAL", Address(luma_ac.data())}, {"chrominanceDCBITS", Address(kAnnexKChrominanceDc.bits)},
      {"chrominanceDCHUFFVAL", Address(chroma_dc.data())}, {"chrominanceACBITS", Address(kAnnexKChrominanceAc.bits)},
      {"chrominanceACHUFFVAL", Address(chroma_ac.data())}};
  IpiObject* coded = image != nullptr ? IpiCreateObject(sys, nullptr, &kGenericImageClass, image, coded_shape,
                                                        static_cast<int>(std::size(coded_shape)))
                                      : nullptr;
  if (coded != nullptr) (void)DecodeJpegDct(sys, coded, image);
  IpiCloseSystem(sys);
  return 0;
}
