// System information: the version (the NT family, 4.0), memory, processors,
// names, disks (one root, "/"), language, time zone, locale texts in the C
// locale with ISO forms, the environment, priorities, and the suite's
// folders (the Windows and system directories are the per-user folder).
#ifndef PLAT_SYSTEM_H_
#define PLAT_SYSTEM_H_

#include <cstdint>
#include <string>
#include <vector>

#include "plat/types.h"

namespace plat {

constexpr DWORD VER_PLATFORM_WIN32s = 0;
constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

struct OSVERSIONINFO {
  DWORD dwOSVersionInfoSize = sizeof(OSVERSIONINFO);
  DWORD dwMajorVersion = 0;
  DWORD dwMinorVersion = 0;
  DWORD dwBuildNumber = 0;
  DWORD dwPlatformId = 0;
  std::string szCSDVersion;  // the service-pack text
};
BOOL GetVersionEx(OSVERSIONINFO* info);

struct MEMORYSTATUS {
  DWORD dwLength = sizeof(MEMORYSTATUS);
  DWORD dwMemoryLoad = 0;  // percent in use
  uint64_t dwTotalPhys = 0;
  uint64_t dwAvailPhys = 0;
  uint64_t dwTotalPageFile = 0;
  uint64_t dwAvailPageFile = 0;
  uint64_t dwTotalVirtual = 0;
  uint64_t dwAvailVirtual = 0;
};
void GlobalMemoryStatus(MEMORYSTATUS* status);

constexpr WORD PROCESSOR_ARCHITECTURE_AMD64 = 9;
constexpr DWORD PROCESSOR_INTEL_PENTIUM = 586;
struct SYSTEM_INFO {
  WORD wProcessorArchitecture = 0;
  DWORD dwPageSize = 0;
  uintptr_t lpMinimumApplicationAddress = 0;
  uintptr_t lpMaximumApplicationAddress = 0;
  uint64_t dwActiveProcessorMask = 0;
  DWORD dwNumberOfProcessors = 0;
  DWORD dwProcessorType = 0;
  DWORD dwAllocationGranularity = 0;
  WORD wProcessorLevel = 0;
  WORD wProcessorRevision = 0;
};
void GetSystemInfo(SYSTEM_INFO* info);

// The host name and the login name; FALSE with the error when unknown.
BOOL GetComputerName(std::string& out);
BOOL GetUserName(std::string& out);

constexpr UINT DRIVE_UNKNOWN = 0;
constexpr UINT DRIVE_NO_ROOT_DIR = 1;
constexpr UINT DRIVE_REMOVABLE = 2;
constexpr UINT DRIVE_FIXED = 3;
constexpr UINT DRIVE_REMOTE = 4;
constexpr UINT DRIVE_CDROM = 5;
constexpr UINT DRIVE_RAMDISK = 6;

// Space of the file system holding `path` (NULL: the current folder).
BOOL GetDiskFreeSpaceEx(const char* path, uint64_t* free_bytes_available, uint64_t* total_bytes,
                        uint64_t* total_free_bytes);
// The same in clusters of 512-byte sectors; cluster counts beyond 32 bits
// are reported as 0xFFFFFFFF.
BOOL GetDiskFreeSpace(const char* path, DWORD* sectors_per_cluster, DWORD* bytes_per_sector,
                      DWORD* free_clusters, DWORD* total_clusters);
// DRIVE_FIXED when the path exists, DRIVE_NO_ROOT_DIR otherwise.
UINT GetDriveType(const char* root);
// The one root, "/", followed by a NUL; returns out.size().
DWORD GetLogicalDriveStrings(std::string& out);

// 0x0411 when $LANG starts with "ja", else 0x0409.
LANGID GetSystemDefaultLangID();
LANGID GetUserDefaultLangID();
LCID GetThreadLocale();
LCID GetUserDefaultLCID();
LCID GetSystemDefaultLCID();
constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;
constexpr LCID LOCALE_USER_DEFAULT = 0x0400;

constexpr DWORD TIME_ZONE_ID_UNKNOWN = 0;
constexpr DWORD TIME_ZONE_ID_STANDARD = 1;
constexpr DWORD TIME_ZONE_ID_DAYLIGHT = 2;
struct TIME_ZONE_INFORMATION {
  LONG Bias = 0;  // minutes: UTC = local time + Bias
  std::string StandardName;
  LONG StandardBias = 0;
  std::string DaylightName;
  LONG DaylightBias = 0;
};
// The zone of $TZ at the process clock's present time.
DWORD GetTimeZoneInformation(TIME_ZONE_INFORMATION* info);

using LCTYPE = DWORD;
constexpr LCTYPE LOCALE_ILANGUAGE = 0x01;
constexpr LCTYPE LOCALE_SLANGUAGE = 0x02;
constexpr LCTYPE LOCALE_SABBREVLANGNAME = 0x03;
constexpr LCTYPE LOCALE_SNATIVELANGNAME = 0x04;
constexpr LCTYPE LOCALE_ICOUNTRY = 0x05;
constexpr LCTYPE LOCALE_SCOUNTRY = 0x06;
constexpr LCTYPE LOCALE_SABBREVCTRYNAME = 0x07;
constexpr LCTYPE LOCALE_SNATIVECTRYNAME = 0x08;
constexpr LCTYPE LOCALE_IDEFAULTLANGUAGE = 0x09;
constexpr LCTYPE LOCALE_IDEFAULTCOUNTRY = 0x0A;
constexpr LCTYPE LOCALE_IDEFAULTCODEPAGE = 0x0B;
constexpr LCTYPE LOCALE_SLIST = 0x0C;
constexpr LCTYPE LOCALE_IMEASURE = 0x0D;
constexpr LCTYPE LOCALE_SDECIMAL = 0x0E;
constexpr LCTYPE LOCALE_STHOUSAND = 0x0F;
constexpr LCTYPE LOCALE_SGROUPING = 0x10;
constexpr LCTYPE LOCALE_IDIGITS = 0x11;
constexpr LCTYPE LOCALE_ILZERO = 0x12;
constexpr LCTYPE LOCALE_SNATIVEDIGITS = 0x13;
constexpr LCTYPE LOCALE_SCURRENCY = 0x14;
constexpr LCTYPE LOCALE_SINTLSYMBOL = 0x15;
constexpr LCTYPE LOCALE_SMONDECIMALSEP = 0x16;
constexpr LCTYPE LOCALE_SMONTHOUSANDSEP = 0x17;
constexpr LCTYPE LOCALE_SMONGROUPING = 0x18;
constexpr LCTYPE LOCALE_ICURRDIGITS = 0x19;
constexpr LCTYPE LOCALE_IINTLCURRDIGITS = 0x1A;
constexpr LCTYPE LOCALE_ICURRENCY = 0x1B;
constexpr LCTYPE LOCALE_INEGCURR = 0x1C;
constexpr LCTYPE LOCALE_SDATE = 0x1D;
constexpr LCTYPE LOCALE_STIME = 0x1E;
constexpr LCTYPE LOCALE_SSHORTDATE = 0x1F;
constexpr LCTYPE LOCALE_SLONGDATE = 0x20;
constexpr LCTYPE LOCALE_IDATE = 0x21;
constexpr LCTYPE LOCALE_ILDATE = 0x22;
constexpr LCTYPE LOCALE_ITIME = 0x23;
constexpr LCTYPE LOCALE_ICENTURY = 0x24;
constexpr LCTYPE LOCALE_ITLZERO = 0x25;
constexpr LCTYPE LOCALE_IDAYLZERO = 0x26;
constexpr LCTYPE LOCALE_IMONLZERO = 0x27;
constexpr LCTYPE LOCALE_S1159 = 0x28;
constexpr LCTYPE LOCALE_S2359 = 0x29;
constexpr LCTYPE LOCALE_SDAYNAME1 = 0x2A;          // Monday; ...7 = Sunday
constexpr LCTYPE LOCALE_SABBREVDAYNAME1 = 0x31;    //
constexpr LCTYPE LOCALE_SMONTHNAME1 = 0x38;        // January ... 0x43
constexpr LCTYPE LOCALE_SABBREVMONTHNAME1 = 0x44;  // Jan ... 0x4F
constexpr LCTYPE LOCALE_SPOSITIVESIGN = 0x50;
constexpr LCTYPE LOCALE_SNEGATIVESIGN = 0x51;
constexpr LCTYPE LOCALE_SENGLANGUAGE = 0x1001;
constexpr LCTYPE LOCALE_SENGCOUNTRY = 0x1002;
constexpr LCTYPE LOCALE_IDEFAULTANSICODEPAGE = 0x1004;
// The text of one locale item; returns out.size(), 0 with
// ERROR_INVALID_PARAMETER for an item this layer does not know.
int GetLocaleInfo(LCID locale, LCTYPE item, std::string& out);

// Every "NAME=value" of the process environment.
std::vector<std::string> GetEnvironmentStrings();

constexpr DWORD NORMAL_PRIORITY_CLASS = 0x20;
constexpr DWORD HIGH_PRIORITY_CLASS = 0x80;
constexpr DWORD REALTIME_PRIORITY_CLASS = 0x100;
constexpr int THREAD_PRIORITY_NORMAL = 0;
constexpr int THREAD_PRIORITY_TIME_CRITICAL = 15;
HANDLE GetCurrentProcess();
HANDLE GetCurrentThread();
// Accepted and answered TRUE; without privilege nothing changes, and the
// getters report normal priority.
BOOL SetPriorityClass(HANDLE process, DWORD priority_class);
DWORD GetPriorityClass(HANDLE process);
BOOL SetThreadPriority(HANDLE thread, int priority);
int GetThreadPriority(HANDLE thread);

constexpr UINT SPI_GETSCREENSAVETIMEOUT = 14;
constexpr UINT SPI_GETSCREENSAVEACTIVE = 16;
// SPI_GETSCREENSAVETIMEOUT gives 0 seconds and SPI_GETSCREENSAVEACTIVE FALSE
// (no screen saver is known here), through an int at `value`;
// SPI_GETWORKAREA the screen's work area (a RECT); other actions: FALSE with
// ERROR_INVALID_PARAMETER. Defined with the window system, which has the screen.
BOOL SystemParametersInfo(UINT action, UINT param, void* out, UINT win_ini);

// The per-user folder; returns out.size().
DWORD GetWindowsDirectory(std::string& out);
DWORD GetSystemDirectory(std::string& out);
// The folder of the running program, without a trailing '/'.
std::string GetProgramFolder();

}  // namespace plat

#endif  // PLAT_SYSTEM_H_
