// A stand-in image library that exports every other entry point of the
// binding's table (the first, third, fifth, ...), each failing with status
// 22, so that a test sees which wrappers reach an entry point and which
// stop at a missing one.
#include <cstdint>

#include "Pelrith.h"

namespace {
constexpr int32_t kStatus = 22;
int32_t FailInt(int32_t* status) {
  if (status) *status = kStatus;
  return kStatus;
}
HGLOBAL FailHandle(int32_t* status) {
  if (status) *status = kStatus;
  return 0;
}
}  // namespace

int32_t CmiReadAndParse(const char*, HGLOBAL*, int32_t, int32_t, int32_t, CmiOptionList, int32_t,
                        int32_t* status) noexcept {
  FailInt(status);
  return 0;
}
int32_t CmiGenerateAndWriteAndControl(const HGLOBAL*, int32_t, const char*, int32_t, int32_t, int32_t, CmiOptionList,
                                      int32_t, int32_t* status) noexcept {
  return FailInt(status);
}
int32_t CmiInquireFileFormat(const char*, CmiOptionList, int32_t, int32_t* status) noexcept {
  FailInt(status);
  return 0;
}
int32_t CmiInquireImageNumber(const char*, int32_t, CmiOptionList, int32_t, int32_t* status) noexcept {
  FailInt(status);
  return 0;
}
void* CmiGenerateAndExport(const HGLOBAL*, int32_t, int32_t, int32_t*, CmiOptionList, int32_t,
                           int32_t* status) noexcept {
  FailInt(status);
  return nullptr;
}
int32_t CmiInquireAddressSpaceFormat(const void*, int32_t, CmiOptionList, int32_t, int32_t* status) noexcept {
  FailInt(status);
  return 0;
}
int32_t CmiInquireImageNumberAddressSpace(const void*, int32_t, int32_t, CmiOptionList, int32_t,
                                          int32_t* status) noexcept {
  FailInt(status);
  return 0;
}
HGLOBAL CmiHandleFormatConvert(HGLOBAL, int32_t, int32_t, int32_t, int32_t*, CmiOptionList, int32_t,
                               int32_t* status) noexcept {
  return FailHandle(status);
}
HGLOBAL CmiRotate(HGLOBAL, int32_t, int32_t, int32_t, CmiOptionList, int32_t, int32_t* status) noexcept {
  return FailHandle(status);
}
HGLOBAL CmiFlip(HGLOBAL, int32_t, CmiOptionList, int32_t, int32_t* status) noexcept { return FailHandle(status); }
HGLOBAL CmiSubsample(HGLOBAL, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                     int32_t, int32_t, CmiOptionList, int32_t, int32_t* status) noexcept {
  return FailHandle(status);
}
HGLOBAL CmiModeBitmap(HGLOBAL, int32_t, int32_t, int32_t, CmiOptionList, int32_t, int32_t* status) noexcept {
  return FailHandle(status);
}
HGLOBAL CmiModeIndexedColor256(HGLOBAL, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, CmiOptionList, int32_t,
                               int32_t* status) noexcept {
  return FailHandle(status);
}
HGLOBAL CmiModeRGBColor(HGLOBAL, int32_t, CmiOptionList, int32_t, int32_t* status) noexcept {
  return FailHandle(status);
}
HGLOBAL CmiBrightnessAndContrast(HGLOBAL, int32_t, int32_t, int32_t, CmiOptionList, int32_t,
                                 int32_t* status) noexcept {
  return FailHandle(status);
}
HGLOBAL CmiHueSaturation(HGLOBAL, int32_t, int32_t, int32_t, int32_t, CmiOptionList, int32_t,
                         int32_t* status) noexcept {
  return FailHandle(status);
}
HGLOBAL CmiSolarize(HGLOBAL, int32_t, CmiOptionList, int32_t, int32_t* status) noexcept { return FailHandle(status); }
HGLOBAL CmiConvert(HGLOBAL, CmiOptionList, int32_t, int32_t* status) noexcept { return FailHandle(status); }
HGLOBAL CmiCalculate(HGLOBAL, HGLOBAL, int32_t, int32_t, int32_t, CmiOptionList, int32_t, int32_t* status) noexcept {
  return FailHandle(status);
}
HGLOBAL CmiSharpen(HGLOBAL, int32_t, CmiOptionList, int32_t, int32_t* status) noexcept { return FailHandle(status); }
HGLOBAL CmiFindEdges(HGLOBAL, int32_t, CmiOptionList, int32_t, int32_t* status) noexcept { return FailHandle(status); }
HGLOBAL CmiEdgeDetection(HGLOBAL, int32_t, int32_t, CmiOptionList, int32_t, int32_t* status) noexcept {
  return FailHandle(status);
}
HGLOBAL CmiSpherize(HGLOBAL, int32_t, int32_t, CmiOptionList, int32_t, int32_t* status) noexcept {
  return FailHandle(status);
}
HGLOBAL CmiEmboss(HGLOBAL, int32_t, CmiOptionList, int32_t, int32_t* status) noexcept { return FailHandle(status); }
