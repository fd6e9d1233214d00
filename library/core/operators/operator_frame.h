// The operator frame: the one way an operator opens its images, finds the
// region it writes from the match points, walks the rows, gates elements by the
// regions of interest and writes the rows back. Every accessor it opens is
// closed on every path. An operator file holds only its argument checks and its
// row kernel:
//
//   int NegateExample(IpiSystem* sys, IpiObject* src, IpiObject* dst) {
//     IPI_RETURN_IF_ERROR(RequireDataType(sys, src, kDataTypeNonnegative));  // 9, 10
//     return RunRowOperator(sys, *src, *dst, [](RowIn in, RowOut out, const Gate& gate) {
//       if (gate.none()) { for (int64_t i = 0; i < in.count; ++i) out.data[i] = 255 - in.data[i]; return; }
//       for (int64_t i = 0; i < in.count; ++i) if (gate.open(i)) out.data[i] = 255 - in.data[i];
//     });
//   }
//
// How a run goes (RunFrame):
//  1. Open. Every image gets one accessor per plane it shows the kernel (a
//     plane is one band of the image; an operator that reads red, green and blue
//     at once asks for 3 planes). Sources are opened "r" (with their window rows),
//     destinations "w", each with the option "matchPointState" 1; plane 0 of an
//     image that gates also with "roiState" 1 (its region stream serves every
//     plane). An image that shows more planes than it has bands is refused with
//     8 before anything is opened; after opening, caller memory shorter than the
//     data and a region with fewer bands than the elements it must gate are
//     refused with 8, and narrow data without a bit order with 18, all before a
//     row is written.
//  2. Region. The reference image is the first destination (the first source
//     when there is none). For each other image and each of x, y, z, t (and b
//     when bands are walked), d = reference match point - image match point; the
//     reference coordinate c runs over the intersection of [0, reference extent)
//     and [d, image extent + d) over all images, and the image's coordinate is
//     c - d. With the system's "matchPointState" 0 every match point counts as 0.
//     An empty region writes nothing and is no error.
//  3. Walk: b (when walked), then t, z, y, with x inside the kernel. Each row:
//     sources fetched with IpiGetInputRow (the middle row of the window for
//     windowed sources), destinations with IpiGetOutputRow (so elements the
//     kernel leaves alone keep their value), the gate built, the kernel called,
//     destination rows put back with IpiPutOutputRow in image and plane order.
//  4. Gate. An element is processed only where every region-of-interest element
//     consulted is non-zero: for every gating image with a region (the system's
//     "roiState" on and the image's "roi" set), its region elements at the same
//     element indices as the image's row, in every plane the image shows. Gate
//     word 1 (a source gates), 4 (a destination gates) or 5 (both).
//  5. Close every accessor; the first failure is returned (and is the system's
//     last error). Rows put back before a failure stay written.
//
// Kernels: a kernel sees one row of the region per call and must not keep row
// addresses past its call (file rows live in the stream's buffer, which the
// next fetch replaces). Rows come in order (b, t, z, y increasing), so a
// kernel may carry state from row to row (error diffusion). Write the common
// case first: whole bytes with gate.none() as a plain pointer loop, the gated
// and narrow paths beside it, and test that both give the same bytes (an
// all-open region forces the gated path).
//
// Rows of narrow elements: a row address is the byte that holds the row's first
// element; element i of a RowRef lies at bit (bit + i x P) counted from `data`,
// in the order given by the accessor's bit-mask tables (bitOrder 150: 0x80
// first; 135: 0x01 first). Whole-byte data (P a multiple of 8) always has bit 0.
#ifndef PELRITH_CORE_OPERATORS_OPERATOR_FRAME_H_
#define PELRITH_CORE_OPERATORS_OPERATOR_FRAME_H_

#include <cstdint>
#include <initializer_list>
#include <type_traits>
#include <utility>

#include "core/objects/object.h"
#include "core/streams/accessor.h"
#include "core/system/system.h"

// --- accessors ---------------------------------------------------------------------

enum class AccessMode { kRead, kWrite };

// Owns one accessor and closes it when it goes out of scope. Close() closes it
// early and returns the close status (0, or the error the stream layer reported).
class ScopedAccessor {
 public:
  ScopedAccessor() = default;
  ScopedAccessor(IpiSystem* sys, IpiAccessor* accessor) : sys_(sys), accessor_(accessor) {}
  ~ScopedAccessor() { (void)Close(); }
  ScopedAccessor(ScopedAccessor&& other) noexcept
      : sys_(other.sys_), accessor_(std::exchange(other.accessor_, nullptr)) {}
  ScopedAccessor& operator=(ScopedAccessor&& other) noexcept {
    if (this != &other) {
      (void)Close();
      sys_ = other.sys_;
      accessor_ = std::exchange(other.accessor_, nullptr);
    }
    return *this;
  }
  ScopedAccessor(const ScopedAccessor&) = delete;
  ScopedAccessor& operator=(const ScopedAccessor&) = delete;

