// Writing packed bitmaps to image files: the options of a write, the page
// objects built from the caller's bitmaps, and one write step per format.
// Every step writes through the interchange write front, so the file is
// replaced atomically: a failed step leaves an earlier file byte for byte as
// it was and no temporary behind.
#ifndef PELRITH_API_WRITE_WRITE_STEPS_H_
#define PELRITH_API_WRITE_WRITE_STEPS_H_

#include <array>
#include <cstdint>
#include <vector>

#include "Pelrith.h"
#include "api/frame/call_frame.h"
#include "core/objects/object.h"
#include "core/system/system.h"

// A resolution in dots per inch (0 .. kCmiMaxResolutionDpi) as pixels per
// metre, truncated, as the bitmap header stores it; beyond what its 32-bit
// field holds (above about 54.5 million dpi) the field's largest value.
[[nodiscard]] inline int32_t CmiPixelsPerMetre(intptr_t dpi) {
  constexpr double kInchesPerMetre = 39.370078740157474;
  constexpr double kLargest = 2147483647.0;
  const double ppm = static_cast<double>(dpi) * kInchesPerMetre;
  return ppm >= kLargest ? static_cast<int32_t>(kLargest) : static_cast<int32_t>(ppm);
}

// The options of a write, read from the caller's list and checked.
struct CmiWriteSettings {
  int32_t format = 0;               // interface format code (4, 5, 6, 7, 40, 44)
  int32_t compression = 0;          // interface compression code
  int32_t quality = 87;             // internal JPEG quality (quarityFactor 1..10 through the table)
  int32_t subfile_type = 34;        // newSubfileType 34 or 36
  int32_t sampling_factor = 39;     // samplingFactor 37, 38 or 39
  intptr_t interlaced = 0;
  intptr_t k = 4;
  intptr_t predictor = 0;
  intptr_t transparency = 0;
  intptr_t transparency_index = 0;
  intptr_t x_dpi = 0;               // 0: not written
  intptr_t y_dpi = 0;
  intptr_t progressive = 0;
};

// The largest resolution accepted, in dots per inch: the interface's values
// are 32-bit. TIFF stores it as it is; a bitmap or PCX header whose field is
// narrower stores its field's largest value.
inline constexpr intptr_t kCmiMaxResolutionDpi = 2147483647;
// The largest resolution a PCX header holds (a 16-bit field).
inline constexpr intptr_t kCmiMaxPcxResolutionDpi = 65535;

// Reads the options `format` uses from the caller's list (exact names, a later
// pair wins; a quarityFactor outside 1..10 is ignored). -100 for a format that
// cannot be written, a compression outside the format's table, newSubfileType
// (TIFF) or samplingFactor (JPEG) outside theirs, or a resolution below 0 or
// above kCmiMaxResolutionDpi; else 0. "k" is passed on as given: MR coding
// with a k the fax coder has no rule for fails there (12).
[[nodiscard]] int ReadWriteSettings(const IpiAttributePair* pairs, int32_t n, int32_t format,
                                    CmiWriteSettings* out);

// Internal codes of the interface's format and compression codes; 0 for a
// format that cannot be written, -1 for an unknown compression.
[[nodiscard]] int32_t CmiInternalFormat(int32_t format);
[[nodiscard]] int32_t CmiInternalCompression(int32_t compression);
[[nodiscard]] bool CmiIsFaxCompression(int32_t internal_compression);

// The attribute list a format's writer is given, built from the settings.
// Resolutions are pointers into this object, which therefore stays in place.
class CmiFormatPairs {
 public:
  explicit CmiFormatPairs(const CmiWriteSettings& settings);
  CmiFormatPairs(const CmiFormatPairs&) = delete;
  CmiFormatPairs& operator=(const CmiFormatPairs&) = delete;

  const IpiAttribute* data() const { return pairs_.data(); }
  int count() const { return static_cast<int>(pairs_.size()); }

