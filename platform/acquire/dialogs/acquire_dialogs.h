// The three dialogs of the acquisition libraries: the source list, the scan
// dialog and the photo chooser. Each runs modally on the calling thread and
// gives 1 when the user confirmed, 0 when the user cancelled, and -1 with an
// ErrorConstants value in `error` when it could not be shown.
#ifndef PLATFORM_ACQUIRE_DIALOGS_ACQUIRE_DIALOGS_H_
#define PLATFORM_ACQUIRE_DIALOGS_ACQUIRE_DIALOGS_H_

#include <string>
#include <vector>

#include "plat/types.h"

namespace plat::acquire {

struct SourceEntry {
  std::string name;  // what is chosen and remembered
  std::string vendor;
  std::string model;
};

// `name` preselects an entry and receives the chosen one.
int RunSourceListDialog(HWND owner, const std::vector<SourceEntry>& sources, std::string& name, int& error);

struct ScanChoice {
  int color_code = 0;      // ImageColorConstants
  int resolution_dpi = 0;  // 0: the device's own
  int paper_size = 0;      // TwainPaperSizeConstants
  bool use_feeder = false;
};

int RunScanDialog(HWND owner, ScanChoice& choice, int& error);

struct PhotoChoice {
  int image = 1;          // numbered from 1
  int data_size = 4;      // PcdDataSizeConstants 1-4
  int color_code = 12;    // 9 or 12
};

int RunPhotoDialog(HWND owner, int image_count, PhotoChoice& choice, int& error);

}  // namespace plat::acquire

#endif  // PLATFORM_ACQUIRE_DIALOGS_ACQUIRE_DIALOGS_H_
