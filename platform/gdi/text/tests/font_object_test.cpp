// Font objects and the family enumeration of the built-in engine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plat/font.h"
#include "plat/font_engine.h"

namespace plat {
namespace {

TEST(FontObject, LogfontRoundTripsAndFaceIsCut) {
  LOGFONT in;
  in.lfHeight = -13;
  in.lfEscapement = 900;
  in.lfWeight = FW_BOLD;
  in.lfItalic = 1;
  in.lfCharSet = SHIFTJIS_CHARSET;
  in.lfQuality = NONANTIALIASED_QUALITY;
  in.lfFaceName = "ＭＳ Ｐゴシック";
  const HFONT font = CreateFontIndirect(&in);
  ASSERT_NE(font, nullptr);
  LOGFONT out;
  EXPECT_EQ(GetObject(font, sizeof(LOGFONT), nullptr), static_cast<int>(sizeof(LOGFONT)));
  EXPECT_EQ(GetObject(font, sizeof(LOGFONT) - 1, &out), 0);
  ASSERT_EQ(GetObject(font, sizeof(LOGFONT), &out), static_cast<int>(sizeof(LOGFONT)));
  EXPECT_EQ(out.lfHeight, -13);
  EXPECT_EQ(out.lfEscapement, 900);
  EXPECT_EQ(out.lfWeight, FW_BOLD);
  EXPECT_EQ(out.lfCharSet, SHIFTJIS_CHARSET);
  EXPECT_EQ(out.lfFaceName, "ＭＳ Ｐゴシック");
  EXPECT_TRUE(DeleteObject(font));
  EXPECT_FALSE(DeleteObject(font));
  EXPECT_EQ(GetObject(font, sizeof(LOGFONT), &out), 0);

  // 31 characters are kept, whole: 40 three-byte characters become 31.
  std::string long_face;
  for (int i = 0; i < 40; ++i) long_face += "設";
  const HFONT cut = CreateFont(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, long_face.c_str());
  ASSERT_EQ(GetObject(cut, sizeof(LOGFONT), &out), static_cast<int>(sizeof(LOGFONT)));
  EXPECT_EQ(out.lfFaceName, long_face.substr(0, 31 * 3));
  EXPECT_TRUE(DeleteObject(cut));
  EXPECT_EQ(CreateFontIndirect(nullptr), nullptr);
}

TEST(FontObject, StockFontsSurviveDeletion) {
  const HFONT gui = GetStockFont(17);
  ASSERT_NE(gui, nullptr);
  EXPECT_EQ(GetStockFont(17), gui);
  EXPECT_TRUE(DeleteObject(gui));
  LOGFONT out;
  EXPECT_EQ(GetObject(gui, sizeof(LOGFONT), &out), static_cast<int>(sizeof(LOGFONT)));
  EXPECT_EQ(GetStockFont(15), nullptr);
}

struct Entry {
  std::string face;
  int charset;
  DWORD type;
  bool is_truetype_pitch;
  bool operator==(const Entry&) const = default;
};

int Collect(const LOGFONT* logfont, const TEXTMETRIC* metrics, DWORD type, LPARAM data) {
  auto* entries = reinterpret_cast<std::vector<Entry>*>(data);
  entries->push_back({logfont->lfFaceName, logfont->lfCharSet, type, (metrics->tmPitchAndFamily & TMPF_TRUETYPE) != 0});
  return entries->size() < 100 ? 1 : 0;
}

TEST(FontObject, EnumerationFiltersByCharsetAndFace) {
  SetFontEngine(&BuiltinFonts());
  struct Case {
    const char* face;
    BYTE charset;
    std::vector<Entry> expected;
  };
  const Case cases[] = {
      {"", DEFAULT_CHARSET,
       {{"PlatTest", 0, TRUETYPE_FONTTYPE, true},
        {"PlatTest", 128, TRUETYPE_FONTTYPE, true},
        {"PlatTest Raster", 0, RASTER_FONTTYPE, false}}},
      {"", SHIFTJIS_CHARSET, {{"PlatTest", 128, TRUETYPE_FONTTYPE, true}}},
      {"plattest raster", DEFAULT_CHARSET, {{"PlatTest Raster", 0, RASTER_FONTTYPE, false}}},
      {"Missing", DEFAULT_CHARSET, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.face);
    LOGFONT asked;
    asked.lfFaceName = c.face;
    asked.lfCharSet = c.charset;
    std::vector<Entry> entries;
    EXPECT_EQ(EnumFontFamiliesEx(nullptr, &asked, Collect, reinterpret_cast<LPARAM>(&entries), 0), 1);
    EXPECT_EQ(entries, c.expected);
  }
}

TEST(FontObject, EnumerationStopsAtZeroAndFollowsTheFamilyList) {
  SetFontEngine(&BuiltinFonts());
  std::vector<FontFamily> families;
  for (int i = 0; i < 150; ++i) families.push_back({"Face " + std::to_string(i), true, false, {0}});
  BuiltinFonts().SetFamilies(families);
  std::vector<Entry> entries;
  LOGFONT asked;
  EXPECT_EQ(EnumFontFamiliesEx(nullptr, &asked, Collect, reinterpret_cast<LPARAM>(&entries), 0), 0);
  EXPECT_EQ(entries.size(), 100u);
  BuiltinFonts().SetFamilies(BuiltinFontEngine::DefaultFamilies());
}

}  // namespace
}  // namespace plat
