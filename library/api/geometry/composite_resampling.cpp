// Resampling of images and composite pages; see composite_resampling.h. Each
// new image is filled first (unless its window covers it), then the window is
// resampled into it; widened 1-bit rows get their padding cleared last, so
// nothing a kernel wrote past the true width survives.
#include "api/geometry/composite_resampling.h"

#include <algorithm>

#include "core/codes.h"
#include "core/limits.h"
#include "core/objects/attributes.h"
#include "core/objects/composite_array.h"
#include "core/objects/scoped_object.h"
#include "core/objects/tuple.h"
#include "core/operators/geometry/geometry_codes.h"
#include "core/operators/geometry/resample.h"
#include "core/status.h"

namespace {

constexpr int64_t kBitsPerByte = 8;

struct PageShape {
  int64_t width = 0;   // true width, before any widening to whole bytes
  int64_t stored_width = 0;
  int64_t height = 0;
  bool is_bits = false;
};

int ReadPageShape(IpiSystem* sys, IpiObject* image, PageShape* shape) {
  IpiObject* live = IpiCheckObject(sys, image);
  if (live == nullptr) {
    const int last = IpiGetLastError(sys);
    return last != 0 ? last : kIpiInvalidInstance;
  }
  shape->stored_width = live->fields.dimension[kDimX];
  shape->height = live->fields.dimension[kDimY];
  shape->is_bits = live->fields.data_type == kDataTypeBoolean;
  const int64_t true_width = live->fields.width_byte_boundary;
  shape->width = shape->is_bits && true_width >= 1 && true_width < shape->stored_width ? true_width
                                                                                        : shape->stored_width;
  return kIpiNoError;
}

// A window with its zero sizes resolved to the rest of an extent.
ImageWindow Resolve(const ImageWindow& window, int64_t width, int64_t height) {
  ImageWindow r = window;
  if (r.width == 0) r.width = width - r.x;
  if (r.height == 0) r.height = height - r.y;
  return r;
}

bool InsideExtent(const ImageWindow& w, int64_t width, int64_t height) {
  return w.x >= 0 && w.y >= 0 && w.width >= 1 && w.height >= 1 && w.x <= width - w.width &&
         w.y <= height - w.height;
}

// Offsets and sizes travel in 32-bit tuples: a window must stay within the
// largest extent on either side.
bool FitsTuples(const ImageWindow& w) {
  return w.x >= -kMaxDimension && w.x <= kMaxDimension && w.y >= -kMaxDimension && w.y <= kMaxDimension &&
         w.width >= 1 && w.width <= kMaxDimension && w.height >= 1 && w.height <= kMaxDimension;
}

// Clears the columns from `first` to the end of every row of a 1-bit image.
int ClearColumnsFrom(IpiSystem* sys, IpiObject* image, int64_t first, int64_t stored_width, int64_t height) {
  const FillLevels zero = {0, 0, 0};
  int rc = 0;
  ScopedObject strip(sys, MakeImageLike(sys, image, nullptr, stored_width - first, height, &zero, &rc));
  if (!strip) return rc;
  return PasteImageAt(sys, strip.get(), image, first, 0);
}

class Tuples {
 public:
  explicit Tuples(IpiSystem* sys) : sys_(sys) {}
  IpiObject* Make(int64_t x, int64_t y, int64_t z, int64_t t, int64_t b) {
    owned_[count_] = ScopedObject(sys_, IpiCreateTuple5(sys_, static_cast<int32_t>(x), static_cast<int32_t>(y),
                                                        static_cast<int32_t>(z), static_cast<int32_t>(t),
                                                        static_cast<int32_t>(b)));
    return owned_[count_++].get();
  }

 private:
  IpiSystem* sys_;
  ScopedObject owned_[4];
  int count_ = 0;
};

int Finish(int rc, int32_t* status) {
  if (status != nullptr) *status = rc;
  return rc;
}

}  // namespace

