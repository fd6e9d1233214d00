/* Reads an image file, turns it a quarter clockwise and writes the result as
 * a TIFF file and as a JPEG file.
 *
 *   turn_image <input> <output.tif> <output.jpg>
 *
 * The input's format is found by the library. Every call reports into
 * `status`; a handle the library returns is the caller's and is freed with
 * GlobalFree. */
#include <stdint.h>
#include <stdio.h>

#include <Pelrith.h>

static int failed(const char* call, int32_t status) {
  fprintf(stderr, "turn_image: %s failed with status %d\n", call, (int)status);
  return 1;
}

int main(int argc, char** argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: %s <input> <output.tif> <output.jpg>\n", argv[0]);
    return 2;
  }
  int32_t status = 0;
  const int32_t format = CmiInquireFileFormat(argv[1], NULL, 0, &status);
  if (format == 0) return failed("CmiInquireFileFormat", status);

  /* The size of the (first) image: inquired values go to pointer-sized targets. */
  intptr_t width = 0, height = 0;
  IpiAttributePair size[] = {{"xDimension", (intptr_t)&width}, {"yDimension", (intptr_t)&height}};
  if (CmiInquireValues(argv[1], 1, 0, format, size, 2, &status) != 0) return failed("CmiInquireValues", status);

  HGLOBAL image = 0;
  if (CmiReadAndParse(argv[1], &image, 1, format, 0, NULL, 0, &status) != 1) {
    return failed("CmiReadAndParse", status);
  }
  /* A quarter turn: the new image is `height` wide and `width` high. */
  HGLOBAL turned = CmiRotate(image, (int32_t)height, (int32_t)width, 1, NULL, 0, &status);
  GlobalFree(image);
  if (turned == 0) return failed("CmiRotate", status);

  IpiAttributePair tiff[] = {{"compression", kCmiCompressionPackBits}, {"xResolution", 150}, {"yResolution", 150}};
  if (CmiGenerateAndWrite(&turned, 1, argv[2], kCmiFormatTiff, tiff, 3, &status) != 0) {
    GlobalFree(turned);
    return failed("CmiGenerateAndWrite (TIFF)", status);
  }
  IpiAttributePair jpeg[] = {{"quarityFactor", 9}};
  if (CmiGenerateAndWrite(&turned, 1, argv[3], kCmiFormatJpeg, jpeg, 1, &status) != 0) {
    GlobalFree(turned);
    return failed("CmiGenerateAndWrite (JPEG)", status);
  }
  GlobalFree(turned);
  printf("%s: %dx%d turned to %dx%d\n", argv[1], (int)width, (int)height, (int)height, (int)width);
  return 0;
}
