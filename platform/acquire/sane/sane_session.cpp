// Scanning with SANE: options found by name and set within their
// constraints, pages read frame by frame into checked buffers, and each page
// turned into a packed bitmap. Nothing the device reports is trusted: short or
// inconsistent frames are device errors, never short pages.
#include "acquire/sane/sane_session.h"

#include <sane/saneopts.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>

#include "acquire/common/packed_page.h"
#include "plat/acquire/acquire_constants.h"

namespace plat::acquire {

namespace {

constexpr uint64_t kMaxSidePx = uint64_t{1} << 24;
constexpr uint64_t kMaxPixels = uint64_t{1} << 28;
constexpr uint64_t kMaxFrameBytes = uint64_t{1} << 30;
constexpr size_t kReadChunkBytes = 64 * 1024;
// How long a started page's backend threads get to reach a safe point.
constexpr std::chrono::milliseconds kSettleBeforeCancel{5000};

constexpr char kModeLineart[] = "Lineart";
constexpr char kModeGray[] = "Gray";
constexpr char kModeColor[] = "Color";
constexpr char kSourceFlatbed[] = "Flatbed";

// What a SANE status means for a run.
int ErrorOfStatus(SANE_Status status) {
  switch (status) {
    case SANE_STATUS_GOOD: return qrvSuccess;
    case SANE_STATUS_DEVICE_BUSY: return qrvErrDeviceBusy;
    case SANE_STATUS_NO_MEM: return qrvErrOutofMemory;
    case SANE_STATUS_INVAL: return qrvErrInvalidParam;
    case SANE_STATUS_NO_DOCS: return qrvErrUnsetMediaData;
    case SANE_STATUS_CANCELLED: return qrvErrUserAbort;
    default: return qrvErrDeviceError;  // JAMMED, COVER_OPEN, IO_ERROR, ACCESS_DENIED, UNSUPPORTED, ...
  }
}

std::string Text(SANE_String_Const text) { return text != nullptr ? text : ""; }

double ToDouble(const SANE_Option_Descriptor& option, SANE_Word word) {
  return option.type == SANE_TYPE_FIXED ? SANE_UNFIX(word) : static_cast<double>(word);
}

SANE_Word ToWord(const SANE_Option_Descriptor& option, double value) {
  if (option.type == SANE_TYPE_FIXED) {
    const double limit = 32767.0;
    return SANE_FIX(std::clamp(value, -limit, limit));
  }
  const double limit = static_cast<double>(std::numeric_limits<SANE_Word>::max());
  return static_cast<SANE_Word>(std::lround(std::clamp(value, -limit, limit)));
}

// The allowed word nearest to `word`.
SANE_Word Constrain(const SANE_Option_Descriptor& option, SANE_Word word) {
  if (option.constraint_type == SANE_CONSTRAINT_RANGE && option.constraint.range != nullptr) {
    const SANE_Range& range = *option.constraint.range;
    SANE_Word value = std::clamp(word, range.min, std::max(range.min, range.max));
    if (range.quant > 0) {
      const int64_t steps = (static_cast<int64_t>(value) - range.min + range.quant / 2) / range.quant;
      value = static_cast<SANE_Word>(std::min<int64_t>(range.min + steps * range.quant, range.max));
    }
    return value;
  }
  if (option.constraint_type == SANE_CONSTRAINT_WORD_LIST && option.constraint.word_list != nullptr) {
    const SANE_Word* list = option.constraint.word_list;
    SANE_Word best = word;
    int64_t best_distance = std::numeric_limits<int64_t>::max();
    for (SANE_Word i = 1; i <= list[0]; ++i) {
      const int64_t distance = std::llabs(static_cast<int64_t>(list[i]) - word);
      if (distance < best_distance) {
        best_distance = distance;
        best = list[i];
      }
    }
    return best;
  }
  return word;
}

bool IsUsable(const SANE_Option_Descriptor& option) {
  return SANE_OPTION_IS_ACTIVE(option.cap) && SANE_OPTION_IS_SETTABLE(option.cap);
}

uint8_t Sample8(const uint8_t* row, size_t index, int depth) {
  if (depth == 8) return row[index];
  if (depth == 16) {
    uint16_t value;  // host byte order, as SANE delivers 16-bit samples
    std::memcpy(&value, row + index * 2, sizeof(value));
    return static_cast<uint8_t>(value >> 8);
  }
  return (row[index / 8] & (0x80 >> (index % 8))) != 0 ? 255 : 0;  // 1-bit colour: a set bit is full intensity
}

}  // namespace

struct SaneSession::Frame {
  SANE_Parameters parameters{};
  std::vector<uint8_t> bytes;
  int lines = 0;  // known after the read
};

int ListSaneDevices(const SaneApi& api, std::vector<SaneDevice>& out) {
  out.clear();
  const SANE_Device** list = nullptr;
  const SANE_Status status = api.get_devices(&list, SANE_TRUE);
  if (status != SANE_STATUS_GOOD) return status == SANE_STATUS_NO_MEM ? qrvErrOutofMemory : qrvErrDeviceError;
  for (size_t i = 0; list != nullptr && list[i] != nullptr; ++i) {
    out.push_back(SaneDevice{Text(list[i]->name), Text(list[i]->vendor), Text(list[i]->model), Text(list[i]->type)});
  }
  return qrvSuccess;
}

int ResolveSaneDevice(const std::vector<SaneDevice>& devices, const std::string& wanted, std::string& resolved) {
  if (devices.empty()) return qrvErrDeviceNotInstall;
  if (wanted.empty()) {
    resolved = devices.front().name;
    return qrvSuccess;
  }
  for (const SaneDevice& device : devices) {
    if (device.name == wanted) {
      resolved = device.name;
      return qrvSuccess;
    }
  }
  // USB device names carry bus and device numbers that change on re-plugging.
  const std::string backend = wanted.substr(0, wanted.find(':'));
  const SaneDevice* match = nullptr;
  for (const SaneDevice& device : devices) {
    if (device.name.substr(0, device.name.find(':')) != backend) continue;
    if (match != nullptr) return qrvErrDeviceNotFound;  // several: no way to tell which one was meant
    match = &device;
  }
  if (match == nullptr) return qrvErrDeviceNotFound;
  resolved = match->name;
  return qrvSuccess;
}

SaneSession::~SaneSession() { Close(); }

int SaneSession::Open(const std::string& device) {
  Close();
  SANE_Handle handle = nullptr;
  const SANE_Status status = api_.open(device.c_str(), &handle);
  if (status != SANE_STATUS_GOOD || handle == nullptr) {
    return status == SANE_STATUS_INVAL ? qrvErrDeviceNotFound : ErrorOfStatus(status);
  }
  handle_ = handle;
  cancel_handle_.store(handle);
  return qrvSuccess;
}

void SaneSession::Close() {
  if (handle_ == nullptr) return;
  cancel_handle_.store(nullptr);
  // Backends read on a thread of their own and end it on sane_cancel at any
  // point, also inside an allocation, which leaves the allocator locked for
  // the whole process: a started page's threads are let reach a safe point.
  if (has_started_) (void)backend_threads_.WaitUntilIdle(kSettleBeforeCancel);
  has_started_ = false;
  api_.cancel(handle_);
  api_.close(handle_);
  handle_ = nullptr;
}

void SaneSession::CancelFromAnotherThread() {
  SANE_Handle handle = cancel_handle_.load();
  if (handle != nullptr) api_.cancel(handle);
}

int SaneSession::FindOption(const char* name, const SANE_Option_Descriptor** out) const {
  // Descriptors are read afresh each time, so a reload after a set is never missed.
  for (SANE_Int i = 1;; ++i) {
    const SANE_Option_Descriptor* option = api_.get_option_descriptor(handle_, i);
    if (option == nullptr) return -1;
    if (option->name != nullptr && std::strcmp(option->name, name) == 0) {
      *out = option;
      return i;
    }
  }
}

bool SaneSession::SetString(const char* name, const std::string& value) {
  const SANE_Option_Descriptor* option = nullptr;
  const int index = FindOption(name, &option);
  if (index < 0 || !IsUsable(*option) || option->type != SANE_TYPE_STRING || option->size <= 0) return false;
  std::vector<char> buffer(static_cast<size_t>(option->size), '\0');
  if (value.size() >= buffer.size()) return false;
  std::memcpy(buffer.data(), value.data(), value.size());
  SANE_Int info = 0;
  return api_.control_option(handle_, index, SANE_ACTION_SET_VALUE, buffer.data(), &info) == SANE_STATUS_GOOD;
}

bool SaneSession::SetNumber(const char* name, double value) {
  const SANE_Option_Descriptor* option = nullptr;
  const int index = FindOption(name, &option);
  if (index < 0 || !IsUsable(*option)) return false;
  if (option->type != SANE_TYPE_INT && option->type != SANE_TYPE_FIXED) return false;
  if (option->size < static_cast<SANE_Int>(sizeof(SANE_Word))) return false;
  SANE_Word word = Constrain(*option, ToWord(*option, value));
  // Array options take the value in every element.
  std::vector<SANE_Word> words(static_cast<size_t>(option->size) / sizeof(SANE_Word), word);
  SANE_Int info = 0;
  return api_.control_option(handle_, index, SANE_ACTION_SET_VALUE, words.data(), &info) == SANE_STATUS_GOOD;
}

bool SaneSession::GetNumber(const char* name, double& out) const {
  const SANE_Option_Descriptor* option = nullptr;
  const int index = FindOption(name, &option);
  if (index < 0 || !SANE_OPTION_IS_ACTIVE(option->cap)) return false;
  if (option->type != SANE_TYPE_INT && option->type != SANE_TYPE_FIXED) return false;
  if (option->size < static_cast<SANE_Int>(sizeof(SANE_Word))) return false;
  std::vector<SANE_Word> words(static_cast<size_t>(option->size) / sizeof(SANE_Word), 0);
  if (api_.control_option(handle_, index, SANE_ACTION_GET_VALUE, words.data(), nullptr) != SANE_STATUS_GOOD) {
    return false;
  }
  out = ToDouble(*option, words[0]);
  return true;
}

std::vector<std::string> SaneSession::StringChoices(const char* name) const {
  std::vector<std::string> choices;
  const SANE_Option_Descriptor* option = nullptr;
  if (FindOption(name, &option) < 0 || !IsUsable(*option)) return choices;
  if (option->constraint_type != SANE_CONSTRAINT_STRING_LIST || option->constraint.string_list == nullptr) {
    return choices;
  }
  for (const SANE_String_Const* item = option->constraint.string_list; *item != nullptr; ++item) {
    choices.emplace_back(*item);
  }
  return choices;
}

bool SaneSession::AllowsWord(const char* name, int value) const {
  const SANE_Option_Descriptor* option = nullptr;
  if (FindOption(name, &option) < 0 || !IsUsable(*option)) return false;
  const SANE_Word word = ToWord(*option, value);
  return Constrain(*option, word) == word;
}

int SaneSession::ChooseMode(int color_code) {
  is_bilevel_by_threshold_ = false;
  const std::vector<std::string> modes = StringChoices(SANE_NAME_SCAN_MODE);
  const auto offers = [&](const char* mode) { return std::find(modes.begin(), modes.end(), mode) != modes.end(); };
  switch (color_code) {
    case qrvColorDefault:
      return qrvSuccess;
    case qrvColorBitmap:
      if (offers(kModeLineart)) {
        SetString(SANE_NAME_SCAN_MODE, kModeLineart);
        return qrvSuccess;
      }
      if (offers(kModeGray)) SetString(SANE_NAME_SCAN_MODE, kModeGray);
      if (AllowsWord(SANE_NAME_BIT_DEPTH, 1)) {
        SetNumber(SANE_NAME_BIT_DEPTH, 1);
      } else {
        SetNumber(SANE_NAME_BIT_DEPTH, 8);
        is_bilevel_by_threshold_ = true;
      }
      return qrvSuccess;
    case qrvColorGrayscale:
      if (offers(kModeGray)) SetString(SANE_NAME_SCAN_MODE, kModeGray);
      SetNumber(SANE_NAME_BIT_DEPTH, 8);
      return qrvSuccess;
    case qrvColor16:
    case qrvColor256:
    case qrvColorRGB:
      if (offers(kModeColor)) SetString(SANE_NAME_SCAN_MODE, kModeColor);
      SetNumber(SANE_NAME_BIT_DEPTH, 8);
      return qrvSuccess;
    default:
      return qrvErrInvalidColorDepth;
  }
}

int SaneSession::SetArea(const ScanRequest& request) {
  if (request.area == ScanArea::kLeave) return qrvSuccess;
  const char* names[4] = {SANE_NAME_SCAN_TL_X, SANE_NAME_SCAN_TL_Y, SANE_NAME_SCAN_BR_X, SANE_NAME_SCAN_BR_Y};
  const SANE_Option_Descriptor* options[4] = {};
  for (int i = 0; i < 4; ++i) {
    if (FindOption(names[i], &options[i]) < 0 || !IsUsable(*options[i])) return qrvSuccess;  // no area to set
  }
  // Ranges in the option's own unit; a device without a range has no limit to clamp to.
  const auto range_of = [](const SANE_Option_Descriptor& option, double& low, double& high) {
    low = 0;
    high = 1e9;
    if (option.constraint_type == SANE_CONSTRAINT_RANGE && option.constraint.range != nullptr) {
      low = ToDouble(option, option.constraint.range->min);
      high = ToDouble(option, option.constraint.range->max);
    }
  };
  double x_low, x_high, y_low, y_high;
  range_of(*options[2], x_low, x_high);
  range_of(*options[3], y_low, y_high);
  const bool is_pixel_unit = options[2]->unit == SANE_UNIT_PIXEL;
  // From the request's unit to the option's unit.
  const auto convert = [&](double value, int dpi) {
    const bool is_request_pixels = request.area == ScanArea::kPixels;
    if (is_request_pixels == is_pixel_unit) return value;
    if (dpi <= 0) return value;
    return is_pixel_unit ? value / 25.4 * dpi : value / dpi * 25.4;
  };
  double left = x_low, top = y_low, right = x_high, bottom = y_high;
  if (request.area != ScanArea::kMaximum) {
    left = convert(request.left, dpi_x_);
    top = convert(request.top, dpi_y_);
    right = request.right > 0 ? convert(request.right, dpi_x_) : x_high;
    bottom = request.bottom > 0 ? convert(request.bottom, dpi_y_) : y_high;
  }
  left = std::clamp(left, x_low, x_high);
  right = std::clamp(right, x_low, x_high);
  top = std::clamp(top, y_low, y_high);
  bottom = std::clamp(bottom, y_low, y_high);
  // Bottom-right first, so that a top-left beyond the old bottom-right is never refused.
  SetNumber(SANE_NAME_SCAN_BR_X, right);
  SetNumber(SANE_NAME_SCAN_BR_Y, bottom);
  SetNumber(SANE_NAME_SCAN_TL_X, left);
  SetNumber(SANE_NAME_SCAN_TL_Y, top);
  return qrvSuccess;
}

int SaneSession::Configure(const ScanRequest& request) {
  const int mode_error = ChooseMode(request.color_code);
  if (mode_error != qrvSuccess) return mode_error;
  const std::vector<std::string> sources = StringChoices(SANE_NAME_SCAN_SOURCE);
  for (const std::string& source : sources) {
    const bool is_feeder = source.find("ADF") != std::string::npos || source.find("Feeder") != std::string::npos;
    if (request.use_feeder ? is_feeder : source == kSourceFlatbed) {
      SetString(SANE_NAME_SCAN_SOURCE, source);
      break;
    }
  }
  if (request.resolution_dpi > 0) {
    SetNumber(SANE_NAME_SCAN_RESOLUTION, request.resolution_dpi);
    SetNumber(SANE_NAME_SCAN_X_RESOLUTION, request.resolution_dpi);
    SetNumber(SANE_NAME_SCAN_Y_RESOLUTION, request.resolution_dpi);
  }
  // The resolution the device really uses, read back.
  double dpi = 0;
  dpi_x_ = dpi_y_ = GetNumber(SANE_NAME_SCAN_RESOLUTION, dpi) ? static_cast<int>(std::lround(dpi)) : 0;
  if (GetNumber(SANE_NAME_SCAN_X_RESOLUTION, dpi)) dpi_x_ = static_cast<int>(std::lround(dpi));
  if (GetNumber(SANE_NAME_SCAN_Y_RESOLUTION, dpi)) dpi_y_ = static_cast<int>(std::lround(dpi));
  dpi_x_ = std::clamp(dpi_x_, 0, 32767);
  dpi_y_ = std::clamp(dpi_y_, 0, 32767);
  return SetArea(request);
}

int SaneSession::ReadFrame(Frame& frame) {
  const SANE_Parameters& p = frame.parameters;
  const bool is_known_height = p.lines >= 0;
  const uint64_t row_bytes = static_cast<uint64_t>(p.bytes_per_line);
  const uint64_t limit = is_known_height ? row_bytes * static_cast<uint64_t>(p.lines) : kMaxFrameBytes;
  if (limit > kMaxFrameBytes) return qrvErrOutofMemory;
  frame.bytes.clear();
  if (is_known_height) frame.bytes.reserve(static_cast<size_t>(limit));
  std::vector<uint8_t> chunk(kReadChunkBytes);
  for (;;) {
    SANE_Int length = 0;
    const SANE_Status status = api_.read(handle_, chunk.data(), static_cast<SANE_Int>(chunk.size()), &length);
    if (status == SANE_STATUS_EOF) break;
    if (status != SANE_STATUS_GOOD) return ErrorOfStatus(status);
    if (length < 0 || static_cast<size_t>(length) > chunk.size()) return qrvErrDeviceError;
    if (frame.bytes.size() + static_cast<uint64_t>(length) > limit) {
      // More than the device announced is a device fault; more than the limits is too large a page.
      return is_known_height ? qrvErrDeviceError : qrvErrOutofMemory;
    }
    frame.bytes.insert(frame.bytes.end(), chunk.begin(), chunk.begin() + length);
  }
  const uint64_t got = frame.bytes.size();
  if (is_known_height) {
    if (got != limit) return qrvErrDeviceError;  // a short frame is never delivered as a page
    frame.lines = p.lines;
  } else {
    if (got == 0 || got % row_bytes != 0) return qrvErrDeviceError;
    frame.lines = static_cast<int>(std::min<uint64_t>(got / row_bytes, kMaxSidePx + 1));
  }
  if (frame.lines <= 0 || static_cast<uint64_t>(frame.lines) > kMaxSidePx ||
      static_cast<uint64_t>(frame.lines) * static_cast<uint64_t>(p.pixels_per_line) > kMaxPixels) {
    return frame.lines <= 0 ? qrvErrDeviceError : qrvErrOutofMemory;
  }
  return qrvSuccess;
}

ScannedPage SaneSession::ScanPage(bool is_first_page) {
  ScannedPage page;
  std::vector<Frame> frames;
  for (;;) {
    if (!has_started_) backend_threads_.NoteExisting();
    const SANE_Status start = api_.start(handle_);
    if (start == SANE_STATUS_GOOD) has_started_ = true;
    if (start != SANE_STATUS_GOOD) {
      if (start == SANE_STATUS_NO_DOCS && frames.empty() && !is_first_page) {
        page.is_end = true;  // the feeder ran out: the normal end
        return page;
      }
      page.error = frames.empty() ? ErrorOfStatus(start) : qrvErrDeviceError;
      page.is_cancelled = start == SANE_STATUS_CANCELLED;
      return page;
    }
    Frame frame;
    const SANE_Status parameters = api_.get_parameters(handle_, &frame.parameters);
    if (parameters != SANE_STATUS_GOOD) {
      page.error = ErrorOfStatus(parameters);
      page.is_cancelled = parameters == SANE_STATUS_CANCELLED;
      return page;
    }
    const SANE_Parameters& p = frame.parameters;
    const bool is_plane = p.format == SANE_FRAME_RED || p.format == SANE_FRAME_GREEN || p.format == SANE_FRAME_BLUE;
    const bool is_known_format = p.format == SANE_FRAME_GRAY || p.format == SANE_FRAME_RGB || is_plane;
    const uint64_t samples = static_cast<uint64_t>(p.pixels_per_line) * (p.format == SANE_FRAME_RGB ? 3 : 1);
    const uint64_t needed_row_bytes = (samples * static_cast<uint64_t>(std::max(p.depth, 0)) + 7) / 8;
    if (!is_known_format || (p.depth != 1 && p.depth != 8 && p.depth != 16) || p.pixels_per_line <= 0 ||
        p.bytes_per_line <= 0 || static_cast<uint64_t>(p.bytes_per_line) < needed_row_bytes || p.lines == 0 ||
        p.lines < -1) {
      page.error = qrvErrDeviceError;
      return page;
    }
    if (static_cast<uint64_t>(p.pixels_per_line) > kMaxSidePx || (p.lines > 0 && static_cast<uint64_t>(p.lines) > kMaxSidePx)) {
      page.error = qrvErrOutofMemory;
      return page;
    }
    if (!frames.empty()) {
      const SANE_Parameters& first = frames.front().parameters;
      if (!is_plane || first.pixels_per_line != p.pixels_per_line || first.depth != p.depth ||
          first.bytes_per_line != p.bytes_per_line) {
        page.error = qrvErrDeviceError;  // the frames of one page differ
        return page;
      }
    }
    const int read_error = ReadFrame(frame);
    if (read_error != qrvSuccess) {
      if (read_error == qrvErrUnsetMediaData && frames.empty() && !is_first_page) {
        page.is_end = true;
        return page;
      }
      page.error = read_error;
      page.is_cancelled = read_error == qrvErrUserAbort;
      return page;
    }
    const bool is_last = p.last_frame != SANE_FALSE;
    frames.push_back(std::move(frame));
    if (is_last) break;
    if (!is_plane || frames.size() >= 3) {
      page.error = qrvErrDeviceError;
      return page;
    }
  }
  page.error = Convert(frames, page);
  return page;
}

int SaneSession::Convert(const std::vector<Frame>& frames, ScannedPage& page) {
  const SANE_Parameters& p = frames.front().parameters;
  const int width = p.pixels_per_line;
  const int height = frames.front().lines;
  const int depth = p.depth;
  const uint8_t* planes[3] = {nullptr, nullptr, nullptr};  // red, green, blue
  PageKind kind = PageKind::kRgb24;
  if (p.format == SANE_FRAME_GRAY) {
    if (frames.size() != 1) return qrvErrDeviceError;
    kind = depth == 1 || is_bilevel_by_threshold_ ? PageKind::kBilevel : PageKind::kGray8;
  } else if (p.format != SANE_FRAME_RGB) {
    if (frames.size() != 3) return qrvErrDeviceError;
    for (const Frame& frame : frames) {
      const int plane = frame.parameters.format - SANE_FRAME_RED;
      if (planes[plane] != nullptr || frame.lines != height) return qrvErrDeviceError;
      planes[plane] = frame.bytes.data();
    }
  } else if (frames.size() != 1) {
    return qrvErrDeviceError;
  }
  PackedPage out;
  const int create_error = out.Create(width, height, kind, dpi_x_, dpi_y_);
  if (create_error != qrvSuccess) return create_error;
  const size_t source_row_bytes = static_cast<size_t>(p.bytes_per_line);
  for (int y = 0; y < height; ++y) {
    uint8_t* dst = out.TopRow(y);
    const size_t offset = source_row_bytes * static_cast<size_t>(y);
    const uint8_t* src = frames.front().bytes.data() + offset;
    if (kind == PageKind::kBilevel && depth == 1) {
      // SANE's 1 is black, the palette's index 1 is white; bits past the width stay 0.
      const size_t whole = static_cast<size_t>(width) / 8;
      for (size_t i = 0; i < whole; ++i) dst[i] = static_cast<uint8_t>(~src[i]);
      if (width % 8 != 0) dst[whole] = static_cast<uint8_t>(~src[whole] & (0xFF00 >> (width % 8)));
    } else if (kind == PageKind::kBilevel) {
      for (int x = 0; x < width; ++x) {
        if (Sample8(src, static_cast<size_t>(x), depth) >= 128) dst[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      }
    } else if (kind == PageKind::kGray8) {
      if (depth == 8) {
        std::memcpy(dst, src, static_cast<size_t>(width));
      } else {
        for (int x = 0; x < width; ++x) dst[x] = Sample8(src, static_cast<size_t>(x), depth);
      }
    } else if (p.format == SANE_FRAME_RGB) {
      for (int x = 0; x < width; ++x) {
        const size_t i = static_cast<size_t>(x) * 3;
        dst[i] = Sample8(src, i + 2, depth);
        dst[i + 1] = Sample8(src, i + 1, depth);
        dst[i + 2] = Sample8(src, i, depth);
      }
    } else {
      for (int x = 0; x < width; ++x) {
        const size_t i = static_cast<size_t>(x) * 3;
        dst[i] = Sample8(planes[2] + offset, static_cast<size_t>(x), depth);
        dst[i + 1] = Sample8(planes[1] + offset, static_cast<size_t>(x), depth);
        dst[i + 2] = Sample8(planes[0] + offset, static_cast<size_t>(x), depth);
      }
    }
  }
  page.depth_code = DepthCode(kind);
  page.dpi_x = static_cast<int16_t>(dpi_x_);
  page.dpi_y = static_cast<int16_t>(dpi_y_);
  page.image = out.Release();
  return qrvSuccess;
}

}  // namespace plat::acquire
