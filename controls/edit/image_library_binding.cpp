// The binding to the image library: loading, the entry-point table, and the
// wrappers' shared frame (error cleared, entry point present, handle
// checked, status mapped). The wrappers themselves are in
// image_library_wrappers.cpp and image_library_operations.cpp.
#include "image_library_binding.h"

#include <cstring>

#include "cmi_code_maps.h"
#include "dib_input.h"
#include "edit_constants.h"
#include "plat/ctl/wnd.h"
#include "plat/modules.h"

namespace ondavel {

plat::HMODULE LoadImageLibrary(const std::string& own_folder) {
  if (!own_folder.empty()) {
    const std::string folder = own_folder.back() == '/' ? own_folder : own_folder + "/";
    if (plat::HMODULE module = plat::LoadLibrary((folder + kImageLibraryName).c_str())) return module;
  }
  // A plain name: the system loader's own search, which never looks in the
  // current folder.
  return plat::LoadLibrary(kImageLibrarySoname);
}

ImageLibraryBinding::ImageLibraryBinding() {
  plat::CWaitCursor wait;
  std::string own_path;
  plat::GetModuleFileName(plat::ThisModule(), own_path);
  const size_t slash = own_path.find_last_of('/');
  const std::string own_folder = slash == std::string::npos ? std::string() : own_path.substr(0, slash + 1);
  Bind(LoadImageLibrary(own_folder));
}

ImageLibraryBinding::ImageLibraryBinding(const std::string& library_file) {
  plat::CWaitCursor wait;
  // A name without a folder would be searched for; this form takes a path only.
  Bind(library_file.find('/') != std::string::npos ? plat::LoadLibrary(library_file.c_str()) : nullptr);
}

ImageLibraryBinding::~ImageLibraryBinding() {
  if (is_loaded_) Unbind();
}

void ImageLibraryBinding::Bind(plat::HMODULE module) {
  module_ = module;
  is_loaded_ = module != nullptr;
  if (!is_loaded_) {
    ClearEntryPoints();
    return;
  }
#define ONDAVEL_CMI_LOOKUP(name) \
  entry_.name = reinterpret_cast<decltype(entry_.name)>(plat::GetProcAddress(module, #name));
  ONDAVEL_FOR_EACH_CMI_ENTRY(ONDAVEL_CMI_LOOKUP)
#undef ONDAVEL_CMI_LOOKUP
}

void ImageLibraryBinding::ClearEntryPoints() { entry_ = CmiEntryPoints{}; }

void ImageLibraryBinding::Unbind() {
  (void)plat::FreeLibrary(module_);
  module_ = nullptr;
  is_loaded_ = false;
  ClearEntryPoints();
}

bool ImageLibraryBinding::Begin(const void* entry_point) {
  last_error_ = 0;
  if (!is_loaded_ || entry_point == nullptr) return Fail(plat::qrvErrSystemNotFound);
  return true;
}

bool ImageLibraryBinding::Fail(int16_t error) {
  last_error_ = error;
  return false;
}

bool ImageLibraryBinding::ResolveDepth(HGLOBAL dib, int16_t& depth) {
  if (depth != qrvUnknown) return true;
  depth = GetDibColorDepth(dib);
  if (depth == qrvUnknown) {
    // GetDibColorDepth set 1001 or 9000 for a bitmap it could not read.
    if (last_error_ == 0) last_error_ = plat::qrvErrInvalidColorDepth;
    return false;
  }
  return true;
}

// ---- Support operations ----------------------------------------------------------------------

HGLOBAL ImageLibraryBinding::CopyBlock(HGLOBAL block, unsigned flags) {
  last_error_ = 0;
  if (block == 0) return Fail(plat::qrvErrInvalidParam), 0;
  const size_t size = GlobalSize(block);
  const void* from = GlobalLock(block);
  if (from == nullptr) return Fail(plat::qrvErrOutofMemory), 0;
  const HGLOBAL copy = GlobalAlloc(flags, size);
  void* to = GlobalLock(copy);
  if (to == nullptr) {
    if (copy != 0) (void)GlobalFree(copy);
    (void)GlobalUnlock(block);
    return Fail(plat::qrvErrOutofMemory), 0;
  }
  std::memcpy(to, from, size);
  (void)GlobalUnlock(copy);
  (void)GlobalUnlock(block);
  return copy;
}

HGLOBAL ImageLibraryBinding::CopyGlobalBlock(HGLOBAL block) { return CopyBlock(block, GHND); }

HGLOBAL ImageLibraryBinding::CopyGlobalForClipboard(HGLOBAL block) { return CopyBlock(block, GHND | GMEM_DDESHARE); }

namespace {

// The header fields the support operations read, from a checked view.
struct DibHeaderFacts {
  int width = 0;
  int height = 0;
  int bit_count = 0;
  int32_t x_pels_per_metre = 0;
  int32_t y_pels_per_metre = 0;
};

// 0, 1001 (not a valid packed bitmap) or 9000 (the block does not lock).
int16_t ReadHeaderFacts(HGLOBAL dib, DibHeaderFacts& facts) {
  if (dib == 0) return plat::qrvErrInvalidParam;
  const auto* bytes = static_cast<const uint8_t*>(GlobalLock(dib));
  if (bytes == nullptr) return plat::qrvErrOutofMemory;
  const auto view = plat::ValidatePackedDib(bytes, GlobalSize(dib));
  if (view) {
    facts.width = view->width;
    facts.height = view->height;
    facts.bit_count = view->bpp;
    if (view->headerSize >= 40) {
      plat::BITMAPINFOHEADER header;
      std::memcpy(&header, bytes, sizeof(header));
      facts.x_pels_per_metre = header.biXPelsPerMeter;
      facts.y_pels_per_metre = header.biYPelsPerMeter;
    }
  }
  (void)GlobalUnlock(dib);
  return view ? 0 : plat::qrvErrInvalidParam;
}

// Dots per inch from pixels per metre, a value less than 0.1 below a whole
// number counting as that number; clamped to what 16 bits hold.
int16_t DpiFromPelsPerMetre(int32_t pels_per_metre) {
  const double dpi = pels_per_metre * 0.0254 + 0.9;
  if (!(dpi > 0.0)) return 0;
  if (dpi >= 32767.0) return 32767;
  return static_cast<int16_t>(dpi);
}

}  // namespace

plat::BOOL ImageLibraryBinding::GetDibSize(HGLOBAL dib, int32_t* width, int32_t* height) {
  last_error_ = 0;
  DibHeaderFacts facts;
  last_error_ = ReadHeaderFacts(dib, facts);
  if (width) *width = last_error_ == 0 ? facts.width : 0;
  if (height) *height = last_error_ == 0 ? facts.height : 0;
  return last_error_ == 0;
}

int16_t ImageLibraryBinding::GetDibColorDepth(HGLOBAL dib) {
  DibHeaderFacts facts;
  last_error_ = ReadHeaderFacts(dib, facts);
  if (last_error_ != 0) return qrvUnknown;
  switch (facts.bit_count) {
    case 1: return plat::qrvColorBitmap;
    case 4: return plat::qrvColor16;
    case 8: return is_grayscale_ ? plat::qrvColorGrayscale : plat::qrvColor256;
    case 24: return plat::qrvColorRGB;
    default: return qrvUnknown;
  }
}

int16_t ImageLibraryBinding::GetDibBitDepthCode(HGLOBAL dib) {
  DibHeaderFacts facts;
  last_error_ = ReadHeaderFacts(dib, facts);
  if (last_error_ != 0) return qrvUnknown;
  switch (facts.bit_count) {
    case 1: return plat::qrvColorBitmap;
    case 4: return plat::qrvColor16;
    case 8: return plat::qrvColor256;
    case 16: return qrvColor32K;
    case 24: return plat::qrvColorRGB;
    default: return qrvUnknown;
  }
}

plat::BOOL ImageLibraryBinding::GetDibResolutionDpi(HGLOBAL dib, int16_t* x_dpi, int16_t* y_dpi) {
  DibHeaderFacts facts;
  last_error_ = ReadHeaderFacts(dib, facts);
  if (x_dpi) *x_dpi = last_error_ == 0 ? DpiFromPelsPerMetre(facts.x_pels_per_metre) : 0;
  if (y_dpi) *y_dpi = last_error_ == 0 ? DpiFromPelsPerMetre(facts.y_pels_per_metre) : 0;
  return last_error_ == 0;
}

}  // namespace ondavel
