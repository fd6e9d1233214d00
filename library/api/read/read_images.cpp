// Reading the images of a file into new packed bitmaps: TIFF pages through a
// composite array, plain BMP files from their checked header without a
// decode, JPEG files decoded straight into the returned bitmap, every other
// format through its reader into one image. Handles are handed to the caller
// only when the whole call succeeded; on failure every handle made is freed
// and the slots the call fills are 0.
#include <algorithm>
#include <cstring>
#include <span>
#include <vector>

#include "Pelrith.h"
#include "api/frame/call_frame.h"
#include "api/frame/file_helpers.h"
#include "api/frame/fill_levels.h"
#include "api/frame/packed_bitmap.h"
#include "api/frame/packed_result.h"
#include "api/read/bmp_file_bitmap.h"
#include "api/read/image_file.h"
#include "api/read/made_handles.h"
#include "api/read/read_entry.h"
#include "api/read/tiff_page_bitmaps.h"
#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/composite_array.h"
#include "core/objects/object.h"
#include "core/operators/data_type_conversion.h"
#include "core/status.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/common/source_bytes.h"
#include "interchange/png/png_codec.h"
#include "interchange/tiff/tiff_tags.h"

namespace {

constexpr int32_t kFirstInterlacePass = 1;
constexpr int32_t kLastInterlacePass = 7;

int64_t Attribute(IpiSystem* sys, IpiObject* image, const char* name) {
  return static_cast<int64_t>(IpiInquireAttribute(sys, image, name));
}

// `image` as a new packed bitmap. Shapes the packed form cannot hold (16-bit
// samples, two bands, 2-bit samples) are a valid file the entry points do
// not take: 12.
bool AddPackedBitmap(CmiCall& call, IpiObject* image, MadeHandles& made) {
  IpiSystem* sys = call.sys();
  const int64_t bands = Attribute(sys, image, "bDimension");
  const int64_t precision = Attribute(sys, image, "dataPrecision");
  const bool held = (bands == 1 && (precision == 1 || precision == 4 || precision == 8)) ||
                    (bands == 3 && precision == 8) || (bands == 1 && precision == 24);
  if (!held) {
    call.Fail(kIpiNonPermissibleOption);
    return false;
  }
  int32_t status = 0;
  const HGLOBAL handle = ObjectToPackedDib(sys, image, &status);
  if (handle == 0) {
    call.Fail(status != 0 ? status : kIpiSyntaxError);
    return false;
  }
  made.Add(handle);
  return true;
}

// A grey ramp for a one-band image of 1, 4 or 8 bits (entry 0 white when
// `white_is_zero`); other precisions are refused when the bitmap is made.
bool FillRamp(CmiCall& call, IpiObject* image, bool white_is_zero) {
  IpiSystem* sys = call.sys();
  const int64_t precision = Attribute(sys, image, "dataPrecision");
  if (precision != 1 && precision != 4 && precision != 8) return true;
  IpiObject* palette = IpiObjectFromId(sys, static_cast<uint32_t>(Attribute(sys, image, "lut")));
  if (palette == nullptr) return true;
  return call.Ok(FillGrayRamp(sys, palette, static_cast<int32_t>(precision), white_is_zero));
}

// Grey pages get their ramp; separated colour and four bands are refused.
bool PrepareTiffPage(CmiCall& call, IpiObject* page) {
  IpiSystem* sys = call.sys();
  const int64_t bands = Attribute(sys, page, "bDimension");
  const int64_t photometric = Attribute(sys, page, "photometricInterpretation");
  if (bands == 4 || photometric == kPhotometricCodeSeparated) {
    call.Fail(kIpiSyntaxError);
    return false;
  }
  if (bands != 1) return true;
  if (photometric == kPhotometricCodeWhiteIsZero) return FillRamp(call, page, true);
  if (photometric == kPhotometricCodeBlackIsZero) return FillRamp(call, page, false);
  return true;
}

IpiObject* CreatePalettedImage(CmiCall& call, const char* image_name) {
  IpiObject* palette = call.CreateObject("oLUT", &kLookupTableClass, nullptr, {{"bDimension", 3}});
  if (palette == nullptr) return nullptr;
  return call.CreateImage(image_name, nullptr,
                          {{"repository", call.repository()},
                           {"lut", static_cast<intptr_t>(IpiObjectId(palette))}});
}

// k = min(count, pages - firstIndex) pages from firstIndex on.
void ReadTiffPages(CmiCall& call, const CmiImageFile& file, HGLOBAL* images, int32_t count, int32_t first_index,
                   MadeHandles& made) {
  IpiSystem* sys = call.sys();
  int64_t k = 0;
  IpiObject* array = CreateTiffPageRange(call, file, count, first_index, &k);
  std::fill(images, images + k, HGLOBAL{0});
  if (array == nullptr) return;
  // Pages the straight road takes become bitmaps with no image in between.
  if (ReadTiffPagesStraight(call, file, first_index, k, made)) return;
  for (int64_t i = 0; i < k; ++i) {
    IpiObject* page = CreatePalettedImage(call, "oImage");
    if (page == nullptr || !call.Ok(IpiPutCompositeElement(sys, page, array, i))) return;
  }
  if (!call.Ok(ReadImageFileWhole(sys, file, array, kFormatTiff, nullptr, 0))) return;
  for (int64_t i = 0; i < k; ++i) {
    IpiObject* page = IpiGetCompositeElement(sys, array, i);
    if (page == nullptr) {
      call.FailFromContext();
      return;
    }
    if (!PrepareTiffPage(call, page) || !AddPackedBitmap(call, page, made)) return;
  }
}

// PNG: grey images get a ramp of their depth; an alpha band is dropped.
IpiObject* FinishPngImage(CmiCall& call, IpiObject* image) {
  IpiSystem* sys = call.sys();
  const int64_t colour_type = Attribute(sys, image, "colourType");
  if (colour_type == kPngColourGrey) return FillRamp(call, image, false) ? image : nullptr;
  if (colour_type == kPngColourRgb) {
    return call.Ok(IpiSetAttribute(sys, image, "lut", 0)) ? image : nullptr;
  }
  if (colour_type != kPngColourGreyAlpha && colour_type != kPngColourRgbAlpha) return image;
  const int64_t bands = Attribute(sys, image, "bDimension");
  IpiObject* opaque =
      call.CreateImage("oImage2", image, {{"bDimension", static_cast<intptr_t>(bands - 1)}, {"lut", 0}});
  if (opaque == nullptr || !call.Ok(IpiConvertDataType(sys, image, opaque))) return nullptr;
  return opaque;
}

// GIF, PCX, PNG, Zoltra, the BMP files that need decoding and the JPEG files
// that cannot be read straight into a bitmap.
void ReadOneImage(CmiCall& call, const CmiImageFile& file, int32_t format, MadeHandles& made) {
  IpiSystem* sys = call.sys();
  if (format == kFormatPng) {
    const IpiAttribute png_options[] = {
        {"progressive", call.options().Value("progressive", 0) != 0 ? 1 : 0},
        {"interlacePass", call.options().Value("interlacePass", kFirstInterlacePass)}};
    if (!call.Ok(IpiSetSystemAttributes(sys, png_options, 2))) return;
  }
  IpiObject* image = format == kFormatJpegLib
                         ? call.CreateImage("oImage", nullptr, {{"repository", call.repository()}})
                         : CreatePalettedImage(call, "oImage");
  if (image == nullptr || !call.Ok(ReadImageFileWhole(sys, file, image, format, nullptr, 0))) return;
  if (format == kFormatZoltra && !FillRamp(call, image, true)) return;
  if (format == kFormatPng) image = FinishPngImage(call, image);
  if (image != nullptr) (void)AddPackedBitmap(call, image, made);
}

// The rows of `result` as a one-band byte image in place (bottom-up, colour
// as blue, green, red) for a reader to fill; null with the status set.
IpiObject* CreateRowsImage(CmiCall& call, const PackedResult& result, int64_t height_px) {
  // The bottom row comes first in the block.
  const auto view = PackedRowsView(result.Row(height_px - 1), result.row_bytes(), height_px);
  IpiObject* rows =
      IpiCreateObject(call.sys(), "oRows", &kGenericImageClass, nullptr, view.data(), static_cast<int>(view.size()));
  if (rows == nullptr) call.FailFromContext();
  return rows;
}

// JPEG: the header pass sizes the result and the data pass decodes straight
// into its rows, so the result is the only block the pixels pass through.
// The file is read once. Files the packed form cannot hold (four
// components) and files that cannot be had take the general road, which
// refuses them with its statuses.
void ReadJpeg(CmiCall& call, const CmiImageFile& file, MadeHandles& made) {
  SourceBytes source;
  if (ImageFileBytes(file, source) != 0 || source.empty()) {
    ReadOneImage(call, file, kFormatJpegLib, made);
    return;
  }
  const CmiImageFile bytes = CmiImageFile::InMemory(source.bytes().data(), static_cast<int64_t>(source.size()));
  IpiSystem* sys = call.sys();
  IpiObject* image = call.CreateImage("oImage", nullptr, {{"repository", call.repository()}});
  if (image == nullptr || !call.Ok(ReadImageFileHeaders(sys, bytes, image, kFormatJpegLib))) return;
  const int64_t width = Attribute(sys, image, "xDimension");
  const int64_t height = Attribute(sys, image, "yDimension");
  const int64_t bands = Attribute(sys, image, "bDimension");
  if ((bands != 1 && bands != 3) || Attribute(sys, image, "dataPrecision") != 8) {
    if (call.Ok(ReadImageFilePass(sys, bytes, image, kFormatJpegLib, kReadModeData))) {
      (void)AddPackedBitmap(call, image, made);
    }
    return;
  }
  // Grey comes under the even grey ramp the export writes for an image without a table.
  PackedResult result;
  if (!result.CreateWithStandardTable(call, width, height, bands == 3 ? 24 : 8)) return;
  // The reader writes the pixels of each row; the padding after them is ours.
  const auto pixel_bytes = static_cast<uint64_t>(width * bands);
  for (int64_t y = 0; y < height; ++y) std::memset(result.Row(y) + pixel_bytes, 0, result.row_bytes() - pixel_bytes);
  IpiObject* rows = CreateRowsImage(call, result, height);
  if (rows == nullptr) return;
  const int rc = ReadImageFilePass(sys, bytes, rows, kFormatJpegLib, kReadModeData);
  // The rows image lies over the result's block, which a failure frees.
  (void)IpiDeleteObject(sys, rows);
  if (!call.Ok(rc)) return;
  const HGLOBAL handle = result.Finish(call);
  if (handle != 0) made.Add(handle);
}

// Plain BMP files become a bitmap straight from their bytes; run-length,
// 16-bit and 32-bit files are decoded by the reader.
void ReadBmp(CmiCall& call, const CmiImageFile& file, MadeHandles& made) {
  SourceBytes source;
  if (!call.Ok(ImageFileBytes(file, source))) return;
  const std::span<const uint8_t> bytes = source.bytes();
  bool is_plain = false;
  if (!call.Ok(BmpFileIsPlain(bytes, &is_plain))) return;
  if (!is_plain) {
    ReadOneImage(call, CmiImageFile::InMemory(bytes.data(), static_cast<int64_t>(bytes.size())), kFormatBmp, made);
    return;
  }
  int32_t status = 0;
  const HGLOBAL handle = BmpFileBytesAsDib(bytes, &status);
  if (handle == 0) {
    call.Fail(status != 0 ? status : kIpiSyntaxError);
    return;
  }
  made.Add(handle);
}

}  // namespace

