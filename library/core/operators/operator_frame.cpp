// The operator frame; see operator_frame.h. Every accessor lives in a
// ScopedAccessor owned by the run, so each path out of RunFrameFunction closes
// all of them.
#include "core/operators/operator_frame.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <vector>

#include "core/codes.h"
#include "core/status.h"
#include "core/streams/stream.h"

namespace {

constexpr IpiAttribute kImageOptions[] = {{"matchPointState", 1}, {"roiState", 1}};
constexpr IpiAttribute kMatchPointOnly[] = {{"matchPointState", 1}};

constexpr uint8_t kMsbFirstMasks[8] = {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01};
constexpr uint8_t kLsbFirstMasks[8] = {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80};

int LiveOrError(IpiSystem* sys, IpiObject* obj) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  if (IpiCheckObject(sys, obj) == nullptr) return IpiGetLastError(sys);
  return kIpiNoError;
}

// Caller memory shorter than the data would fail half-way through a run:
// refuse it before anything is written.
int CheckStreamHoldsData(IpiSystem* sys, const IpiStream* stream) {
  if (stream != nullptr && stream->repository == kRepositoryCallerMemory && stream->limit < stream->total_bytes) {
    return IpiRefuse(sys, kIpiInsufficientSize);
  }
  return kIpiNoError;
}

// One image of a run: its accessors (one per plane) and where it sits against
// the reference image.
struct Port {
  FrameImage image;
  bool is_source = true;
  ScopedAccessor planes[kMaxFramePlanes];
  int32_t bits = 0;        // P as stored
  int64_t extent[5] = {};
  int64_t offset[5] = {};  // reference coordinate - own coordinate
  // Region of interest, when this image gates.
  bool gates = false;
  IpiStream* roi_stream = nullptr;
  int32_t roi_bits = 0;
  const uint8_t* roi_masks = nullptr;
};

// Clears open[i] wherever the region element at bit (first_bit + i x P) of
// `row` is zero.
void FoldRegionRow(const uint8_t* row, int64_t first_bit, int32_t bits, const uint8_t* masks, int64_t count,
                   uint8_t* open) {
  if (bits == 8) {
    const uint8_t* roi = row + first_bit / 8;
    for (int64_t i = 0; i < count; ++i) open[i] = static_cast<uint8_t>(open[i] & (roi[i] != 0));
    return;
  }
  if (bits % 8 == 0) {
    const int64_t bytes = bits / 8;
    const uint8_t* roi = row + first_bit / 8;
    for (int64_t i = 0; i < count; ++i) {
      bool any = false;
      for (int64_t j = 0; j < bytes; ++j) any = any || roi[i * bytes + j] != 0;
      if (!any) open[i] = 0;
    }
    return;
  }
  for (int64_t i = 0; i < count; ++i) {
    bool any = false;
    for (int32_t j = 0; j < bits && !any; ++j) {
      const int64_t position = first_bit + i * bits + j;
      any = (row[position >> 3] & masks[position & 7]) != 0;
    }
    if (!any) open[i] = 0;
  }
}

int64_t RowElement(const Port& port, const int64_t own[5]) {
  const int64_t* n = port.extent;
  return n[kDimX] * (own[kDimY] + n[kDimY] * (own[kDimZ] + n[kDimZ] * (own[kDimT] + n[kDimT] * own[kDimB])));
}

