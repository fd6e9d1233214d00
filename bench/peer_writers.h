// libjpeg-turbo and libpng writing interleaved red, green, blue rows (top
// row first) to an open file, as the benchmarks' peers write a colour page.
// The PNG settings are those of the library's writer: zlib level 6, window
// 15, memory level 8, the filtered strategy, all five filters chosen per row,
// 8192-byte chunks.
#ifndef PELRITH_BENCH_PEER_WRITERS_H_
#define PELRITH_BENCH_PEER_WRITERS_H_

#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>

// Quality `quality`, 2 x 2 chroma sampling, libjpeg's defaults otherwise.
inline bool WriteJpegRowsWithPeer(FILE* file, const uint8_t* rgb, int width, int height, int quality) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(rgb + static_cast<size_t>(cinfo.next_scanline) * width * 3);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

// The library writer's filter and compression settings on a libpng writer.
inline void SetOurPngSettings(png_structp png) {
  png_set_filter(png, 0, PNG_ALL_FILTERS);
  png_set_compression_level(png, 6);
  png_set_compression_strategy(png, Z_FILTERED);
  png_set_compression_mem_level(png, 8);
  png_set_compression_window_bits(png, 15);
  png_set_compression_buffer_size(png, 8192);
}

inline bool WritePngRowsWithPeer(FILE* file, const uint8_t* rgb, int width, int height) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  SetOurPngSettings(png);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) png_write_row(png, rgb + static_cast<size_t>(y) * width * 3);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

#endif  // PELRITH_BENCH_PEER_WRITERS_H_
