// The file-format table: one row per "fileFormat" code, in code order.
// A format's reader and writer are entered in its row (with its header
// included below); a new format adds a row. A missing reader or writer makes
// the read or write dispatch refuse the code with 18.
#include "interchange/bmp/bmp_codec.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dispatch/codec_table.h"
#include "interchange/dispatch/read_front.h"
#include "interchange/gif/gif_file.h"
#include "interchange/gif/interlace_rows.h"
#include "interchange/jpeg_dct/jpeg_file.h"
#include "interchange/jpeg_lib/jpeg_lib_file.h"
#include "interchange/kol1/kol1_file.h"
#include "interchange/pcx/pcx_codec.h"
#include "interchange/png/png_codec.h"
#include "interchange/sgi/sgi_file.h"
#include "interchange/tiff/tiff_reader.h"
#include "interchange/tiff/tiff_writer.h"
#include "interchange/wbmp/wbmp_file.h"
#include "interchange/zoltra/zoltra_file.h"

namespace {

constexpr FileFormatRow kFileFormatRows[] = {
    {.code = kFormatGif,
     .reader = ReadGifFile,
     .writer = WriteGifFile,
     .interlace_rows = InterlaceRows,
     .deinterlace_rows = DeinterlaceRows,
     .decoded_precision = GifDecodedPrecision},
    {.code = kFormatTiff,
     .reader = ReadTiffFile,
     .writer = WriteTiffFile,
     .holds_pages = true,
     .copy_limit_bytes = kTiffFileReadInMemoryMaxBytes,
     .byte_boundary_rows = true},
    {.code = kFormatRunRaster, .reader = ReadRunRasterFile},
    {.code = kFormatZoltra, .reader = ReadZoltraFile, .holds_pages = true},
    {.code = kFormatBmp, .reader_with_format = ReadBmpFile, .writer_with_format = WriteBmpFile},
    {.code = kFormatJpeg, .reader = ReadJpegFile, .writer = WriteJpegFile},
    {.code = kFormatInvertedBytes},  // a marker for the PackBits coder: no file of its own
    {.code = kFormatPcx, .reader = ReadPcxFile, .writer = WritePcxFile},
    {.code = kFormatRunStream, .reader = ReadRunStreamFile},
    {.code = kFormatPackedBitmap, .reader_with_format = ReadBmpFile, .writer_with_format = WriteBmpFile},
    {.code = kFormatPng, .reader = ReadPngFile, .writer = WritePngFile},
    {.code = kFormatSgi, .writer = WriteSgiFile},
    {.code = kFormatPackedBitmapHeader},  // written only through the packed-bitmap export
    {.code = kFormatJpegLib, .reader = ReadJpegLibFile, .writer = WriteJpegLibFile},
    {.code = kFormatWbmp, .reader = ReadWbmpFile, .writer = WriteWbmpFile},
};

}  // namespace

std::span<const FileFormatRow> IpiFileFormatTable() { return kFileFormatRows; }
