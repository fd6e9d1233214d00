/* The public header is plain C: this file only has to compile as C99. */
#include "Pelrith.h"

typedef HGLOBAL (*FlipEntry)(HGLOBAL, int32_t, CmiOptionList, int32_t, int32_t*);

int PelrithHeaderIsC99(void) {
  const IpiAttributePair pair = {"repository", 33};
  FlipEntry flip = CmiFlip;
  return pair.value == 33 && flip != 0 && kCmiOrdinalGenerateAndWriteAndControl == 48;
}
