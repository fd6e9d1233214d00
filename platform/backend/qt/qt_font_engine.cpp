// The system font engine over QtGui: faces go through our substitution table
// to fontconfig's families, characters are drawn one by one at the offsets
// our text layer laid out (Qt's own fallback picks a family for characters
// the face lacks), into an Alpha8 image that wraps the coverage mask's
// buffer. Outlines come from QPainterPath::addText.
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <tuple>

#include "backend/qt/qt_application.h"
#include "gdi/text/coverage_raster.h"
#include "plat/font_engine.h"

namespace plat {

namespace {

constexpr int kDefaultPixelSize = 12;
constexpr int kMaxPixelSize = 16384;
constexpr size_t kFontCacheSize = 256;
constexpr int kShiftJisCharset = 128;
constexpr int kSymbolCharset = 2;

QString FromCodePoints(std::u32string_view text) {
  return QString::fromUcs4(text.data(), static_cast<qsizetype>(text.size()));
}

class QtFontEngine final : public FontEngine {
 public:
  std::string_view Name() const override { return "qt"; }

  FontMetrics Metrics(const FaceRequest& request) override {
    const QFont& font = FontFor(request);
    const QFontMetrics fm(font);
    FontMetrics metrics;
    metrics.ascent = fm.ascent();
    metrics.descent = fm.descent();
    metrics.height = metrics.ascent + metrics.descent;
    metrics.internal_leading = std::max(0, metrics.height - font.pixelSize());
    metrics.external_leading = std::max(0, fm.leading());
    metrics.ave_char_width = fm.averageCharWidth();
    metrics.max_char_width = fm.maxWidth();
    metrics.weight = request.weight;
    metrics.underline_position = std::max(1, fm.underlinePos());
    metrics.underline_thickness = std::max(1, fm.lineWidth());
    metrics.strikeout_position = fm.strikeOutPos();
    metrics.charset = request.charset == 1 ? 0 : request.charset;
    const QFontInfo info(font);
    metrics.family = info.family().toStdString();
    metrics.is_fixed_pitch = info.fixedPitch();
    metrics.is_scalable = QFontDatabase::isScalable(info.family());
    return metrics;
  }

  void Advances(const FaceRequest& request, std::u32string_view text, std::span<int> out) override {
    const QFontMetrics fm(FontFor(request));
    for (size_t i = 0; i < text.size() && i < out.size(); ++i) {
      out[i] = text[i] < 0x20 ? 0 : fm.horizontalAdvance(FromCodePoints(text.substr(i, 1)));
    }
  }

  CoverageMask Render(const FaceRequest& request, const GlyphRun& run, bool is_antialiased) override {
    CoverageMask mask;
    if (run.text.empty()) return mask;
    QFont font = FontFor(request);
    font.setStyleStrategy(is_antialiased ? QFont::PreferAntialias : QFont::NoAntialias);
    const QFontMetrics fm(font);
    // The run's box in run coordinates, with room for overhangs and fallback faces.
    const int margin = std::max(2, font.pixelSize() / 2);
    int last = 0;
    for (size_t i = 0; i < run.text.size(); ++i) {
      const int offset = i < run.offsets.size() ? run.offsets[i] : last;
      last = std::max(last, offset + fm.horizontalAdvance(FromCodePoints(run.text.substr(i, 1))));
    }
    const int first = run.offsets.empty() ? 0 : *std::min_element(run.offsets.begin(), run.offsets.end());
    const text::RunFrame frame = text::MakeRunFrame(run.origin_x, run.origin_y, request.escapement);
    double min_x = INFINITY, min_y = INFINITY, max_x = -INFINITY, max_y = -INFINITY;
    for (const PointF& corner : text::RunRectangle(frame, first - margin, -fm.ascent() - margin, last + margin,
                                                   fm.descent() + margin)) {
      min_x = std::min(min_x, corner.x);
      min_y = std::min(min_y, corner.y);
      max_x = std::max(max_x, corner.x);
      max_y = std::max(max_y, corner.y);
    }
    const double left = std::floor(min_x), top = std::floor(min_y);
    const double width = std::ceil(max_x) - left, height = std::ceil(max_y) - top;
    if (!(width > 0 && height > 0) || width * height > static_cast<double>(text::kMaxMaskBytes)) return mask;
    mask.left = static_cast<int>(left);
    mask.top = static_cast<int>(top);
    mask.width = static_cast<int>(width);
    mask.height = static_cast<int>(height);
    mask.alpha.assign(static_cast<size_t>(mask.width) * mask.height, 0);
    {
      // The image draws straight into the mask's bytes.
      QImage image(mask.alpha.data(), mask.width, mask.height, mask.width, QImage::Format_Alpha8);
      QPainter painter(&image);
      painter.setRenderHint(QPainter::TextAntialiasing, is_antialiased);
      painter.setRenderHint(QPainter::Antialiasing, is_antialiased);
      painter.setPen(QColor(0, 0, 0, 255));
      painter.setFont(font);
      painter.translate(run.origin_x - left, run.origin_y - top);
      painter.rotate(-request.escapement / 10.0);  // Qt turns clockwise on a y-down device
      int offset = 0;
      for (size_t i = 0; i < run.text.size(); ++i) {
        if (i < run.offsets.size()) offset = run.offsets[i];
        if (run.text[i] > 0x20) painter.drawText(QPointF(offset, 0), FromCodePoints(run.text.substr(i, 1)));
      }
    }
    return mask;
  }

