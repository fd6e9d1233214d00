// Text on device contexts: runs placed by the DC's alignment about the
// reference point, turned by the font's escapement, drawn as coverage masks
// in the text colour inside the DC's clip (never through ROP2), with the
// background box in opaque mode and underline and strike-out drawn here. In a
// path bracket a run adds its outline to the path instead.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

#include "gdi/dc_internal.h"
#include "gdi/pixel.h"
#include "gdi/text/coverage_raster.h"
#include "gdi/text/font_object.h"
#include "gdi/text/text_format.h"
#include "plat/gdi_surface.h"
#include "plat/text.h"

namespace plat {

namespace {

using gdi::DeviceContext;

constexpr UINT kHorizontalAlignMask = TA_CENTER;  // TA_LEFT 0, TA_RIGHT 2, TA_CENTER 6
constexpr UINT kVerticalAlignMask = TA_BASELINE;  // TA_TOP 0, TA_BOTTOM 8, TA_BASELINE 24
constexpr UINT kTabStopMask = 0xFF00;             // DT_TABSTOP: the tab length in these bits
constexpr int kDefaultTabChars = 8;
constexpr int kCharWidthChunk = 4096;

// The font selected into a DC, as the engine sees it.
struct DcFont {
  LOGFONT logfont;
  FaceRequest request;
  FontMetrics metrics;
  int char_extra = 0;
};

std::optional<DcFont> FontOf(const DeviceContext& dc) {
  std::shared_ptr<text::FontObject> font;
  if (const auto& selected = dc.state.font.get(); selected && selected->Type() == OBJ_FONT) {
    font = std::static_pointer_cast<text::FontObject>(selected);
  } else {
    font = text::FindFont(text::DefaultDcFont());
  }
  if (!font) return std::nullopt;
  DcFont result;
  result.logfont = font->logfont;
  result.request = text::MakeFaceRequest(font->logfont);
  result.metrics = ActiveFontEngine().Metrics(result.request);
  result.char_extra = dc.state.text_char_extra;
  return result;
}

std::optional<std::u32string> DecodeArgument(const char* text, int bytes) {
  if (text == nullptr) return bytes == 0 ? std::optional<std::u32string>(std::u32string()) : std::nullopt;
  if (bytes == -1) return DecodeUtf8(text);
  if (bytes < 0) return std::nullopt;
  return DecodeUtf8(std::string_view(text, static_cast<size_t>(bytes)));
}

// Advances with the character extra, or the caller's widths.
std::vector<int> RunAdvances(const DcFont& font, std::u32string_view text, const INT* dx) {
  std::vector<int> advances(text.size());
  if (dx != nullptr) {
    for (size_t i = 0; i < text.size(); ++i) advances[i] = dx[i];
    return advances;
  }
  ActiveFontEngine().Advances(font.request, text, advances);
  for (int& advance : advances) advance += font.char_extra;
  return advances;
}

// Blends a mask into the DC, also cut to `limit` (surface pixels) when given.
void BlendMask(DeviceContext& dc, const CoverageMask& mask, COLORREF colour, const std::optional<RECT>& limit) {
  if (mask.empty()) return;
  int left = mask.left, top = mask.top, right = mask.left + mask.width, bottom = mask.top + mask.height;
  if (limit) {
    left = std::max(left, limit->left);
    top = std::max(top, limit->top);
    right = std::min(right, limit->right);
    bottom = std::min(bottom, limit->bottom);
  }
  if (right <= left || bottom <= top) return;
  const BYTE* start = mask.alpha.data() + static_cast<size_t>(top - mask.top) * mask.width + (left - mask.left);
  gdi::BlendCoverage(dc, left, top, start, right - left, bottom - top, static_cast<size_t>(mask.width), colour);
}

void AddOutlineToPath(DeviceContext& dc, const std::vector<std::vector<PointF>>& contours) {
  for (const auto& contour : contours) {
    gdi::PathFigure figure;
    figure.is_closed = true;
    for (const PointF& p : contour) {
      const POINT point{static_cast<LONG>(std::lround(p.x)) - dc.offset.x,
                        static_cast<LONG>(std::lround(p.y)) - dc.offset.y};
      if (figure.points.empty() || figure.points.back().x != point.x || figure.points.back().y != point.y) {
        figure.points.push_back(point);
      }
    }
    if (figure.points.size() >= 3) dc.path.push_back(std::move(figure));
  }
}

struct RunOptions {
  UINT align = TA_LEFT | TA_TOP;
  bool is_opaque_box = false;  // the cell box in the background colour
  std::optional<RECT> limit;   // surface pixels
  std::vector<size_t> underlined;  // characters underlined on their own (prefixes)
};

// Draws one run whose reference point is (x, y) in logical coordinates and
// answers its width along the baseline.
int DrawRun(DeviceContext& dc, const DcFont& font, int x, int y, std::u32string_view text,
            const std::vector<int>& advances, const RunOptions& options) {
  std::vector<int> offsets(text.size());
  int width = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    offsets[i] = width;
    width += advances[i];
  }
  const FontMetrics& m = font.metrics;
  double u0 = 0;
  if ((options.align & kHorizontalAlignMask) == TA_CENTER) {
    u0 = -(width / 2);
  } else if ((options.align & kHorizontalAlignMask) == TA_RIGHT) {
    u0 = -width;
  }
  double v0 = m.ascent;
  if ((options.align & kVerticalAlignMask) == TA_BASELINE) {
    v0 = 0;
  } else if ((options.align & kVerticalAlignMask) == TA_BOTTOM) {
    v0 = -m.descent;
  }
  const POINT reference = dc.ToSurface(x, y);
  const text::RunFrame about_reference = text::MakeRunFrame(reference.x, reference.y, font.request.escapement);
  const PointF origin = about_reference.ToDevice(u0, v0);
  const text::RunFrame frame = text::MakeRunFrame(origin.x, origin.y, font.request.escapement);
  const GlyphRun run{text, offsets, origin.x, origin.y};
  FontEngine& engine = ActiveFontEngine();
  const auto engine_advance = [&](char32_t c) { return engine.Advance(font.request, c) + font.char_extra; };

