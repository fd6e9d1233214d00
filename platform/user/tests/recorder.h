// Test windows that record the messages they get, for the window-system tests.
#ifndef PLAT_USER_TESTS_RECORDER_H_
#define PLAT_USER_TESTS_RECORDER_H_

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "plat/testing.h"
#include "plat/user.h"

namespace plat::test {

struct Seen {
  HWND hwnd;
  UINT message;
  WPARAM wparam;
  LPARAM lparam;
};

// One class, "Recorder", whose windows log every message into `Log()` and
// run an optional per-window handler first (which may answer the message).
class Recorder {
 public:
  using Handler = std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)>;

  static void Register() {
    static bool done = false;
    if (done) return;
    WNDCLASSEX wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &Proc;
    wc.lpszClassName = "Recorder";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(COLOR_WINDOW + 1));
    done = RegisterClassEx(&wc) != 0;
  }
  static std::vector<Seen>& Log() {
    static std::vector<Seen> log;
    return log;
  }
  static std::map<HWND, Handler>& Handlers() {
    static std::map<HWND, Handler> handlers;
    return handlers;
  }
  // The recorded messages among `interesting`, in order.
  static std::vector<Seen> Only(std::initializer_list<UINT> interesting) {
    std::vector<Seen> out;
    for (const Seen& seen : Log()) {
      for (UINT message : interesting) {
        if (seen.message == message) out.push_back(seen);
      }
    }
    return out;
  }
  static HWND Create(DWORD style, RECT rect, HWND parent = nullptr, DWORD ex_style = 0, int id = 0) {
    Register();
    return CreateWindowEx(ex_style, "Recorder", "", style, rect.left, rect.top, rect.right - rect.left,
                          rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr,
                          nullptr);
  }

 private:
  static LRESULT Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    Log().push_back(Seen{hwnd, message, wparam, lparam});
    auto found = Handlers().find(hwnd);
    if (found != Handlers().end()) {
      Handler handler = found->second;  // the handler may replace itself
      LRESULT result = 0;
      if (handler(hwnd, message, wparam, lparam, &result)) return result;
    }
    if (message == WM_NCDESTROY) Handlers().erase(hwnd);
    return DefWindowProc(hwnd, message, wparam, lparam);
  }
};

// Window tests: the GUI fixture with a clean record.
class WindowTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    Recorder::Log().clear();
    Recorder::Handlers().clear();
  }
};

}  // namespace plat::test

#endif  // PLAT_USER_TESTS_RECORDER_H_
