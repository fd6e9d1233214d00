// System information; see system.h. Figures come from the kernel (sysinfo,
// statvfs, sysconf); names and texts that have no Linux counterpart are the
// C locale's, in ISO forms.
#include "plat/system.h"

#include <pwd.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysinfo.h>
#include <time.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstring>

#include "file_lock.h"
#include "plat/clock.h"
#include "plat/last_error.h"
#include "plat/modules.h"
#include "plat/user_folder.h"

extern char** environ;

namespace plat {
namespace {

constexpr LANGID kJapanese = 0x0411;
constexpr LANGID kEnglishUs = 0x0409;
constexpr DWORD kBuildNumber = 1381;
constexpr DWORD kSectorBytes = 512;

constexpr std::array<const char*, 7> kDayNames = {"Monday", "Tuesday", "Wednesday", "Thursday",
                                                  "Friday", "Saturday", "Sunday"};
constexpr std::array<const char*, 12> kMonthNames = {"January", "February", "March",     "April",   "May",      "June",
                                                     "July",    "August",   "September", "October", "November", "December"};

bool IsJapanese() { return GetSystemDefaultLangID() == kJapanese; }

}  // namespace

BOOL GetVersionEx(OSVERSIONINFO* info) {
  if (info == nullptr) return FailWith(FALSE, ERROR_INVALID_PARAMETER);
  info->dwMajorVersion = 4;
  info->dwMinorVersion = 0;
  info->dwBuildNumber = kBuildNumber;
  info->dwPlatformId = VER_PLATFORM_WIN32_NT;
  info->szCSDVersion.clear();
  return TRUE;
}

void GlobalMemoryStatus(MEMORYSTATUS* status) {
  if (status == nullptr) return;
  struct sysinfo info;
  if (::sysinfo(&info) != 0) return;
  const uint64_t unit = info.mem_unit != 0 ? info.mem_unit : 1;
  status->dwTotalPhys = info.totalram * unit;
  status->dwAvailPhys = (info.freeram + info.bufferram) * unit;
  status->dwTotalPageFile = (info.totalram + info.totalswap) * unit;
  status->dwAvailPageFile = (info.freeram + info.bufferram + info.freeswap) * unit;
  status->dwMemoryLoad =
      status->dwTotalPhys == 0 ? 0 : static_cast<DWORD>(100 - status->dwAvailPhys * 100 / status->dwTotalPhys);
  struct rlimit limit;
  const uint64_t address_space = uint64_t{1} << 47;  // the user half of x86-64
  status->dwTotalVirtual =
      ::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY ? limit.rlim_cur : address_space;
  status->dwAvailVirtual = status->dwTotalVirtual;
}

void GetSystemInfo(SYSTEM_INFO* info) {
  if (info == nullptr) return;
  const long page = ::sysconf(_SC_PAGESIZE);
  const long processors = ::sysconf(_SC_NPROCESSORS_ONLN);
  info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_AMD64;
  info->dwPageSize = page > 0 ? static_cast<DWORD>(page) : 4096;
  info->lpMinimumApplicationAddress = 0x10000;
  info->lpMaximumApplicationAddress = (uintptr_t{1} << 47) - 1;
  info->dwNumberOfProcessors = processors > 0 ? static_cast<DWORD>(processors) : 1;
  info->dwActiveProcessorMask =
      info->dwNumberOfProcessors >= 64 ? ~uint64_t{0} : (uint64_t{1} << info->dwNumberOfProcessors) - 1;
  info->dwProcessorType = PROCESSOR_INTEL_PENTIUM;
  info->dwAllocationGranularity = 65536;
  info->wProcessorLevel = 6;
  info->wProcessorRevision = 0;
}

BOOL GetComputerName(std::string& out) {
  char name[HOST_NAME_MAX + 1] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return FailWith(FALSE, ErrorFromErrno(errno));
  out = name;
  return TRUE;
}

BOOL GetUserName(std::string& out) {
  std::vector<char> buffer(16384);
  struct passwd entry;
  struct passwd* found = nullptr;
  if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) {
    out = found->pw_name;
    return TRUE;
  }
  const char* user = ::getenv("USER");
  if (user == nullptr || user[0] == '\0') return FailWith(FALSE, ERROR_FILE_NOT_FOUND);
  out = user;
  return TRUE;
}

