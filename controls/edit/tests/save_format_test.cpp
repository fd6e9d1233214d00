// The table of save format, compression and depth combinations.
#include "save_format.h"

#include <gtest/gtest.h>

#include "edit_constants.h"

namespace ondavel {
namespace {

using namespace plat;

struct Case {
  int16_t format;
  int16_t compression;
  int16_t depth;
  bool allowed;
};

TEST(CheckSaveFormat, FormatCompressionAndDepthGoTogether) {
  constexpr int16_t kAnyDepth[] = {qrvColorDefault, qrvColorBitmap, qrvColor16, qrvColor256, qrvColorGrayscale,
                                   qrvColorRGB};
  std::vector<Case> cases;
  for (const int16_t d : kAnyDepth) {
    const auto in = [d](std::initializer_list<int16_t> set) {
      for (int16_t s : set) {
        if (s == d) return true;
      }
      return false;
    };
    // BMP: uncompressed at any depth, run-length for 4 and 8 bits only.
    cases.push_back({qrvFileBMP, qrvCompNone, d, true});
    cases.push_back({qrvFileBMP, qrvCompRLE, d, in({qrvColorDefault, qrvColor16, qrvColor256, qrvColorGrayscale})});
    cases.push_back({qrvFileBMP, qrvCompPackbits, d, false});
    cases.push_back({qrvFileBMP, qrvCompMH, d, false});
    // TIFF: uncompressed and PackBits at any depth, the fax codings bilevel only.
    cases.push_back({qrvFileTIFF, qrvCompNone, d, true});
    cases.push_back({qrvFileTIFF, qrvCompPackbits, d, true});
    for (const int16_t fax : {qrvCompHuffman, qrvCompMH, qrvCompMR, qrvCompMMR}) {
      cases.push_back({qrvFileTIFF, fax, d, in({qrvColorDefault, qrvColorBitmap})});
    }
    cases.push_back({qrvFileTIFF, qrvCompRLE, d, false});
    // The others by depth alone, whatever the compression.
    for (const int16_t c : {qrvCompNone, qrvCompRLE, qrvCompMMR}) {
      cases.push_back({qrvFileJPEG, c, d, in({qrvColorDefault, qrvColorGrayscale, qrvColorRGB})});
      cases.push_back({qrvFilePCX, c, d, in({qrvColorDefault, qrvColorBitmap, qrvColor256, qrvColorGrayscale,
                                             qrvColorRGB})});
      cases.push_back({qrvFilePNG, c, d, true});
    }
  }
  // No image (depth -1) fits only the rows that take any depth.
  cases.push_back({qrvFileBMP, qrvCompNone, -1, true});
  cases.push_back({qrvFileBMP, qrvCompRLE, -1, false});
  cases.push_back({qrvFileJPEG, qrvCompNone, -1, false});
  cases.push_back({qrvFilePNG, qrvCompNone, -1, false});
  // Formats without a rule are left to the library.
  cases.push_back({105, qrvCompNone, qrvColorRGB, true});
  cases.push_back({qrvFileZoltra, 999, -1, true});
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "format " << c.format << " compression " << c.compression << " depth "
                                    << c.depth);
    EXPECT_EQ(CheckSaveFormat(c.format, c.compression, c.depth), c.allowed ? 0 : qrvErrInvalidSaveFormat);
  }
}

}  // namespace
}  // namespace ondavel
