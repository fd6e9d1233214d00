// Image files written by other programs (netpbm, libtiff's and libjpeg's
// tools, ImageMagick) from small pictures built here, with what the entry
// points must report for each: the read and inquiry tests and their memory
// twins walk the same table.
#ifndef PELRITH_API_READ_TESTS_ORACLE_FILES_H_
#define PELRITH_API_READ_TESTS_ORACLE_FILES_H_

#include <cstdint>
#include <string>
#include <vector>

#include "packed_dib.h"

namespace read_testing {

struct OracleFile {
  std::string name;
  std::string path;
  int32_t format = 0;       // public code
  int32_t colour_mode = 0;  // 0: not checked
  int32_t compression = -1; // -1: not checked
  bool lossy = false;       // compared with `reference` within a tolerance
  api_testing::PnmImage reference;  // the picture the file must decode to
};

// The pictures the files are made from: 13 x 7 pixels of a few colours, their
// grey levels and a black-and-white pattern.
api_testing::PnmImage ColourPicture();

// Writes every file of the table into `folder` (made by the caller) and
// returns the table. A tool that fails is a set-up failure (the test fails).
std::vector<OracleFile> MakeOracleFiles(const std::string& folder);

// The largest difference of one sample between a packed bitmap and a picture;
// -1 when their sizes differ.
int MaxSampleDifference(const api_testing::DibImage& image, const api_testing::PnmImage& picture);

}  // namespace read_testing

#endif  // PELRITH_API_READ_TESTS_ORACLE_FILES_H_