  Outline GetOutline(const FaceRequest& request, const GlyphRun& run) override {
    const QFont& font = FontFor(request);
    QPainterPath path;
    for (size_t i = 0; i < run.text.size(); ++i) {
      const int offset = i < run.offsets.size() ? run.offsets[i] : 0;
      if (run.text[i] > 0x20) path.addText(QPointF(offset, 0), font, FromCodePoints(run.text.substr(i, 1)));
    }
    QTransform transform;
    transform.translate(run.origin_x, run.origin_y);
    transform.rotate(-request.escapement / 10.0);
    Outline outline;
    outline.is_winding = path.fillRule() == Qt::WindingFill;
    for (const QPolygonF& polygon : path.toSubpathPolygons(transform)) {
      std::vector<PointF> contour;
      contour.reserve(static_cast<size_t>(polygon.size()));
      for (const QPointF& point : polygon) contour.push_back({point.x(), point.y()});
      if (contour.size() >= 3) outline.contours.push_back(std::move(contour));
    }
    return outline;
  }

  std::vector<FontFamily> Families() override {
    std::vector<FontFamily> families;
    for (const QString& name : QFontDatabase::families()) {
      if (QFontDatabase::isPrivateFamily(name)) continue;
      FontFamily family;
      family.name = name.toStdString();
      family.is_scalable = QFontDatabase::isScalable(name);
      family.is_fixed_pitch = QFontDatabase::isFixedPitch(name);
      const QList<QFontDatabase::WritingSystem> systems = QFontDatabase::writingSystems(name);
      if (systems.contains(QFontDatabase::Symbol)) family.charsets.push_back(kSymbolCharset);
      if (systems.contains(QFontDatabase::Latin) || systems.isEmpty()) family.charsets.push_back(0);
      if (systems.contains(QFontDatabase::Japanese)) family.charsets.push_back(kShiftJisCharset);
      if (family.charsets.empty()) family.charsets.push_back(0);
      families.push_back(std::move(family));
    }
    return families;
  }

 private:
  using Key = std::tuple<std::string, int, int, int, bool, bool>;

  // The QFont of a request: the face substituted, the height turned into a
  // pixel size (a cell height is scaled by the face's own cell-to-em ratio).
  const QFont& FontFor(const FaceRequest& request) {
    const Key key{request.face, request.height, request.width, request.weight, request.is_italic,
                  request.is_antialiased};
    if (const auto found = fonts_.find(key); found != fonts_.end()) return found->second;
    if (fonts_.size() >= kFontCacheSize) fonts_.clear();
    const std::string family = SubstituteFace(request.face.empty() ? std::string_view("MS Shell Dlg") : request.face);
    QFont font(QString::fromStdString(family));
    font.setWeight(static_cast<QFont::Weight>(std::clamp(request.weight, 1, 1000)));
    font.setItalic(request.is_italic);
    font.setStyleStrategy(request.is_antialiased ? QFont::PreferAntialias : QFont::NoAntialias);
    int pixel_size = kDefaultPixelSize;
    if (request.height < 0) {
      pixel_size = request.height < -kMaxPixelSize ? kMaxPixelSize : -request.height;
    } else if (request.height > 0) {
      QFont reference = font;
      reference.setPixelSize(100);
      const QFontMetricsF fm(reference);
      const double cell = fm.ascent() + fm.descent();
      pixel_size = cell > 0 ? static_cast<int>(std::lround(std::min(request.height, kMaxPixelSize) * 100.0 / cell))
                            : request.height;
    }
    font.setPixelSize(std::clamp(pixel_size, 1, kMaxPixelSize));
    if (request.width > 0) {
      const int natural = QFontMetrics(font).averageCharWidth();
      if (natural > 0) font.setStretch(std::clamp(request.width * 100 / natural, 1, 4000));
    }
    return fonts_.emplace(key, font).first->second;
  }

  std::map<Key, QFont> fonts_;
};

}  // namespace

}  // namespace plat

extern "C" __attribute__((visibility("default"))) void* plat_qt_create_font_engine(int abi_version) {
  if (abi_version != plat::kFontEngineAbiVersion) return nullptr;
  if (!plat::qt::EnsureTextApplication()) return nullptr;
  static plat::QtFontEngine* engine = new plat::QtFontEngine;
  return static_cast<plat::FontEngine*>(engine);
}
