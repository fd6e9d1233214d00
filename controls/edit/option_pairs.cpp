// The option-pair groups of the wrappers; see option_pairs.h.
#include "option_pairs.h"

#include "cmi_code_maps.h"
#include "edit_constants.h"

namespace ondavel {

OptionPairs RectanglePairs(int32_t x, int32_t y, int32_t width, int32_t height, int dib_width, int dib_height) {
  if (width == 0 || height == 0) width = dib_width, height = dib_height;
  OptionPairs pairs;
  pairs.Add("sourceHeight", height);
  pairs.Add("sourceWidth", width);
  pairs.Add("sourceXPoint", x);
  pairs.Add("sourceYPoint", y);
  return pairs;
}

OptionPairs FillColourPairs(uint32_t fill_colour, int16_t depth) {
  OptionPairs pairs;
  if (depth != plat::qrvColorRGB) return pairs;
  pairs.Add("constantLevel", fill_colour & 0xFF);
  pairs.Add("constantLevel2", (fill_colour >> 8) & 0xFF);
  pairs.Add("constantLevel3", (fill_colour >> 16) & 0xFF);
  return pairs;
}

OptionPairs SaveOptionPairs(int16_t media_format, int16_t compression, int16_t interlace_flag, int16_t quality,
                            int16_t x_dpi, int16_t y_dpi, bool with_progressive) {
  const bool is_bmp = media_format == plat::qrvFileBMP, is_tiff = media_format == plat::qrvFileTIFF;
  const bool is_jpeg = media_format == plat::qrvFileJPEG, is_pcx = media_format == plat::qrvFilePCX;
  OptionPairs pairs;
  if (is_bmp || is_tiff) pairs.Add("compression", MapCompressionToCmi(compression));
  if (is_jpeg) pairs.Add("quarityFactor", quality);
  if (media_format == plat::qrvFilePNG) pairs.Add("interlaced", interlace_flag);
  if (is_jpeg && with_progressive) pairs.Add("progressive", interlace_flag);
  if (is_bmp || is_tiff || is_pcx) {
    pairs.Add("xResolution", x_dpi);
    pairs.Add("yResolution", y_dpi);
  }
  return pairs;
}

}  // namespace ondavel
