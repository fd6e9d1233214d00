// ImageLibraryBinding: the image library loaded at run time, its 47 entry
// points looked up by name, and one wrapper per use that checks its
// arguments, builds the option list, calls the entry point and keeps the
// control error code of the call until the next wrapper runs. A missing
// library or entry point fails only the wrappers that need it, with 9910.
// Every handle a wrapper returns is new and belongs to the caller; handles
// the caller passes are checked against their blocks and never changed.
#ifndef CONTROLS_EDIT_IMAGE_LIBRARY_BINDING_H_
#define CONTROLS_EDIT_IMAGE_LIBRARY_BINDING_H_

#include <cstdint>
#include <initializer_list>
#include <string>

#include "Pelrith.h"
#include "plat/global_memory.h"
#include "plat/types.h"

namespace ondavel {

// The 47 entry points in the library's export order.
#define ONDAVEL_FOR_EACH_CMI_ENTRY(X)                                                                           \
  X(CmiReadAndParse) X(CmiGenerateAndWrite) X(CmiGenerateAndWriteAndControl) X(CmiFileFormatConvert)           \
  X(CmiInquireFileFormat) X(CmiInquireValues) X(CmiInquireImageNumber) X(CmiImportAndParse)                    \
  X(CmiGenerateAndExport) X(CmiAddressSpaceFormatConvert) X(CmiInquireAddressSpaceFormat)                      \
  X(CmiInquireValuesAddressSpace) X(CmiInquireImageNumberAddressSpace) X(CmiGenerateAndExportHandle)           \
  X(CmiHandleFormatConvert) X(CmiResize) X(CmiRotate) X(CmiRotateArbitrary) X(CmiFlip) X(CmiSkew)               \
  X(CmiSubsample) X(CmiConstant) X(CmiModeBitmap) X(CmiModeGrayscale) X(CmiModeIndexedColor256)                 \
  X(CmiModeIndexedColor16) X(CmiModeRGBColor) X(CmiInvert) X(CmiBrightnessAndContrast) X(CmiColourBalance)      \
  X(CmiHueSaturation) X(CmiGammaCorrection) X(CmiSolarize) X(CmiEqualize) X(CmiConvert) X(CmiBlend)             \
  X(CmiCalculate) X(CmiBlur) X(CmiSharpen) X(CmiMedian) X(CmiFindEdges) X(CmiEdgeEnhance) X(CmiEdgeDetection)   \
  X(CmiPinch) X(CmiSpherize) X(CmiRankOrder) X(CmiEmboss)

// One typed pointer per entry point; null when the name is not exported.
struct CmiEntryPoints {
#define ONDAVEL_CMI_FIELD(name) decltype(&::name) name = nullptr;
  ONDAVEL_FOR_EACH_CMI_ENTRY(ONDAVEL_CMI_FIELD)
#undef ONDAVEL_CMI_FIELD
};
inline constexpr int kCmiEntryPointCount = 47;

// The values InquireFileValues and InquireMemoryValues give; before a
// successful inquiry, and after a failed one, the "unknown" values below.
struct ImageFileValues {
  int32_t width = 0;
  int32_t height = 0;
  int16_t compression = -1;  // CompressionConstants (BMP and TIFF), else -1
  int16_t color_depth = -1;  // ImageColorConstants
  int16_t interlace = -1;    // InterlaceConstants (PNG, and JPEG from files), else -1
  int16_t x_dpi = 0;         // BMP, TIFF, PCX and the tagged raster format, else 0
  int16_t y_dpi = 0;
};

// The library's file: "Pelrith.dll" in the platform's naming.
inline constexpr const char* kImageLibraryName = "Pelrith.dll";
// Its soname, searched through the system loader's path after the own folder.
inline constexpr const char* kImageLibrarySoname = "libPelrith.so.1";

// Loads the library from `own_folder` (the folder of this control's module),
// else by its soname through the system loader's path, never from the
// current folder; null when neither loads.
plat::HMODULE LoadImageLibrary(const std::string& own_folder);

class ImageLibraryBinding {
 public:
  // Binds the library found from the folder of this module.
  ImageLibraryBinding();
  // Binds exactly `library_file` (a path), with no search.
  explicit ImageLibraryBinding(const std::string& library_file);
  virtual ~ImageLibraryBinding();
  ImageLibraryBinding(const ImageLibraryBinding&) = delete;
  ImageLibraryBinding& operator=(const ImageLibraryBinding&) = delete;

