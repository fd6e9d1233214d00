// TIFF page control: appends, inserts, replaces or deletes pages of a TIFF
// file. The file is rebuilt as a whole. Its pages are read as stored: plain
// pages and coded pages of one strip keep their bytes (LZW included, which
// the library cannot code), coded pages of several strips are decoded and
// coded again with their own compression into one strip. New pages are made
// by the file-writing steps. The new page list is written in one atomic
// replacement, so a failure at any step leaves the earlier file byte for
// byte and no temporary file behind.
#include <cstring>
#include <vector>

#include "Pelrith.h"
#include "api/frame/call_frame.h"
#include "api/write/write_steps.h"
#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/composite_array.h"
#include "core/objects/scoped_object.h"
#include "core/status.h"
#include "core/streams/stream.h"
#include "core/system/system.h"
#include "interchange/common/byte_boundary.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dispatch/coder_dispatch.h"
#include "interchange/dispatch/read_dispatch.h"
#include "interchange/dispatch/write_dispatch.h"
#include "interchange/identify/image_count.h"
#include "interchange/tiff/tiff_tags.h"
#include "plat/files.h"

namespace {

// Files under this size are read from a copy in memory; existing pages are
// held in memory while their running total stays under it, in temporary
// files beyond.
constexpr uint64_t kMemoryBudgetBytes = 5242880;
constexpr intptr_t kByteBoundaryOn = 256;

bool IsPageControl(int32_t control) {
  return control == kCmiPageAppend || control == kCmiPageInsert || control == kCmiPageReplace ||
         control == kCmiPageDelete;
}

// Where the reader finds the existing file: a copy in memory, or the file.
class ExistingFile {
 public:
  ExistingFile(const char* file_name, std::vector<uint8_t> copy) : file_name_(file_name), copy_(std::move(copy)) {
    if (!copy_.empty()) {
      pairs_.push_back({"applicationAddressSpace", reinterpret_cast<intptr_t>(copy_.data())});
      pairs_.push_back({"size", static_cast<intptr_t>(copy_.size())});
    }
  }

  // The file name of a reader pass (none when reading from memory) and its pairs.
  const char* name() const { return copy_.empty() ? file_name_ : nullptr; }
  const IpiAttribute* pairs() const { return pairs_.data(); }
  int pair_count() const { return static_cast<int>(pairs_.size()); }

  int64_t CountPages(IpiSystem* sys) const {
    if (copy_.empty()) return IpiCountFileImages(sys, file_name_, kFormatTiff);
    return IpiCountAddressSpaceImages(sys, copy_.data(), kFormatTiff, static_cast<int64_t>(copy_.size()));
  }

 private:
  const char* file_name_;
  std::vector<uint8_t> copy_;
  std::vector<IpiAttribute> pairs_;
};

int LastErrorOr(IpiSystem* sys, int fallback) {
  const int code = IpiGetLastError(sys);
  return code != 0 ? code : fallback;
}

// A coded copy of the plain TIFF page `page` with `compression`, in one
// strip, held in a temporary file (coded data may outgrow the plain size a
// block is made for); fax pages of 1 bit are coded at their true width when
// their rows were widened to whole bytes.
int EncodePage(IpiSystem* sys, IpiObject* page, int32_t compression, IpiObject** out) {
  intptr_t width_px = page->fields.dimension[kDimX];
  const int32_t true_width_px = page->fields.width_byte_boundary;
  if (IpiSystemValue(sys, IpiSystemAttribute::kByteBoundary) != 0 && page->fields.data_precision == 1 &&
      true_width_px > 0 && true_width_px <= width_px) {
    width_px = true_width_px;
  }
  const IpiAttribute shape[] = {
      {"repository", kRepositoryFile}, {"compression", compression}, {"xDimension", width_px}};
  *out = IpiCreateObject(sys, nullptr, page->object_class, page, shape, 3);
  if (*out == nullptr) return LastErrorOr(sys, kIpiSyntaxError);
  return IpiEncodeImageData(sys, page, *out);
}

// An existing page and, for a page coded in several strips, the object its
// coded bytes are read into and the page coded again in one strip. The
// objects belong to the call's context.
struct ExistingPage {
  IpiObject* page = nullptr;
  IpiObject* holder = nullptr;
  IpiObject* recoded = nullptr;

