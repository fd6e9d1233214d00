// Where the packs of a photo disc lie: a folder holding PHOTO_CD/IMAGES,
// IMAGES, or the packs IMGnnnn.PCD themselves, names in any letter case.
#ifndef PLATFORM_ACQUIRE_PCD_PCD_FOLDER_H_
#define PLATFORM_ACQUIRE_PCD_PCD_FOLDER_H_

#include <string>
#include <vector>

namespace plat::acquire {

struct PcdFolder {
  // Paths of the packs 0001, 0002, ... up to the first one missing (a disc
  // has no gaps; a pack after a gap is not counted).
  std::vector<std::string> packs;
};

// 0, or 8003 when `path` is not a folder.
[[nodiscard]] int ScanPcdFolder(const std::string& path, PcdFolder& out);

}  // namespace plat::acquire

#endif  // PLATFORM_ACQUIRE_PCD_PCD_FOLDER_H_
