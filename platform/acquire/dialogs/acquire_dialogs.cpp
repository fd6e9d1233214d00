// The acquisition dialogs need the platform's dialog manager and standard
// controls; until the platform offers them, each dialog reports that it
// cannot be shown, so callers fail with a reason instead of guessing a choice.
#include "acquire/dialogs/acquire_dialogs.h"

#include "plat/acquire/acquire_constants.h"

namespace plat::acquire {

int RunSourceListDialog(HWND owner, const std::vector<SourceEntry>& sources, std::string& name, int& error) {
  error = qrvErrSystemNotFound;
  return -1;
}

int RunScanDialog(HWND owner, ScanChoice& choice, int& error) {
  error = qrvErrSystemNotFound;
  return -1;
}

int RunPhotoDialog(HWND owner, int image_count, PhotoChoice& choice, int& error) {
  error = qrvErrSystemNotFound;
  return -1;
}

}  // namespace plat::acquire