BOOL GetDiskFreeSpaceEx(const char* path, uint64_t* free_bytes_available, uint64_t* total_bytes,
                        uint64_t* total_free_bytes) {
  struct statvfs info;
  if (::statvfs(path != nullptr && path[0] != '\0' ? path : ".", &info) != 0) {
    return FailWith(FALSE, errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
  }
  const uint64_t unit = info.f_frsize != 0 ? info.f_frsize : info.f_bsize;
  if (free_bytes_available != nullptr) *free_bytes_available = uint64_t{info.f_bavail} * unit;
  if (total_bytes != nullptr) *total_bytes = uint64_t{info.f_blocks} * unit;
  if (total_free_bytes != nullptr) *total_free_bytes = uint64_t{info.f_bfree} * unit;
  return TRUE;
}

BOOL GetDiskFreeSpace(const char* path, DWORD* sectors_per_cluster, DWORD* bytes_per_sector, DWORD* free_clusters,
                      DWORD* total_clusters) {
  struct statvfs info;
  if (::statvfs(path != nullptr && path[0] != '\0' ? path : ".", &info) != 0) {
    return FailWith(FALSE, errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
  }
  const uint64_t unit = info.f_frsize != 0 ? info.f_frsize : info.f_bsize;
  const uint64_t sectors = unit >= kSectorBytes ? unit / kSectorBytes : 1;
  auto clamp = [](uint64_t value) { return value > 0xFFFFFFFFu ? DWORD{0xFFFFFFFF} : static_cast<DWORD>(value); };
  if (sectors_per_cluster != nullptr) *sectors_per_cluster = clamp(sectors);
  if (bytes_per_sector != nullptr) *bytes_per_sector = kSectorBytes;
  if (free_clusters != nullptr) *free_clusters = clamp(info.f_bavail * unit / (sectors * kSectorBytes));
  if (total_clusters != nullptr) *total_clusters = clamp(info.f_blocks * unit / (sectors * kSectorBytes));
  return TRUE;
}

UINT GetDriveType(const char* root) {
  struct stat info;
  return ::stat(root != nullptr && root[0] != '\0' ? root : ".", &info) == 0 ? DRIVE_FIXED : DRIVE_NO_ROOT_DIR;
}

DWORD GetLogicalDriveStrings(std::string& out) {
  out.assign("/\0", 2);
  return static_cast<DWORD>(out.size());
}

LANGID GetSystemDefaultLangID() {
  const char* lang = ::getenv("LANG");
  return lang != nullptr && std::strncmp(lang, "ja", 2) == 0 ? kJapanese : kEnglishUs;
}
LANGID GetUserDefaultLangID() { return GetSystemDefaultLangID(); }
LCID GetThreadLocale() { return GetSystemDefaultLangID(); }
LCID GetUserDefaultLCID() { return GetSystemDefaultLangID(); }
LCID GetSystemDefaultLCID() { return GetSystemDefaultLangID(); }

DWORD GetTimeZoneInformation(TIME_ZONE_INFORMATION* info) {
  if (info == nullptr) return FailWith<DWORD>(0xFFFFFFFF, ERROR_INVALID_PARAMETER);
  const int64_t now_seconds = CurrentClock().UnixMicros() / 1'000'000;
  const time_t now = static_cast<time_t>(now_seconds);
  struct tm local;
  ::tzset();
  if (::localtime_r(&now, &local) == nullptr) return TIME_ZONE_ID_UNKNOWN;
  // The standard offset is the smaller of January's and July's (daylight
  // time moves clocks forward on either hemisphere).
  struct tm probe = local;
  long offsets[2];
  for (int i = 0; i < 2; ++i) {
    probe = local;
    probe.tm_mon = i * 6;
    probe.tm_mday = 1;
    probe.tm_isdst = -1;
    const time_t when = ::mktime(&probe);
    struct tm at;
    offsets[i] = ::localtime_r(&when, &at) != nullptr ? at.tm_gmtoff : local.tm_gmtoff;
  }
  const long standard = std::min(offsets[0], offsets[1]);
  const long daylight = std::max(offsets[0], offsets[1]);
  info->Bias = static_cast<LONG>(-standard / 60);
  info->StandardBias = 0;
  info->DaylightBias = static_cast<LONG>(-(daylight - standard) / 60);
  info->StandardName = tzname[0] != nullptr ? tzname[0] : "";
  info->DaylightName = tzname[1] != nullptr ? tzname[1] : "";
  if (standard == daylight) return TIME_ZONE_ID_UNKNOWN;
  return local.tm_isdst > 0 ? TIME_ZONE_ID_DAYLIGHT : TIME_ZONE_ID_STANDARD;
}

int GetLocaleInfo(LCID locale, LCTYPE item, std::string& out) {
  out.clear();
  const bool japanese = IsJapanese();
  if (item >= LOCALE_SDAYNAME1 && item < LOCALE_SDAYNAME1 + 7) {
    out = kDayNames[item - LOCALE_SDAYNAME1];
  } else if (item >= LOCALE_SABBREVDAYNAME1 && item < LOCALE_SABBREVDAYNAME1 + 7) {
    out = std::string(kDayNames[item - LOCALE_SABBREVDAYNAME1]).substr(0, 3);
  } else if (item >= LOCALE_SMONTHNAME1 && item < LOCALE_SMONTHNAME1 + 12) {
    out = kMonthNames[item - LOCALE_SMONTHNAME1];
  } else if (item >= LOCALE_SABBREVMONTHNAME1 && item < LOCALE_SABBREVMONTHNAME1 + 12) {
    out = std::string(kMonthNames[item - LOCALE_SABBREVMONTHNAME1]).substr(0, 3);
  } else {
    switch (item) {
      case LOCALE_ILANGUAGE: out = japanese ? "0411" : "0409"; break;
      case LOCALE_SLANGUAGE:
      case LOCALE_SENGLANGUAGE: out = japanese ? "Japanese" : "English (United States)"; break;
      case LOCALE_SABBREVLANGNAME: out = japanese ? "JPN" : "ENU"; break;
      case LOCALE_SNATIVELANGNAME: out = japanese ? "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E" : "English"; break;
      case LOCALE_ICOUNTRY:
      case LOCALE_IDEFAULTCOUNTRY: out = japanese ? "81" : "1"; break;
      case LOCALE_SCOUNTRY:
      case LOCALE_SENGCOUNTRY: out = japanese ? "Japan" : "United States"; break;
      case LOCALE_SABBREVCTRYNAME: out = japanese ? "JPN" : "USA"; break;
      case LOCALE_SNATIVECTRYNAME: out = japanese ? "\xE6\x97\xA5\xE6\x9C\xAC" : "United States"; break;
      case LOCALE_IDEFAULTLANGUAGE: out = japanese ? "0411" : "0409"; break;
      case LOCALE_IDEFAULTCODEPAGE:
      case LOCALE_IDEFAULTANSICODEPAGE: out = "65001"; break;  // UTF-8
      case LOCALE_SLIST: out = ","; break;
      case LOCALE_IMEASURE: out = "0"; break;  // metric
      case LOCALE_SDECIMAL:
      case LOCALE_SMONDECIMALSEP: out = "."; break;
      case LOCALE_STHOUSAND:
      case LOCALE_SMONTHOUSANDSEP: out = ","; break;
      case LOCALE_SGROUPING:
      case LOCALE_SMONGROUPING: out = "3;0"; break;
      case LOCALE_IDIGITS:
      case LOCALE_ICURRDIGITS:
      case LOCALE_IINTLCURRDIGITS: out = "2"; break;
      case LOCALE_ILZERO: out = "1"; break;
      case LOCALE_SNATIVEDIGITS: out = "0123456789"; break;
      case LOCALE_SCURRENCY: out = japanese ? "\xC2\xA5" : "$"; break;
      case LOCALE_SINTLSYMBOL: out = japanese ? "JPY" : "USD"; break;
      case LOCALE_ICURRENCY: out = "0"; break;
      case LOCALE_INEGCURR: out = "1"; break;
      case LOCALE_SDATE: out = "-"; break;
      case LOCALE_STIME: out = ":"; break;
      case LOCALE_SSHORTDATE:
      case LOCALE_SLONGDATE: out = "yyyy-MM-dd"; break;
      case LOCALE_IDATE:
      case LOCALE_ILDATE: out = "2"; break;  // year, month, day
      case LOCALE_ITIME: out = "1"; break;   // 24 hours
      case LOCALE_ICENTURY:
      case LOCALE_ITLZERO:
      case LOCALE_IDAYLZERO:
      case LOCALE_IMONLZERO: out = "1"; break;
      case LOCALE_S1159: out = "AM"; break;
      case LOCALE_S2359: out = "PM"; break;
      case LOCALE_SPOSITIVESIGN: out = ""; break;
      case LOCALE_SNEGATIVESIGN: out = "-"; break;
      default: return FailWith(0, ERROR_INVALID_PARAMETER);
    }
  }
  SetLastError(ERROR_SUCCESS);
  return static_cast<int>(out.size());
}

std::vector<std::string> GetEnvironmentStrings() {
  std::vector<std::string> strings;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) strings.emplace_back(*entry);
  return strings;
}

HANDLE GetCurrentProcess() { return reinterpret_cast<HANDLE>(~uintptr_t{0}); }
HANDLE GetCurrentThread() { return reinterpret_cast<HANDLE>(~uintptr_t{1}); }
BOOL SetPriorityClass(HANDLE, DWORD) { return TRUE; }
DWORD GetPriorityClass(HANDLE) { return NORMAL_PRIORITY_CLASS; }
BOOL SetThreadPriority(HANDLE, int) { return TRUE; }
int GetThreadPriority(HANDLE) { return THREAD_PRIORITY_NORMAL; }

DWORD GetWindowsDirectory(std::string& out) {
  out = UserFolder();
  return static_cast<DWORD>(out.size());
}

DWORD GetSystemDirectory(std::string& out) { return GetWindowsDirectory(out); }

std::string GetProgramFolder() {
  std::string program;
  (void)GetModuleFileName(nullptr, program);
  return internal::FolderOf(program);
}

}  // namespace plat