  bool IsBound() const { return is_loaded_; }
  plat::HMODULE module() const { return module_; }
  const CmiEntryPoints& entry_points() const { return entry_; }
  // The control error code of the last wrapper or support call; 0 on success.
  int16_t GetBindingError() const { return last_error_; }
  // 8-bit bitmaps count as grayscale (9) instead of 256 colours (8) when set.
  void SetGrayscaleFlag(bool is_grayscale) { is_grayscale_ = is_grayscale; }

  // Files.
  HGLOBAL ReadFileToDib(const char* file_name, int16_t media_format, int32_t page);
  plat::BOOL WriteDibToFile(HGLOBAL dib, const char* file_name, int16_t media_format, int16_t compression,
                            int16_t interlace_flag, int16_t quality, int16_t x_dpi, int16_t y_dpi);
  ImageFileValues InquireFileValues(const char* file_name, int16_t media_format, int32_t page);
  plat::BOOL AppendPageToFile(HGLOBAL dib, const char* file_name, int16_t media_format, int16_t compression,
                              int16_t x_dpi, int16_t y_dpi);
  plat::BOOL InsertPageInFile(HGLOBAL dib, const char* file_name, int16_t media_format, int32_t page,
                              int16_t compression, int16_t x_dpi, int16_t y_dpi);
  plat::BOOL ReplacePageInFile(HGLOBAL dib, const char* file_name, int16_t media_format, int32_t page,
                               int16_t compression, int16_t x_dpi, int16_t y_dpi);
  plat::BOOL DeletePageFromFile(HGLOBAL dib, const char* file_name, int16_t media_format, int32_t page);
  // TIFF: the page count (0 with the error set when the file cannot be
  // read); other formats: 1 without asking the library.
  int32_t GetFileImageCount(const char* file_name, int16_t media_format);

  // Memory images: `length` bytes of the global block `block`, where
  // 0 < length <= GlobalSize(block), else 1001.
  HGLOBAL ReadMemoryToDib(HGLOBAL block, int32_t length, int16_t media_format, int32_t index);
  ImageFileValues InquireMemoryValues(HGLOBAL block, int32_t length, int16_t media_format, int32_t page);
  int32_t GetMemoryImageCount(HGLOBAL block, int32_t length, int16_t media_format);
  plat::BOOL ExportDibToMemory(HGLOBAL dib, HGLOBAL* out_block, int32_t* out_size, int16_t media_format,
                               int16_t compression, int16_t interlace_flag, int16_t quality, int16_t x_dpi,
                               int16_t y_dpi);

  // Geometry. `fill_colour` is 0x00BBGGRR; it is used for 24-bit colour (12)
  // only. A depth of -1 is taken from the bitmap.
  HGLOBAL FitDibIntoBox(HGLOBAL dib, int16_t interpolation, int16_t morphology, uint32_t fill_colour, int16_t depth,
                        int32_t source_width, int32_t source_height, int32_t box_width, int32_t box_height,
                        int16_t horz_pos, int16_t vert_pos);
  HGLOBAL ResizeDibImage(HGLOBAL dib, int32_t width, int32_t height, int16_t interpolation, int16_t morphology);
  HGLOBAL RotateDibByQuarters(HGLOBAL dib, int16_t rotation, uint32_t fill_colour, int16_t depth, int32_t* width,
                              int32_t* height);
  HGLOBAL RotateDibByAngle(HGLOBAL dib, int32_t angle_degrees, uint32_t fill_colour, int16_t depth, int32_t* width,
                           int32_t* height);
  HGLOBAL FlipDib(HGLOBAL dib, int16_t direction, int32_t x, int32_t y, int32_t width, int32_t height);
  HGLOBAL SkewDib(HGLOBAL dib, int16_t direction, int32_t angle_degrees, uint32_t fill_colour, int16_t depth,
                  int32_t* width, int32_t* height);
  HGLOBAL ClipDibRect(HGLOBAL dib, int32_t left, int32_t top, int32_t right, int32_t bottom, int16_t interpolation,
                      int16_t morphology);
  HGLOBAL FillDibRect(HGLOBAL dib, int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t fill_colour,
                      int16_t depth);

