// The built-in font "PlatTest": exact metrics from the cell height h (ascent
// round(0.8 h), internal leading h / 5, cells h / 2 wide, h for wide
// characters) and glyphs made of polygons, so every size and every turn is
// reproducible to the pixel and needs no font file.
#include <algorithm>
#include <cmath>

#include "gdi/text/coverage_raster.h"
#include "plat/font_engine.h"

namespace plat {

namespace {

constexpr int kDefaultCellHeight = 16;
constexpr int kMaxCellHeight = 16384;
constexpr int kBoldWeight = 600;
constexpr double kItalicSlant = 0.25;  // pixels right per pixel above the baseline

struct BuiltinFace {
  int height;
  int ascent;
  int internal_leading;
  int narrow_width;
  int wide_width;
  int stroke;
  bool is_italic;
};

BuiltinFace ResolveFace(const FaceRequest& request) {
  int height = kDefaultCellHeight;
  if (request.height > 0) {
    height = std::min(request.height, kMaxCellHeight);
  } else if (request.height < 0) {
    // Character height em: the cell adds a quarter, so that cell - cell / 5 == em.
    const int em = request.height < -kMaxCellHeight ? kMaxCellHeight : -request.height;
    height = std::min(em + em / 4, kMaxCellHeight);
  }
  height = std::max(height, 2);
  BuiltinFace face;
  face.height = height;
  face.ascent = (8 * height + 5) / 10;
  face.internal_leading = height / 5;
  if (request.width > 0) {
    const int width = std::min(request.width, kMaxCellHeight);
    face.narrow_width = width;
    face.wide_width = 2 * width;
  } else {
    face.narrow_width = std::max(height / 2, 1);
    face.wide_width = height;
  }
  face.stroke = request.weight >= kBoldWeight ? 2 : 1;
  face.is_italic = request.is_italic;
  return face;
}

// East Asian wide and fullwidth characters take a double cell.
bool IsWide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0x33FF) ||
         (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
         (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

bool IsBlank(char32_t c) { return c <= 0x20 || c == 0x7F || c == 0xA0 || c == 0x3000; }

int CellWidth(const BuiltinFace& face, char32_t c) { return IsWide(c) ? face.wide_width : face.narrow_width; }

// Contours of one glyph in run coordinates shifted by `offset` along the baseline.
void AddGlyph(const BuiltinFace& face, char32_t c, int offset, const text::RunFrame& frame,
              std::vector<std::vector<PointF>>& contours) {
  if (IsBlank(c)) return;
  const int width = CellWidth(face, c);
  const double l = offset + 1, r = offset + width - 1;
  const double t = face.internal_leading - face.ascent, b = 0;
  const double s = face.stroke;
  const auto place = [&](std::initializer_list<PointF> points) {
    std::vector<PointF> contour;
    for (PointF p : points) {
      const double u = face.is_italic ? p.x - p.y * kItalicSlant : p.x;
      contour.push_back(frame.ToDevice(u, p.y));
    }
    contours.push_back(std::move(contour));
  };
  const auto rect = [&](double u0, double v0, double u1, double v1) {
    place({{u0, v0}, {u1, v0}, {u1, v1}, {u0, v1}});
  };
  if (r - l < 2 * s + 1 || b - t < 2 * s + 1) {
    if (r > l && b > t) rect(l, t, r, b);
    return;
  }
  rect(l, t, r, t + s);
  rect(l, b - s, r, b);
  rect(l, t + s, l + s, b - s);
  rect(r - s, t + s, r, b - s);
  const double il = l + s, ir = r - s, it = t + s, ib = b - s;
  if (ir - il >= 2 * s) {
    if (c & 1) {
      place({{il, it}, {il + s, it}, {ir, ib}, {ir - s, ib}});
    } else {
      place({{il, ib}, {il + s, ib}, {ir, it}, {ir - s, it}});
    }
  }
  if ((c >> 1) & 1) {
    const double middle = std::floor((it + ib) / 2);
    rect(il, middle, ir, middle + s);
  }
}

std::vector<std::vector<PointF>> RunContours(const FaceRequest& request, const GlyphRun& run) {
  const BuiltinFace face = ResolveFace(request);
  const text::RunFrame frame = text::MakeRunFrame(run.origin_x, run.origin_y, request.escapement);
  std::vector<std::vector<PointF>> contours;
  int offset = 0;
  for (size_t i = 0; i < run.text.size(); ++i) {
    if (i < run.offsets.size()) offset = run.offsets[i];
    AddGlyph(face, run.text[i], offset, frame, contours);
    offset += CellWidth(face, run.text[i]);
  }
  return contours;
}

const FontFamily* FindFamily(const std::vector<FontFamily>& families, std::string_view name) {
  for (const FontFamily& family : families) {
    if (family.name.size() != name.size()) continue;
    bool is_same = true;
    for (size_t i = 0; i < name.size() && is_same; ++i) {
      const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
      is_same = lower(family.name[i]) == lower(name[i]);
    }
    if (is_same) return &family;
  }
  return nullptr;
}

}  // namespace

BuiltinFontEngine::BuiltinFontEngine() : families_(DefaultFamilies()) {}

std::vector<FontFamily> BuiltinFontEngine::DefaultFamilies() {
  return {{"PlatTest", true, true, {0, 128}}, {"PlatTest Raster", false, true, {0}}};
}

void BuiltinFontEngine::SetFamilies(std::vector<FontFamily> families) { families_ = std::move(families); }

std::vector<FontFamily> BuiltinFontEngine::Families() { return families_; }

FontMetrics BuiltinFontEngine::Metrics(const FaceRequest& request) {
  const BuiltinFace face = ResolveFace(request);
  FontMetrics metrics;
  metrics.height = face.height;
  metrics.ascent = face.ascent;
  metrics.descent = face.height - face.ascent;
  metrics.internal_leading = face.internal_leading;
  metrics.external_leading = 0;
  metrics.ave_char_width = face.narrow_width;
  metrics.max_char_width = face.wide_width;
  metrics.weight = request.weight > 0 ? request.weight : 400;
  metrics.overhang = 0;
  metrics.underline_thickness = std::max(1, face.height / 16);
  metrics.underline_position = std::max(1, metrics.descent / 2);
  metrics.strikeout_position = (face.ascent - face.internal_leading) / 2;
  metrics.charset = request.charset == 1 ? 0 : request.charset;
  metrics.is_fixed_pitch = true;
  metrics.family = "PlatTest";
  if (const FontFamily* family = FindFamily(families_, request.face)) {
    metrics.family = family->name;
    metrics.is_scalable = family->is_scalable;
    metrics.is_fixed_pitch = family->is_fixed_pitch;
  }
  return metrics;
}

void BuiltinFontEngine::Advances(const FaceRequest& request, std::u32string_view text, std::span<int> out) {
  const BuiltinFace face = ResolveFace(request);
  for (size_t i = 0; i < text.size() && i < out.size(); ++i) out[i] = CellWidth(face, text[i]);
}

CoverageMask BuiltinFontEngine::Render(const FaceRequest& request, const GlyphRun& run, bool) {
  return text::RasterizeContours(RunContours(request, run), true);
}

Outline BuiltinFontEngine::GetOutline(const FaceRequest& request, const GlyphRun& run) {
  return Outline{RunContours(request, run), true};
}

}  // namespace plat
