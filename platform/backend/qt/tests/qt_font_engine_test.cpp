// The Qt engine behind the seam: substituted faces, coverage of every glyph
// of a Japanese caption at several escapements, and turned ink boxes. Glyph
// pixels are never compared; only metrics, coverage and boxes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plat/font_engine.h"

namespace plat {
namespace {

const char* const kCaption = "ｽｷｬﾅ設定値 からスキャニングします。";

FontEngine& Engine() {
  std::string error;
  FontEngine* engine = SystemFontEngine(&error);
  if (engine == nullptr) ADD_FAILURE() << "no system font engine: " << error;
  static BuiltinFontEngine fallback;
  return engine != nullptr ? *engine : fallback;
}

struct Box {
  int left = 1 << 30, top = 1 << 30, right = -(1 << 30), bottom = -(1 << 30);
  bool empty() const { return right <= left; }
};

Box InkBox(const CoverageMask& mask) {
  Box box;
  for (int y = 0; y < mask.height; ++y) {
    for (int x = 0; x < mask.width; ++x) {
      if (mask.alpha[static_cast<size_t>(y) * mask.width + x] == 0) continue;
      box.left = std::min(box.left, mask.left + x);
      box.top = std::min(box.top, mask.top + y);
      box.right = std::max(box.right, mask.left + x + 1);
      box.bottom = std::max(box.bottom, mask.top + y + 1);
    }
  }
  return box;
}

std::vector<int> Offsets(FontEngine& engine, const FaceRequest& request, std::u32string_view text) {
  std::vector<int> advances(text.size()), offsets(text.size());
  engine.Advances(request, text, advances);
  for (size_t i = 1; i < text.size(); ++i) offsets[i] = offsets[i - 1] + advances[i - 1];
  return offsets;
}

TEST(QtFontEngine, SubstitutedFacesResolveToDebianFamilies) {
  FontEngine& engine = Engine();
  EXPECT_EQ(engine.Name(), "qt");
  const struct {
    const char* face;
    const char* family;
  } cases[] = {
      {"ＭＳ Ｐゴシック", "IPAPGothic"},
      {"MS UI Gothic", "IPAPGothic"},
      {"ＭＳ ゴシック", "IPAGothic"},
      {"Arial", "DejaVu Sans"},
      {"Courier New", "DejaVu Sans Mono"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.face);
    FaceRequest request;
    request.face = c.face;
    request.height = -16;
    const FontMetrics metrics = engine.Metrics(request);
    EXPECT_EQ(metrics.family, c.family);
    EXPECT_TRUE(metrics.is_scalable);
    EXPECT_GT(metrics.ascent, 0);
    EXPECT_EQ(metrics.height, metrics.ascent + metrics.descent);
  }
}

TEST(QtFontEngine, EveryGlyphOfTheCaptionHasCoverageAtEachAngle) {
  FontEngine& engine = Engine();
  const std::u32string text = DecodeUtf8(kCaption);
  for (int escapement : {0, 300, 900}) {
    SCOPED_TRACE(escapement);
    FaceRequest request;
    request.face = "ＭＳ Ｐゴシック";
    request.height = -16;
    request.escapement = escapement;
    const std::vector<int> offsets = Offsets(engine, request, text);
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == U' ') continue;
      SCOPED_TRACE(i);
      const int offset[] = {offsets[i]};
      const CoverageMask glyph = engine.Render(request, GlyphRun{text.substr(i, 1), offset, 200.5, 300}, true);
      EXPECT_FALSE(InkBox(glyph).empty());
    }
  }
}

TEST(QtFontEngine, QuarterTurnTurnsTheInkBoxAboutTheOrigin) {
  FontEngine& engine = Engine();
  const std::u32string text = DecodeUtf8(kCaption);
  FaceRequest request;
  request.face = "ＭＳ Ｐゴシック";
  request.height = -16;
  const std::vector<int> offsets = Offsets(engine, request, text);
  const Box upright = InkBox(engine.Render(request, GlyphRun{text, offsets, 50, 400}, true));
  request.escapement = 900;
  const Box turned = InkBox(engine.Render(request, GlyphRun{text, offsets, 50, 400}, true));
  // (x, y) about (50, 400) by a quarter turn counter-clockwise: (50 + (y - 400), 400 - (x - 50)).
  EXPECT_NEAR(turned.left, 50 + (upright.top - 400), 1);
  EXPECT_NEAR(turned.right, 50 + (upright.bottom - 400), 1);
  EXPECT_NEAR(turned.top, 400 - (upright.right - 50), 1);
  EXPECT_NEAR(turned.bottom, 400 - (upright.left - 50), 1);
}

TEST(QtFontEngine, MonoMasksHoldNoGreys) {
  FontEngine& engine = Engine();
  FaceRequest request;
  request.face = "Arial";
  request.height = -14;
  request.is_antialiased = false;
  const std::u32string text = U"Scan";
  const std::vector<int> offsets = Offsets(engine, request, text);
  const CoverageMask mask = engine.Render(request, GlyphRun{text, offsets, 3, 20}, false);
  ASSERT_FALSE(InkBox(mask).empty());
  for (uint8_t a : mask.alpha) EXPECT_TRUE(a == 0 || a == 255);
}

TEST(QtFontEngine, OutlinesAndFamiliesCome) {
  FontEngine& engine = Engine();
  FaceRequest request;
  request.face = "ＭＳ Ｐゴシック";
  request.height = -24;
  const std::u32string text = U"設定";
  const std::vector<int> offsets = Offsets(engine, request, text);
  const Outline outline = engine.GetOutline(request, GlyphRun{text, offsets, 10, 40});
  EXPECT_GT(outline.contours.size(), 4u);
  bool has_ipa = false, has_dejavu = false;
  for (const FontFamily& family : engine.Families()) {
    has_ipa |= family.name == "IPAPGothic";
    has_dejavu |= family.name == "DejaVu Sans";
  }
  EXPECT_TRUE(has_ipa);
  EXPECT_TRUE(has_dejavu);
}

}  // namespace
}  // namespace plat
