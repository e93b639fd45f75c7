#pragma once
// The desktop of focus handling, made of the real window calls.
#include <windows.h>

#include "input/focus_pause.h"

namespace dm {

inline Desktop::Window ToDesktopWindow(HWND window) { return reinterpret_cast<Desktop::Window>(window); }
inline HWND ToHwnd(Desktop::Window window) { return reinterpret_cast<HWND>(window); }

class SystemDesktop final : public Desktop {
 public:
  Window Foreground() const override;
  void DropTopmost(Window window) override;
  void RaiseToTop(Window window) override;
  void SetFocus(Window window) override;
};

}  // namespace dm
