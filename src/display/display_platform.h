#pragma once
// What the display service uses of the system: DirectDraw's entry points and the desktop's display
// settings, behind an interface so that tests can hand it a driver of their own.
#include <windows.h>
#include <ddraw.h>

#include <memory>
#include <optional>

#include "display/display_mode.h"

namespace dm {

class DisplayPlatform {
 public:
  virtual ~DisplayPlatform() = default;
  // "DirectDrawCreateEx": a DirectDraw object of interface `iid` on `driver` (nullptr: the default one).
  virtual HRESULT CreateEx(GUID* driver, REFIID iid, void** object) = 0;
  // "DirectDrawCreate": a DirectDraw object with the first interface.
  virtual HRESULT Create(GUID* driver, IDirectDraw** object) = 0;
  // "DirectDrawEnumerateW": one callback per display driver.
  virtual HRESULT EnumerateDrivers(LPDDENUMCALLBACKW callback, void* context) = 0;

  // The primary display's current mode, when the system reports it.
  virtual std::optional<TDXDrawDisplayMode> DesktopMode() = 0;
  // Switches the primary display to `mode` for this session (the stored settings stay).
  virtual void SetDesktopMode(const TDXDrawDisplayMode& mode) = 0;
};

// The system's DirectDraw in "DDraw.dll", resolved by name through the process-wide library cache when
// called (a missing library or entry point raises "DDraw.dll is not loaded"), and its display settings.
std::shared_ptr<DisplayPlatform> SystemDisplayPlatform();

}  // namespace dm
