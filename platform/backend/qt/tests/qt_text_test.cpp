// The Japanese caption through the Qt engine on a device context: the face
// asked for is what GetTextFace answers while the engine draws IPAPGothic;
// every glyph inks pixels, nothing lands outside the clip, and a quarter turn
// turns the ink box about the reference point. The picture is kept as a PNG.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "gdi/tests/gdi_fixture.h"
#include "plat/font_engine.h"
#include "plat/text.h"

namespace plat {
namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
const char* const kCaption = "ｽｷｬﾅ設定値 からスキャニングします。";
const char* const kFace = "ＭＳ Ｐゴシック";
constexpr int kWidth = 420, kHeight = 400;

RECT InkBox(HDC dc, const RECT& area) {
  RECT box{1 << 20, 1 << 20, -(1 << 20), -(1 << 20)};
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      if (GetPixel(dc, x, y) == kWhite) continue;
      box.left = std::min<LONG>(box.left, x);
      box.top = std::min<LONG>(box.top, y);
      box.right = std::max<LONG>(box.right, x + 1);
      box.bottom = std::max<LONG>(box.bottom, y + 1);
    }
  }
  return box;
}

// Keeps the picture for CI: a PPM turned into PNG by ImageMagick.
void KeepPicture(HDC dc, const std::string& name) {
  const char* folder = std::getenv("PLAT_ARTIFACT_DIR");
  if (folder == nullptr) return;
  const std::string ppm = std::string(folder) + "/" + name + ".ppm";
  {
    std::ofstream out(ppm, std::ios::binary);
    out << "P6\n" << kWidth << " " << kHeight << "\n255\n";
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        const COLORREF c = GetPixel(dc, x, y);
        const char rgb[3] = {static_cast<char>(GetRValue(c)), static_cast<char>(GetGValue(c)),
                             static_cast<char>(GetBValue(c))};
        out.write(rgb, 3);
      }
    }
  }
  const std::string command = "convert-im6.q16 '" + ppm + "' '" + folder + "/" + name + ".png'";
  EXPECT_EQ(std::system(command.c_str()), 0);
  std::remove(ppm.c_str());
}

class QtTextTest : public gdi::test::GdiTest {
 protected:
  void SetUp() override {
    std::string error;
    engine_ = SystemFontEngine(&error);
    ASSERT_NE(engine_, nullptr) << error;
    SetFontEngine(engine_);
  }
  void TearDown() override {
    SetFontEngine(nullptr);
    GdiTest::TearDown();
  }
  FontEngine* engine_ = nullptr;
};

TEST_F(QtTextTest, CaptionAtZeroAndNinetyDegrees) {
  gdi::test::Canvas canvas(kWidth, kHeight);
  SetBkMode(canvas.dc, TRANSPARENT);
  const RECT clip_box{20, 10, 400, 390};
  const HRGN clip = CreateRectRgnIndirect(&clip_box);
  const std::u32string text = DecodeUtf8(kCaption);
  RECT boxes[2] = {};
  const POINT references[2] = {{30, 30}, {30, 380}};
  for (int turn = 0; turn < 2; ++turn) {
    SCOPED_TRACE(turn * 90);
    const HFONT font = CreateFont(-16, 0, turn * 900, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0, kFace);
    const HGDIOBJ old = SelectObject(canvas.dc, reinterpret_cast<HGDIOBJ>(font));
    EXPECT_EQ(GetTextFace(canvas.dc), kFace);
    LOGFONT logfont;
    ASSERT_NE(GetObject(font, sizeof logfont, &logfont), 0);
    FaceRequest request;
    request.face = logfont.lfFaceName;
    request.height = logfont.lfHeight;
    EXPECT_EQ(engine_->Metrics(request).family, "IPAPGothic");

    SelectClipRgn(canvas.dc, clip);
    ASSERT_TRUE(TextOut(canvas.dc, references[turn].x, references[turn].y, kCaption, -1));
    SelectClipRgn(canvas.dc, nullptr);

    // Every glyph inks pixels within its own cell along the baseline.
    std::vector<int> advances(text.size());
    engine_->Advances(request, text, advances);
    TEXTMETRIC tm;
    ASSERT_TRUE(GetTextMetrics(canvas.dc, &tm));
    int offset = 0;
    for (size_t i = 0; i < text.size(); ++i) {
      SCOPED_TRACE(i);
      const POINT r = references[turn];
      const RECT cell = turn == 0 ? RECT{r.x + offset, r.y, r.x + offset + advances[i], r.y + tm.tmHeight}
                                  : RECT{r.x, r.y - offset - advances[i], r.x + tm.tmHeight, r.y - offset};
      offset += advances[i];
      if (text[i] == U' ') continue;
      EXPECT_LT(InkBox(canvas.dc, cell).left, 1 << 20);
    }
    boxes[turn] = InkBox(canvas.dc, turn == 0 ? RECT{0, 0, kWidth, 100} : RECT{0, 100, kWidth, kHeight});
    SelectObject(canvas.dc, old);
    EXPECT_TRUE(DeleteObject(font));
  }
  DeleteObject(clip);

  // Nothing outside the clip.
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      if (x >= clip_box.left && x < clip_box.right && y >= clip_box.top && y < clip_box.bottom) continue;
      ASSERT_EQ(GetPixel(canvas.dc, x, y), kWhite) << x << "," << y;
    }
  }
  // The quarter turn about each run's own reference point.
  const RECT& up = boxes[0];
  const POINT a = references[0], b = references[1];
  const RECT expected{b.x + (up.top - a.y), b.y - (up.right - a.x), b.x + (up.bottom - a.y), b.y - (up.left - a.x)};
  EXPECT_NEAR(boxes[1].left, expected.left, 1);
  EXPECT_NEAR(boxes[1].top, expected.top, 1);
  EXPECT_NEAR(boxes[1].right, expected.right, 1);
  EXPECT_NEAR(boxes[1].bottom, expected.bottom, 1);
  KeepPicture(canvas.dc, "caption_0_and_90");
}

}  // namespace
}  // namespace plat
