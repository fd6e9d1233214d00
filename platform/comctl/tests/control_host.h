// A top-level window that hosts controls under test and records what they
// tell their parent: WM_COMMAND notifications and owner-draw requests.
#ifndef PLAT_COMCTL_TESTS_CONTROL_HOST_H_
#define PLAT_COMCTL_TESTS_CONTROL_HOST_H_

#include <string>
#include <vector>

#include "plat/controls.h"
#include "plat/dialog.h"
#include "plat/testing.h"
#include "plat/user.h"

namespace plat::test {

struct Notice {
  int id;
  WORD code;
  bool operator==(const Notice& other) const { return id == other.id && code == other.code; }
};

struct DrawRequest {
  UINT type;
  UINT item;
  UINT state;
};

class ControlHost {
 public:
  ControlHost() {
    static const bool registered = [] {
      WNDCLASSEX wc;
      wc.lpfnWndProc = &Proc;
      wc.lpszClassName = "ControlHost";
      wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
      return RegisterClassEx(&wc) != 0;
    }();
    (void)registered;
    hwnd_ = CreateWindowEx(0, "ControlHost", "Host", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 40, 40, 400, 300,
                           nullptr, nullptr, nullptr, this);
  }
  ~ControlHost() {
    if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
  }
  ControlHost(const ControlHost&) = delete;
  ControlHost& operator=(const ControlHost&) = delete;

  HWND hwnd() const { return hwnd_; }
  HWND Add(const char* class_name, const char* text, DWORD style, int id, RECT rect = {10, 10, 210, 130}) {
    return CreateWindowEx(0, class_name, text, WS_CHILD | WS_VISIBLE | style, rect.left, rect.top,
                          rect.right - rect.left, rect.bottom - rect.top, hwnd_,
                          reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
  }
  std::vector<Notice> notices;
  std::vector<DrawRequest> draws;
  std::vector<WORD> scroll_codes;  // WM_HSCROLL / WM_VSCROLL requests from scroll-bar controls
  UINT measured_height = 0;  // answer to WM_MEASUREITEM when not 0

 private:
  static LRESULT Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
      SetWindowLongPtr(hwnd, GWLP_USERDATA,
                       reinterpret_cast<LONG_PTR>(reinterpret_cast<const CREATESTRUCT*>(lparam)->lpCreateParams));
    }
    auto* host = reinterpret_cast<ControlHost*>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
    if (host != nullptr) {
      switch (message) {
        case WM_COMMAND: host->notices.push_back({LOWORD(wparam), HIWORD(wparam)}); return 0;
        case WM_DRAWITEM: {
          const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
          host->draws.push_back({draw->CtlType, draw->itemID, draw->itemState});
          return TRUE;
        }
        case WM_HSCROLL:
        case WM_VSCROLL: host->scroll_codes.push_back(LOWORD(wparam)); return 0;
        case WM_MEASUREITEM:
          if (host->measured_height != 0) reinterpret_cast<MEASUREITEMSTRUCT*>(lparam)->itemHeight = host->measured_height;
          return TRUE;
        default: break;
      }
    }
    return DefWindowProc(hwnd, message, wparam, lparam);
  }
  HWND hwnd_ = nullptr;
};

inline std::string WindowTextOf(HWND hwnd) {
  char text[512] = {};
  GetWindowText(hwnd, text, sizeof(text));
  return text;
}

inline std::vector<WORD> CodesFrom(const std::vector<Notice>& notices, int id) {
  std::vector<WORD> codes;
  for (const Notice& notice : notices) {
    if (notice.id == id) codes.push_back(notice.code);
  }
  return codes;
}

}  // namespace plat::test

#endif  // PLAT_COMCTL_TESTS_CONTROL_HOST_H_
