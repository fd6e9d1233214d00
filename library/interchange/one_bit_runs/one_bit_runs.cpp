// Compression 217 on objects; see one_bit_runs.h. Rows are gathered from the
// image into packed rows for the coder and scattered back after decoding, so
// the coder never sees the image's bit order or where its rows start.
#include "interchange/one_bit_runs/one_bit_runs.h"

#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/operators/operator_frame.h"
#include "core/status.h"
#include "core/streams/stream.h"
#include "core/system/system.h"
#include "interchange/common/object_bytes.h"
#include "interchange/common/object_io.h"
#include "interchange/io/bit_writer.h"
#include "interchange/one_bit_runs/one_bit_run_stream.h"
#include "interchange/rows/bilevel_rows.h"

namespace {

// The largest coded size the decoder takes in: raw rows of the largest image
// with their stuffing and flags stay well below it.
constexpr int64_t kMaxCodedBytes = int64_t{2} << 30;

int RequireBooleanPair(IpiSystem* sys, IpiObject* image, IpiObject* coded) {
  IPI_RETURN_IF_ERROR(RequireDataType(sys, image, kDataTypeBoolean));
  IPI_RETURN_IF_ERROR(RequireDataType(sys, coded, kDataTypeBoolean));
  return RequireStoredBits(sys, image, 1);
}

// The region of `reference` that `other` covers by their match points, and
// for each dimension the shift from reference coordinates to other's.
struct SharedRegion {
  FrameRegion region;
  int64_t offset[5] = {};  // reference coordinate - other coordinate
};

SharedRegion FindSharedRegion(const IpiAccessor& reference, const IpiAccessor& other) {
  SharedRegion shared;
  int64_t reference_extent[5];
  int64_t other_extent[1][5];
  int64_t offsets[1][5];
  for (int i = 0; i < 5; ++i) {
    reference_extent[i] = reference.dimension[i];
    other_extent[0][i] = other.dimension[i];
    offsets[0][i] = int64_t{reference.match_point[i]} - other.match_point[i];
    shared.offset[i] = offsets[0][i];
  }
  shared.region = ComputeFrameRegion(reference_extent, other_extent, offsets, 1, 5);
  return shared;
}

// Element index of (x, y, z, t, b) in an object of the accessor's extents.
int64_t ElementIndex(const IpiAccessor& a, int64_t x, int64_t y, int64_t z, int64_t t, int64_t b) {
  const int32_t* d = a.dimension;
  return x + int64_t{d[kDimX]} * (y + int64_t{d[kDimY]} * (z + int64_t{d[kDimZ]} * (t + int64_t{d[kDimT]} * b)));
}

}  // namespace

