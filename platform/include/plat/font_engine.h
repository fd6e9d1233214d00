// The seam between text drawing and whatever makes glyphs: an engine measures
// a face, lays characters along a baseline and answers coverage masks and
// outlines in device pixels. The built-in engine ("PlatTest") has exact,
// dependency-free metrics; the system engine lives in libplat_qt.so.
#ifndef PLAT_FONT_ENGINE_H_
#define PLAT_FONT_ENGINE_H_

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

// What a font object asks of an engine (its logical font, less what the
// text layer draws itself: underline and strike-out).
struct FaceRequest {
  std::string face;      // as asked; empty: the engine's default face
  int height = 0;        // > 0 cell height, < 0 character height, 0 default
  int width = 0;         // average character width; 0: the face's own
  int escapement = 0;    // tenths of a degree, counter-clockwise
  int weight = 400;
  bool is_italic = false;
  int charset = 1;       // DEFAULT_CHARSET
  int pitch_and_family = 0;
  bool is_antialiased = true;  // false: a mono mask was asked for
};

// Metrics of a face in device pixels, unrotated.
struct FontMetrics {
  int height = 0;  // ascent + descent
  int ascent = 0;
  int descent = 0;
  int internal_leading = 0;
  int external_leading = 0;
  int ave_char_width = 0;
  int max_char_width = 0;
  int weight = 400;
  int overhang = 0;
  int underline_position = 1;   // top of the underline, pixels below the baseline
  int underline_thickness = 1;
  int strikeout_position = 0;   // top of the strike-out, pixels above the baseline
  int charset = 0;
  bool is_scalable = true;
  bool is_fixed_pitch = false;
  std::string family;           // the family the engine draws with
};

// Characters placed along one baseline: character i starts at offsets[i]
// pixels from the run's origin (unrotated); the origin is the device point
// of the baseline's start. The run is turned by the request's escapement
// about that origin.
struct GlyphRun {
  std::u32string_view text;
  std::span<const int> offsets;
  double origin_x = 0;
  double origin_y = 0;
};

// Coverage of a run in device pixels: alpha[row * width + column] covers the
// pixel (left + column, top + row); 0 is none, 255 full.
struct CoverageMask {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  std::vector<uint8_t> alpha;
  bool empty() const { return width <= 0 || height <= 0; }
};

struct PointF {
  double x = 0;
  double y = 0;
};

// Closed contours in device coordinates, flattened to polygons; filled with
// the winding rule they carry.
struct Outline {
  std::vector<std::vector<PointF>> contours;
  bool is_winding = true;
};

struct FontFamily {
  std::string name;
  bool is_scalable = true;
  bool is_fixed_pitch = false;
  std::vector<int> charsets;  // one enumeration entry each
};

class FontEngine {
 public:
  virtual ~FontEngine();
  virtual std::string_view Name() const = 0;
  virtual FontMetrics Metrics(const FaceRequest& face) = 0;
  // Advance widths in pixels, one per character of `text` (out.size() == text.size()).
  virtual void Advances(const FaceRequest& face, std::u32string_view text, std::span<int> out) = 0;
  // The run's coverage; an empty mask when nothing is inked or the run is too large.
  virtual CoverageMask Render(const FaceRequest& face, const GlyphRun& run, bool is_antialiased) = 0;
  virtual Outline GetOutline(const FaceRequest& face, const GlyphRun& run) = 0;
  virtual std::vector<FontFamily> Families() = 0;

  int Advance(const FaceRequest& face, char32_t character);
};

// The built-in deterministic engine: every face maps to "PlatTest" (scalable)
// unless the face names a family of its list that is not scalable, such as
// "PlatTest Raster". Glyphs are mono: a box outline with a diagonal that
// depends on the character, rasterised by pixel centres so that turns by
// quarter circles are exact.
class BuiltinFontEngine final : public FontEngine {
 public:
  BuiltinFontEngine();
  std::string_view Name() const override { return "builtin"; }
  FontMetrics Metrics(const FaceRequest& face) override;
  void Advances(const FaceRequest& face, std::u32string_view text, std::span<int> out) override;
  CoverageMask Render(const FaceRequest& face, const GlyphRun& run, bool is_antialiased) override;
  Outline GetOutline(const FaceRequest& face, const GlyphRun& run) override;
  std::vector<FontFamily> Families() override;

  // The family list the engine reports (tests replace it); the default holds
  // "PlatTest" and "PlatTest Raster".
  void SetFamilies(std::vector<FontFamily> families);
  static std::vector<FontFamily> DefaultFamilies();

 private:
  std::vector<FontFamily> families_;
};

// The engine all text goes through. Until one is set it is chosen by
// PLAT_FONTS: "builtin", "system" (the Qt engine; the built-in one when
// libplat_qt.so cannot be loaded) or "auto" (the default: built-in unless a
// display backend asked for system fonts).
FontEngine& ActiveFontEngine();
// Replaces the active engine (not owned; it must outlive its use). Null goes
// back to the built-in engine.
void SetFontEngine(FontEngine* engine);
// The process's built-in engine.
BuiltinFontEngine& BuiltinFonts();
// The Qt engine of libplat_qt.so, created once; null (with `error` set) when
// the library or its entry point cannot be loaded.
FontEngine* SystemFontEngine(std::string* error = nullptr);
// Called by a display backend that draws through Qt: under PLAT_FONTS=auto
// (or unset) text then uses the system engine.
void UseSystemFontsWhenAuto();

// The face-substitution table applied by the system engine: a face asked for
// by name is drawn with the family it maps to. Keys compare ignoring ASCII
// case. Adding a key again replaces its family; an empty family removes it.
void AddFaceSubstitution(std::string_view face, std::string_view family);
// The family for `face`, or `face` itself when the table has no row.
std::string SubstituteFace(std::string_view face);

// UTF-8 to code points; a malformed sequence gives U+FFFD per bad byte.
std::u32string DecodeUtf8(std::string_view bytes);
std::string EncodeUtf8(std::u32string_view text);

// The version the Qt module checks against its own, so a stale library is refused.
constexpr int kFontEngineAbiVersion = 1;

}  // namespace plat

#endif  // PLAT_FONT_ENGINE_H_
