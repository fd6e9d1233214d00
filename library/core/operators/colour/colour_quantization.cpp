// Colour quantization on the operator frame with bands held fixed: three
// source planes, one destination plane. Every argument is checked before
// anything is written; the colour table is written last by method 158 and
// first by method 211, entries past the palette keeping their values.
#include "core/operators/colour/colour_quantization.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "core/codes.h"
#include "core/objects/tuple.h"
#include "core/operators/operator_frame.h"
#include "core/operators/point/point_common.h"
#include "core/status.h"

namespace {

constexpr int kLevelsPerAxis = 16;
constexpr int kCellCount = kLevelsPerAxis * kLevelsPerAxis * kLevelsPerAxis;  // 4096
constexpr int kCellStep = 17;  // 255 / 15: the colour of cell coordinate q is 17 q
constexpr int kInlineCandidates = 6;
constexpr int kMaxPalette = 256;  // indices are bytes

// One cell of the colour histogram of method 158.
struct IpiColourCell {
  uint32_t count;
  uint8_t* candidate_list;  // more than kInlineCandidates candidates, from IpiAlloc
  uint8_t candidates[kInlineCandidates];
  uint8_t chosen;  // the cell's own colour is a palette entry
  // At most 256 palette entries can tie: a byte would not hold them all.
  uint16_t candidate_count;

  const uint8_t* list() const { return candidate_count > kInlineCandidates ? candidate_list : candidates; }
};

// The cell table and the candidate lists hung on it; all freed on every path.
class CellTable {
 public:
  explicit CellTable(IpiSystem* sys) : sys_(sys) {}
  ~CellTable() {
    if (cells_ != nullptr) {
      for (int i = 0; i < listed_count_; ++i) IpiFree(sys_, cells_[listed_[i]].candidate_list);
    }
    IpiFree(sys_, listed_);
    IpiFree(sys_, cells_);
  }
  CellTable(const CellTable&) = delete;
  CellTable& operator=(const CellTable&) = delete;

  int Allocate() {
    cells_ = static_cast<IpiColourCell*>(IpiAlloc(sys_, sizeof(IpiColourCell) * kCellCount));
    if (cells_ == nullptr) return IpiGetLastError(sys_);
    listed_ = static_cast<uint16_t*>(IpiAlloc(sys_, sizeof(uint16_t) * kCellCount));
    if (listed_ == nullptr) return IpiGetLastError(sys_);
    return kIpiNoError;
  }
  IpiColourCell& operator[](int cell) { return cells_[cell]; }
  // Storage for `count` candidates of `cell`: inline up to six, else a list.
  uint8_t* CandidateStorage(int cell, int count) {
    IpiColourCell& c = cells_[cell];
    if (count <= kInlineCandidates) return c.candidates;
    c.candidate_list = static_cast<uint8_t*>(IpiAlloc(sys_, static_cast<size_t>(count)));
    if (c.candidate_list == nullptr) return nullptr;
    listed_[listed_count_++] = static_cast<uint16_t>(cell);
    return c.candidate_list;
  }

 private:
  IpiSystem* sys_;
  IpiColourCell* cells_ = nullptr;
  uint16_t* listed_ = nullptr;  // cells that own a candidate list
  int listed_count_ = 0;
};

struct Palette {
  int size = 0;
  uint8_t red[kMaxPalette] = {};
  uint8_t green[kMaxPalette] = {};
  uint8_t blue[kMaxPalette] = {};

