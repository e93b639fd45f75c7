#pragma once
// The main window's display service: holds the display exclusively for the window and switches its mode
// during full-screen play, and gives it back when stopped. It never draws.
#include <windows.h>
#include <ddraw.h>

#include <memory>
#include <optional>

#include "display/display_platform.h"
#include "display/display_mode.h"
#include "display/dxdraw_options.h"
#include "ui/com.h"

namespace dm {

class Form;

class TDXDraw {
 public:
  // Places the service on `form` (nullptr: on none, so it cannot start). It stops when an interactive
  // move or resize of the form begins or the form's window is destroyed, and starts again when the move
  // ends.
  explicit TDXDraw(Form* form, std::shared_ptr<DisplayPlatform> platform = SystemDisplayPlatform());
  ~TDXDraw();
  TDXDraw(const TDXDraw&) = delete;
  TDXDraw& operator=(const TDXDraw&) = delete;

  TDXDrawDisplay& Display() { return display_; }
  const TDXDrawDisplay& Display() const { return display_; }

  TDXDrawOptions Options() const { return options_; }
  void SetOptions(TDXDrawOptions options);
  // The options in effect.
  TDXDrawOptions NowOptions() const { return nowOptions_; }

  // Starts with the current settings, stopping first. Throws EDXDrawError, EDirectDrawError or dm::Error;
  // a failed start leaves the service stopped and the display in its former mode.
  void StartDisplay();
  // Ends exclusive use and returns the display to its former mode; nothing when stopped.
  void StopDisplay();
  bool DisplayStarted() const { return started_; }

  // Switches the display mode (see ApplyDisplayMode in display/display_mode.h); needs a started
  // DirectDraw object.
  bool ApplyDisplayMode(int width, int height, int bitCount);

 private:
  void OnFormMessage(UINT message);
  void SelectHardwareDriver();
  void CreateDirectDraw();
  std::vector<TDXDrawDisplayMode> EnumerateModes();
  void Release();

  Form* form_;
  std::shared_ptr<DisplayPlatform> platform_;
  // The form's message hook holds a weak reference, so it outlives this object harmlessly.
  std::shared_ptr<TDXDraw*> self_;
  TDXDrawDisplay display_;
  TDXDrawOptions options_;
  TDXDrawOptions nowOptions_;
  bool started_ = false;
  // The desktop's mode before this service changed it, while changed.
  std::optional<TDXDrawDisplayMode> desktopMode_;
  std::optional<GUID> driver_;  // the display driver with a hardware 3D device, when one was found
  DisplayModeList modes_;
  ComPtr<IDirectDraw7> directDraw7_;
  ComPtr<IDirectDraw4> directDraw4_;
  ComPtr<IDirectDraw> directDraw1_;
};

}  // namespace dm
