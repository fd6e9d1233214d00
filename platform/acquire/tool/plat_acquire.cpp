// plat-acquire: lists the scanner sources, or scans one run of pages into a
// folder as BMP files page-0001.bmp, page-0002.bmp, ... Numbers already taken
// are skipped, and a file that exists is never replaced: each page is written
// beside its name and linked into place only where nothing is.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "plat/acquire/twain_ctrl.h"
#include "plat/atomic_file.h"
#include "plat/packed_dib.h"
#include "plat/user.h"

namespace {

constexpr char kUsage[] =
    "usage: plat-acquire --list\n"
    "       plat-acquire [--device NAME] [--feeder] [--count N] [--resolution DPI]\n"
    "                    [--depth 0|1|4|8|9|12] [--paper 0..16] --out FOLDER\n";

struct Options {
  bool is_list = false;
  std::string device;
  bool use_feeder = false;
  int count = 0;
  int resolution = 0;
  int depth = 0;
  int paper = 0;
  std::string folder;
};

bool ParseNumber(const char* text, int low, int high, int& out) {
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || value < low || value > high) return false;
  out = static_cast<int>(value);
  return true;
}

bool Parse(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--list") {
      options.is_list = true;
    } else if (arg == "--feeder") {
      options.use_feeder = true;
    } else if (arg == "--device" && has_value) {
      options.device = argv[++i];
    } else if (arg == "--out" && has_value) {
      options.folder = argv[++i];
    } else if (arg == "--count" && has_value) {
      if (!ParseNumber(argv[++i], 0, 1 << 20, options.count)) return false;
    } else if (arg == "--resolution" && has_value) {
      if (!ParseNumber(argv[++i], 0, 32767, options.resolution)) return false;
    } else if (arg == "--depth" && has_value) {
      if (!ParseNumber(argv[++i], 0, 12, options.depth)) return false;
    } else if (arg == "--paper" && has_value) {
      if (!ParseNumber(argv[++i], 0, 16, options.paper)) return false;
    } else {
      return false;
    }
  }
  return options.is_list || !options.folder.empty();
}

struct Run {
  std::string folder;
  int next_number = 1;
  int written = 0;
  bool has_failed = false;
};

Run* g_run = nullptr;

// Writes the page as a BMP file under the first free number; false when it
// could not be written (nothing is left behind then).
bool WritePage(Run& run, HGLOBAL page) {
  using namespace plat;
  const auto view = ValidatePackedDib(page);
  const size_t dib_bytes = GlobalSize(page);
  if (!view || dib_bytes == 0) return false;
  const size_t palette_bytes = static_cast<size_t>(view->colors) * sizeof(RGBQUAD);
  BITMAPFILEHEADER header{};
  header.bfType = 0x4D42;  // "BM"
  header.bfSize = static_cast<DWORD>(sizeof(header) + dib_bytes);
  header.bfOffBits = static_cast<DWORD>(sizeof(header) + sizeof(BITMAPINFOHEADER) + palette_bytes);
  for (;; ++run.next_number) {
    if (run.next_number > 9999) return false;
    char name[32];
    std::snprintf(name, sizeof(name), "/page-%04d.bmp", run.next_number);
    const std::string target = run.folder + name;
    if (FileExists(target)) continue;
    AtomicFile file;
    if (AtomicFile::Create(target, file) != OpenStatus::kOk) return false;
    const void* bytes = GlobalLock(page);
    const bool is_written = bytes != nullptr && file.file().WriteAt(0, &header, sizeof(header)) &&
                            file.file().WriteAt(sizeof(header), bytes, dib_bytes) && file.file().Flush();
    GlobalUnlock(page);
    if (!is_written) return false;
    // A hard link never replaces: where another file appeared meanwhile, the next number is tried.
    if (::link(file.temp_path().c_str(), target.c_str()) != 0) {
      if (errno == EEXIST) continue;
      return false;
    }
    file.Discard();
    ++run.written;
    std::printf("%s\n", target.c_str());
    ++run.next_number;
    return true;
  }
}

int32_t OnPage(uint16_t id, plat::AcquireNotifyRecord* record) {
  if (g_run == nullptr || record->status != plat::kAcquireStatusImage) return 0;
  if (!WritePage(*g_run, record->image)) g_run->has_failed = true;
  return 0;
}

int Main(const Options& options) {
  using namespace plat;
  InitK7RBITWN();
  CQRVNTwainCtrl scanner;
  if (scanner.OpenDSM(nullptr) == 0) {
    std::fprintf(stderr, "plat-acquire: SANE could not be opened (error %d)\n", scanner.GetLastErr());
    return 1;
  }
  if (options.is_list) {
    const int count = scanner.GetDSnum();
    for (int i = 0; i < count; ++i) {
      std::string name;
      if (scanner.GetDSname(i, &name) != 0) std::printf("%s\n", name.c_str());
    }
    const int error = scanner.GetLastErr();
    scanner.CloseDSM();
    if (error != 0) std::fprintf(stderr, "plat-acquire: the sources could not be listed (error %d)\n", error);
    return error != 0 ? 1 : 0;
  }
  Run run;
  run.folder = options.folder;
  g_run = &run;
  scanner.SetCallback(0, kAcquireNotifyByCallback, reinterpret_cast<intptr_t>(&OnPage));
  scanner.SetDSname(options.device);
  const int result = scanner.AcquireImage(options.count, nullptr, nullptr, 0, options.paper,
                                          options.use_feeder ? 1 : 0, options.resolution, options.depth);
  const int error = scanner.GetLastErr();
  scanner.CloseDSM();
  g_run = nullptr;
  if (result == 0) std::fprintf(stderr, "plat-acquire: the scan failed (error %d)\n", error);
  if (run.has_failed) std::fprintf(stderr, "plat-acquire: a page could not be written into %s\n", run.folder.c_str());
  std::fprintf(stderr, "plat-acquire: %d page(s) written\n", run.written);
  return result != 0 && !run.has_failed ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!Parse(argc, argv, options)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  // The scan runs off the GUI thread, so it waits for SANE without a window
  // system; nothing here shows a window.
  ::setenv("PLAT_BACKEND", "headless", 0);
  plat::InitGui();
  int status = 1;
  std::thread scan([&] { status = Main(options); });
  scan.join();
  return status;
}
