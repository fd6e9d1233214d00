// The wrappers of files and memory images: reading, writing, inquiring,
// TIFF page control and export to a memory block.
#include "cmi_code_maps.h"
#include "dib_input.h"
#include "edit_constants.h"
#include "image_library_binding.h"
#include "option_pairs.h"
#include "plat/ctl/wnd.h"

namespace ondavel {

namespace {

constexpr intptr_t kRepositoryGlobalMemory = 33;

// The 16 bits a dpi value is kept in; larger answers are held at the top.
int16_t ClampDpi(intptr_t dpi) { return static_cast<int16_t>(dpi < 0 ? 0 : dpi > 32767 ? 32767 : dpi); }

// A memory image of `length` bytes inside `block`, locked while this lives.
class LockedSource {
 public:
  LockedSource(HGLOBAL block, int32_t length) : block_(block) {
    if (block == 0 || length <= 0 || static_cast<uint64_t>(length) > GlobalSize(block)) {
      error_ = plat::qrvErrInvalidParam;
      return;
    }
    bytes_ = GlobalLock(block);
    if (bytes_ == nullptr) error_ = plat::qrvErrOutofMemory;
  }
  ~LockedSource() {
    if (bytes_ != nullptr) (void)GlobalUnlock(block_);
  }
  LockedSource(const LockedSource&) = delete;
  LockedSource& operator=(const LockedSource&) = delete;
  int16_t error() const { return error_; }
  const void* bytes() const { return bytes_; }

