// The clipboard keeps only checked copies and owns what it is given.
#include <gtest/gtest.h>

#include <cstring>

#include "plat/clipboard.h"
#include "plat/gdi.h"
#include "plat/last_error.h"
#include "plat/packed_dib.h"
#include "plat/testing.h"

namespace plat::test {
namespace {

using ClipboardTest = GuiTest;

// A 2x2 8-bit DIB with `palette_entries` colours and biClrUsed as given.
HGLOBAL MakeDib(DWORD clr_used, int palette_entries) {
  const size_t bytes = sizeof(BITMAPINFOHEADER) + static_cast<size_t>(palette_entries) * 4 + 8;
  HGLOBAL block = GlobalAlloc(GHND, bytes);
  auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(block));
  header->biSize = sizeof(BITMAPINFOHEADER);
  header->biWidth = 2;
  header->biHeight = 2;
  header->biPlanes = 1;
  header->biBitCount = 8;
  header->biCompression = BI_RGB;
  header->biClrUsed = clr_used;
  GlobalUnlock(block);
  return block;
}

HGLOBAL TextBlock(const char* text) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, std::strlen(text) + 1);
  std::memcpy(GlobalLock(block), text, std::strlen(text) + 1);
  GlobalUnlock(block);
  return block;
}

TEST_F(ClipboardTest, DibsPassTheGateAndTheClipboardOwnsTheBlock) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  ASSERT_TRUE(EmptyClipboard());
  struct Case {
    const char* name;
    DWORD clr_used;
    int palette_entries;
    bool is_accepted;
  };
  const Case cases[] = {
      {"palette beyond the block", 4, 2, false},
      {"more colours than 8 bits hold", 257, 257, false},
      {"two colours", 2, 2, true},
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.name);
    HGLOBAL block = MakeDib(test_case.clr_used, test_case.palette_entries);
    const HGLOBAL stored = SetClipboardData(CF_DIB, block);
    EXPECT_EQ(stored != 0, test_case.is_accepted);
    if (test_case.is_accepted) {
      // The clipboard's now: freeing it fails and frees nothing.
      EXPECT_EQ(GlobalFree(block), block);
      EXPECT_EQ(GlobalSize(block), 0u);
    } else {
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
      EXPECT_EQ(GlobalFree(block), 0u);  // a refused block stays the caller's
    }
  }
  ASSERT_TRUE(CloseClipboard());
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_DIB));
  ASSERT_TRUE(OpenClipboard(nullptr));
  const HGLOBAL read = GetClipboardData(CF_DIB);
  ASSERT_NE(read, 0u);
  EXPECT_TRUE(ValidatePackedDib(read).has_value());
  EXPECT_EQ(GlobalSize(read), sizeof(BITMAPINFOHEADER) + 2 * 4 + 8);
  EmptyClipboard();
  CloseClipboard();
  EXPECT_EQ(GetJournal(), (std::vector<JournalEntry>{{"clipboard", "publish 8"}, {"clipboard", "publish "}}));
}

TEST_F(ClipboardTest, TextRoundTripsAsUtf8) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  EXPECT_EQ(SetClipboardData(CF_TEXT, HGLOBAL{0}), 0u);
  ASSERT_NE(SetClipboardData(CF_TEXT, TextBlock("画像 ok")), 0u);
  CloseClipboard();
  ASSERT_TRUE(OpenClipboard(nullptr));
  const HGLOBAL text = GetClipboardData(CF_TEXT);
  ASSERT_NE(text, 0u);
  EXPECT_STREQ(static_cast<const char*>(GlobalLock(text)), "画像 ok");
  GlobalUnlock(text);
  // A block freed by a reader by mistake is made again from the stored copy.
  GlobalFree(text);
  const HGLOBAL again = GetClipboardData(CF_TEXT);
  EXPECT_STREQ(static_cast<const char*>(GlobalLock(again)), "画像 ok");
  GlobalUnlock(again);
  EXPECT_EQ(SetClipboardData(CF_TEXT, TextBlock("x")) != 0, true);
  EmptyClipboard();
  CloseClipboard();
  EXPECT_EQ(GetClipboardData(CF_TEXT), 0u);  // not open
}

TEST_F(ClipboardTest, BitmapsAreStoredAsDibsAndForeignDibsAreChecked) {
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 3, 2);
  ReleaseDC(nullptr, screen);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  ASSERT_NE(SetClipboardData(CF_BITMAP, bitmap), nullptr);
  CloseClipboard();
  ASSERT_TRUE(OpenClipboard(nullptr));
  const HGLOBAL dib = GetClipboardData(CF_DIB);
  const auto view = ValidatePackedDib(dib);
  ASSERT_TRUE(view.has_value());
  EXPECT_EQ(view->width, 3);
  EXPECT_EQ(view->bpp, 24);
  CloseClipboard();

  // Another program offers a damaged image: it is not handed out.
  std::vector<uint8_t> damaged(sizeof(BITMAPINFOHEADER), 0);
  damaged[0] = 40;
  Headless().OfferForeignClipboard({backend::ClipboardItem{CF_DIB, "", damaged}});
  Pump();
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_EQ(GetClipboardData(CF_DIB), 0u);
  EmptyClipboard();
  CloseClipboard();
}

}  // namespace
}  // namespace plat::test