int32_t ReadImageFileAsBitmaps(const CmiImageFile& file, HGLOBAL* images, int32_t count, int32_t format,
                               int32_t first_index, CmiOptionList pairs, int32_t n, int32_t* status) {
  return CmiRun(status, [&]() -> int32_t {
    MadeHandles made;
    CmiCall call(status, pairs, n);
    const int32_t internal = InternalReadFormat(format);
    const bool paged = internal == kFormatTiff || internal == kFormatGif;
    const intptr_t pass = call.options().Value("interlacePass", kFirstInterlacePass);
    const bool pass_ok = internal != kFormatPng || (pass >= kFirstInterlacePass && pass <= kLastInterlacePass);
    if (!call.Begin(file.valid() && images != nullptr && count >= 1 && internal != 0 &&
                    (!paged || first_index >= 0) && pass_ok)) {
      return 0;
    }
    if (!call.OpenContext()) return 0;
    if (internal == kFormatTiff) {
      ReadTiffPages(call, file, images, count, first_index, made);
    } else {
      images[0] = 0;
      if (internal == kFormatBmp) {
        ReadBmp(call, file, made);
      } else if (internal == kFormatJpegLib) {
        ReadJpeg(call, file, made);
      } else {
        ReadOneImage(call, file, internal, made);
      }
    }
    if (call.Close() != 0) return 0;
    return made.HandOver(images);
  });
}

int32_t PELRITH_STDCALL CmiReadAndParse(const char* fileName, HGLOBAL* images, int32_t count, int32_t format,
                                        int32_t firstIndex, CmiOptionList pairs, int32_t n,
                                        int32_t* status) noexcept {
  return ReadImageFileAsBitmaps(CmiImageFile::Named(fileName), images, count, format, firstIndex, pairs, n, status);
}