 private:
  HGLOBAL block_;
  const void* bytes_ = nullptr;
  int16_t error_ = 0;
};

}  // namespace

HGLOBAL ImageLibraryBinding::ReadFileToDib(const char* file_name, int16_t media_format, int32_t page) {
  if (!Begin(reinterpret_cast<const void*>(entry_.CmiReadAndParse))) return 0;
  plat::CWaitCursor wait;
  OptionPairs pairs;
  pairs.Add("repository", kRepositoryGlobalMemory);
  pairs.Add("interlacePass", 1);
  pairs.Add("progressive", 0);
  HGLOBAL out = 0;
  int32_t status = 0;
  const int32_t count = entry_.CmiReadAndParse(file_name, &out, 1, MapMediaFormatToCmi(media_format), page,
                                               pairs.data(), pairs.size(), &status);
  if (count == 0 && out != 0) (void)GlobalFree(out), out = 0;
  return Finish(out, status);
}

plat::BOOL ImageLibraryBinding::WriteDibToFile(HGLOBAL dib, const char* file_name, int16_t media_format,
                                               int16_t compression, int16_t interlace_flag, int16_t quality,
                                               int16_t x_dpi, int16_t y_dpi) {
  if (!Begin(reinterpret_cast<const void*>(entry_.CmiGenerateAndWrite))) return FALSE;
  if (dib == 0) return Fail(plat::qrvErrUnsetMediaData);
  plat::CWaitCursor wait;
  const DibInput input(dib);
  if (input.error() != 0) return Fail(input.error());
  const OptionPairs pairs = SaveOptionPairs(media_format, compression, interlace_flag, quality, x_dpi, y_dpi, true);
  const HGLOBAL handles[1] = {input.handle()};
  int32_t status = 0;
  const int32_t result = entry_.CmiGenerateAndWrite(handles, 1, file_name, MapMediaFormatToCmi(media_format),
                                                    pairs.data(), pairs.size(), &status);
  if (result != 0 || status != 0) return Fail(MapCmiStatusToError(status != 0 ? status : result));
  return TRUE;
}

ImageFileValues ImageLibraryBinding::InquireFileValues(const char* file_name, int16_t media_format, int32_t page) {
  if (!Begin(reinterpret_cast<const void*>(entry_.CmiInquireValues))) return {};
  plat::CWaitCursor wait;
  return InquireValues(file_name, 0, 0, media_format, page);
}

ImageFileValues ImageLibraryBinding::InquireMemoryValues(HGLOBAL block, int32_t length, int16_t media_format,
                                                         int32_t page) {
  if (!Begin(reinterpret_cast<const void*>(entry_.CmiInquireValuesAddressSpace))) return {};
  return InquireValues(nullptr, block, length, media_format, page);
}

ImageFileValues ImageLibraryBinding::InquireValues(const char* file_name, HGLOBAL block, int32_t length,
                                                   int16_t media_format, int32_t page) {
  const bool from_memory = file_name == nullptr;
  const bool is_bmp = media_format == plat::qrvFileBMP, is_tiff = media_format == plat::qrvFileTIFF;
  const bool is_png = media_format == plat::qrvFilePNG, is_jpeg = media_format == plat::qrvFileJPEG;
  const bool has_dpi = is_bmp || is_tiff || media_format == plat::qrvFilePCX || media_format == qrvFileZoltra;
  // Each answer lands in a pointer-sized target; -1 marks "not answered".
  intptr_t compression = -1, mode = -1, height = 0, width = 0, predictor = 0, interlaced = -1, x_dpi = 0, y_dpi = 0;
  OptionPairs pairs;
  if (is_bmp || is_tiff) pairs.Add("compression", reinterpret_cast<intptr_t>(&compression));
  pairs.Add("colorMode", reinterpret_cast<intptr_t>(&mode));
  pairs.Add("yDimension", reinterpret_cast<intptr_t>(&height));
  pairs.Add("xDimension", reinterpret_cast<intptr_t>(&width));
  if (is_tiff) pairs.Add("predictor", reinterpret_cast<intptr_t>(&predictor));
  if (is_png) pairs.Add("interlaced", reinterpret_cast<intptr_t>(&interlaced));
  if (is_jpeg && !from_memory) pairs.Add("progressive", reinterpret_cast<intptr_t>(&interlaced));
  if (has_dpi) {
    pairs.Add("xResolution", reinterpret_cast<intptr_t>(&x_dpi));
    pairs.Add("yResolution", reinterpret_cast<intptr_t>(&y_dpi));
  }
  const int32_t format = MapMediaFormatToCmi(media_format);
  int32_t status = 0;
  int32_t result = 0;
  if (from_memory) {
    const LockedSource source(block, length);
    if (source.error() != 0) return Fail(source.error()), ImageFileValues{};
    result = entry_.CmiInquireValuesAddressSpace(source.bytes(), 1, page, format, length, pairs.data(), pairs.size(),
                                                 &status);
  } else {
    result = entry_.CmiInquireValues(file_name, 1, page, format, pairs.data(), pairs.size(), &status);
  }
  if (result != 0 || status != 0) return Fail(MapCmiStatusToError(status != 0 ? status : result)), ImageFileValues{};
  ImageFileValues values;
  values.width = static_cast<int32_t>(width);
  values.height = static_cast<int32_t>(height);
  if (is_bmp || is_tiff) values.compression = MapCmiCompressionToControl(static_cast<int32_t>(compression));
  values.color_depth = MapCmiModeToColorDepth(static_cast<int32_t>(mode));
  if (is_png || (is_jpeg && !from_memory)) {
    values.interlace = interlaced != 0 ? plat::qrvInterlaced : plat::qrvInterlaceNone;
  }
  if (has_dpi) values.x_dpi = ClampDpi(x_dpi), values.y_dpi = ClampDpi(y_dpi);
  return values;
}

plat::BOOL ImageLibraryBinding::WritePage(HGLOBAL dib, const char* file_name, int16_t media_format, int32_t control,
                                          int32_t page, int16_t compression, int16_t x_dpi, int16_t y_dpi,
                                          bool has_options) {
  if (!Begin(reinterpret_cast<const void*>(entry_.CmiGenerateAndWriteAndControl))) return FALSE;
  if (dib == 0) return Fail(plat::qrvErrUnsetMediaData);
  if (media_format != plat::qrvFileTIFF) return Fail(plat::qrvErrInvalidFileFormat);
  plat::CWaitCursor wait;
  // A deletion reads no pixel of the handle, so only new pages are checked.
  const DibInput input(has_options ? dib : 0);
  if (has_options && input.error() != 0) return Fail(input.error());
  OptionPairs pairs;
  if (has_options) {
    pairs.Add("compression", MapCompressionToCmi(compression));
    pairs.Add("xResolution", x_dpi);
    pairs.Add("yResolution", y_dpi);
  }
  const HGLOBAL handles[1] = {has_options ? input.handle() : dib};
  int32_t status = 0;
  const int32_t result = entry_.CmiGenerateAndWriteAndControl(handles, 1, file_name, kCmiFormatTiff, control, page,
                                                              pairs.data(), pairs.size(), &status);
  if (result != 0 || status != 0) return Fail(MapCmiStatusToError(status != 0 ? status : result));
  return TRUE;
}

plat::BOOL ImageLibraryBinding::AppendPageToFile(HGLOBAL dib, const char* file_name, int16_t media_format,
                                                 int16_t compression, int16_t x_dpi, int16_t y_dpi) {
  return WritePage(dib, file_name, media_format, kCmiPageAppend, 0, compression, x_dpi, y_dpi, true);
}

plat::BOOL ImageLibraryBinding::InsertPageInFile(HGLOBAL dib, const char* file_name, int16_t media_format,
                                                 int32_t page, int16_t compression, int16_t x_dpi, int16_t y_dpi) {
  return WritePage(dib, file_name, media_format, kCmiPageInsert, page, compression, x_dpi, y_dpi, true);
}

plat::BOOL ImageLibraryBinding::ReplacePageInFile(HGLOBAL dib, const char* file_name, int16_t media_format,
                                                  int32_t page, int16_t compression, int16_t x_dpi, int16_t y_dpi) {
  return WritePage(dib, file_name, media_format, kCmiPageReplace, page, compression, x_dpi, y_dpi, true);
}

plat::BOOL ImageLibraryBinding::DeletePageFromFile(HGLOBAL dib, const char* file_name, int16_t media_format,
                                                   int32_t page) {
  return WritePage(dib, file_name, media_format, kCmiPageDelete, page, 0, 0, 0, false);
}

int32_t ImageLibraryBinding::GetFileImageCount(const char* file_name, int16_t media_format) {
  if (!Begin(reinterpret_cast<const void*>(entry_.CmiInquireImageNumber))) return 0;
  if (media_format != plat::qrvFileTIFF) return 1;
  plat::CWaitCursor wait;
  int32_t status = 0;
  const int32_t count = entry_.CmiInquireImageNumber(file_name, kCmiFormatTiff, nullptr, 0, &status);
  // A file that cannot be counted says why, rather than 0 pages with no error.
  if (count <= 0) return Fail(MapCmiStatusToError(status)), 0;
  return count;
}

HGLOBAL ImageLibraryBinding::ReadMemoryToDib(HGLOBAL block, int32_t length, int16_t media_format, int32_t index) {
  if (!Begin(reinterpret_cast<const void*>(entry_.CmiImportAndParse))) return 0;
  const LockedSource source(block, length);
  if (source.error() != 0) return Fail(source.error()), 0;
  plat::CWaitCursor wait;
  OptionPairs pairs;
  pairs.Add("repository", kRepositoryGlobalMemory);
  HGLOBAL out = 0;
  int32_t status = 0;
  const int32_t count = entry_.CmiImportAndParse(source.bytes(), &out, 1, MapMediaFormatToCmi(media_format), index,
                                                 length, pairs.data(), pairs.size(), &status);
  if (count == 0 && out != 0) (void)GlobalFree(out), out = 0;
  return Finish(out, status);
}

int32_t ImageLibraryBinding::GetMemoryImageCount(HGLOBAL block, int32_t length, int16_t media_format) {
  if (!Begin(reinterpret_cast<const void*>(entry_.CmiInquireImageNumberAddressSpace))) return 0;
  if (media_format != plat::qrvFileTIFF) return 1;
  const LockedSource source(block, length);
  if (source.error() != 0) return Fail(source.error()), 0;
  int32_t status = 0;
  const int32_t count =
      entry_.CmiInquireImageNumberAddressSpace(source.bytes(), kCmiFormatTiff, length, nullptr, 0, &status);
  if (count <= 0) return Fail(MapCmiStatusToError(status)), 0;
  return count;
}

plat::BOOL ImageLibraryBinding::ExportDibToMemory(HGLOBAL dib, HGLOBAL* out_block, int32_t* out_size,
                                                  int16_t media_format, int16_t compression, int16_t interlace_flag,
                                                  int16_t quality, int16_t x_dpi, int16_t y_dpi) {
  if (!Begin(reinterpret_cast<const void*>(entry_.CmiGenerateAndExportHandle))) return FALSE;
  if (dib == 0) return Fail(plat::qrvErrUnsetMediaData);
  if (out_block == nullptr || out_size == nullptr) return Fail(plat::qrvErrInvalidParam);
  plat::CWaitCursor wait;
  const DibInput input(dib);
  if (input.error() != 0) return Fail(input.error());
  const OptionPairs pairs = SaveOptionPairs(media_format, compression, interlace_flag, quality, x_dpi, y_dpi, false);
  const HGLOBAL handles[1] = {input.handle()};
  int32_t status = 0;
  int32_t size = 0;
  const HGLOBAL out = entry_.CmiGenerateAndExportHandle(handles, 1, MapMediaFormatToCmi(media_format), &size,
                                                        pairs.data(), pairs.size(), &status);
  if (out == 0) return Fail(MapCmiStatusToError(status));
  *out_block = out;
  *out_size = size;
  return TRUE;
}

}  // namespace ondavel