int SubsampleImage(IpiSystem* sys, IpiObject* source, const SubsampleSpec& spec, const char* name,
                   IpiObject** result) {
  *result = nullptr;
  PageShape page;
  IPI_RETURN_IF_ERROR(ReadPageShape(sys, source, &page));
  const int64_t width = spec.width != 0 ? spec.width : page.width;
  const int64_t height = spec.height != 0 ? spec.height : page.height;
  IPI_RETURN_IF_ERROR(CheckNewImageSize(width, height));
  const ImageWindow from = Resolve(spec.source, page.width, page.height);
  const ImageWindow to = Resolve(spec.destination, width, height);
  if (!InsideExtent(from, page.width, page.height) || !FitsTuples(to)) return kCmiStatusBadArgument;

  const bool widen = page.is_bits && IpiSystemValue(sys, IpiSystemAttribute::kByteBoundary) != 0;
  const int64_t stored_width = widen ? (width + kBitsPerByte - 1) / kBitsPerByte * kBitsPerByte : width;
  const bool same_size = from.width == to.width && from.height == to.height;
  const bool whole_source = from.x == 0 && from.y == 0 && from.width == page.width && from.height == page.height;
  const bool whole_destination = to.x == 0 && to.y == 0 && to.width == width && to.height == height;
  if (same_size && whole_source && whole_destination && stored_width == page.stored_width) {
    *result = source;
    return kIpiNoError;
  }

  const bool covered = to.x <= 0 && to.y <= 0 && to.x + to.width >= width && to.y + to.height >= height;
  int rc = 0;
  ScopedObject image(sys, MakeImageLike(sys, source, name, stored_width, height, covered ? nullptr : &spec.levels,
                                        &rc));
  if (!image) return rc;
  if (widen) IPI_RETURN_IF_ERROR(IpiSetAttribute(sys, image.get(), "widthByteBoundary", width));

  Tuples tuples(sys);
  IpiObject* source_offset = tuples.Make(from.x, from.y, 0, 0, 0);
  IpiObject* source_size = tuples.Make(from.width, from.height, 0, 0, 0);
  IpiObject* destination_offset = tuples.Make(to.x, to.y, 0, 0, 0);
  IpiObject* destination_size = tuples.Make(to.width, to.height, 0, 0, 0);
  if (source_offset == nullptr || source_size == nullptr || destination_offset == nullptr ||
      destination_size == nullptr) {
    const int last = IpiGetLastError(sys);
    return last != 0 ? last : kIpiSyntaxError;
  }
  {
    // Equal windows are a cut-out: nearest neighbour copies them exactly,
    // where a smoothing kernel would blur even at one to one.
    ScopedSystemAttributes methods(
        sys, {{"interpolation", same_size ? kInterpolationNearest : spec.interpolation},
              {"morphologicalOperation", same_size ? kMorphologyNone : spec.morphology}});
    IPI_RETURN_IF_ERROR(methods.status());
    IPI_RETURN_IF_ERROR(
        IpiResample(sys, source, image.get(), source_offset, source_size, destination_offset, destination_size));
  }
  if (stored_width > width) IPI_RETURN_IF_ERROR(ClearColumnsFrom(sys, image.get(), width, stored_width, height));
  *result = image.release();
  return kIpiNoError;
}

namespace {

// Runs `spec_for(page shape)` through SubsampleImage for every page of `source`.
template <typename SpecFor>
int ResamplePages(IpiSystem* sys, IpiObject* source, IpiObject* destination, const FillLevels& levels,
                  SpecFor&& spec_for) {
  if (IpiCheckObject(sys, source) == nullptr || IpiCheckObject(sys, destination) == nullptr) {
    const int last = IpiGetLastError(sys);
    return last != 0 ? last : kIpiInvalidInstance;
  }
  if (source->object_class != &kCompositeIdArrayClass || destination->object_class != &kCompositeIdArrayClass) {
    return kCmiStatusBadArgument;
  }
  const int64_t entries = source->fields.dimension[kDimX];
  for (int64_t i = 0; i < entries; ++i) {
    IpiObject* page = IpiGetCompositeElement(sys, source, i);
    if (page == nullptr) return IpiGetLastError(sys);
    PageShape shape;
    IPI_RETURN_IF_ERROR(ReadPageShape(sys, page, &shape));
    SubsampleSpec spec = spec_for(shape);
    spec.levels = levels;
    IpiObject* resampled = nullptr;
    IPI_RETURN_IF_ERROR(SubsampleImage(sys, page, spec, nullptr, &resampled));
    const int put = IpiPutCompositeElement(sys, resampled, destination, i);
    if (put != 0) {
      if (resampled != page) (void)IpiDeleteObject(sys, resampled);
      return put;
    }
  }
  return kIpiNoError;
}

}  // namespace

int ResampleComposite(IpiSystem* sys, IpiObject* source, IpiObject* destination, const CompositeResampling& how,
                      const CmiOptions& options, int32_t* status) {
  int32_t interpolation = 0, morphology = 0;
  FillLevels levels = kDefaultFillLevels;
  if (!MapInterpolation(how.interpolation, &interpolation) || !MapMorphology(how.morphology, &morphology) ||
      !ReadFillLevelOptions(options, &levels) || how.width < 0 || how.height < 0 || how.source.width < 0 ||
      how.source.height < 0 || how.destination.width < 0 || how.destination.height < 0) {
    return Finish(kCmiStatusBadArgument, status);
  }
  return Finish(ResamplePages(sys, source, destination, levels,
                              [&](const PageShape&) {
                                SubsampleSpec spec;
                                spec.width = how.width;
                                spec.height = how.height;
                                spec.source = how.source;
                                spec.destination = how.destination;
                                spec.interpolation = interpolation;
                                spec.morphology = morphology;
                                return spec;
                              }),
                status);
}

int PlaceOnCanvas(IpiSystem* sys, IpiObject* source, IpiObject* destination, int64_t canvas_width,
                  int64_t canvas_height, int64_t x, int64_t y, const CmiOptions& options, int32_t* status) {
  FillLevels levels = kDefaultFillLevels;
  if (!ReadFillLevelOptions(options, &levels)) return Finish(kCmiStatusBadArgument, status);
  const int size = CheckNewImageSize(canvas_width, canvas_height);
  if (size != 0) return Finish(size, status);
  return Finish(ResamplePages(sys, source, destination, levels,
                              [&](const PageShape& page) {
                                SubsampleSpec spec;
                                spec.width = canvas_width;
                                spec.height = canvas_height;
                                spec.destination = {x, y, page.width, page.height};
                                spec.interpolation = kInterpolationNearest;
                                return spec;
                              }),
                status);
}