  int64_t Distance(int index, int r, int g, int b) const {
    const int64_t dr = r - red[index], dg = g - green[index], db = b - blue[index];
    return dr * dr + dg * dg + db * db;
  }
};

// The cell coordinate of each component value: the nearest of 0, 17, ..., 255.
constexpr std::array<uint8_t, kTableEntries> MakeCellCoordinates() {
  std::array<uint8_t, kTableEntries> q{};
  for (int v = 0; v < kTableEntries; ++v) q[static_cast<size_t>(v)] = static_cast<uint8_t>((v + 8) / kCellStep);
  return q;
}
constexpr std::array<uint8_t, kTableEntries> kCellCoordinate = MakeCellCoordinates();

inline int CellOf(uint8_t r, uint8_t g, uint8_t b) {
  return kCellCoordinate[b] * 256 + kCellCoordinate[g] * kLevelsPerAxis + kCellCoordinate[r];
}

// Checks shared by both methods; nothing is opened yet.
int CheckQuantizeArguments(IpiSystem* sys, IpiObject* source, IpiObject* destination, IpiObject* table,
                           int64_t colours) {
  IPI_RETURN_IF_ERROR(RequireByteImage(sys, source));
  IPI_RETURN_IF_ERROR(RequireByteImage(sys, destination));
  IPI_RETURN_IF_ERROR(RequireByteImage(sys, table));
  // Three bands are read and three runs written: fewer would be overrun.
  if (source->fields.dimension[kDimB] < kColourBands || table->fields.dimension[kDimB] < kColourBands) {
    return IpiRefuse(sys, kIpiInsufficientSize);
  }
  // More colours than the table holds, or than a byte can index, would be
  // written past the table.
  const int64_t limit = std::min<int64_t>(table->fields.dimension[kDimX], kMaxPalette);
  return RequireInRange(sys, colours, 1, limit);
}

// Writes palette entries 0 .. size - 1 into the table's three runs; the other
// entries keep their values (zeros when the table held none).
int WriteColourRuns(IpiSystem* sys, IpiObject* table, const Palette& palette) {
  const int64_t entries = table->fields.dimension[kDimX];
  const uint8_t* runs[kColourBands] = {palette.red, palette.green, palette.blue};
  ScopedAccessor accessor;
  IPI_RETURN_IF_ERROR(OpenAuxiliaryAccessor(sys, table, AccessMode::kWrite, 1, accessor));
  for (int band = 0; band < kColourBands; ++band) {
    uint8_t* row = IpiGetOutputRow(sys, accessor.stream(), band * entries);
    if (row == nullptr) return IpiGetLastError(sys);
    std::memcpy(row, runs[band], static_cast<size_t>(palette.size));
    IPI_RETURN_IF_ERROR(IpiPutOutputRow(sys, accessor.stream(), band * entries));
  }
  return accessor.Close();
}

// Runs `visit(r, g, b, out, i)` on every element of the region that the
// regions let through.
template <typename Visit>
int WalkColours(IpiSystem* sys, IpiObject* source, IpiObject* destination, Visit visit) {
  return RunFrame(sys, BandWalk::kFixed, {FrameImage{source, kColourBands}}, {FrameImage{destination}},
                  [&visit](const FrameRow& row) {
                    const uint8_t* red = row.source(0, 0).data;
                    const uint8_t* green = row.source(0, 1).data;
                    const uint8_t* blue = row.source(0, 2).data;
                    uint8_t* out = row.destination(0).data;
                    for (int64_t i = 0; i < row.count; ++i) {
                      if (row.gate.open(i)) visit(red[i], green[i], blue[i], out, i);
                    }
                  });
}

// Popularity with falling thresholds: cells at or above the threshold become
// entries in cell order; after each scan the threshold falls.
void SelectPalette(CellTable& cells, uint64_t total, int64_t colours, Palette& palette) {
  uint64_t remaining = total;
  uint64_t wanted = static_cast<uint64_t>(colours);
  uint64_t threshold = std::max<uint64_t>(remaining / (wanted + 1), 1);
  uint64_t multiple = 1;
  // An empty region (remaining 0) chooses nothing and ends at once. Otherwise
  // a scan at threshold 1 takes every counted cell, so the loop ends.
  while (remaining > 0 && wanted > 0) {
    for (int cell = 0; cell < kCellCount && remaining > 0 && wanted > 0; ++cell) {
      IpiColourCell& c = cells[cell];
      if (c.chosen || c.count == 0 || c.count < threshold) continue;
      const int index = palette.size++;
      c.chosen = 1;
      c.candidates[0] = static_cast<uint8_t>(index);
      c.candidate_count = 1;
      palette.red[index] = static_cast<uint8_t>(kCellStep * (cell % kLevelsPerAxis));
      palette.green[index] = static_cast<uint8_t>(kCellStep * (cell / kLevelsPerAxis % kLevelsPerAxis));
      palette.blue[index] = static_cast<uint8_t>(kCellStep * (cell / 256));
      --wanted;
      remaining -= c.count;
    }
    if (remaining == 0 || wanted == 0) break;
    uint64_t next = remaining / (wanted + 1);
    while (next >= threshold) next = remaining / (wanted * ++multiple);
    threshold = std::max<uint64_t>(next, 1);
  }
}

// Every counted cell outside the palette gets the palette entries nearest its
// own colour, in increasing index order.
int FindCandidates(CellTable& cells, const Palette& palette) {
  uint8_t nearest[kMaxPalette];
  for (int cell = 0; cell < kCellCount; ++cell) {
    IpiColourCell& c = cells[cell];
    if (c.count == 0 || c.chosen) continue;
    const int r = kCellStep * (cell % kLevelsPerAxis);
    const int g = kCellStep * (cell / kLevelsPerAxis % kLevelsPerAxis);
    const int b = kCellStep * (cell / 256);
    int64_t best = std::numeric_limits<int64_t>::max();
    int count = 0;
    for (int index = 0; index < palette.size; ++index) {
      const int64_t d = palette.Distance(index, r, g, b);
      if (d < best) {
        best = d;
        count = 0;
      }
      if (d == best) nearest[count++] = static_cast<uint8_t>(index);
    }
    uint8_t* storage = cells.CandidateStorage(cell, count);
    if (storage == nullptr) return kIpiSystemFailure;
    std::memcpy(storage, nearest, static_cast<size_t>(count));
    c.candidate_count = static_cast<uint16_t>(count);
  }
  return kIpiNoError;
}

int QuantizeUniform(IpiSystem* sys, IpiObject* source, IpiObject* destination, IpiObject* table,
                    const int32_t levels[kColourBands]) {
  int32_t steps[kColourBands];
  for (int k = 0; k < kColourBands; ++k) steps[k] = 255 / (levels[k] - 1);
  Palette palette;
  for (int32_t k = 0; k < levels[2]; ++k) {
    for (int32_t j = 0; j < levels[1]; ++j) {
      for (int32_t i = 0; i < levels[0]; ++i) {
        const int entry = (k * levels[1] + j) * levels[0] + i;
        palette.red[entry] = static_cast<uint8_t>(i * steps[0]);
        palette.green[entry] = static_cast<uint8_t>(j * steps[1]);
        palette.blue[entry] = static_cast<uint8_t>(k * steps[2]);
      }
    }
  }
  palette.size = levels[0] * levels[1] * levels[2];
  IPI_RETURN_IF_ERROR(WriteColourRuns(sys, table, palette));

  // The index of each component value, already weighted by its axis. Some
  // level counts (17, 21, ...) give v / s = L, one past the last level: held
  // at L - 1, so the sum stays below K.
  const int32_t weights[kColourBands] = {1, levels[0], levels[0] * levels[1]};
  uint8_t part[kColourBands][kTableEntries];
  for (int k = 0; k < kColourBands; ++k) {
    for (int v = 0; v < kTableEntries; ++v) part[k][v] = static_cast<uint8_t>(std::min(v / steps[k], levels[k] - 1) * weights[k]);
  }
  return RunFrame(sys, BandWalk::kFixed, {FrameImage{source, kColourBands}}, {FrameImage{destination}},
                  [&part](const FrameRow& row) {
                    const uint8_t* red = row.source(0, 0).data;
                    const uint8_t* green = row.source(0, 1).data;
                    const uint8_t* blue = row.source(0, 2).data;
                    uint8_t* out = row.destination(0).data;
                    const int64_t count = row.count;
                    if (row.gate.none()) {
                      for (int64_t i = 0; i < count; ++i) {
                        out[i] = static_cast<uint8_t>(part[0][red[i]] + part[1][green[i]] + part[2][blue[i]]);
                      }
                      return;
                    }
                    for (int64_t i = 0; i < count; ++i) {
                      if (row.gate.open(i)) {
                        out[i] = static_cast<uint8_t>(part[0][red[i]] + part[1][green[i]] + part[2][blue[i]]);
                      }
                    }
                  });
}

}  // namespace