int OpenPort(IpiSystem* sys, Port& port, BandWalk walk) {
  const FrameImage& image = port.image;
  assert(image.planes >= 1 && image.planes <= kMaxFramePlanes);
  assert(walk == BandWalk::kFixed || image.planes == 1);
  assert(image.window_rows >= 1 && image.window_rows % 2 == 1);
  assert(port.is_source || image.window_rows == 1);

  const AccessMode mode = port.is_source ? AccessMode::kRead : AccessMode::kWrite;
  for (int k = 0; k < image.planes; ++k) {
    const bool region_plane = k == 0 && image.gates;
    IPI_RETURN_IF_ERROR(OpenImageAccessor(sys, image.object, mode, image.window_rows, region_plane, port.planes[k]));
    IPI_RETURN_IF_ERROR(CheckStreamHoldsData(sys, port.planes[k].stream()));
  }
  const IpiAccessor& a = *port.planes[0];
  port.bits = a.stream->bits_per_element;
  for (int i = 0; i < 5; ++i) port.extent[i] = a.dimension[i];
  // Narrow elements are found through the mask tables; without them every
  // bit would read as 0.
  if (port.bits % 8 != 0 && a.bit_masks[0] == 0) return IpiRefuse(sys, kIpiOutOfRange);

  if (a.has_roi()) {
    const IpiObject& roi = *a.roi;
    port.gates = true;
    port.roi_stream = a.roi_stream;
    port.roi_bits = a.roi_stream->bits_per_element;
    IPI_RETURN_IF_ERROR(CheckStreamHoldsData(sys, port.roi_stream));
    if (roi.fields.bit_order == kOrderMsbFirst) {
      port.roi_masks = kMsbFirstMasks;
    } else if (roi.fields.bit_order == kOrderLsbFirst) {
      port.roi_masks = kLsbFirstMasks;
    } else if (port.roi_bits % 8 != 0) {
      return IpiRefuse(sys, kIpiOutOfRange);
    }
    // The region is read at the image's element indices: it needs every band
    // the run gates.
    const int64_t bands_gated = walk == BandWalk::kWalk ? port.extent[kDimB] : image.planes;
    if (roi.fields.dimension[kDimB] < bands_gated) return IpiRefuse(sys, kIpiInsufficientSize);
  }
  return kIpiNoError;
}

// The walk over an opened set of ports.
class FrameWalk {
 public:
  FrameWalk(IpiSystem* sys, BandWalk walk, Port* ports, int source_count, int destination_count)
      : sys_(sys), walk_(walk), ports_(ports), source_count_(source_count), port_count_(source_count + destination_count) {}

  int Run(FrameRowFunction function, void* context) {
    const Port& reference = ports_[port_count_ > source_count_ ? source_count_ : 0];
    int64_t match[kMaxFrameImages * 2][5] = {};
    int64_t extents[kMaxFrameImages * 2][5] = {};
    for (int p = 0; p < port_count_; ++p) {
      for (int i = 0; i < 5; ++i) {
        match[p][i] = ports_[p].planes[0]->match_point[i];
        extents[p][i] = ports_[p].extent[i];
      }
    }
    const int dimensions = walk_ == BandWalk::kWalk ? 5 : 4;
    for (int p = 0; p < port_count_; ++p) {
      for (int i = 0; i < 5; ++i) {
        ports_[p].offset[i] = i < dimensions ? reference.planes[0]->match_point[i] - match[p][i] : 0;
      }
    }
    int64_t offsets[kMaxFrameImages * 2][5] = {};
    for (int p = 0; p < port_count_; ++p) std::copy(ports_[p].offset, ports_[p].offset + 5, offsets[p]);
    region_ = ComputeFrameRegion(reference.extent, extents, offsets, port_count_, dimensions);
    if (region_.empty()) return kIpiNoError;

    row_.count = region_.width();
    row_.region = &region_;
    for (int p = 0; p < port_count_; ++p) {
      if (ports_[p].gates) row_.gate_word |= ports_[p].is_source ? 1 : 4;
    }
    if (row_.gate_word != 0) open_.resize(static_cast<size_t>(row_.count));

    const int64_t* first = region_.first;
    const int64_t* last = region_.last;
    for (int64_t b = first[kDimB]; b <= last[kDimB]; ++b) {
      for (int64_t t = first[kDimT]; t <= last[kDimT]; ++t) {
        for (int64_t z = first[kDimZ]; z <= last[kDimZ]; ++z) {
          for (int64_t y = first[kDimY]; y <= last[kDimY]; ++y) {
            IPI_RETURN_IF_ERROR(Row(function, context, y, z, t, b));
          }
        }
      }
    }
    return kIpiNoError;
  }