  IpiAccessor* get() const { return accessor_; }
  IpiAccessor* operator->() const { return accessor_; }
  IpiAccessor& operator*() const { return *accessor_; }
  explicit operator bool() const { return accessor_ != nullptr; }
  IpiStream* stream() const { return accessor_ != nullptr ? accessor_->stream : nullptr; }

  int Close() { return IpiCloseAccessor(sys_, std::exchange(accessor_, nullptr)); }

 private:
  IpiSystem* sys_ = nullptr;
  IpiAccessor* accessor_ = nullptr;
};

// An image accessor: the options "matchPointState" 1 and, when `gates`,
// "roiState" 1. `rows` is the stream's window (1 for plain rows). 0, or the
// error of the open (already reported), with `out` left empty.
[[nodiscard]] int OpenImageAccessor(IpiSystem* sys, IpiObject* obj, AccessMode mode, int rows, bool gates,
                                    ScopedAccessor& out);
// An auxiliary object (a table, a kernel, a dither array): no options, so no
// match points and no region. 0 or the reported error.
[[nodiscard]] int OpenAuxiliaryAccessor(IpiSystem* sys, IpiObject* obj, AccessMode mode, int rows,
                                        ScopedAccessor& out);

// --- preconditions ------------------------------------------------------------------
// Each reports its code once and returns it; 9 first when the object is not live.

// 10 unless the object's "dataType" is `data_type` (or one of `data_types`).
[[nodiscard]] int RequireDataType(IpiSystem* sys, IpiObject* obj, int32_t data_type);
[[nodiscard]] int RequireDataType(IpiSystem* sys, IpiObject* obj, std::initializer_list<int32_t> data_types);
// 10 unless the object's data is stored with `bits` bits per element (its
// "dataPrecision", or the system's "nonnegativeIntegerPrecision" for dataType
// 153 below 8 bits). A size the stream layer refuses gives its code (18, 3).
[[nodiscard]] int RequireStoredBits(IpiSystem* sys, IpiObject* obj, int32_t bits);
// The stored bits per element of a live object in `bits`; 0 or the reported error.
[[nodiscard]] int GetStoredBits(IpiSystem* sys, IpiObject* obj, int32_t* bits);
// 12 unless "bDimension" lies in [min_bands, max_bands]. (An image showing the
// frame more planes than it has bands is refused by the frame itself, with 8.)
[[nodiscard]] int RequireBands(IpiSystem* sys, IpiObject* obj, int32_t min_bands, int32_t max_bands);
// 18 unless the x, y, z and t extents of both objects are equal.
[[nodiscard]] int RequireSameSize(IpiSystem* sys, IpiObject* a, IpiObject* b);
// 18 unless first <= value <= last.
[[nodiscard]] int RequireInRange(IpiSystem* sys, int64_t value, int64_t first, int64_t last);

// --- what the kernel sees ------------------------------------------------------------

inline constexpr int kMaxFrameImages = 4;  // per role (sources, destinations)
inline constexpr int kMaxFramePlanes = 4;

// Which elements of the current row the kernel may process. Built once per row
// from every region consulted; none() when nothing gates (the fast path).
class Gate {
 public:
  Gate() = default;
  explicit Gate(const uint8_t* open) : open_(open) {}
  bool none() const { return open_ == nullptr; }
  bool open(int64_t i) const { return open_ == nullptr || open_[i] != 0; }
  // One byte per element of the row, non-zero where open; null when none().
  const uint8_t* flags() const { return open_; }

 private:
  const uint8_t* open_ = nullptr;
};

// One plane's row of one image, from the region's first x on.
struct RowRef {
  uint8_t* data = nullptr;  // byte holding element 0 (the region's first x)
  int32_t bit = 0;          // bit index of element 0 within data[0]; 0 for whole-byte data
  int32_t bits_per_element = 0;  // P as stored
  int64_t count = 0;        // elements of the row inside the region
  const IpiAccessor* accessor = nullptr;  // masks, dataType, bitOrder, extents
  int64_t x = 0;            // the image's coordinates of element 0
  int64_t y = 0;
  int32_t band = 0;

  // Windowed sources (window_rows W above 1): rows y - W/2 .. y + W/2.
  int32_t window_half = 0;
  int64_t window_stride_bytes = 0;
  uint8_t* window_middle = nullptr;  // start of the middle slot (the byte of the row's element at x 0)
  int64_t row_element = 0;           // element index of the row's x 0

  // Narrow elements (P = 1): element i set / set or clear it.
  bool Test(int64_t i) const { return IpiTestBit(*accessor, data, bit + i); }
  void Set(int64_t i, bool on) const { IpiSetBit(*accessor, data, bit + i, on); }
  // Row y + k of a windowed source (-window_half <= k <= window_half), with the
  // same x range; data is null for a row outside this plane of the image (its
  // border is the kernel's boundary condition).
  RowRef WindowRow(int k) const;
};
using RowIn = const RowRef&;
using RowOut = const RowRef&;

struct FrameRegion {
  int64_t first[5] = {};  // reference coordinates, x y z t b
  int64_t last[5] = {};   // inclusive; first > last in some dimension: empty
  bool empty() const;
  int64_t width() const { return last[kDimX] - first[kDimX] + 1; }
};

