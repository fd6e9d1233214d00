// The bilevel page the fax and TIFF benchmarks share: an A4 page of
// text-like content, rows packed most significant bit first with 1 = black,
// and the TIFF fields libtiff writes it with.
#ifndef PELRITH_BENCH_TEXT_PAGE_H_
#define PELRITH_BENCH_TEXT_PAGE_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include <tiffio.h>

struct TextPage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> bits;  // rows of width / 8 bytes, 1 = black
};

// An A4 page of text: 1-inch margins, lines of words whose letters are
// 5 x 7 cell patterns scaled to 10-point type, drawn with strokes of the
// cell's size. Deterministic.
inline TextPage MakeTextPage(int dpi) {
  TextPage page;
  page.width = dpi * 827 / 100 / 8 * 8;  // 8.27 in, whole bytes
  page.height = dpi * 1169 / 100;        // 11.69 in
  const size_t row_bytes = static_cast<size_t>(page.width) / 8;
  page.bits.assign(row_bytes * static_cast<size_t>(page.height), 0);
  const int cell = std::max(1, dpi / 50);  // one pattern cell; letters 5 x 7 cells
  const int letter_width = 6 * cell;
  const int line_pitch = 12 * cell;
  uint32_t state = 12345;
  auto next = [&state] {
    state = state * 1103515245u + 12345u;
    return state >> 16;
  };
  for (int top = dpi; top + 7 * cell < page.height - dpi; top += line_pitch) {
    int x = dpi;
    while (x + letter_width < page.width - dpi) {
      const int word = 2 + static_cast<int>(next() % 8);
      for (int l = 0; l < word && x + letter_width < page.width - dpi; ++l, x += letter_width) {
        const uint32_t glyph = next() * 2654435761u ^ next();
        for (int gy = 0; gy < 7; ++gy) {
          for (int gx = 0; gx < 5; ++gx) {
            if (((glyph >> ((gy * 5 + gx) % 31)) & 1) == 0) continue;
            for (int py = 0; py < cell; ++py) {
              uint8_t* row = page.bits.data() + static_cast<size_t>(top + gy * cell + py) * row_bytes;
              for (int px = 0; px < cell; ++px) {
                const int at = x + gx * cell + px;
                row[at / 8] = static_cast<uint8_t>(row[at / 8] | (0x80 >> (at % 8)));
              }
            }
          }
        }
      }
      x += letter_width;  // the space between words
    }
  }
  return page;
}

// The fields of the page as one strip at `dpi`, zero white (so that the
// stored bits are the page's); the caller sets the compression.
inline void SetTextPageFields(TIFF* tif, const TextPage& page, int dpi) {
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, page.width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, page.height);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, page.height);
  TIFFSetField(tif, TIFFTAG_XRESOLUTION, static_cast<float>(dpi));
  TIFFSetField(tif, TIFFTAG_YRESOLUTION, static_cast<float>(dpi));
  TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
}

#endif  // PELRITH_BENCH_TEXT_PAGE_H_
