// SANE loaded at run time: libsane.so.1, or the file PLAT_SANE_LIBRARY names
// (a test hook). The only place besides the session that sees sane/sane.h.
#ifndef PLATFORM_ACQUIRE_SANE_SANE_API_H_
#define PLATFORM_ACQUIRE_SANE_SANE_API_H_

#include <sane/sane.h>

namespace plat::acquire {

struct SaneApi {
  decltype(&::sane_init) init = nullptr;
  decltype(&::sane_exit) exit = nullptr;
  decltype(&::sane_get_devices) get_devices = nullptr;
  decltype(&::sane_open) open = nullptr;
  decltype(&::sane_close) close = nullptr;
  decltype(&::sane_get_option_descriptor) get_option_descriptor = nullptr;
  decltype(&::sane_control_option) control_option = nullptr;
  decltype(&::sane_get_parameters) get_parameters = nullptr;
  decltype(&::sane_start) start = nullptr;
  decltype(&::sane_read) read = nullptr;
  decltype(&::sane_cancel) cancel = nullptr;
};

// The library that PLAT_SANE_LIBRARY (else libsane.so.1) names, loaded once
// per file name and kept for the process; null when it or a call is missing.
const SaneApi* LoadSaneApi();

}  // namespace plat::acquire

#endif  // PLATFORM_ACQUIRE_SANE_SANE_API_H_
