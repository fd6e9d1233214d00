// CWnd: the class library's window object. Until the window layer arrives it
// holds no window: m_hWnd stays null.
#ifndef PLAT_CTL_WND_H_
#define PLAT_CTL_WND_H_

#include "plat/types.h"

namespace plat {

class CWnd {
 public:
  CWnd() = default;
  virtual ~CWnd() = default;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND GetSafeHwnd() const { return m_hWnd; }

  HWND m_hWnd = nullptr;
};

}  // namespace plat

#endif  // PLAT_CTL_WND_H_