  std::vector<std::vector<PointF>> lines;  // underline and strike-out, in device pixels
  const auto add_line = [&](double from, double to, double v, int thickness) {
    lines.push_back(text::RunRectangle(frame, from, v, to, v + thickness));
  };
  if (font.logfont.lfUnderline) add_line(0, width, m.underline_position, m.underline_thickness);
  if (font.logfont.lfStrikeOut) add_line(0, width, -m.strikeout_position, m.underline_thickness);
  for (size_t k : options.underlined) {
    // A prefix mark spans the character itself, not a tab gap after it.
    if (k >= text.size()) continue;
    const int own = std::min(advances[k], engine_advance(text[k]));
    add_line(offsets[k], offsets[k] + own, m.underline_position, m.underline_thickness);
  }

  if (dc.path_state == gdi::PathState::kOpen) {
    Outline outline = engine.GetOutline(font.request, run);
    for (auto& line : lines) outline.contours.push_back(std::move(line));
    AddOutlineToPath(dc, outline.contours);
    return width;
  }
  if (dc.DropsWrites()) return width;
  if (options.is_opaque_box) {
    const CoverageMask box =
        text::RasterizeContours({text::RunRectangle(frame, 0, -m.ascent, width, m.descent)}, true);
    BlendMask(dc, box, gdi::PlainColour(dc.state.bk_colour), options.limit);
  }
  CoverageMask mask = engine.Render(font.request, run, font.request.is_antialiased);
  if (!lines.empty()) text::MergeMask(mask, text::RasterizeContours(lines, true));
  BlendMask(dc, mask, gdi::PlainColour(dc.state.text_colour), options.limit);
  return width;
}

RECT ToSurfaceRect(const DeviceContext& dc, const RECT& logical) {
  const POINT a = dc.ToSurface(logical.left, logical.top), b = dc.ToSurface(logical.right, logical.bottom);
  return RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

}  // namespace

BOOL ExtTextOut(HDC handle, int x, int y, UINT options, const RECT* rect, const char* bytes, int count,
                const INT* dx) {
  auto dc = gdi::FindDc(handle);
  if (!dc) return FALSE;
  const std::optional<std::u32string> text = DecodeArgument(bytes, count);
  if (!text) return FALSE;
  const std::optional<DcFont> font = FontOf(*dc);
  if (!font) return FALSE;
  RunOptions run;
  run.align = dc->state.text_align;
  run.is_opaque_box = dc->state.bk_mode == OPAQUE;
  if (rect != nullptr && (options & ETO_CLIPPED)) run.limit = ToSurfaceRect(*dc, *rect);
  if (rect != nullptr && (options & ETO_OPAQUE) && dc->path_state != gdi::PathState::kOpen && !dc->DropsWrites()) {
    gdi::FillSurfaceRect(*dc, ToSurfaceRect(*dc, *rect), gdi::PlainColour(dc->state.bk_colour));
  }
  const bool is_updating = (run.align & TA_UPDATECP) != 0;
  if (is_updating) {
    x = dc->state.position.x;
    y = dc->state.position.y;
  }
  const std::vector<int> advances = RunAdvances(*font, *text, dx);
  const int width = DrawRun(*dc, *font, x, y, *text, advances, run);
  if (is_updating) {
    // The current position moves along the baseline by the run's width.
    const text::RunFrame frame = text::MakeRunFrame(0, 0, font->request.escapement);
    const PointF step = frame.ToDevice((run.align & kHorizontalAlignMask) == TA_RIGHT ? -width : width, 0);
    dc->state.position.x += static_cast<LONG>(std::lround(step.x));
    dc->state.position.y += static_cast<LONG>(std::lround(step.y));
  }
  return TRUE;
}

BOOL TextOut(HDC dc, int x, int y, const char* text, int bytes) {
  return ExtTextOut(dc, x, y, 0, nullptr, text, bytes, nullptr);
}

int DrawTextEx(HDC handle, const char* bytes, int count, RECT* rect, UINT format, DRAWTEXTPARAMS* params) {
  auto dc = gdi::FindDc(handle);
  if (!dc || rect == nullptr) return 0;
  const std::optional<std::u32string> input = DecodeArgument(bytes, count);
  if (!input) return 0;
  const std::optional<DcFont> font = FontOf(*dc);
  if (!font) return 0;
  text::BlockFormat block_format;
  block_format.format = format;
  block_format.tab_chars = kDefaultTabChars;
  if (format & DT_TABSTOP) {
    block_format.tab_chars = static_cast<int>((format & kTabStopMask) >> 8);
    block_format.format &= ~kTabStopMask;
  }
  if (params != nullptr) {
    if (params->iTabLength > 0) block_format.tab_chars = params->iTabLength;
    block_format.left_margin = params->iLeftMargin;
    block_format.right_margin = params->iRightMargin;
  }
  const UINT flags = block_format.format;
  text::TextBlockFont block_font;
  block_font.advances = [&font](std::u32string_view text, std::span<int> out) {
    ActiveFontEngine().Advances(font->request, text, out);
    for (int& advance : out) advance += font->char_extra;
  };
  block_font.line_height = font->metrics.height + ((flags & DT_EXTERNALLEADING) ? font->metrics.external_leading : 0);
  block_font.ave_char_width = font->metrics.ave_char_width;
  const text::FormattedBlock block = text::FormatTextBlock(*input, *rect, block_format, block_font);
  if (params != nullptr) params->uiLengthDrawn = static_cast<UINT>(block.consumed);
  if (flags & DT_CALCRECT) {
    *rect = block.bounds;
    return block.result;
  }
  RunOptions run;
  run.is_opaque_box = dc->state.bk_mode == OPAQUE;
  if (!(flags & DT_NOCLIP)) run.limit = ToSurfaceRect(*dc, *rect);
  for (const text::FormattedLine& line : block.lines) {
    if (line.text.empty()) continue;
    std::vector<int> advances(line.text.size());
    for (size_t i = 0; i < line.text.size(); ++i) {
      advances[i] = (i + 1 < line.offsets.size() ? line.offsets[i + 1] : line.width) - line.offsets[i];
    }
    run.underlined = line.underlined;
    DrawRun(*dc, *font, line.x + line.offsets.front(), line.y, line.text, advances, run);
  }
  return block.result;
}

int DrawText(HDC dc, const char* text, int bytes, RECT* rect, UINT format) {
  return DrawTextEx(dc, text, bytes, rect, format, nullptr);
}

BOOL GetTextExtentPoint32(HDC handle, const char* bytes, int count, SIZE* size) {
  auto dc = gdi::FindDc(handle);
  if (!dc || size == nullptr) return FALSE;
  const std::optional<std::u32string> text = DecodeArgument(bytes, count);
  if (!text) return FALSE;
  const std::optional<DcFont> font = FontOf(*dc);
  if (!font) return FALSE;
  int width = 0;
  for (int advance : RunAdvances(*font, *text, nullptr)) width += advance;
  size->cx = width;
  size->cy = font->metrics.height;
  return TRUE;
}

BOOL GetTextMetrics(HDC handle, TEXTMETRIC* metrics) {
  auto dc = gdi::FindDc(handle);
  if (!dc || metrics == nullptr) return FALSE;
  const std::optional<DcFont> font = FontOf(*dc);
  if (!font) return FALSE;
  *metrics = text::MakeTextMetric(font->metrics, font->logfont);
  return TRUE;
}

BOOL GetCharWidth32(HDC handle, UINT first, UINT last, INT* buffer) {
  auto dc = gdi::FindDc(handle);
  if (!dc || buffer == nullptr || last < first || last > 0x10FFFF) return FALSE;
  const std::optional<DcFont> font = FontOf(*dc);
  if (!font) return FALSE;
  std::u32string chunk;
  std::vector<int> widths;
  for (uint64_t start = first; start <= last; start += kCharWidthChunk) {
    const uint64_t end = std::min<uint64_t>(last + uint64_t{1}, start + kCharWidthChunk);
    chunk.clear();
    for (uint64_t c = start; c < end; ++c) chunk.push_back(static_cast<char32_t>(c));
    widths.assign(chunk.size(), 0);
    ActiveFontEngine().Advances(font->request, chunk, widths);
    std::copy(widths.begin(), widths.end(), buffer + (start - first));
  }
  return TRUE;
}

std::string GetTextFace(HDC handle) {
  auto dc = gdi::FindDc(handle);
  if (!dc) return {};
  const std::optional<DcFont> font = FontOf(*dc);
  if (!font) return {};
  return font->logfont.lfFaceName.empty() ? font->metrics.family : font->logfont.lfFaceName;
}

int GetTextFace(HDC handle, int count, char* out) {
  if (!gdi::FindDc(handle)) return 0;
  const std::string face = GetTextFace(handle);
  if (out == nullptr) return static_cast<int>(face.size()) + 1;
  if (count <= 0) return 0;
  size_t length = std::min(face.size(), static_cast<size_t>(count - 1));
  while (length > 0 && length < face.size() && (static_cast<unsigned char>(face[length]) & 0xC0) == 0x80) --length;
  std::memcpy(out, face.data(), length);
  out[length] = '\0';
  return static_cast<int>(length);
}

int SetTextCharacterExtra(HDC handle, int extra) {
  auto dc = gdi::FindDc(handle);
  if (!dc) return static_cast<int>(0x80000000);
  const int previous = dc->state.text_char_extra;
  dc->state.text_char_extra = extra;
  return previous;
}

int GetTextCharacterExtra(HDC handle) {
  auto dc = gdi::FindDc(handle);
  return dc ? dc->state.text_char_extra : static_cast<int>(0x80000000);
}

}  // namespace plat