int IpiQuantizeByHistogram(IpiSystem* sys, IpiObject* source, IpiObject* destination, IpiObject* colour_table,
                           int64_t colours) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  IPI_RETURN_IF_ERROR(CheckQuantizeArguments(sys, source, destination, colour_table, colours));
  CellTable cells(sys);
  IPI_RETURN_IF_ERROR(cells.Allocate());

  uint64_t total = 0;
  IPI_RETURN_IF_ERROR(WalkColours(sys, source, destination, [&](uint8_t r, uint8_t g, uint8_t b, uint8_t*, int64_t) {
    ++cells[CellOf(r, g, b)].count;
    ++total;
  }));
  Palette palette;
  SelectPalette(cells, total, colours, palette);
  if (FindCandidates(cells, palette) != 0) return IpiGetLastError(sys);

  IPI_RETURN_IF_ERROR(WalkColours(sys, source, destination, [&](uint8_t r, uint8_t g, uint8_t b, uint8_t* out, int64_t i) {
    const IpiColourCell& c = cells[CellOf(r, g, b)];
    if (c.candidate_count == 0) return;  // counted in the first walk, so never; kept for safety
    const uint8_t* list = c.list();
    if (c.candidate_count == 1) {
      out[i] = list[0];
      return;
    }
    uint8_t best_index = list[0];
    int64_t best = palette.Distance(list[0], r, g, b);
    for (int k = 1; k < c.candidate_count; ++k) {
      const int64_t d = palette.Distance(list[k], r, g, b);
      if (d < best) {
        best = d;
        best_index = list[k];
      }
    }
    out[i] = best_index;
  }));
  return WriteColourRuns(sys, colour_table, palette);
}

int IpiQuantizeColours(IpiSystem* sys, IpiObject* source, IpiObject* destination, IpiObject* colour_table,
                       IpiObject* levels) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  int32_t counts[kColourBands] = {};
  IPI_RETURN_IF_ERROR(ReadLevels(sys, levels, kColourBands, kMaxPalette, counts));
  const int32_t method = IpiSystemValue(sys, IpiSystemAttribute::kColourQuantization);
  if (method != kQuantizeByHistogram && method != kQuantizeUniform) return IpiRefuse(sys, kIpiNonPermissibleOption);
  const int64_t colours = int64_t{counts[0]} * counts[1] * counts[2];
  if (method == kQuantizeByHistogram) return IpiQuantizeByHistogram(sys, source, destination, colour_table, colours);
  IPI_RETURN_IF_ERROR(CheckQuantizeArguments(sys, source, destination, colour_table, colours));
  return QuantizeUniform(sys, source, destination, colour_table, counts);
}
