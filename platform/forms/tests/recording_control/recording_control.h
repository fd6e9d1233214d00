// The recording control: a control module for the hosting tests that writes
// every call it gets, with the exact automation type of each argument, and
// every step of its embedding (site, window, ambient changes, release) to a
// module-wide log that a test takes with RecordingControlTakeLog().
#ifndef PLATFORM_FORMS_TESTS_RECORDING_CONTROL_RECORDING_CONTROL_H_
#define PLATFORM_FORMS_TESTS_RECORDING_CONTROL_RECORDING_CONTROL_H_

#include "plat/oleaut/guid.h"
#include "plat/oleaut/variant.h"

namespace plat::recording {

constexpr GUID kLibId{0x3C7D5E00, 0x91A2, 0x4F0B, {0x8D, 0x41, 0x62, 0x0E, 0x5A, 0x10, 0x00, 0x01}};
constexpr CLSID kClsid{0x3C7D5E01, 0x91A2, 0x4F0B, {0x8D, 0x41, 0x62, 0x0E, 0x5A, 0x10, 0x00, 0x02}};
constexpr IID kDispatchIid{0x3C7D5E02, 0x91A2, 0x4F0B, {0x8D, 0x41, 0x62, 0x0E, 0x5A, 0x10, 0x00, 0x03}};
constexpr IID kEventsIid{0x3C7D5E03, 0x91A2, 0x4F0B, {0x8D, 0x41, 0x62, 0x0E, 0x5A, 0x10, 0x00, 0x04}};
constexpr const char* kProgId = "PlatTest.Recorder.1";

// Properties: one of each automation type the hosted controls take.
constexpr DISPID kFlag = 1;     // VT_BOOL
constexpr DISPID kCount = 2;    // VT_I4
constexpr DISPID kSmall = 3;    // VT_I2
constexpr DISPID kText = 4;     // VT_BSTR
constexpr DISPID kRatio = 5;    // VT_R8
constexpr DISPID kGuarded = 6;  // VT_I2, 1 to 10; other values are refused with 380
constexpr DISPID kTint = 7;     // VT_I4 (an automation colour)
// Methods.
constexpr DISPID kPing = 20;      // Ping(long DataNo) -> BOOL: fires Pinged(DataNo, "page<n>", TRUE) first
constexpr DISPID kBump = 21;      // Bump(long* Value): adds one to the caller's value
constexpr DISPID kAmbients = 22;  // Ambients() -> BSTR: the ambient properties as the control sees them
// Events.
constexpr DISPID kPingedEvent = 1;  // (long DataNo, BSTR Name, BOOL Success)

}  // namespace plat::recording

#endif  // PLATFORM_FORMS_TESTS_RECORDING_CONTROL_RECORDING_CONTROL_H_
