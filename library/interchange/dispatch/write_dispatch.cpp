// Write dispatch by file format; see write_dispatch.h. Every path that writes
// a file in the library ends here, so every one of them gets the atomic
// replacement: the file objects name the temporary, never the target.
#include "interchange/dispatch/write_dispatch.h"

#include <cerrno>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/objects/composite_array.h"
#include "core/objects/object.h"
#include "core/objects/pair_list.h"
#include "core/objects/scoped_object.h"
#include "core/status.h"
#include "core/system/system.h"
#include "interchange/dispatch/codec_table.h"
#include "plat/atomic_file.h"

namespace {

// One file object per entry, each made from its entry, stored in a composite
// array made from `image`; `pages` owns them.
int MakePageFiles(IpiSystem* sys, IpiObject* image, const PairList& list, int32_t format, const char* temp_path,
                  ScopedObject& composite, std::vector<ScopedObject>& pages) {
  const int32_t entries = image->fields.dimension[kDimX];
  if (entries < 1) return IpiRefuse(sys, kIpiInvalidInstance);
  // The page ids live in a global block: the array's words never go to the file.
  const IpiAttribute shape[] = {{"repository", kRepositoryGlobalBlock},
                                {"fileName", reinterpret_cast<intptr_t>(temp_path)},
                                {"fileFormat", format}};
  composite = ScopedObject(sys, IpiCreateObject(sys, nullptr, &kCompositeIdArrayClass, image, shape, 3));
  if (!composite) return IpiGetLastError(sys);
  pages.reserve(static_cast<size_t>(entries));
  for (int32_t i = 0; i < entries; ++i) {
    IpiObject* entry = IpiGetCompositeElement(sys, image, i);
    if (entry == nullptr) return IpiGetLastError(sys);
    pages.emplace_back(sys, IpiCreateObject(sys, nullptr, entry->object_class, entry, list.data(), list.count()));
    if (!pages.back()) return IpiGetLastError(sys);
    IPI_RETURN_IF_ERROR(IpiPutCompositeElement(sys, pages.back().get(), composite.get(), i));
  }
  return kIpiNoError;
}

}  // namespace

int IpiWriteImageFile(IpiSystem* sys, IpiObject* image, const char* file_name, int32_t format,
                      const IpiAttribute* pairs, int count) {
  IPI_RETURN_IF_ERROR(IpiRequireLive(sys, image));
  const FileFormatRow* row = IpiFindFileFormat(format);
  if (row == nullptr || !row->has_writer()) return IpiRefuse(sys, kIpiOutOfRange);

  plat::AtomicFile replacement;
  if (file_name == nullptr || plat::AtomicFile::Create(file_name, replacement) != plat::OpenStatus::kOk) {
    return IpiRefuse(sys, kIpiFileOpenFailure);
  }
  const char* temp_path = replacement.temp_path().c_str();
  PairList list(pairs, count, {"repository", "fileName", "fileFormat"});
  list.Add("repository", kRepositoryFile);
  list.Add("fileName", reinterpret_cast<intptr_t>(temp_path));
  list.Add("fileFormat", format);

  ScopedObject file_object;
  std::vector<ScopedObject> pages;
  if (IpiIsCompositeArray(*image)) {
    IPI_RETURN_IF_ERROR(MakePageFiles(sys, image, list, format, temp_path, file_object, pages));
  } else {
    file_object = ScopedObject(sys, IpiCreateObject(sys, nullptr, image->object_class, image, list.data(),
                                                    list.count()));
    if (!file_object) return IpiGetLastError(sys);
  }

  const int status = IpiCallWriter(sys, *row, image, file_object.get());
  pages.clear();
  file_object.reset();
  // An uncommitted replacement removes its temporary when it goes out of scope.
  if (status != 0) return status;
  if (!replacement.Commit()) return IpiRefuse(sys, kIpiSystemFailure);
  return kIpiNoError;
}
