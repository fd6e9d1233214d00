// Creating, reading and deleting font objects; the stock fonts; enumerating
// the active engine's families.
#include "gdi/text/font_object.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>

#include "plat/handle_table.h"

namespace plat {

namespace {


// GetStockObject's indices of the stock fonts.
constexpr int kOemFixedFont = 10;
constexpr int kAnsiFixedFont = 11;
constexpr int kAnsiVarFont = 12;
constexpr int kSystemFont = 13;
constexpr int kSystemFixedFont = 16;
constexpr int kDefaultGuiFont = 17;
constexpr int kNoStockFont = 15;

// Cuts `face` to at most LF_FACESIZE - 1 code points, at a character boundary.
std::string CutFace(std::string_view face) {
  size_t characters = 0;
  for (size_t i = 0; i < face.size(); ++i) {
    if ((static_cast<unsigned char>(face[i]) & 0xC0) == 0x80) continue;  // continuation byte
    if (characters == LF_FACESIZE - 1) return std::string(face.substr(0, i));
    ++characters;
  }
  return std::string(face);
}

HFONT InsertFont(const LOGFONT& logfont) {
  auto object = std::make_shared<text::FontObject>();
  object->logfont = logfont;
  object->logfont.lfFaceName = CutFace(logfont.lfFaceName);
  return HandleFromId<HFONT>(gdi::RegisterObject(HandleKind::kFont, std::move(object)));
}

LOGFONT StockLogfont(int index) {
  LOGFONT logfont;
  switch (index) {
    case kOemFixedFont:
    case kAnsiFixedFont:
    case kSystemFixedFont:
      logfont.lfHeight = 16;
      logfont.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
      logfont.lfFaceName = "Fixedsys";
      break;
    case kAnsiVarFont:
      logfont.lfHeight = 13;
      logfont.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
      logfont.lfFaceName = "MS Sans Serif";
      break;
    case kDefaultGuiFont:
      logfont.lfHeight = -11;
      logfont.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
      logfont.lfFaceName = "MS Shell Dlg";
      break;
    default:  // SYSTEM_FONT, DEVICE_DEFAULT_FONT
      logfont.lfHeight = 16;
      logfont.lfWeight = FW_BOLD;
      logfont.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
      logfont.lfFaceName = "System";
      break;
  }
  return logfont;
}

bool SameFaceIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

namespace text {

std::shared_ptr<FontObject> FindFont(HFONT font) {
  return std::static_pointer_cast<FontObject>(
      std::static_pointer_cast<gdi::GdiObject>(HandleTable::Instance().Find(HandleId(font), HandleKind::kFont)));
}

int GetFontObject(const gdi::GdiObject& font, int size, void* out) {
  if (font.Type() != OBJ_FONT) return 0;
  if (out == nullptr) return static_cast<int>(sizeof(LOGFONT));
  if (size < static_cast<int>(sizeof(LOGFONT))) return 0;
  *static_cast<LOGFONT*>(out) = static_cast<const FontObject&>(font).logfont;
  return static_cast<int>(sizeof(LOGFONT));
}

TEXTMETRIC MakeTextMetric(const FontMetrics& metrics, const LOGFONT& logfont) {
  TEXTMETRIC tm;
  tm.tmHeight = metrics.height;
  tm.tmAscent = metrics.ascent;
  tm.tmDescent = metrics.descent;
  tm.tmInternalLeading = metrics.internal_leading;
  tm.tmExternalLeading = metrics.external_leading;
  tm.tmAveCharWidth = metrics.ave_char_width;
  tm.tmMaxCharWidth = metrics.max_char_width;
  tm.tmWeight = metrics.weight;
  tm.tmOverhang = metrics.overhang;
  tm.tmItalic = logfont.lfItalic ? 1 : 0;
  tm.tmUnderlined = logfont.lfUnderline ? 1 : 0;
  tm.tmStruckOut = logfont.lfStrikeOut ? 1 : 0;
  tm.tmCharSet = static_cast<BYTE>(metrics.charset);
  tm.tmPitchAndFamily = static_cast<BYTE>((metrics.is_fixed_pitch ? 0 : TMPF_FIXED_PITCH) |
                                          (metrics.is_scalable ? TMPF_VECTOR | TMPF_TRUETYPE : 0) |
                                          (logfont.lfPitchAndFamily & 0xF0));
  return tm;
}

FaceRequest MakeFaceRequest(const LOGFONT& logfont) {
  FaceRequest request;
  request.face = logfont.lfFaceName;
  request.height = logfont.lfHeight;
  request.width = std::max<LONG>(logfont.lfWidth, 0);
  request.escapement = logfont.lfEscapement % 3600;
  request.weight = logfont.lfWeight == FW_DONTCARE ? FW_NORMAL : std::clamp<LONG>(logfont.lfWeight, 1, 1000);
  request.is_italic = logfont.lfItalic != 0;
  request.charset = logfont.lfCharSet;
  request.pitch_and_family = logfont.lfPitchAndFamily;
  request.is_antialiased = logfont.lfQuality != NONANTIALIASED_QUALITY;
  return request;
}

HFONT DefaultDcFont() { return GetStockFont(kSystemFont); }

}  // namespace text

HFONT CreateFontIndirect(const LOGFONT* logfont) {
  if (logfont == nullptr) return nullptr;
  return InsertFont(*logfont);
}

HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strike_out, DWORD charset, DWORD out_precision, DWORD clip_precision,
                 DWORD quality, DWORD pitch_and_family, const char* face) {
  LOGFONT logfont;
  logfont.lfHeight = height;
  logfont.lfWidth = width;
  logfont.lfEscapement = escapement;
  logfont.lfOrientation = orientation;
  logfont.lfWeight = weight;
  logfont.lfItalic = static_cast<BYTE>(italic != 0);
  logfont.lfUnderline = static_cast<BYTE>(underline != 0);
  logfont.lfStrikeOut = static_cast<BYTE>(strike_out != 0);
  logfont.lfCharSet = static_cast<BYTE>(charset);
  logfont.lfOutPrecision = static_cast<BYTE>(out_precision);
  logfont.lfClipPrecision = static_cast<BYTE>(clip_precision);
  logfont.lfQuality = static_cast<BYTE>(quality);
  logfont.lfPitchAndFamily = static_cast<BYTE>(pitch_and_family);
  logfont.lfFaceName = face != nullptr ? face : "";
  return CreateFontIndirect(&logfont);
}

HFONT GetStockFont(int index) {
  constexpr int kFirst = kOemFixedFont, kLast = kDefaultGuiFont;
  if (index < kFirst || index > kLast || index == kNoStockFont) return nullptr;
  static std::array<HFONT, kLast - kFirst + 1> stock{};
  static std::once_flag once;
  std::call_once(once, [] {
    for (int i = kFirst; i <= kLast; ++i) {
      if (i == kNoStockFont) continue;
      stock[i - kFirst] = InsertFont(StockLogfont(i));
      gdi::SetStockObject(i, reinterpret_cast<HGDIOBJ>(stock[i - kFirst]));
    }
    gdi::SetDefaultFont(stock[kSystemFont - kFirst]);
  });
  return stock[index - kFirst];
}

int EnumFontFamiliesEx(HDC, const LOGFONT* logfont, FONTENUMPROC callback, LPARAM data, DWORD) {
  if (logfont == nullptr || callback == nullptr) return 0;
  FontEngine& engine = ActiveFontEngine();
  int answer = 1;
  for (const FontFamily& family : engine.Families()) {
    if (!logfont->lfFaceName.empty() && !SameFaceIgnoringCase(logfont->lfFaceName, family.name)) continue;
    for (int charset : family.charsets) {
      if (logfont->lfCharSet != DEFAULT_CHARSET && logfont->lfCharSet != charset) continue;
      LOGFONT found;
      found.lfFaceName = CutFace(family.name);
      found.lfCharSet = static_cast<BYTE>(charset);
      FaceRequest request = text::MakeFaceRequest(found);
      const FontMetrics metrics = engine.Metrics(request);
      found.lfHeight = metrics.height;
      found.lfWidth = metrics.ave_char_width;
      found.lfWeight = FW_NORMAL;
      found.lfOutPrecision = family.is_scalable ? OUT_TT_PRECIS : OUT_DEFAULT_PRECIS;
      found.lfPitchAndFamily = family.is_fixed_pitch ? FIXED_PITCH : VARIABLE_PITCH;
      TEXTMETRIC tm = text::MakeTextMetric(metrics, found);
      tm.tmWeight = FW_NORMAL;
      tm.tmCharSet = static_cast<BYTE>(charset);
      tm.tmPitchAndFamily = static_cast<BYTE>((family.is_fixed_pitch ? 0 : TMPF_FIXED_PITCH) |
                                              (family.is_scalable ? TMPF_VECTOR | TMPF_TRUETYPE : 0));
      answer = callback(&found, &tm, family.is_scalable ? TRUETYPE_FONTTYPE : RASTER_FONTTYPE, data);
      if (answer == 0) return 0;
    }
  }
  return answer;
}

namespace {
// The stock fonts and a new DC's font exist before the first DC is made.
[[maybe_unused]] const bool kStockFontsRegistered = GetStockFont(kSystemFont) != nullptr;
}  // namespace

}  // namespace plat
