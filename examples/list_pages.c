/* Lists the pages of a TIFF file: size, colour mode, compression and
 * resolution of each, from one inquiry that fills one target per page.
 *
 *   list_pages <file.tif> */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <Pelrith.h>

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s <file.tif>\n", argv[0]);
    return 2;
  }
  int32_t status = 0;
  const int32_t pages = CmiInquireImageNumber(argv[1], kCmiFormatTiff, NULL, 0, &status);
  if (pages <= 0) {
    fprintf(stderr, "list_pages: CmiInquireImageNumber failed with status %d\n", (int)status);
    return 1;
  }
  /* Five arrays of one pointer-sized value per page. */
  intptr_t* values = calloc((size_t)pages * 5, sizeof *values);
  if (values == NULL) return 1;
  IpiAttributePair inquiry[] = {
      {"xDimension", (intptr_t)&values[0 * pages]}, {"yDimension", (intptr_t)&values[1 * pages]},
      {"colorMode", (intptr_t)&values[2 * pages]},  {"compression", (intptr_t)&values[3 * pages]},
      {"xResolution", (intptr_t)&values[4 * pages]}};
  if (CmiInquireValues(argv[1], pages, 0, kCmiFormatTiff, inquiry, 5, &status) != 0) {
    fprintf(stderr, "list_pages: CmiInquireValues failed with status %d\n", (int)status);
    free(values);
    return 1;
  }
  for (int32_t page = 0; page < pages; ++page) {
    printf("page %d: %dx%d mode %d compression %d %d dpi\n", (int)page + 1, (int)values[page],
           (int)values[pages + page], (int)values[2 * pages + page], (int)values[3 * pages + page],
           (int)values[4 * pages + page]);
  }
  free(values);
  return 0;
}