 private:
  int Row(FrameRowFunction function, void* context, int64_t y, int64_t z, int64_t t, int64_t b) {
    row_.y = y;
    row_.z = z;
    row_.t = t;
    row_.b = b;
    const int64_t reference[5] = {region_.first[kDimX], y, z, t, b};
    if (row_.gate_word != 0) std::fill(open_.begin(), open_.end(), uint8_t{1});
    int destination_index = 0;
    for (int p = 0; p < port_count_; ++p) {
      Port& port = ports_[p];
      RowRef* refs = port.is_source ? row_.sources[p] : row_.destinations[destination_index++];
      for (int k = 0; k < port.image.planes; ++k) {
        int64_t own[5];
        for (int i = 0; i < 5; ++i) own[i] = reference[i] - port.offset[i];
        if (walk_ == BandWalk::kFixed) own[kDimB] = k;
        const int64_t element = RowElement(port, own);
        IpiStream* stream = port.planes[k].stream();
        uint8_t* data = port.is_source ? IpiGetInputRow(sys_, stream, element) : IpiGetOutputRow(sys_, stream, element);
        if (data == nullptr) return IpiGetLastError(sys_);
        const int64_t bit_index = (element * port.bits) % 8 + own[kDimX] * port.bits;
        RowRef& ref = refs[k];
        ref.data = data + bit_index / 8;
        ref.bit = static_cast<int32_t>(bit_index % 8);
        ref.bits_per_element = port.bits;
        ref.count = row_.count;
        ref.accessor = port.planes[k].get();
        ref.x = own[kDimX];
        ref.y = own[kDimY];
        ref.band = static_cast<int32_t>(own[kDimB]);
        ref.row_element = element;
        if (port.image.window_rows > 1) {
          ref.window_half = port.image.window_rows / 2;
          ref.window_stride_bytes = IpiWindowStride(stream);
          ref.window_middle = data;
        }
        if (port.gates) {
          const uint8_t* roi = IpiGetInputRow(sys_, port.roi_stream, element);
          if (roi == nullptr) return IpiGetLastError(sys_);
          const int64_t roi_bit = (element * port.roi_bits) % 8 + own[kDimX] * port.roi_bits;
          FoldRegionRow(roi, roi_bit, port.roi_bits, port.roi_masks, row_.count, open_.data());
        }
      }
    }
    row_.gate = Gate(row_.gate_word != 0 ? open_.data() : nullptr);
    IPI_RETURN_IF_ERROR(function(context, row_));
    destination_index = 0;
    for (int p = source_count_; p < port_count_; ++p) {
      Port& port = ports_[p];
      const RowRef* refs = row_.destinations[destination_index++];
      for (int k = 0; k < port.image.planes; ++k) {
        IPI_RETURN_IF_ERROR(IpiPutOutputRow(sys_, port.planes[k].stream(), refs[k].row_element));
      }
    }
    return kIpiNoError;
  }

  IpiSystem* sys_;
  BandWalk walk_;
  Port* ports_;
  int source_count_;
  int port_count_;
  FrameRegion region_;
  FrameRow row_;
  std::vector<uint8_t> open_;
};

int OpenAccessor(IpiSystem* sys, IpiObject* obj, AccessMode mode, int rows, const IpiAttribute* options,
                 int count, ScopedAccessor& out) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  IpiAccessor* a = IpiOpenAccessor(sys, obj, mode == AccessMode::kRead ? "r" : "w", rows, options, count);
  if (a == nullptr) return IpiGetLastError(sys);
  out = ScopedAccessor(sys, a);
  return kIpiNoError;
}

}  // namespace

int OpenImageAccessor(IpiSystem* sys, IpiObject* obj, AccessMode mode, int rows, bool gates, ScopedAccessor& out) {
  return gates ? OpenAccessor(sys, obj, mode, rows, kImageOptions, 2, out)
               : OpenAccessor(sys, obj, mode, rows, kMatchPointOnly, 1, out);
}

int OpenAuxiliaryAccessor(IpiSystem* sys, IpiObject* obj, AccessMode mode, int rows, ScopedAccessor& out) {
  return OpenAccessor(sys, obj, mode, rows, nullptr, 0, out);
}

