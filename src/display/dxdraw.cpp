#include "display/dxdraw.h"

#include <d3d.h>

#include <string>
#include <utility>
#include <vector>

#include "display/dx_errors.h"
#include "ui/form.h"

namespace dm {
namespace {

// The first 3D device that rasterizes in hardware: the bit counts it renders at.
HRESULT WINAPI CollectHardwareDevice(LPSTR, LPSTR, LPD3DDEVICEDESC7 description, LPVOID context) {
  auto* found = static_cast<std::optional<RenderDepths>*>(context);
  if (!description || !(description->dwDevCaps & D3DDEVCAPS_HWRASTERIZATION)) return D3DENUMRET_OK;
  const DWORD depths = description->dwDeviceRenderBitDepth;
  *found = RenderDepths{(depths & DDBD_8) != 0, (depths & DDBD_16) != 0, (depths & DDBD_24) != 0,
                        (depths & DDBD_32) != 0};
  return D3DENUMRET_CANCEL;
}

std::optional<RenderDepths> FindHardwareDevice(DisplayPlatform& platform, GUID* driver) {
  ComPtr<IDirectDraw7> directDraw;
  if (FAILED(platform.CreateEx(driver, IID_IDirectDraw7, directDraw.PutVoid())) || !directDraw) return {};
  ComPtr<IDirect3D7> direct3D = directDraw.As<IDirect3D7>(IID_IDirect3D7);
  std::optional<RenderDepths> found;
  if (direct3D) direct3D->EnumDevices(&CollectHardwareDevice, &found);
  return found;
}

BOOL WINAPI CollectDriver(GUID* driver, LPWSTR, LPWSTR, LPVOID context) {
  auto* drivers = static_cast<std::vector<std::optional<GUID>>*>(context);
  try {
    drivers->push_back(driver ? std::optional<GUID>(*driver) : std::nullopt);
  } catch (...) {
    return DDENUMRET_CANCEL;
  }
  return DDENUMRET_OK;
}

HRESULT WINAPI CollectMode(LPDDSURFACEDESC description, LPVOID context) {
  auto* modes = static_cast<std::vector<TDXDrawDisplayMode>*>(context);
  if (!description) return DDENUMRET_OK;
  try {
    modes->push_back({static_cast<int>(description->dwWidth), static_cast<int>(description->dwHeight),
                      static_cast<int>(description->ddpfPixelFormat.dwRGBBitCount)});
  } catch (...) {
    return DDENUMRET_CANCEL;
  }
  return DDENUMRET_OK;
}

}  // namespace

TDXDraw::TDXDraw(Form* form, std::shared_ptr<DisplayPlatform> platform)
    : form_(form),
      platform_(std::move(platform)),
      self_(std::make_shared<TDXDraw*>(this)),
      nowOptions_(EffectiveOptions(options_)),
      modes_([this] { return EnumerateModes(); }) {
  if (form_) {
    form_->AddMessageHook([self = std::weak_ptr<TDXDraw*>(self_)](UINT message, WPARAM, LPARAM) {
      if (auto alive = self.lock()) (*alive)->OnFormMessage(message);
    });
  }
}

TDXDraw::~TDXDraw() { Release(); }

void TDXDraw::OnFormMessage(UINT message) {
  switch (message) {
    case WM_ENTERSIZEMOVE:
    case WM_DESTROY:
      StopDisplay();
      break;
    case WM_EXITSIZEMOVE:
      StartDisplay();
      break;
    default:
      break;
  }
}

void TDXDraw::SetOptions(TDXDrawOptions options) {
  options_ = options;
  nowOptions_ = started_ ? EffectiveOptionsWhileRunning(nowOptions_, options) : EffectiveOptions(options);
}

void TDXDraw::StartDisplay() {
  StopDisplay();
  if (!form_ || !form_->HandleAllocated()) throw EDXDrawError(L"Form not found");
  try {
    const bool hardwareFullScreen =
        options_.Has(doFullScreen) && options_.Has(doHardware) && !options_.Has(doSystemMemory);
    driver_.reset();
    if (hardwareFullScreen && options_.Has(do3D)) SelectHardwareDriver();
    CreateDirectDraw();
    // A refused cooperative level shows in the mode change that follows, or not at all.
    directDraw1_->SetCooperativeLevel(form_->Handle(), CooperativeLevelFlags(nowOptions_));
    if (nowOptions_.Has(doFullScreen) &&
        !ApplyDisplayMode(display_.Width(), display_.Height(), display_.BitCount())) {
      throw EDXDrawError(L"Display mode cannot be changed (" + std::to_wstring(display_.Width()) + L"x" +
                         std::to_wstring(display_.Height()) + L" " + std::to_wstring(display_.BitCount()) +
                         L"bit)");
    }
    started_ = true;
  } catch (...) {
    Release();
    throw;
  }
}

void TDXDraw::SelectHardwareDriver() {
  std::vector<std::optional<GUID>> drivers;
  if (options_.Has(doSelectDriver)) platform_->EnumerateDrivers(&CollectDriver, &drivers);
  // Without a list of drivers the current one is the only candidate.
  if (drivers.empty()) drivers.emplace_back();
  for (std::optional<GUID>& driver : drivers) {
    std::optional<RenderDepths> device = FindHardwareDevice(*platform_, driver ? &*driver : nullptr);
    if (!device) continue;
    driver_ = driver;
    display_.SetBitCount(RenderableBitCount(display_.BitCount(), display_.FixedBitCount, *device));
    return;
  }
}

void TDXDraw::CreateDirectDraw() {
  GUID* driver = driver_ ? &*driver_ : nullptr;
  if (nowOptions_.Has(doDirectX7Mode)) {
    if (FAILED(platform_->CreateEx(driver, IID_IDirectDraw7, directDraw7_.PutVoid())) || !directDraw7_) {
      throw EDirectDrawError(L"DirectDraw cannot be initialized");
    }
    directDraw1_ = directDraw7_.As<IDirectDraw>(IID_IDirectDraw);
    directDraw4_ = directDraw7_.As<IDirectDraw4>(IID_IDirectDraw4);
    if (!directDraw1_ || !directDraw4_) throw EDirectDrawError(L"Requires DirectX 7.0 or later");
  } else {
    if (FAILED(platform_->Create(driver, directDraw1_.Put())) || !directDraw1_) {
      throw EDirectDrawError(L"DirectDraw cannot be initialized");
    }
    directDraw4_ = directDraw1_.As<IDirectDraw4>(IID_IDirectDraw4);
    if (!directDraw4_) throw EDirectDrawError(L"Requires DirectX 6.0 or later");
  }
}

bool TDXDraw::ApplyDisplayMode(int width, int height, int bitCount) {
  if (!directDraw1_) return false;
  const std::optional<TDXDrawDisplayMode> desktopMode = desktopMode_ ? desktopMode_ : platform_->DesktopMode();
  const bool set = dm::ApplyDisplayMode(display_, width, height, bitCount, modes_, [this](const TDXDrawDisplayMode& m) {
    return directDraw1_->SetDisplayMode(static_cast<DWORD>(m.Width), static_cast<DWORD>(m.Height),
                                        static_cast<DWORD>(m.BitCount)) == DD_OK;
  });
  if (set) desktopMode_ = desktopMode;
  return set;
}

std::vector<TDXDrawDisplayMode> TDXDraw::EnumerateModes() {
  std::vector<TDXDrawDisplayMode> modes;
  if (directDraw1_) directDraw1_->EnumDisplayModes(0, nullptr, &modes, &CollectMode);
  return modes;
}

void TDXDraw::StopDisplay() {
  if (!started_) return;
  Release();
  started_ = false;
  nowOptions_ = EffectiveOptions(options_);
}

void TDXDraw::Release() {
  modes_.Clear();
  directDraw1_.Reset();
  directDraw4_.Reset();
  directDraw7_.Reset();
  // Releasing DirectDraw returns the display to a mode of the platform's choosing: Wine, for one, takes
  // the stored settings rather than the desktop the player had.
  if (std::optional<TDXDrawDisplayMode> desktopMode = std::exchange(desktopMode_, std::nullopt)) {
    if (platform_->DesktopMode() != desktopMode) platform_->SetDesktopMode(*desktopMode);
  }
}

}  // namespace dm
