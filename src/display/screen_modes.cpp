#include "display/screen_modes.h"

#include <shellapi.h>

#include "display/dx_form.h"
#include "display/dxdraw.h"
#include "display/windowed_play.h"
#include "host/movie_call_text.h"
#include "ui/application.h"

namespace dm {

int GetTaskbarHeight() {
  APPBARDATA data{};
  data.cbSize = sizeof(data);
  data.hWnd = FindWindowW(L"Shell_TrayWnd", nullptr);
  TaskbarState taskbar;
  taskbar.AlwaysOnTop = (SHAppBarMessage(ABM_GETSTATE, &data) & ABS_ALWAYSONTOP) != 0;
  taskbar.AutoHide = (SHAppBarMessage(ABM_GETSTATE, &data) & ABS_AUTOHIDE) != 0;
  RECT rect{};
  if (data.hWnd && GetWindowRect(data.hWnd, &rect)) taskbar.WindowHeight = rect.bottom - rect.top;
  return TaskbarHeight(taskbar);
}

ScreenModes::ScreenModes(TDXForm& form, TDXDraw& dxDraw, Timer& userActivity, ScreenModeHooks hooks)
    : form_(form), DXDraw1(dxDraw), tmrUserActivity(userActivity), hooks_(std::move(hooks)) {
  if (!hooks_.showMessage) {
    hooks_.showMessage = [this](const std::wstring& text) {
      MessageBoxW(form_.Handle(), text.c_str(), Application::Instance().Title().c_str(), MB_OK);
    };
  }
  if (!hooks_.screenSize) {
    hooks_.screenSize = [] { return SIZE{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; };
  }
  if (!hooks_.taskbarHeight) hooks_.taskbarHeight = &GetTaskbarHeight;
  // The display service as the main window is designed: any width-to-height ratio, exact size.
  DXDraw1.SetOptions(kMainWindowDisplayOptions);
  DXDraw1.Display().FixedRatio = false;
  Timer1.SetOnTimer([this] { Timer1Timer(); });
  RecordDesktopSize();
}

void ScreenModes::RecordDesktopSize() {
  const SIZE screen = hooks_.screenSize();
  FDesktopWidth = static_cast<std::uint16_t>(screen.cx);
  FDesktopHeight = static_cast<std::uint16_t>(screen.cy);
}

bool ScreenModes::CanPlayWindowed() { return dm::CanPlayWindowed(FDesktopWidth, FDesktopHeight, hooks_.taskbarHeight); }

void ScreenModes::ChooseStartScreenMode() {
  if (!CanPlayWindowed()) FWindowedImpossible = true;
  FFullScreen = false;
  form_.SetBorderStyle(BorderStyle::Single);
  form_.SetStayOnTop(false);
  form_.SetClientSize(kStageWidth, kStageHeight);
  if (FWindowedImpossible) {
    form_.SetPosition(0, 0);
    FFullScreen = true;
    Timer1.SetEnabled(true);
  }
  hooks_.sizeFlashToClient();
  // Last, so that a movie that cannot take the notice does not keep the host from full screen.
  if (FWindowedImpossible) hooks_.callMovie(movie_call::kCheckFullScreen);
}

void ScreenModes::ToggleScreenMode(std::wstring_view param) {
  if (!FFullScreen) {
    FFullScreen = true;
    if (!FWindowedImpossible) RecordDesktopSize();
    Timer1.SetEnabled(true);
  } else if (CanPlayWindowed()) {
    FFullScreen = false;
    // An entry still pending is called off: the window has not changed yet.
    if (Timer1.Enabled()) {
      Timer1.SetEnabled(false);
    } else {
      SetScreenMode(false);
    }
  } else if (param == L"true") {
    hooks_.callMovie(movie_call::kCheckFullScreen);
    hooks_.showMessage(kWindowedModeRefused);
  }
}

void ScreenModes::Timer1Timer() {
  // Off first: a failed entry is reported once, not every 100 ms.
  Timer1.SetEnabled(false);
  SetScreenMode(true);
}

void ScreenModes::SetScreenMode(bool fullScreen) {
  if (fullScreen) {
    tmrUserActivity.SetEnabled(true);
    DXDraw1.StopDisplay();
    form_.StoreWindowPlacement();
    const RECT bounds = form_.BoundsRect();
    FSavedLeft = bounds.left;
    FSavedTop = bounds.top;
    DXDraw1.Display().SetWidth(kStageWidth);
    DXDraw1.Display().SetHeight(kStageHeight);
    DXDraw1.Display().SetBitCount(kFullScreenBitCount);
    DXDraw1.SetOptions(DXDraw1.Options().With(doFullScreen));
    DXDraw1.StartDisplay();
    form_.SetBorderStyle(BorderStyle::None);
  } else {
    DXDraw1.StopDisplay();
    DXDraw1.SetOptions(DXDraw1.Options().Without(doFullScreen));
    form_.SetBorderStyle(BorderStyle::Single);
    form_.SetStayOnTop(false);
    form_.SetPosition(FSavedLeft, FSavedTop);
    form_.SetClientSize(kStageWidth, kStageHeight);
    form_.RestoreWindowPlacement();
    tmrUserActivity.SetEnabled(false);
  }
  hooks_.sizeFlashToClient();
}

}  // namespace dm
