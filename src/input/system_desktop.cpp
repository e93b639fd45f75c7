#include "input/system_desktop.h"

namespace dm {
namespace {

// Keep size and position, do not activate: SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE (0x13).
constexpr UINT kZOrderOnly = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE;

}  // namespace

Desktop::Window SystemDesktop::Foreground() const { return ToDesktopWindow(GetForegroundWindow()); }

void SystemDesktop::DropTopmost(Window window) {
  SetWindowPos(ToHwnd(window), HWND_NOTOPMOST, 0, 0, 0, 0, kZOrderOnly);
}

void SystemDesktop::RaiseToTop(Window window) { SetWindowPos(ToHwnd(window), HWND_TOP, 0, 0, 0, 0, kZOrderOnly); }

void SystemDesktop::SetFocus(Window window) {
  // The focus of another thread's window cannot be set from here (the call has no effect), and some
  // systems activate that window instead, which deactivates ours again in the middle of our handling.
  if (window && GetWindowThreadProcessId(ToHwnd(window), nullptr) != GetCurrentThreadId()) return;
  ::SetFocus(ToHwnd(window));
}

}  // namespace dm