  // Colour modes.
  HGLOBAL ChangeDibColorDepth(HGLOBAL dib, int16_t current_depth, int16_t target_depth, int16_t reduction,
                              int16_t threshold);
  HGLOBAL ConvertToBitmap(HGLOBAL dib, int16_t depth, int16_t reduction, int16_t threshold);
  HGLOBAL ConvertTo16Colors(HGLOBAL dib, int16_t depth, int16_t reduction);
  HGLOBAL ConvertTo256Colors(HGLOBAL dib, int16_t depth, int16_t reduction);
  HGLOBAL ConvertToGrayscale(HGLOBAL dib, int16_t depth);
  HGLOBAL ConvertToRGB(HGLOBAL dib, int16_t depth);

  // Point operations and filters on a rectangle (width or height 0: the
  // whole bitmap).
  HGLOBAL InvertDib(HGLOBAL dib, int16_t depth, int32_t x, int32_t y, int32_t width, int32_t height);
  HGLOBAL SolarizeDib(HGLOBAL dib, int16_t depth, int32_t x, int32_t y, int32_t width, int32_t height);
  HGLOBAL EqualizeDib(HGLOBAL dib, int16_t depth, int32_t x, int32_t y, int32_t width, int32_t height);
  HGLOBAL BlurDib(HGLOBAL dib, int16_t depth, int32_t x, int32_t y, int32_t width, int32_t height);
  HGLOBAL SharpenDib(HGLOBAL dib, int16_t depth, int32_t x, int32_t y, int32_t width, int32_t height);
  HGLOBAL FindDibEdges(HGLOBAL dib, int16_t depth, int32_t x, int32_t y, int32_t width, int32_t height);
  HGLOBAL EnhanceDibEdges(HGLOBAL dib, int16_t depth, int32_t x, int32_t y, int32_t width, int32_t height);
  HGLOBAL EmbossDib(HGLOBAL dib, int16_t depth, int32_t x, int32_t y, int32_t width, int32_t height);
  HGLOBAL MedianDib(HGLOBAL dib, int32_t size, int16_t depth, int32_t x, int32_t y, int32_t width, int32_t height);
  HGLOBAL AdjustDibBrightness(HGLOBAL dib, int16_t depth, int32_t brightness, int32_t contrast, int32_t x, int32_t y,
                              int32_t width, int32_t height);
  HGLOBAL AdjustDibColorBalance(HGLOBAL dib, int16_t depth, int32_t zero, int32_t red, int32_t green, int32_t blue,
                                int32_t x, int32_t y, int32_t width, int32_t height);
  HGLOBAL AdjustDibHue(HGLOBAL dib, int16_t depth, int32_t hue, int32_t saturation, int32_t lightness, int32_t x,
                       int32_t y, int32_t width, int32_t height);
  HGLOBAL AdjustDibGamma(HGLOBAL dib, int16_t depth, double gamma, int32_t x, int32_t y, int32_t width,
                         int32_t height);
  HGLOBAL CalculateDibs(HGLOBAL destination, HGLOBAL source, int16_t operation, int16_t depth, int32_t dx, int32_t dy,
                        int32_t dw, int32_t dh, int32_t sx, int32_t sy);
  HGLOBAL BlendDibs(HGLOBAL destination, HGLOBAL source, double ratio, int16_t depth, int32_t dx, int32_t dy,
                    int32_t dw, int32_t dh, int32_t sx, int32_t sy);
  HGLOBAL PinchDib(HGLOBAL dib, int32_t amount, int32_t x, int32_t y, int32_t width, int32_t height);
  HGLOBAL SpherizeDib(HGLOBAL dib, int16_t direction, int32_t amount, int32_t x, int32_t y, int32_t width,
                      int32_t height);

