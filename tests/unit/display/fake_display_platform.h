#pragma once
// A display driver for the display service's tests: DirectDraw objects with the first, fourth and
// seventh interface and a Direct3D object, whose display modes, refusals and 3D device the test sets.
#include <optional>
#include <utility>
#include <vector>

#include "directdraw_stubs.h"
#include "display/display_platform.h"
#include "display/display_mode.h"

namespace dm::test {

struct FakeDriver {
  std::vector<TDXDrawDisplayMode> listed;    // what EnumDisplayModes reports
  std::vector<TDXDrawDisplayMode> accepted;  // what SetDisplayMode takes
  std::optional<DWORD> hardwareDeviceDepths; // DDBD_* flags of a hardware 3D device, if there is one
  std::optional<GUID> hardwareDeviceOn;      // the driver that has it (nullopt: the primary one)
  std::vector<GUID> drivers;                 // display drivers besides the primary one
  bool createFails = false;
  bool withoutFirstInterface = false;
  bool withoutFourthInterface = false;

  // What the service did.
  std::vector<std::optional<GUID>> createdOn;  // the driver of each DirectDraw object made
  std::vector<std::pair<HWND, DWORD>> cooperativeLevels;
  std::vector<TDXDrawDisplayMode> setCalls;
  TDXDrawDisplayMode screen{1280, 1024, 32};      // the display's mode now
  TDXDrawDisplayMode storedMode{1280, 1024, 32};  // where releasing a DirectDraw object that changed it goes
  std::vector<TDXDrawDisplayMode> desktopModeSets;
  int liveObjects = 0;
};

class FakeDirectDrawObject;

template <class Stub>
class FakeInterface : public Stub {
 public:
  explicit FakeInterface(FakeDirectDrawObject& outer) : outer_(outer) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

 protected:
  FakeDirectDrawObject& outer_;
};

class FakeDirectDraw1 : public FakeInterface<StubDirectDraw> {
 public:
  using FakeInterface::FakeInterface;
  HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE SetDisplayMode(DWORD width, DWORD height, DWORD bits) override;
  HRESULT STDMETHODCALLTYPE EnumDisplayModes(DWORD, LPDDSURFACEDESC, LPVOID context,
                                             LPDDENUMMODESCALLBACK callback) override;
};

class FakeDirect3D7 : public FakeInterface<StubDirect3D7> {
 public:
  using FakeInterface::FakeInterface;
  HRESULT STDMETHODCALLTYPE EnumDevices(LPD3DENUMDEVICESCALLBACK7 callback, void* context) override;
};

class FakeDirectDrawObject {
 public:
  FakeDirectDrawObject(FakeDriver& driver, std::optional<GUID> on) : driver_(driver), on_(on) {
    driver_.createdOn.push_back(on);
    ++driver_.liveObjects;
  }
  ~FakeDirectDrawObject() {
    --driver_.liveObjects;
    if (changedMode_) driver_.screen = driver_.storedMode;
  }

  HRESULT QueryInterface(REFIID iid, void** object) {
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDirectDraw7) *object = static_cast<IDirectDraw7*>(&seventh_);
    if (iid == IID_IDirectDraw && !driver_.withoutFirstInterface) *object = static_cast<IDirectDraw*>(&first_);
    if (iid == IID_IDirectDraw4 && !driver_.withoutFourthInterface) *object = static_cast<IDirectDraw4*>(&fourth_);
    if (iid == IID_IDirect3D7) *object = static_cast<IDirect3D7*>(&direct3D_);
    if (!*object) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG AddRef() { return ++references_; }
  ULONG Release() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  FakeDriver& Driver() { return driver_; }
  void ModeChanged() { changedMode_ = true; }
  bool HasHardwareDevice() const { return driver_.hardwareDeviceDepths && on_ == driver_.hardwareDeviceOn; }