// Everything one kernel call needs: the row's planes of every image, the gate
// and the row's reference coordinates.
struct FrameRow {
  int64_t count = 0;  // elements in the row; every RowRef has this count
  Gate gate;
  int32_t gate_word = 0;  // 0, 1 (a source gates), 4 (a destination gates), 5
  int64_t y = 0, z = 0, t = 0, b = 0;  // reference coordinates (b 0 with fixed bands)
  const FrameRegion* region = nullptr;
  RowRef sources[kMaxFrameImages][kMaxFramePlanes];
  RowRef destinations[kMaxFrameImages][kMaxFramePlanes];

  const RowRef& source(int image, int plane = 0) const { return sources[image][plane]; }
  const RowRef& destination(int image, int plane = 0) const { return destinations[image][plane]; }
};

// --- running an operator --------------------------------------------------------------

enum class BandWalk {
  kWalk,   // b is walked like t, z and y (with its match points); one plane per image
  kFixed,  // bands are not walked: plane k of every image is its band k
};

struct FrameImage {
  IpiObject* object = nullptr;
  int planes = 1;        // bands shown at once (bands 0 .. planes - 1; 1 with BandWalk::kWalk)
  int window_rows = 1;   // sources: an odd W above 1 gives a window of W rows
  bool gates = true;     // its region of interest gates the elements
};

// Called once per row; returns 0, or a status it has reported (the run stops).
using FrameRowFunction = int (*)(void* context, const FrameRow& row);

// The walk behind RunFrame, with the kernel passed as a function and context.
[[nodiscard]] int RunFrameFunction(IpiSystem* sys, BandWalk walk, std::initializer_list<FrameImage> sources,
                                   std::initializer_list<FrameImage> destinations, FrameRowFunction function,
                                   void* context);

// Runs `kernel` (void or int (const FrameRow&)) over the region of the images.
// Up to kMaxFrameImages sources and destinations; with no destination the
// sources are only read (histograms). 0, or the first error (already reported).
template <typename Kernel>
[[nodiscard]] int RunFrame(IpiSystem* sys, BandWalk walk, std::initializer_list<FrameImage> sources,
                           std::initializer_list<FrameImage> destinations, Kernel&& kernel) {
  using KernelType = std::remove_reference_t<Kernel>;
  FrameRowFunction call = [](void* context, const FrameRow& row) -> int {
    KernelType& k = *static_cast<KernelType*>(context);
    if constexpr (std::is_void_v<std::invoke_result_t<KernelType&, const FrameRow&>>) {
      k(row);
      return 0;
    } else {
      return k(row);
    }
  };
  return RunFrameFunction(sys, walk, sources, destinations, call, const_cast<void*>(static_cast<const void*>(&kernel)));
}

// The element-wise case: one source, one destination, all five dimensions
// walked, kernel (RowIn in, RowOut out, const Gate& gate).
template <typename Kernel>
[[nodiscard]] int RunRowOperator(IpiSystem* sys, IpiObject& source, IpiObject& destination, Kernel&& kernel) {
  return RunFrame(sys, BandWalk::kWalk, {FrameImage{&source}}, {FrameImage{&destination}},
                  [&kernel](const FrameRow& row) {
                    if constexpr (std::is_void_v<std::invoke_result_t<Kernel&, RowIn, RowOut, const Gate&>>) {
                      kernel(row.source(0), row.destination(0), row.gate);
                      return 0;
                    } else {
                      return kernel(row.source(0), row.destination(0), row.gate);
                    }
                  });
}

// The region a reference of extents `reference` (x y z t b) writes against
// images of extents `extents[i]` shifted by `offsets[i]` (reference match
// point - image match point); dimensions at or above `dimensions` (4 or 5)
// are left at 0..0.
[[nodiscard]] FrameRegion ComputeFrameRegion(const int64_t reference[5], const int64_t (*extents)[5],
                                             const int64_t (*offsets)[5], int image_count, int dimensions);

// --- operators that walk their own geometry -------------------------------------------
// Flips, turns, resampling and warps take a destination element from a source
// element in another row (or plane), so they walk the images themselves. They
// open them here, with the checks RunFrame makes before a run, and read region
// flags through the same mechanism as the frame's gate.

// OpenImageAccessor with "roiState" 1, then the frame's checks on the opened
// image: caller memory shorter than the data (8), narrow elements without
// bit-mask tables (18), a region with fewer bands than the image (8) or of
// narrow elements in an unknown bit order (18). 0 or the reported error.
[[nodiscard]] int OpenGeometryAccessor(IpiSystem* sys, IpiObject* obj, AccessMode mode, int rows,
                                       ScopedAccessor& out);
// The region flags of `count` elements from element index `element` of an
// image whose accessor gates (has_roi()); the elements lie in one row. out[i]
// is 1 where the region element is non-zero, else 0. 0 or the reported error.
[[nodiscard]] int ReadRegionFlags(IpiSystem* sys, const IpiAccessor& a, int64_t element, int64_t count,
                                  uint8_t* out);

#endif  // PELRITH_CORE_OPERATORS_OPERATOR_FRAME_H_
