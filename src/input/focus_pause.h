#pragma once
// Pause and unpause notices when the main window loses or regains the foreground or is minimized.
// Portable: the desktop and the main window are reached through the interfaces below.
#include <cstdint>
#include <exception>
#include <functional>
#include <string_view>

namespace dm {

// The window calls focus handling makes on the desktop; SystemDesktop (input/system_desktop.h) makes them
// for real.
class Desktop {
 public:
  using Window = std::uintptr_t;  // a window handle; 0 is no window

  virtual ~Desktop() = default;
  virtual Window Foreground() const = 0;
  // The z-order changes neither move, size nor activate the window.
  virtual void DropTopmost(Window window) = 0;
  virtual void RaiseToTop(Window window) = 0;
  virtual void SetFocus(Window window) = 0;
};

// What focus handling needs from the main window.
class PauseHost {
 public:
  virtual ~PauseHost() = default;
  virtual Desktop::Window MainWindow() const = 0;
  virtual bool Minimized() const = 0;
  virtual bool Maximized() const = 0;
  virtual void CallMovie(std::wstring_view callText) = 0;
  virtual bool FullScreen() const = 0;          // FFullScreen
  virtual bool WindowedImpossible() const = 0;  // FWindowedImpossible
  virtual void RecordDesktopSize() = 0;         // the current screen size into FDesktopWidth/Height
  virtual void SizeControlToClient() = 0;
  // From now on the Flash control follows the client area.
  virtual void AlignControlToClient() = 0;
  virtual void EnableUserActivity(bool enabled) = 0;
};

// The host keeps no pause state: every event sends its notice whatever was sent before. A notice that
// fails does not leave the window half-handled: the remaining steps run and the error is raised at the
// end, for the caller to discard or report.
class FocusPause {
 public:
  FocusPause(PauseHost& host, Desktop& desktop) : host_(host), desktop_(desktop) {}

  // WM_ACTIVATE, whatever its arguments say. The caller answers 0 and passes the message neither to the
  // framework nor to the default procedure (which would take the keyboard focus).
  void Activated();
  // WM_SYSCOMMAND: the minimize command sends a pause first; passOn (the base class's handling) runs
  // for every command.
  void SysCommand(std::uint32_t command, const std::function<void()>& passOn);
  // Timer2: one pause notice the first time the window is found minimized in this run.
  void CheckMinimized();

  bool PausedOnMinimize() const noexcept { return pausedOnMinimize_; }

 private:
  std::exception_ptr Notify(std::wstring_view callText);

  PauseHost& host_;
  Desktop& desktop_;
  bool pausedOnMinimize_ = false;  // FPausedOnMinimize
};

inline constexpr std::uint32_t kMinimizeCommand = 0xF020;  // SC_MINIMIZE

}  // namespace dm
