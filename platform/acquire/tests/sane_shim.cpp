// A recording stand-in for libsane.so.1, named through PLAT_SANE_LIBRARY: it
// forwards every call to the real library and notes which thread made it.
#include <dlfcn.h>
#include <sane/sane.h>

#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

namespace {

std::mutex g_mutex;
std::string g_log;

void* Real(const char* name) {
  static void* library = dlopen("libsane.so.1", RTLD_NOW | RTLD_LOCAL);
  return library != nullptr ? dlsym(library, name) : nullptr;
}

void Note(const char* call, const char* detail = "") {
  std::ostringstream line;
  line << call << ' ' << std::hash<std::thread::id>()(std::this_thread::get_id()) << ' ' << detail << '\n';
  std::lock_guard<std::mutex> lock(g_mutex);
  g_log += line.str();
}

template <typename Fn>
Fn Forward(const char* name) {
  return reinterpret_cast<Fn>(Real(name));
}

}  // namespace

extern "C" {

// One line per call: the call's name, the calling thread and, for sane_open, the device.
const char* SaneShimLog() {
  static std::string copy;
  std::lock_guard<std::mutex> lock(g_mutex);
  copy = g_log;
  return copy.c_str();
}

void SaneShimClear() {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_log.clear();
}

SANE_Status sane_init(SANE_Int* version, SANE_Auth_Callback authorize) {
  Note("sane_init");
  return Forward<decltype(&sane_init)>("sane_init")(version, authorize);
}

void sane_exit() {
  Note("sane_exit");
  Forward<decltype(&sane_exit)>("sane_exit")();
}

SANE_Status sane_get_devices(const SANE_Device*** list, SANE_Bool local_only) {
  Note("sane_get_devices");
  return Forward<decltype(&sane_get_devices)>("sane_get_devices")(list, local_only);
}

SANE_Status sane_open(SANE_String_Const name, SANE_Handle* handle) {
  Note("sane_open", name);
  return Forward<decltype(&sane_open)>("sane_open")(name, handle);
}

void sane_close(SANE_Handle handle) {
  Note("sane_close");
  Forward<decltype(&sane_close)>("sane_close")(handle);
}

const SANE_Option_Descriptor* sane_get_option_descriptor(SANE_Handle handle, SANE_Int option) {
  Note("sane_get_option_descriptor");
  return Forward<decltype(&sane_get_option_descriptor)>("sane_get_option_descriptor")(handle, option);
}

SANE_Status sane_control_option(SANE_Handle handle, SANE_Int option, SANE_Action action, void* value,
                                SANE_Int* info) {
  Note("sane_control_option");
  return Forward<decltype(&sane_control_option)>("sane_control_option")(handle, option, action, value, info);
}

SANE_Status sane_get_parameters(SANE_Handle handle, SANE_Parameters* parameters) {
  Note("sane_get_parameters");
  return Forward<decltype(&sane_get_parameters)>("sane_get_parameters")(handle, parameters);
}

SANE_Status sane_start(SANE_Handle handle) {
  Note("sane_start");
  return Forward<decltype(&sane_start)>("sane_start")(handle);
}

SANE_Status sane_read(SANE_Handle handle, SANE_Byte* data, SANE_Int max_length, SANE_Int* length) {
  Note("sane_read");
  return Forward<decltype(&sane_read)>("sane_read")(handle, data, max_length, length);
}

void sane_cancel(SANE_Handle handle) {
  Note("sane_cancel");
  Forward<decltype(&sane_cancel)>("sane_cancel")(handle);
}

}  // extern "C"
