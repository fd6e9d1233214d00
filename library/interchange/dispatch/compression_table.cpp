// The compression table: one row per "compression" code, in code order.
// A coder's encoder and decoder are entered in its row (with its header
// included below); a new coder adds a row. 0 (none) has no row; a missing
// encoder or decoder makes the dispatch refuse the code with 12.
#include "interchange/bmp/bmp_run_length.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dispatch/codec_table.h"
#include "interchange/fax/fax.h"
#include "interchange/jpeg_dct/jpeg_dct_codec.h"
#include "interchange/one_bit_runs/one_bit_runs.h"
#include "interchange/packbits/packbits.h"
#include "interchange/pcx/pcx_codec.h"
#include "interchange/png/png_codec.h"

namespace {

constexpr CompressionRow kCompressionRows[] = {
    {.code = kCompressionCcittHuffman, .encoder = EncodeCcitt, .decoder = DecodeCcitt},
    {.code = kCompressionCcittMr, .encoder = EncodeCcitt, .decoder = DecodeCcitt},
    {.code = kCompressionCcittMmr, .encoder = EncodeCcitt, .decoder = DecodeCcitt},
    {.code = kCompressionCcittHuffmanNoEol, .encoder = EncodeCcitt, .decoder = DecodeCcitt},
    {.code = kCompressionDct, .encoder = EncodeJpegDct, .decoder = DecodeJpegDct},
    {.code = kCompressionLzw},  // stays without a coder: the data is only carried coded
    {.code = kCompressionPackBits, .encoder = EncodePackBits, .decoder = DecodePackBits},
    {.code = kCompressionOneBitRun, .encoder = EncodeOneBitRuns, .decoder = DecodeOneBitRuns},
    {.code = kCompressionBmpRunLength, .encoder = EncodeBmpRunLength, .decoder = DecodeBmpRunLength},
    {.code = kCompressionPcxRunLength, .encoder = EncodePcxRle, .decoder = DecodePcxRle},
    {.code = kCompressionDeflatePng, .encoder = EncodeDeflatePng, .decoder = DecodeInflatePng},
};

}  // namespace

std::span<const CompressionRow> IpiCompressionTable() { return kCompressionRows; }
