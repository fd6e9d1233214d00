// Format identification; see format_identification.h. The magic table and
// the probe order are the two tables a new format extends.
#include "interchange/identify/format_identification.h"

#include <array>
#include <cerrno>

#include "core/codes.h"
#include "core/objects/object.h"
#include "core/objects/scoped_object.h"
#include "core/status.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dispatch/read_dispatch.h"
#include "plat/files.h"

namespace {

// One magic number: `length` bytes at offset 0; bytes whose bit in
// `care_mask` is clear may hold anything.
struct MagicRow {
  int32_t format;
  uint8_t length;
  uint8_t bytes[8];
  uint8_t care_mask;
};

// Tested in this order; the first match wins.
constexpr MagicRow kMagicTable[] = {
    {kFormatBmp, 2, {'B', 'M'}, 0x03},
    {kFormatGif, 6, {'G', 'I', 'F', '8', '7', 'a'}, 0x3F},
    {kFormatGif, 6, {'G', 'I', 'F', '8', '9', 'a'}, 0x3F},
    {kFormatTiff, 2, {'I', 'I'}, 0x03},
    {kFormatTiff, 2, {'M', 'M'}, 0x03},
    {kFormatJpegLib, 2, {0xFF, 0xD8}, 0x03},
    {kFormatPcx, 3, {0x0A, 0x00, 0x01}, 0x05},  // byte 1 is the version
    {kFormatZoltra, 3, {0xF0, 0xF3, 0x23}, 0x07},
    {kFormatZoltra, 3, {0xF0, 0xF4, 0x23}, 0x07},
    {kFormatPng, 8, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, 0xFF},
};

// The readers' order when no magic decides; WBMP, whose header has no
// magic at all, comes last.
constexpr int32_t kProbeOrder[] = {kFormatJpeg, kFormatRunRaster, kFormatRunStream, kFormatBmp, kFormatTiff,
                                   kFormatGif,  kFormatPcx,       kFormatZoltra,    kFormatPng, kFormatWbmp};

bool Matches(const MagicRow& row, std::span<const uint8_t> head) {
  if (head.size() < row.length) return false;
  for (int i = 0; i < row.length; ++i) {
    if ((row.care_mask & (1u << i)) != 0 && head[static_cast<size_t>(i)] != row.bytes[i]) return false;
  }
  return true;
}

// Logging off while readers try files that are not theirs; the old state
// comes back on every path.
class QuietErrors {
 public:
  explicit QuietErrors(IpiSystem* sys)
      : sys_(sys), saved_(IpiInquireSystemAttribute(sys, "errorReportingState")) {
    const IpiAttribute off[] = {{"errorReportingState", 0}};
    (void)IpiSetSystemAttributes(sys_, off, 1);
  }
  ~QuietErrors() {
    const IpiAttribute back[] = {{"errorReportingState", saved_}};
    (void)IpiSetSystemAttributes(sys_, back, 1);
  }
  QuietErrors(const QuietErrors&) = delete;
  QuietErrors& operator=(const QuietErrors&) = delete;

 private:
  IpiSystem* sys_;
  intptr_t saved_;
};

// Where the bytes are: a file by name, or caller memory.
struct ProbeSource {
  const char* file_name = nullptr;
  const void* address = nullptr;
  int64_t size_bytes = 0;
};

// True when the reader of `format` accepts the source's header.
bool HeaderPassAccepts(IpiSystem* sys, const ProbeSource& source, int32_t format) {
  const IpiAttribute shape[] = {{"repository", kRepositoryFile}};
  ScopedObject probe(sys, IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, shape, 1));
  if (!probe) return false;
  if (source.file_name != nullptr) {
    return IpiReadImageFile(sys, source.file_name, probe.get(), format, kReadModeHeader, nullptr, 0) == 0;
  }
  const IpiAttribute memory[] = {{"applicationAddressSpace", reinterpret_cast<intptr_t>(source.address)},
                                 {"size", static_cast<intptr_t>(source.size_bytes)}};
  return IpiReadImageFile(sys, nullptr, probe.get(), format, kReadModeHeader, memory, 2) == 0;
}

// The magic match, else the first reader that accepts the header. `is_file`
// says whether a success by probing clears the last error.
int32_t Identify(IpiSystem* sys, const ProbeSource& source, std::span<const uint8_t> head, bool is_file) {
  const int32_t by_magic = IpiMatchMagic(head);
  if (by_magic != 0) return by_magic;
  const QuietErrors quiet(sys);
  for (int32_t format : kProbeOrder) {
    if (HeaderPassAccepts(sys, source, format)) {
      if (is_file) IpiReportError(sys, kIpiNoError);  // logging is off: only the last error is cleared
      return format;
    }
  }
  return 0;
}

}  // namespace

int32_t IpiMatchMagic(std::span<const uint8_t> head) {
  for (const MagicRow& row : kMagicTable) {
    if (Matches(row, head)) return row.format;
  }
  return 0;
}

std::span<const int32_t> IpiProbeOrder() { return kProbeOrder; }

int32_t IpiSniffFileFormat(IpiSystem* sys, const char* file_name) {
  if (IpiCheckSystem(sys) != 0) return 0;
  plat::File file;
  if (file_name == nullptr || file_name[0] == '\0' ||
      plat::File::Open(file_name, plat::FileMode::kReadExisting, file) != plat::OpenStatus::kOk) {
    IpiReportError(sys, kIpiFileOpenFailure);
    return 0;
  }
  std::array<uint8_t, kMagicBytes> head{};
  const int64_t got = file.ReadAt(0, head.data(), head.size());
  if (got < 0) {
    IpiReportError(sys, kIpiSystemFailure);
    return 0;
  }
  if (got < kMagicBytes) {
    IpiReportError(sys, kIpiSyntaxError);
    return 0;
  }
  ProbeSource source;
  source.file_name = file_name;
  return Identify(sys, source, head, true);
}

int32_t IpiSniffAddressSpaceFormat(IpiSystem* sys, const void* address, int64_t size_bytes) {
  if (IpiCheckSystem(sys) != 0) return 0;
  if (address == nullptr) {
    IpiReportError(sys, kIpiOutOfRange);
    return 0;
  }
  if (size_bytes < kMagicBytes) {
    IpiReportError(sys, kIpiInsufficientSize);
    return 0;
  }
  ProbeSource source;
  source.address = address;
  source.size_bytes = size_bytes;
  return Identify(sys, source, std::span<const uint8_t>(static_cast<const uint8_t*>(address), kMagicBytes), false);
}

int32_t IpiIdentifyFileFormat(IpiSystem* sys, const char* file_name) { return IpiSniffFileFormat(sys, file_name); }

int32_t IpiInquireAddressSpaceFormat(IpiSystem* sys, const void* address, int64_t size_bytes) {
  return IpiSniffAddressSpaceFormat(sys, address, size_bytes);
}