int RequireDataType(IpiSystem* sys, IpiObject* obj, int32_t data_type) {
  return RequireDataType(sys, obj, {data_type});
}

int RequireDataType(IpiSystem* sys, IpiObject* obj, std::initializer_list<int32_t> data_types) {
  IPI_RETURN_IF_ERROR(LiveOrError(sys, obj));
  if (std::find(data_types.begin(), data_types.end(), obj->fields.data_type) == data_types.end()) {
    return IpiRefuse(sys, kIpiMismatchDataType);
  }
  return kIpiNoError;
}

int GetStoredBits(IpiSystem* sys, IpiObject* obj, int32_t* bits) {
  IPI_RETURN_IF_ERROR(LiveOrError(sys, obj));
  int64_t elements = 0;
  int64_t bytes = 0;
  const int status = IpiObjectDataSize(sys, *obj, &elements, &bytes, bits);
  if (status != 0) return IpiRefuse(sys, status);
  return kIpiNoError;
}

int RequireStoredBits(IpiSystem* sys, IpiObject* obj, int32_t bits) {
  int32_t stored = 0;
  IPI_RETURN_IF_ERROR(GetStoredBits(sys, obj, &stored));
  if (stored != bits) return IpiRefuse(sys, kIpiMismatchDataType);
  return kIpiNoError;
}

int RequireBands(IpiSystem* sys, IpiObject* obj, int32_t min_bands, int32_t max_bands) {
  IPI_RETURN_IF_ERROR(LiveOrError(sys, obj));
  const int32_t bands = obj->fields.dimension[kDimB];
  if (bands < min_bands || bands > max_bands) return IpiRefuse(sys, kIpiNonPermissibleOption);
  return kIpiNoError;
}

int RequireSameSize(IpiSystem* sys, IpiObject* a, IpiObject* b) {
  IPI_RETURN_IF_ERROR(LiveOrError(sys, a));
  IPI_RETURN_IF_ERROR(LiveOrError(sys, b));
  for (int i = kDimX; i <= kDimT; ++i) {
    if (a->fields.dimension[i] != b->fields.dimension[i]) return IpiRefuse(sys, kIpiOutOfRange);
  }
  return kIpiNoError;
}

int RequireInRange(IpiSystem* sys, int64_t value, int64_t first, int64_t last) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  if (value < first || value > last) return IpiRefuse(sys, kIpiOutOfRange);
  return kIpiNoError;
}

bool FrameRegion::empty() const {
  for (int i = 0; i < 5; ++i) {
    if (first[i] > last[i]) return true;
  }
  return false;
}

FrameRegion ComputeFrameRegion(const int64_t reference[5], const int64_t (*extents)[5], const int64_t (*offsets)[5],
                               int image_count, int dimensions) {
  FrameRegion region;
  for (int i = 0; i < dimensions; ++i) {
    region.first[i] = 0;
    region.last[i] = reference[i] - 1;
    for (int j = 0; j < image_count; ++j) {
      region.first[i] = std::max(region.first[i], offsets[j][i]);
      region.last[i] = std::min(region.last[i], extents[j][i] - 1 + offsets[j][i]);
    }
  }
  return region;
}

RowRef RowRef::WindowRow(int k) const {
  RowRef row = *this;
  const int64_t height = accessor->dimension[kDimY];
  const int64_t row_y = y + k;
  if (window_middle == nullptr || k < -window_half || k > window_half || row_y < 0 || row_y >= height) {
    row.data = nullptr;
    return row;
  }
  // Slot k holds the row of element row_element + k x X from that element's
  // byte on, so its first element's bit is that element's bit.
  const int64_t element = row_element + k * int64_t{accessor->dimension[kDimX]};
  const int64_t bit_index = (element * bits_per_element) % 8 + x * bits_per_element;
  row.window_middle = window_middle + k * window_stride_bytes;
  row.data = row.window_middle + bit_index / 8;
  row.bit = static_cast<int32_t>(bit_index % 8);
  row.y = row_y;
  row.row_element = element;
  return row;
}