 private:
  FakeDriver& driver_;
  std::optional<GUID> on_;
  bool changedMode_ = false;
  ULONG references_ = 1;
  FakeDirectDraw1 first_{*this};
  FakeInterface<StubDirectDraw4> fourth_{*this};
  FakeInterface<StubDirectDraw7> seventh_{*this};
  FakeDirect3D7 direct3D_{*this};
};

template <class Stub>
HRESULT FakeInterface<Stub>::QueryInterface(REFIID iid, void** object) {
  return outer_.QueryInterface(iid, object);
}
template <class Stub>
ULONG FakeInterface<Stub>::AddRef() {
  return outer_.AddRef();
}
template <class Stub>
ULONG FakeInterface<Stub>::Release() {
  return outer_.Release();
}

inline HRESULT FakeDirectDraw1::SetCooperativeLevel(HWND window, DWORD flags) {
  outer_.Driver().cooperativeLevels.emplace_back(window, flags);
  return DD_OK;
}

inline HRESULT FakeDirectDraw1::SetDisplayMode(DWORD width, DWORD height, DWORD bits) {
  FakeDriver& driver = outer_.Driver();
  const TDXDrawDisplayMode mode{static_cast<int>(width), static_cast<int>(height), static_cast<int>(bits)};
  driver.setCalls.push_back(mode);
  for (const TDXDrawDisplayMode& accepted : driver.accepted) {
    if (accepted == mode) {
      driver.screen = mode;
      outer_.ModeChanged();
      return DD_OK;
    }
  }
  return DDERR_INVALIDMODE;
}

inline HRESULT FakeDirectDraw1::EnumDisplayModes(DWORD, LPDDSURFACEDESC, LPVOID context,
                                                 LPDDENUMMODESCALLBACK callback) {
  for (const TDXDrawDisplayMode& mode : outer_.Driver().listed) {
    DDSURFACEDESC description{};
    description.dwSize = sizeof(description);
    description.dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    description.dwWidth = static_cast<DWORD>(mode.Width);
    description.dwHeight = static_cast<DWORD>(mode.Height);
    description.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
    description.ddpfPixelFormat.dwRGBBitCount = static_cast<DWORD>(mode.BitCount);
    if (callback(&description, context) != DDENUMRET_OK) break;
  }
  return DD_OK;
}

inline HRESULT FakeDirect3D7::EnumDevices(LPD3DENUMDEVICESCALLBACK7 callback, void* context) {
  char description[] = "fake device";
  char name[] = "fake";
  D3DDEVICEDESC7 software{};
  software.dwDeviceRenderBitDepth = DDBD_16 | DDBD_24 | DDBD_32;
  if (callback(description, name, &software, context) != D3DENUMRET_OK) return D3D_OK;
  if (outer_.HasHardwareDevice()) {
    D3DDEVICEDESC7 hardware{};
    hardware.dwDevCaps = D3DDEVCAPS_HWRASTERIZATION;
    hardware.dwDeviceRenderBitDepth = *outer_.Driver().hardwareDeviceDepths;
    callback(description, name, &hardware, context);
  }
  return D3D_OK;
}

// The entry points, making fake objects on `driver`.
class FakeDisplayPlatform final : public DisplayPlatform {
 public:
  explicit FakeDisplayPlatform(FakeDriver& driver) : driver_(driver) {}

  HRESULT CreateEx(GUID* on, REFIID iid, void** object) override {
    *object = nullptr;
    if (driver_.createFails) return DDERR_GENERIC;
    auto* created = new FakeDirectDrawObject(driver_, on ? std::optional<GUID>(*on) : std::nullopt);
    const HRESULT result = created->QueryInterface(iid, object);
    created->Release();
    return result;
  }
  HRESULT Create(GUID* on, IDirectDraw** object) override {
    return CreateEx(on, IID_IDirectDraw, reinterpret_cast<void**>(object));
  }
  HRESULT EnumerateDrivers(LPDDENUMCALLBACKW callback, void* context) override {
    wchar_t description[] = L"display";
    wchar_t name[] = L"display";
    if (!callback(nullptr, description, name, context)) return DD_OK;
    for (GUID& guid : driver_.drivers) {
      if (!callback(&guid, description, name, context)) break;
    }
    return DD_OK;
  }
  std::optional<TDXDrawDisplayMode> DesktopMode() override { return driver_.screen; }
  void SetDesktopMode(const TDXDrawDisplayMode& mode) override {
    driver_.desktopModeSets.push_back(mode);
    driver_.screen = mode;
  }

 private:
  FakeDriver& driver_;
};

}  // namespace dm::test
