#pragma once
// The DirectDraw entry points the display service calls, behind an interface so that tests can hand it
// a driver of their own.
#include <windows.h>
#include <ddraw.h>

#include <memory>

namespace dm {

class DirectDrawSystem {
 public:
  virtual ~DirectDrawSystem() = default;
  // "DirectDrawCreateEx": a DirectDraw object of interface `iid` on `driver` (nullptr: the default one).
  virtual HRESULT CreateEx(GUID* driver, REFIID iid, void** object) = 0;
  // "DirectDrawCreate": a DirectDraw object with the first interface.
  virtual HRESULT Create(GUID* driver, IDirectDraw** object) = 0;
  // "DirectDrawEnumerateW": one callback per display driver.
  virtual HRESULT EnumerateDrivers(LPDDENUMCALLBACKW callback, void* context) = 0;
};

// The system's DirectDraw in "DDraw.dll", resolved by name through the process-wide library cache when
// called; a missing library or entry point raises "DDraw.dll is not loaded".
std::shared_ptr<DirectDrawSystem> SystemDirectDraw();

}  // namespace dm