int EncodeOneBitRuns(IpiSystem* sys, IpiObject* image, IpiObject* coded) {
  IPI_RETURN_IF_ERROR(RequireBooleanPair(sys, image, coded));
  ScopedAccessor in;
  ScopedAccessor out;
  IPI_RETURN_IF_ERROR(OpenImageAccessor(sys, image, AccessMode::kRead, 1, false, in));
  IPI_RETURN_IF_ERROR(OpenImageAccessor(sys, coded, AccessMode::kWrite, 0, false, out));
  // The coded object is the target: the region is in its coordinates.
  const SharedRegion shared = FindSharedRegion(*out, *in);
  const FrameRegion& r = shared.region;
  if (r.empty()) return IpiRefuse(sys, kIpiOutOfRange);

  const int64_t width = r.width();
  std::vector<uint8_t> packed(static_cast<size_t>((width + 7) / 8));
  StreamSink sink(sys, out.stream());
  BitWriter writer(sink, FillOrder::kMsbFirst);
  OneBitRunEncoder encoder(writer, width);
  const int64_t* o = shared.offset;
  for (int64_t b = r.first[kDimB]; b <= r.last[kDimB]; ++b) {
    for (int64_t t = r.first[kDimT]; t <= r.last[kDimT]; ++t) {
      for (int64_t z = r.first[kDimZ]; z <= r.last[kDimZ]; ++z) {
        encoder.BeginPlane();
        for (int64_t y = r.first[kDimY]; y <= r.last[kDimY]; ++y) {
          // Rows are fetched from their start: a row fetched from a later
          // column would reach past the data of the last row.
          const int64_t row_start = ElementIndex(*in, 0, y - o[kDimY], z - o[kDimZ], t - o[kDimT], b - o[kDimB]);
          const uint8_t* row = IpiGetInputRow(sys, in.stream(), row_start);
          if (row == nullptr) return IpiGetLastError(sys);
          GatherBilevelRow(*in, row, (row_start & 7) + r.first[kDimX] - o[kDimX], width, packed.data());
          encoder.AddRow(packed.data());
          if (sink.has_failed()) return sink.status();
        }
      }
    }
  }
  encoder.Finish();
  const uint64_t coded_bits = writer.bits_written();
  if (!writer.Flush()) return sink.status();

  int64_t coded_elements = 0;
  int64_t coded_bytes = 0;
  int32_t bits = 0;
  IPI_RETURN_IF_ERROR(IpiObjectDataSize(sys, *coded, &coded_elements, &coded_bytes, &bits));
  if (coded->fields.repository != kRepositoryFile && coded_bits >= static_cast<uint64_t>(coded_elements)) {
    return IpiRefuse(sys, kIpiInsufficientSize);
  }
  IPI_RETURN_IF_ERROR(out.Close());
  return IpiSetAttribute(sys, coded, "size", static_cast<intptr_t>(sink.position()));
}

int DecodeOneBitRuns(IpiSystem* sys, IpiObject* coded, IpiObject* image) {
  IPI_RETURN_IF_ERROR(RequireBooleanPair(sys, image, coded));
  const int64_t size_bytes = coded->fields.size;
  if (size_bytes < 0) return IpiRefuse(sys, kIpiSyntaxError);
  if (size_bytes > kMaxCodedBytes) return IpiRefuse(sys, kIpiExceedImplementation);
  ScopedAccessor in;
  ScopedAccessor out;
  IPI_RETURN_IF_ERROR(OpenImageAccessor(sys, coded, AccessMode::kRead, 0, false, in));
  IPI_RETURN_IF_ERROR(OpenImageAccessor(sys, image, AccessMode::kWrite, 1, false, out));
  const SharedRegion shared = FindSharedRegion(*out, *in);
  const FrameRegion& r = shared.region;
  if (r.empty()) return IpiRefuse(sys, kIpiOutOfRange);

  ObjectBytes coded_bytes;
  IPI_RETURN_IF_ERROR(coded_bytes.LoadData(sys, coded, size_bytes));
  const int64_t width = r.width();
  std::vector<uint8_t> packed(static_cast<size_t>((width + 7) / 8));
  OneBitRunDecoder decoder(coded_bytes.bytes(), width);
  for (int64_t b = r.first[kDimB]; b <= r.last[kDimB]; ++b) {
    for (int64_t t = r.first[kDimT]; t <= r.last[kDimT]; ++t) {
      for (int64_t z = r.first[kDimZ]; z <= r.last[kDimZ]; ++z) {
        decoder.BeginPlane();
        for (int64_t y = r.first[kDimY]; y <= r.last[kDimY]; ++y) {
          if (decoder.NextRow(packed.data()) != 0) return IpiRefuse(sys, kIpiSyntaxError);
          const int64_t row_start = ElementIndex(*out, 0, y, z, t, b);
          uint8_t* row = IpiGetOutputRow(sys, out.stream(), row_start);
          if (row == nullptr) return IpiGetLastError(sys);
          ScatterBilevelRow(*out, row, (row_start & 7) + r.first[kDimX], width, packed.data());
          IPI_RETURN_IF_ERROR(IpiPutOutputRow(sys, out.stream(), row_start));
        }
      }
    }
  }
  return out.Close();
}
