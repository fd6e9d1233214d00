// Read dispatch by file format; see read_dispatch.h. A memory source always
// carries the real byte count of the caller's memory as its "size", so the
// reader's stream is bounded by it.
#include "interchange/dispatch/read_dispatch.h"

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/composite_array.h"
#include "core/objects/object.h"
#include "core/objects/pair_list.h"
#include "core/objects/scoped_object.h"
#include "core/status.h"
#include "core/system/system.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dispatch/codec_table.h"

int IpiReadImageFile(IpiSystem* sys, const char* file_name, IpiObject* image, int32_t format, int read_mode,
                     const IpiAttribute* pairs, int count) {
  if (IpiCheckSystem(sys) != 0) return kIpiInvalidHandle;
  if (!IpiIsReadMode(read_mode)) return IpiRefuse(sys, kIpiOutOfRange);
  IPI_RETURN_IF_ERROR(IpiRequireLive(sys, image));
  const FileFormatRow* row = IpiFindFileFormat(format);
  if (row == nullptr || !row->has_reader()) return IpiRefuse(sys, kIpiOutOfRange);

  intptr_t address = 0;
  const bool from_memory = IpiFindPair(pairs, count, "applicationAddressSpace", &address);
  PairList list(pairs, count, {"repository", "fileName", "size"});
  if (from_memory) {
    intptr_t size_bytes = 0;
    // Without a real byte count the stream would fall back to the size of
    // the object's data, which says nothing about the caller's memory.
    if (!IpiFindPair(pairs, count, "size", &size_bytes) || size_bytes < 1) {
      return IpiRefuse(sys, kIpiInsufficientSize);
    }
    list.Add("repository", kRepositoryCallerMemory);
    list.Add("size", size_bytes);
  } else {
    if (file_name == nullptr || file_name[0] == '\0') return IpiRefuse(sys, kIpiFileOpenFailure);
    list.Add("repository", kRepositoryFile);
    list.Add("fileName", reinterpret_cast<intptr_t>(file_name));
  }

  IPI_RETURN_IF_ERROR(IpiSetAttribute(sys, image, "fileFormat", format));
  ScopedObject source;
  if (IpiIsCompositeArray(*image)) {
    // The pages are the reader's to make; the source is a plain image. Its
    // format comes last, so the group entries among the pairs find the group.
    list.Add("fileFormat", format);
    source = ScopedObject(sys, IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, list.data(), list.count()));
  } else {
    source = ScopedObject(sys, IpiCreateObject(sys, nullptr, image->object_class, image, list.data(), list.count()));
  }
  if (!source) return IpiGetLastError(sys);
  return IpiCallReader(sys, *row, source.get(), image, read_mode);
}