  IpiObject* stored() const { return recoded != nullptr ? recoded : page; }
};

// Reads every page of the file into `out`, ready to be written again.
int LoadExistingPages(IpiSystem* sys, const ExistingFile& file, int64_t page_count,
                      std::vector<ExistingPage>* out) {
  const IpiAttribute array_shape[] = {{"entries", static_cast<intptr_t>(page_count)}};
  IpiObject* array = IpiCreateObject(sys, nullptr, &kCompositeIdArrayClass, nullptr, array_shape, 1);
  if (array == nullptr) return LastErrorOr(sys, kIpiSyntaxError);
  for (int64_t i = 0; i < page_count; ++i) {
    IpiObject* table = IpiCreateObject(sys, nullptr, &kLookupTableClass, nullptr, nullptr, 0);
    if (table == nullptr) return LastErrorOr(sys, kIpiSyntaxError);
    const IpiAttribute page_shape[] = {{"lut", static_cast<intptr_t>(IpiObjectId(table))}};
    IpiObject* page = IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, page_shape, 1);
    if (page == nullptr) return LastErrorOr(sys, kIpiSyntaxError);
    IPI_RETURN_IF_ERROR(IpiPutCompositeElement(sys, page, array, i));
  }
  IPI_RETURN_IF_ERROR(
      IpiReadImageFile(sys, file.name(), array, kFormatTiff, kReadModeHeader, file.pairs(), file.pair_count()));
  // The directory chain must still hold every page that was counted.
  if (array->fields.dimension[kDimX] != page_count) return IpiRefuse(sys, kIpiSyntaxError);

  // The data pass fills plain pages and pages of one coded strip directly,
  // and the holders of pages coded in several strips.
  const IpiAttribute working_shape[] = {{"repository", kRepositoryGlobalBlock}};
  ScopedObject working(sys, IpiCreateObject(sys, nullptr, &kCompositeIdArrayClass, array, working_shape, 1));
  if (!working) return LastErrorOr(sys, kIpiSyntaxError);
  out->resize(static_cast<size_t>(page_count));
  uint64_t running_total = 0;
  for (int64_t i = 0; i < page_count; ++i) {
    ExistingPage& existing = (*out)[static_cast<size_t>(i)];
    IpiObject* page = IpiGetCompositeElement(sys, array, i);
    if (page == nullptr) return LastErrorOr(sys, kIpiInvalidInstance);
    existing.page = page;
    if (IpiInquireAttribute(sys, page, "photometricInterpretation") == kPhotometricCodeSeparated) {
      return IpiRefuse(sys, kIpiSyntaxError);
    }
    const int32_t compression = page->fields.compression;
    int64_t elements = 0;
    int64_t plain_bytes = 0;
    int32_t bits = 0;
    IPI_RETURN_IF_ERROR(IpiObjectDataSize(sys, *page, &elements, &plain_bytes, &bits));
    const bool is_coded = compression != kCompressionNone;
    const int64_t bytes = is_coded ? page->fields.size : plain_bytes;
    running_total += static_cast<uint64_t>(bytes > 0 ? bytes : 0);
    // A block holds no more than the page's plain size: coded data that
    // would not fit goes to a temporary file.
    const bool fits_block = !is_coded || bytes < plain_bytes;
    const int32_t repository =
        running_total <= kMemoryBudgetBytes && fits_block ? kRepositoryGlobalBlock : kRepositoryFile;
    IPI_RETURN_IF_ERROR(IpiSetAttribute(sys, page, "repository", repository));
    IpiObject* slot = page;
    if (is_coded && IpiInquireAttribute(sys, page, "stripsPerImage") > 1) {
      // Strips of a coded page cannot simply be joined: the page is decoded
      // and coded again, which needs both coders.
      if (!IpiHasDecoder(compression) || !IpiHasEncoder(compression)) {
        return IpiRefuse(sys, kIpiNonPermissibleOption);
      }
      const IpiAttribute holder_shape[] = {{"repository", repository}};
      existing.holder = IpiCreateObject(sys, nullptr, page->object_class, page, holder_shape, 1);
      if (existing.holder == nullptr) return LastErrorOr(sys, kIpiSyntaxError);
      slot = existing.holder;
    }
    IPI_RETURN_IF_ERROR(IpiPutCompositeElement(sys, slot, working.get(), i));
  }
  IPI_RETURN_IF_ERROR(IpiReadImageFile(sys, file.name(), working.get(), kFormatTiff, kReadModeData, file.pairs(),
                                       file.pair_count()));

