#include "api/read/image_file.h"

#include <algorithm>

#include "Pelrith.h"
#include "core/codes.h"
#include "core/status.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dispatch/read_dispatch.h"
#include "interchange/dispatch/read_front.h"
#include "interchange/identify/format_identification.h"
#include "interchange/identify/image_count.h"

namespace {

// The pairs that point a reader pass at caller memory.
struct MemoryPairs {
  IpiAttribute pairs[2];
  explicit MemoryPairs(const CmiImageFile& file)
      : pairs{{"applicationAddressSpace", reinterpret_cast<intptr_t>(file.address)},
              {"size", static_cast<intptr_t>(file.size_bytes)}} {}
};

}  // namespace

int32_t IdentifyImageFile(IpiSystem* sys, const CmiImageFile& file) {
  if (file.in_memory()) return IpiInquireAddressSpaceFormat(sys, file.address, file.size_bytes);
  return IpiIdentifyFileFormat(sys, file.file_name);
}

int64_t CountImageFilePages(IpiSystem* sys, const CmiImageFile& file, int32_t format) {
  if (file.in_memory()) return IpiCountAddressSpaceImages(sys, file.address, format, file.size_bytes);
  return IpiCountFileImages(sys, file.file_name, format);
}

int ReadImageFileHeaders(IpiSystem* sys, const CmiImageFile& file, IpiObject* target, int32_t format) {
  return ReadImageFilePass(sys, file, target, format, kReadModeHeader);
}

int ReadImageFilePass(IpiSystem* sys, const CmiImageFile& file, IpiObject* target, int32_t format, int read_mode) {
  if (!file.in_memory()) return IpiReadImageFile(sys, file.file_name, target, format, read_mode, nullptr, 0);
  const MemoryPairs memory(file);
  return IpiReadImageFile(sys, nullptr, target, format, read_mode, memory.pairs, 2);
}

int ReadImageFileWhole(IpiSystem* sys, const CmiImageFile& file, IpiObject* target, int32_t format,
                       const IpiAttribute* pairs, int count) {
  if (file.in_memory()) return IpiImportImage(sys, file.address, target, format, file.size_bytes, pairs, count);
  return IpiReadFile(sys, file.file_name, target, format, pairs, count);
}

int ImageFileBytes(const CmiImageFile& file, SourceBytes& bytes) {
  if (file.in_memory()) return bytes.ViewMemory(file.address, file.size_bytes);
  return bytes.CopyFile(file.file_name);
}

IpiObject* CreateTiffPageRange(CmiCall& call, const CmiImageFile& file, int32_t count, int32_t first_index,
                               int64_t* k) {
  *k = 0;
  const int64_t pages = CountImageFilePages(call.sys(), file, kFormatTiff);
  if (pages <= 0) {
    call.FailFromContext();
    return nullptr;
  }
  if (first_index >= pages) {
    call.Fail(kCmiStatusBadArgument);
    return nullptr;
  }
  *k = std::min<int64_t>(count, pages - first_index);
  return call.CreateObject("oArray", &kCompositeIdArrayClass, nullptr,
                           {{"entries", static_cast<intptr_t>(*k)}, {"xMatchPoint", first_index}});
}
