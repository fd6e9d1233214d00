// Output file names of acquired pages: the host's pattern expanded, the
// unique fallback names, and the reservation that keeps a page from ever
// replacing a file this control did not write in the running acquisition.
#ifndef CONTROLS_ACQUIRE_OUTPUT_NAME_H_
#define CONTROLS_ACQUIRE_OUTPUT_NAME_H_

#include <cstdint>
#include <set>
#include <string>

#include "plat/clock.h"

namespace mirrask {

// The pattern with its tokens replaced, after `folder`; "" for an empty
// pattern. `number` is the value of the "number" token (initial number +
// page - 1, computed in 64 bits by the caller).
std::string ExpandFileNamePattern(const std::string& pattern, const std::string& folder, const char* ext,
                                  int64_t number, const plat::SYSTEMTIME& now);
// The first of the 416 names "<folder><a-z><hex digit><month><day><page>.<ext>"
// that no file has, then tick-count names; never a name that exists.
std::string MakeUniqueFileName(const std::string& folder, const char* ext, int32_t page, const plat::SYSTEMTIME& now);
// The expanded pattern, or a unique name when it expands to nothing more
// than the folder. Reads the local time once.
std::string MakeOutputFileName(const std::string& pattern, const std::string& folder, short media_format,
                               int32_t page, int32_t initial_number);

// True when a directory entry of this name exists (a dangling symbolic link
// counts).
bool NameExists(const std::string& path);

// Picks the name a page is written under and creates it empty and
// exclusively, so the library's atomic replacement only ever replaces this
// placeholder: `wanted` when it is free and not in `written`, else
// "<stem>_2<.ext>" .. "<stem>_9999<.ext>", else a unique fallback name. ""
// when nothing can be created there (a missing folder, a folder that cannot
// take files).
std::string ReserveOutputName(const std::string& wanted, const std::set<std::string>& written, const char* ext,
                              int32_t page);

}  // namespace mirrask

#endif  // CONTROLS_ACQUIRE_OUTPUT_NAME_H_