  for (ExistingPage& existing : *out) {
    if (existing.holder == nullptr) continue;
    IpiObject* page = existing.page;
    const int32_t compression = page->fields.compression;
    const IpiAttribute plain[] = {{"compression", kCompressionNone},
                                  {"dataPrecision", page->fields.data_precision}};
    IPI_RETURN_IF_ERROR(IpiSetAttributes(sys, page, plain, 2));
    IPI_RETURN_IF_ERROR(IpiWidenToByteBoundary(sys, page));
    IPI_RETURN_IF_ERROR(IpiDecodeImageData(sys, existing.holder, page));
    IPI_RETURN_IF_ERROR(IpiDeleteObject(sys, existing.holder));
    existing.holder = nullptr;
    // One-dimensional and two-dimensional fax pages are coded again without
    // byte-aligned end-of-line codes.
    if (compression == kCompressionCcittHuffman || compression == kCompressionCcittMr) {
      IPI_RETURN_IF_ERROR(IpiSetAttribute(sys, page, "eolState", 0));
    }
    IPI_RETURN_IF_ERROR(EncodePage(sys, page, compression, &existing.recoded));
  }
  return kIpiNoError;
}

// Makes the caller's bitmaps into TIFF pages: photometric interpretation,
// fax inversion, the page options, then the coding the options ask for.
int PrepareNewPages(IpiSystem* sys, IpiObject* pages, const CmiWriteSettings& settings,
                    std::vector<IpiObject*>* out) {
  const int32_t compression = CmiInternalCompression(settings.compression);
  IPI_RETURN_IF_ERROR(PrepareTiffPages(sys, pages, compression, settings.k, settings.predictor));
  // The file-level options of a write become attributes of each new page,
  // since the existing pages keep their own.
  const CmiFormatPairs list(settings);
  std::vector<IpiAttribute> page_options;
  for (int i = 0; i < list.count(); ++i) {
    const IpiAttribute& pair = list.data()[i];
    const bool is_coding = std::strcmp(pair.name, "compression") == 0 || std::strcmp(pair.name, "predictor") == 0 ||
                           std::strcmp(pair.name, "k") == 0;
    if (!is_coding) page_options.push_back(pair);
  }
  for (int32_t i = 0; i < pages->fields.dimension[kDimX]; ++i) {
    IpiObject* page = IpiGetCompositeElement(sys, pages, i);
    if (page == nullptr) return LastErrorOr(sys, kIpiInvalidInstance);
    IPI_RETURN_IF_ERROR(IpiSetAttributes(sys, page, page_options.data(), static_cast<int>(page_options.size())));
    if (compression != kCompressionNone) {
      IPI_RETURN_IF_ERROR(EncodePage(sys, page, compression, &page));
    }
    out->push_back(page);
  }
  return kIpiNoError;
}

// The page list after the control: existing pages in order with the new
// pages appended, inserted before `page`, in place of the pages from `page`
// on, or the pages from `page` on left out.
std::vector<IpiObject*> AssemblePages(int32_t control, int32_t page, int32_t count,
                                      const std::vector<ExistingPage>& existing,
                                      const std::vector<IpiObject*>& added) {
  std::vector<IpiObject*> result;
  const auto pages = static_cast<int64_t>(existing.size());
  for (int64_t i = 0; i <= pages; ++i) {
    if (i == page && control == kCmiPageInsert) result.insert(result.end(), added.begin(), added.end());
    if (i == page && control == kCmiPageReplace) result.insert(result.end(), added.begin(), added.end());
    if (i == pages) break;
    const bool in_range = i >= page && i < int64_t{page} + count;
    if (in_range && (control == kCmiPageReplace || control == kCmiPageDelete)) continue;
    result.push_back(existing[static_cast<size_t>(i)].stored());
  }
  if (control == kCmiPageAppend) result.insert(result.end(), added.begin(), added.end());
  return result;
}

// The existing file's bytes when it is small enough to keep in memory (else
// `copy` stays empty and the file is read where it lies): 0, or the status
// of the call: 26 for no such file, 25 for one that cannot be opened, -1 when
// its size or bytes cannot be read.
int CopyExistingFile(const char* file_name, std::vector<uint8_t>* copy) {
  switch (plat::ReadWholeFile(file_name, kMemoryBudgetBytes - 1, *copy)) {
    case plat::ReadStatus::kOk:
    case plat::ReadStatus::kTooLarge: return kIpiNoError;
    case plat::ReadStatus::kNotFound: return kIpiFileNotFound;
    case plat::ReadStatus::kCannotOpen: return kIpiFileOpenFailure;
    case plat::ReadStatus::kReadFailed: break;
  }
  return kCmiStatusSystemFailure;
}