  // Support operations (no library call).
  HGLOBAL CopyGlobalBlock(HGLOBAL block);
  HGLOBAL CopyGlobalForClipboard(HGLOBAL block);
  plat::BOOL GetDibSize(HGLOBAL dib, int32_t* width, int32_t* height);
  int16_t GetDibColorDepth(HGLOBAL dib);
  int16_t GetDibBitDepthCode(HGLOBAL dib);
  plat::BOOL GetDibResolutionDpi(HGLOBAL dib, int16_t* x_dpi, int16_t* y_dpi);

 private:
  void Bind(plat::HMODULE module);
  void ClearEntryPoints();
  void Unbind();
  // Common starts of the wrappers: clear the error, then 9910 for a missing
  // entry point; false with the error set when the call must not go on.
  bool Begin(const void* entry_point);
  bool Fail(int16_t error);
  // The depth to use: `depth`, or the bitmap's own for -1 (1011 when it has none).
  bool ResolveDepth(HGLOBAL dib, int16_t& depth);
  HGLOBAL CopyBlock(HGLOBAL block, unsigned flags);
  plat::BOOL WritePage(HGLOBAL dib, const char* file_name, int16_t media_format, int32_t control, int32_t page,
                       int16_t compression, int16_t x_dpi, int16_t y_dpi, bool has_options);
  ImageFileValues InquireValues(const char* file_name, HGLOBAL block, int32_t length, int16_t media_format,
                                int32_t page);
  // The start of every wrapper on one bitmap after its own argument checks:
  // 1101 for none, the depth resolved (when `depth` is given) and checked
  // against `refused_depths` (1011). The bitmap itself is checked by the
  // wrapper's DibInput.
  bool PrepareDib(HGLOBAL dib, int16_t* depth, std::initializer_list<int16_t> refused_depths);
  // The result of an entry point: 0 sets the error from the status. The
  // status is taken by reference, so that it is read after the call that
  // fills it, whatever order the arguments are evaluated in.
  HGLOBAL Finish(HGLOBAL result, const int32_t& status);
  // The rest of a wrapper after its checks: the bitmap read under the wait
  // cursor (its own error when it cannot be), `call` running one entry point
  // on it, given the input and the status slot, and the result through Finish.
  template <class Call>
  HGLOBAL CallOnDib(HGLOBAL dib, Call call);
  // The same for the two bitmaps of CalculateDibs and BlendDibs: both read,
  // `rects` turned into their option pairs (the rectangle error when they do
  // not fit), and `call` given both inputs, the pairs and the status slot.
  struct TwoSourceRects {
    int32_t dx, dy, dw, dh, sx, sy;
  };
  template <class Call>
  HGLOBAL CallOnTwoDibs(HGLOBAL destination, HGLOBAL source, const TwoSourceRects& rects, Call call);
  HGLOBAL RunRectOperation(decltype(&::CmiInvert) entry, HGLOBAL dib, int16_t depth, int32_t x, int32_t y,
                           int32_t width, int32_t height, std::initializer_list<int16_t> refused_depths);

  bool is_grayscale_ = false;
  plat::HMODULE module_ = nullptr;
  bool is_loaded_ = false;
  int16_t last_error_ = 0;
  CmiEntryPoints entry_;
};

}  // namespace ondavel

#endif  // CONTROLS_EDIT_IMAGE_LIBRARY_BINDING_H_
