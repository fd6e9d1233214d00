// The photo-disc object: counts the packs of a disc folder and delivers the
// chosen images, one notification each, on the calling thread.
#include "plat/acquire/pcd_ctrl.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "acquire/common/notify_target.h"
#include "acquire/common/packed_page.h"
#include "acquire/dialogs/acquire_dialogs.h"
#include "acquire/pcd/pcd_folder.h"
#include "acquire/pcd/pcd_reader.h"

namespace plat {

using acquire::PackedPage;
using acquire::PageKind;
using acquire::PcdPicture;

namespace {

constexpr short kFormats[] = {qrvColor16, qrvColor256, qrvColorGrayscale, qrvColorRGB};
constexpr short kDataSizes[] = {qrvPcdResBaseOver64, qrvPcdResBaseOver16, qrvPcdResBaseOver4, qrvPcdResBase};
constexpr short kOfferedCount = 4;

// The bytes of a pack that a size needs (fewer when the file is shorter);
// false when the file cannot be read.
bool ReadPack(const std::string& path, uint64_t wanted_bytes, std::vector<uint8_t>& out) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  bool is_read = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  if (is_read) {
    out.resize(static_cast<size_t>(std::min<uint64_t>(wanted_bytes, static_cast<uint64_t>(info.st_size))));
    size_t done = 0;
    while (is_read && done < out.size()) {
      const ssize_t got = ::read(fd, out.data() + done, out.size() - done);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) {
        out.resize(done);  // the file shrank: the decoder refuses what is missing
        break;
      }
      done += static_cast<size_t>(got);
    }
  }
  ::close(fd);
  return is_read;
}

// The picture as the packed bitmap of `color_depth` (0, 4, 8, 12: 24 bits;
// 9: grey; 1: one bit, threshold 128).
int Pack(const PcdPicture& picture, int color_depth, PackedPage& page, int16_t& depth_code) {
  const PageKind kind = color_depth == qrvColorGrayscale ? PageKind::kGray8
                        : color_depth == qrvColorBitmap   ? PageKind::kBilevel
                                                          : PageKind::kRgb24;
  const int error = page.Create(picture.width, picture.height, kind, 0, 0);
  if (error != qrvSuccess) return error;
  for (int y = 0; y < picture.height; ++y) {
    const uint8_t* src = &picture.rgb[static_cast<size_t>(y) * static_cast<size_t>(picture.width) * 3];
    uint8_t* dst = page.TopRow(y);
    for (int x = 0; x < picture.width; ++x) {
      const uint8_t* rgb = src + static_cast<size_t>(x) * 3;
      if (kind == PageKind::kRgb24) {
        dst[x * 3] = rgb[2];
        dst[x * 3 + 1] = rgb[1];
        dst[x * 3 + 2] = rgb[0];
        continue;
      }
      const auto grey = static_cast<uint8_t>((299 * rgb[0] + 587 * rgb[1] + 114 * rgb[2] + 500) / 1000);
      if (kind == PageKind::kGray8) {
        dst[x] = grey;
      } else if (grey >= 128) {
        dst[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      }
    }
  }
  depth_code = acquire::DepthCode(kind);
  return qrvSuccess;
}

bool IsColorDepth(int code) {
  return code == qrvColorDefault || code == qrvColorBitmap || code == qrvColor16 || code == qrvColor256 ||
         code == qrvColorGrayscale || code == qrvColorRGB;
}

// The part of the picture inside `rect` (null or empty: all of it); false
// when the rectangle leaves the picture.
bool Crop(const RECT* rect, PcdPicture& picture) {
  if (rect == nullptr || (rect->left == 0 && rect->top == 0 && rect->right == 0 && rect->bottom == 0)) return true;
  if (rect->left < 0 || rect->top < 0 || rect->right <= rect->left || rect->bottom <= rect->top ||
      rect->right > picture.width || rect->bottom > picture.height) {
    return false;
  }
  PcdPicture part;
  part.width = rect->right - rect->left;
  part.height = rect->bottom - rect->top;
  part.rgb.resize(static_cast<size_t>(part.width) * static_cast<size_t>(part.height) * 3);
  for (int y = 0; y < part.height; ++y) {
    std::copy_n(&picture.rgb[(static_cast<size_t>(rect->top + y) * picture.width + rect->left) * 3],
                static_cast<size_t>(part.width) * 3, &part.rgb[static_cast<size_t>(y) * part.width * 3]);
  }
  picture = std::move(part);
  return true;
}

}  // namespace

struct CQRVNPcdCtrl::State {
  acquire::NotifyTarget target;
  int16_t last_error = 0;
  bool is_running = false;
  bool is_cancel_requested = false;

  int Fail(int error) {
    last_error = static_cast<int16_t>(error);
    return 0;
  }
  int Abort(int error) {
    AcquireNotifyRecord record;
    record.status = error == qrvErrUserAbort ? kAcquireStatusCancelled : kAcquireStatusError;
    target.Deliver(record);
    return Fail(error);
  }
};