 private:
  std::vector<IpiAttribute> pairs_;
  std::array<uint32_t, 2> x_rational_{};
  std::array<uint32_t, 2> y_rational_{};
};

// Locks and checks every bitmap (-1, -100 or 3 through the frame), refuses
// fax coding of a bitmap that is not 1 bit (-100) before anything is
// imported, then imports each as one page of a new composite array in the
// context the call opens (its own palette, the options' repository). Null
// with the call's status set on failure. No file is touched.
[[nodiscard]] IpiObject* BuildPages(CmiCall& call, const HGLOBAL* images, int32_t count,
                                    const CmiWriteSettings& settings);

// Sets on every page of `pages` what a TIFF page needs for `internal_compression`:
// fileFormat 207, the photometric interpretation (bilevel pages and grey
// ramps as white-is-zero or black-is-zero by their palette, other palettes as
// palette colour; fax pages white-is-zero, inverted when palette entry 0 is
// darker than entry 1, their palette detached), k, predictor, byte order.
// -100 for fax coding of a page that is not 1 bit; else 0 or the library's error.
[[nodiscard]] int PrepareTiffPages(IpiSystem* sys, IpiObject* pages, int32_t internal_compression, intptr_t k,
                                   intptr_t predictor);

// The per-format write steps: `pages` is a composite array (TIFF writes every
// entry as a page; the other formats write entry 0 only), `pairs` the list
// CmiFormatPairs built. Each sets `*status` (may be null) to 0 first and to
// its result on failure, and returns that result (0 on success).
// TIFF: PrepareTiffPages, then every page; fax pages whose 0 bits are black
// are complemented by the coder as it reads them, not copied inverted first.
// BMP: entry 0, with run-length coding when the pairs ask for it.
// JPEG: entry 0; an 8-bit palette image is expanded first, to grey when
// every palette entry is grey, else to RGB; a 1- or 4-bit palette image is
// refused (-100) and nothing is written.
// GIF: entry 0, one band only (10 otherwise); the pixel data needs LZW,
// which the library does not code, so it ends with the interchange's 12.
// PCX, PNG: entry 0.
int WriteTiffFile(IpiSystem* sys, IpiObject* pages, const char* file_name, const IpiAttribute* pairs, int count,
                  int32_t* status);
int WriteBmpFile(IpiSystem* sys, IpiObject* pages, const char* file_name, const IpiAttribute* pairs, int count,
                 int32_t* status);
int WriteJpegFile(IpiSystem* sys, IpiObject* pages, const char* file_name, const IpiAttribute* pairs, int count,
                  int32_t* status);
int WriteGifFile(IpiSystem* sys, IpiObject* pages, const char* file_name, const IpiAttribute* pairs, int count,
                 int32_t* status);
int WritePcxFile(IpiSystem* sys, IpiObject* pages, const char* file_name, const IpiAttribute* pairs, int count,
                 int32_t* status);
int WritePngFile(IpiSystem* sys, IpiObject* pages, const char* file_name, const IpiAttribute* pairs, int count,
                 int32_t* status);

// A JPEG file (the JPEG step's pairs) from packed-bitmap rows read in place:
// `height` rows of `row_bytes` bytes, the bottom row first, each `width`
// pixels of blue, green, red bytes (`components` 3) or of 8-bit grey samples
// (1). The same file as the JPEG step writes for the image of those pixels,
// without importing them. Sets `*status` (may be null) as the steps do.
int WriteJpegFromPackedRows(IpiSystem* sys, const uint8_t* rows, int64_t row_bytes, int64_t width, int64_t height,
                            int components, const char* file_name, const IpiAttribute* pairs, int count,
                            int32_t* status);

// The write step of an interface format code (null for one not writable).
using CmiWriteStep = int (*)(IpiSystem*, IpiObject*, const char*, const IpiAttribute*, int, int32_t*);
[[nodiscard]] CmiWriteStep CmiWriteStepFor(int32_t format);

#endif  // PELRITH_API_WRITE_WRITE_STEPS_H_
