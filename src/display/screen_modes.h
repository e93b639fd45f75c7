#pragma once
// Windowed and full-screen play of the main window: the choice at first show, the movie's "fullscreen"
// request, the deferred entry and the switch itself.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "ui/timer.h"

namespace dm {

class TDXDraw;
class TDXForm;

// What screen modes need besides the window, its display service and the user-activity timer.
struct ScreenModeHooks {
  std::function<void(std::wstring_view)> callMovie;  // the main window's CallMovie
  std::function<void()> sizeFlashToClient;           // the Flash control takes the client area
  // A modal message box with one OK button captioned with the application title (default: over the
  // window).
  std::function<void(const std::wstring&)> showMessage;
  std::function<SIZE()> screenSize;  // default: the primary display's size now
  std::function<int()> taskbarHeight;  // default: GetTaskbarHeight
};

// The pixels the taskbar takes from the desktop: its window height when it is always on top and not
// auto-hidden, else 0.
int GetTaskbarHeight();

class ScreenModes {
 public:
  // Records the screen size as the desktop size and gives the display service the main window's
  // settings.
  ScreenModes(TDXForm& form, TDXDraw& dxDraw, Timer& userActivity, ScreenModeHooks hooks);

  bool FullScreen() const { return FFullScreen; }
  bool WindowedImpossible() const { return FWindowedImpossible; }
  // Takes the current screen size as the desktop size (also on focus loss of a forced full screen).
  void RecordDesktopSize();
  bool CanPlayWindowed();

  // At first show: a windowed start, or full screen forced 100 ms later.
  void ChooseStartScreenMode();
  // The movie's "fullscreen" request with its param text: enter, leave, or refuse to leave.
  void ToggleScreenMode(std::wstring_view param);
  // The deferred entry into full screen (Timer1's event). Errors go to the caller.
  void Timer1Timer();
  void SetScreenMode(bool fullScreen);

  const Timer& EntryTimer() const { return Timer1; }

 private:
  TDXForm& form_;
  TDXDraw& DXDraw1;
  Timer& tmrUserActivity;
  ScreenModeHooks hooks_;
  Timer Timer1{100, false};

  bool FFullScreen = false;
  bool FWindowedImpossible = false;
  std::uint16_t FDesktopWidth = 0;
  std::uint16_t FDesktopHeight = 0;
  int FSavedLeft = 0;
  int FSavedTop = 0;
};

inline constexpr wchar_t kWindowedModeRefused[] =
    L"Sorry, windowed mode is not supported with your screen resolution or desktop settings";

}  // namespace dm