int RunFrameFunction(IpiSystem* sys, BandWalk walk, std::initializer_list<FrameImage> sources,
                     std::initializer_list<FrameImage> destinations, FrameRowFunction function, void* context) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  assert(sources.size() <= kMaxFrameImages && destinations.size() <= kMaxFrameImages);
  assert(sources.size() + destinations.size() > 0);
  Port ports[kMaxFrameImages * 2];
  int count = 0;
  for (const FrameImage& image : sources) {
    ports[count].image = image;
    ports[count++].is_source = true;
  }
  const int source_count = count;
  for (const FrameImage& image : destinations) {
    ports[count].image = image;
    ports[count++].is_source = false;
  }
  // Showing the kernel more bands than an image has would read or write past
  // its data: refused before anything is opened.
  for (int p = 0; p < count; ++p) {
    IPI_RETURN_IF_ERROR(LiveOrError(sys, ports[p].image.object));
    if (ports[p].image.planes > ports[p].image.object->fields.dimension[kDimB]) {
      return IpiRefuse(sys, kIpiInsufficientSize);
    }
  }
  int status = kIpiNoError;
  for (int p = 0; p < count && status == 0; ++p) status = OpenPort(sys, ports[p], walk);
  if (status == 0) {
    FrameWalk frame(sys, walk, ports, source_count, count - source_count);
    status = frame.Run(function, context);
  }
  // Close everything, also after a failure; the first failure is the result.
  int close_status = kIpiNoError;
  for (int p = 0; p < count; ++p) {
    for (ScopedAccessor& plane : ports[p].planes) {
      const int s = plane.Close();
      if (close_status == 0) close_status = s;
    }
  }
  if (status != 0) {
    sys->last_error = status;  // a close failure after the first error does not hide it
    return status;
  }
  return close_status;
}

int OpenGeometryAccessor(IpiSystem* sys, IpiObject* obj, AccessMode mode, int rows, ScopedAccessor& out) {
  IPI_RETURN_IF_ERROR(OpenImageAccessor(sys, obj, mode, rows, true, out));
  const IpiAccessor& a = *out;
  IPI_RETURN_IF_ERROR(CheckStreamHoldsData(sys, a.stream));
  if (a.stream->bits_per_element % 8 != 0 && a.bit_masks[0] == 0) return IpiRefuse(sys, kIpiOutOfRange);
  if (a.has_roi()) {
    const IpiObject& roi = *a.roi;
    IPI_RETURN_IF_ERROR(CheckStreamHoldsData(sys, a.roi_stream));
    const bool known_order = roi.fields.bit_order == kOrderMsbFirst || roi.fields.bit_order == kOrderLsbFirst;
    if (!known_order && a.roi_stream->bits_per_element % 8 != 0) return IpiRefuse(sys, kIpiOutOfRange);
    if (roi.fields.dimension[kDimB] < a.dimension[kDimB]) return IpiRefuse(sys, kIpiInsufficientSize);
  }
  return kIpiNoError;
}

int ReadRegionFlags(IpiSystem* sys, const IpiAccessor& a, int64_t element, int64_t count, uint8_t* out) {
  assert(a.has_roi());
  const int64_t width = a.dimension[kDimX];
  assert(width > 0 && count >= 0 && element % width + count <= width);
  // The region stream reads whole rows: fetch the row that holds the elements.
  const int64_t row_start = element - element % width;
  const uint8_t* row = IpiGetInputRow(sys, a.roi_stream, row_start);
  if (row == nullptr) return IpiGetLastError(sys);
  const int32_t bits = a.roi_stream->bits_per_element;
  const uint8_t* masks = a.roi->fields.bit_order == kOrderLsbFirst ? kLsbFirstMasks : kMsbFirstMasks;
  std::memset(out, 1, static_cast<size_t>(count));
  FoldRegionRow(row, (row_start * bits) % 8 + (element - row_start) * bits, bits, masks, count, out);
  return kIpiNoError;
}