CQRVNPcdCtrl::CQRVNPcdCtrl() : state_(std::make_unique<State>()) {}

CQRVNPcdCtrl::~CQRVNPcdCtrl() = default;

int CQRVNPcdCtrl::SetCallback(unsigned id, short mode, intptr_t target) {
  if (!state_->target.Set(id, mode, target)) return state_->Fail(qrvErrInvalidParam);
  return 1;
}

int CQRVNPcdCtrl::GetImageCount(const char* path) {
  state_->last_error = qrvSuccess;
  acquire::PcdFolder folder;
  const int error = acquire::ScanPcdFolder(path != nullptr ? path : "", folder);
  if (error != qrvSuccess) {
    state_->Fail(error);
    return -1;
  }
  return static_cast<int>(folder.packs.size());
}

short CQRVNPcdCtrl::GetFormatNum(const char* path, int image) { return kOfferedCount; }

short CQRVNPcdCtrl::GetFormat(const char* path, int image, short index) {
  if (index < 0 || index >= kOfferedCount) {
    state_->Fail(qrvErrInvalidIndex);
    return -1;
  }
  return kFormats[index];
}

short CQRVNPcdCtrl::GetResolutionNum(const char* path, int image) { return kOfferedCount; }

short CQRVNPcdCtrl::GetResolution(const char* path, int image, short index) {
  if (index < 0 || index >= kOfferedCount) {
    state_->Fail(qrvErrInvalidIndex);
    return -1;
  }
  return kDataSizes[index];
}

int CQRVNPcdCtrl::AcquireImage(const char* path, HWND owner, HWND second, int mode, int count, short data_size,
                               short color_depth, RECT* rect) {
  state_->last_error = qrvSuccess;
  if (state_->is_running) return state_->Fail(qrvErrDeviceBusy);
  const int images = GetImageCount(path);
  if (images < 0) return 0;
  if (images == 0) return state_->Fail(qrvErrUnsetMediaData);
  acquire::PhotoChoice choice;
  if (data_size >= qrvPcdResBaseOver64 && data_size <= qrvPcdResBase) choice.data_size = data_size;
  if (color_depth == qrvColorGrayscale || color_depth == qrvColorRGB) choice.color_code = color_depth;
  int dialog_error = qrvSuccess;
  const int result = acquire::RunPhotoDialog(owner, images, choice, dialog_error);
  if (result < 0) return state_->Fail(dialog_error != qrvSuccess ? dialog_error : qrvErrSystemError);
  if (result == 0) return state_->Abort(qrvErrUserAbort);
  return AcquireImage(choice.image, choice.image, path, static_cast<short>(choice.data_size),
                      static_cast<short>(choice.color_code), rect);
}

int CQRVNPcdCtrl::AcquireImage(int first, int last, const char* path, short data_size, short color_depth,
                               RECT* rect) {
  State& s = *state_;
  s.last_error = qrvSuccess;
  if (s.is_running) return s.Fail(qrvErrDeviceBusy);
  // Base/4 and larger scans need residual files that packs alone do not hold.
  if (data_size < qrvPcdResBaseOver64 || data_size > qrvPcdResBase || !IsColorDepth(color_depth)) {
    return s.Fail(qrvErrInvalidParam);
  }
  acquire::PcdFolder folder;
  const int folder_error = acquire::ScanPcdFolder(path != nullptr ? path : "", folder);
  if (folder_error != qrvSuccess) return s.Fail(folder_error);
  const int count = static_cast<int>(folder.packs.size());
  if (first < 1 || last < first || last > count) return s.Fail(qrvErrInvalidIndex);
  s.is_running = true;
  s.is_cancel_requested = false;
  struct RunEnd {
    bool& is_running;
    ~RunEnd() { is_running = false; }
  } run_end{s.is_running};
  std::vector<uint8_t> bytes;
  for (int image = first; image <= last; ++image) {
    if (!ReadPack(folder.packs[static_cast<size_t>(image - 1)], acquire::PcdBytesNeeded(data_size), bytes)) {
      return s.Abort(qrvErrFileNotFound);
    }
    PcdPicture picture;
    int error = acquire::DecodePcdPack(bytes, data_size, picture);
    if (error == qrvSuccess && !Crop(rect, picture)) error = qrvErrInvalidRectValue;
    PackedPage page;
    int16_t depth_code = 0;
    if (error == qrvSuccess) error = Pack(picture, color_depth, page, depth_code);
    if (error != qrvSuccess) return s.Abort(error);
    AcquireNotifyRecord record;
    record.image = page.Release();
    record.status = kAcquireStatusImage;
    record.value1 = depth_code;  // value2 and value3 stay 0: images carry no resolution
    s.target.Deliver(record);
    GlobalFree(record.image);
    if (s.is_cancel_requested) break;
  }
  return 1;
}

short CQRVNPcdCtrl::GetLastErr() { return state_->last_error; }

void CQRVNPcdCtrl::CancelAcquire() { state_->is_cancel_requested = true; }

}  // namespace plat

extern "C" int InitK7RBIPCD() { return 1; }