int32_t ControlPages(const HGLOBAL* images, int32_t count, const char* fileName, int32_t format, int32_t control,
                     int32_t page, CmiOptionList pairs, int32_t n, int32_t* status) {
  CmiCall call(status, pairs, n);
  const bool takes_images = control != kCmiPageDelete;
  const bool arguments_ok = format == kCmiFormatTiff && IsPageControl(control) && count > 0 &&
                            fileName != nullptr && fileName[0] != '\0' && (!takes_images || images != nullptr) &&
                            (control == kCmiPageAppend || page >= 0);
  if (!call.Begin(arguments_ok)) return call.status();
  CmiWriteSettings settings;
  if (takes_images) {
    if (const int rc = ReadWriteSettings(pairs, n, format, &settings); rc != 0) {
      call.Fail(rc);
      return call.status();
    }
  }

  // Only a file that does not exist is created; one that exists but cannot
  // be opened is never replaced.
  std::vector<uint8_t> copy;
  if (const int opened = CopyExistingFile(fileName, &copy); opened != kIpiNoError) {
    if (opened == kIpiFileNotFound && control == kCmiPageAppend) {
      return CmiGenerateAndWrite(images, count, fileName, format, pairs, n, status);
    }
    call.Fail(opened);
    return call.status();
  }
  const ExistingFile existing_file(fileName, std::move(copy));

  IpiObject* new_pages = nullptr;
  if (takes_images) {
    new_pages = BuildPages(call, images, count, settings);
    if (new_pages == nullptr) return call.Close();
  } else {
    if (!call.OpenContext()) return call.Close();
    const IpiAttribute boundary[] = {{"byteBoundary", kByteBoundaryOn}};
    if (!call.Ok(IpiSetSystemAttributes(call.sys(), boundary, 1))) return call.Close();
  }
  IpiSystem* sys = call.sys();

  const int64_t pages = existing_file.CountPages(sys);
  if (pages <= 0) {
    call.FailFromContext();
    return call.Close();
  }
  bool in_range = true;
  switch (control) {
    case kCmiPageDelete:
    case kCmiPageReplace: in_range = int64_t{page} + count <= pages; break;
    case kCmiPageInsert: in_range = page <= pages; break;
    default: break;
  }
  if (!in_range) {
    call.Fail(kCmiStatusBadArgument);
    return call.Close();
  }
  if (control == kCmiPageDelete && page == 0 && count == pages) {
    if (!plat::RemoveFile(fileName)) call.Fail(kCmiStatusSystemFailure);
    return call.Close();
  }
  // Pages the library cannot code end the call before any work.
  const int32_t compression = takes_images ? CmiInternalCompression(settings.compression) : kCompressionNone;
  if (compression != kCompressionNone && !IpiHasEncoder(compression)) {
    call.Fail(kIpiNonPermissibleOption);
    return call.Close();
  }

  std::vector<IpiObject*> added;
  if (takes_images && !call.Ok(PrepareNewPages(sys, new_pages, settings, &added))) {
    return call.Close();
  }
  std::vector<ExistingPage> existing;
  if (!call.Ok(LoadExistingPages(sys, existing_file, pages, &existing))) return call.Close();

  const std::vector<IpiObject*> result = AssemblePages(control, page, count, existing, added);
  IpiObject* list = call.CreateObject(nullptr, &kCompositeIdArrayClass, nullptr,
                                      {{"entries", static_cast<intptr_t>(result.size())}});
  if (list == nullptr) return call.Close();
  for (size_t i = 0; i < result.size(); ++i) {
    if (!call.Ok(IpiPutCompositeElement(sys, result[i], list, static_cast<int64_t>(i)))) return call.Close();
  }
  (void)call.Ok(IpiWriteImageFile(sys, list, fileName, kFormatTiff, nullptr, 0));
  return call.Close();
}

}  // namespace

int32_t PELRITH_STDCALL CmiGenerateAndWriteAndControl(const HGLOBAL* images, int32_t count, const char* fileName,
                                                      int32_t format, int32_t control, int32_t page,
                                                      CmiOptionList pairs, int32_t n, int32_t* status) noexcept {
  int32_t local_status = 0;
  int32_t* out = status != nullptr ? status : &local_status;
  const int32_t result = CmiRun(
      out, [&] { return ControlPages(images, count, fileName, format, control, page, pairs, n, out); },
      kCmiStatusSystemFailure);
  return result != 0 ? result : *out;
}
