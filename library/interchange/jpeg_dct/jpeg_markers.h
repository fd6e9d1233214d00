// Marker codes of the JPEG interchange format (ITU-T T.81 Table B.1): the
// second byte after 0xFF.
#ifndef PELRITH_INTERCHANGE_JPEG_DCT_JPEG_MARKERS_H_
#define PELRITH_INTERCHANGE_JPEG_DCT_JPEG_MARKERS_H_

#include <cstdint>

inline constexpr uint8_t kMarkerPrefix = 0xFF;
inline constexpr uint8_t kMarkerSof0 = 0xC0;  // baseline sequential frame
inline constexpr uint8_t kMarkerDht = 0xC4;
inline constexpr uint8_t kMarkerSoi = 0xD8;
inline constexpr uint8_t kMarkerEoi = 0xD9;
inline constexpr uint8_t kMarkerSos = 0xDA;
inline constexpr uint8_t kMarkerDqt = 0xDB;
inline constexpr uint8_t kMarkerDri = 0xDD;
inline constexpr uint8_t kMarkerApp0 = 0xE0;
inline constexpr uint8_t kMarkerApp15 = 0xEF;
inline constexpr uint8_t kMarkerCom = 0xFE;

#endif  // PELRITH_INTERCHANGE_JPEG_DCT_JPEG_MARKERS_H_
