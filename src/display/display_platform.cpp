#include "display/display_platform.h"

#include "display/library_cache.h"

namespace dm {
namespace {

template <class Function>
Function Resolve(const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void (*)()>(LibraryCache::Process().EntryPoint(kDirectDrawLibrary, name)));
}

class SystemPlatform final : public DisplayPlatform {
 public:
  HRESULT CreateEx(GUID* driver, REFIID iid, void** object) override {
    using Function = HRESULT(WINAPI*)(GUID*, void**, REFIID, IUnknown*);
    return Resolve<Function>("DirectDrawCreateEx")(driver, object, iid, nullptr);
  }
  HRESULT Create(GUID* driver, IDirectDraw** object) override {
    using Function = HRESULT(WINAPI*)(GUID*, IDirectDraw**, IUnknown*);
    return Resolve<Function>("DirectDrawCreate")(driver, object, nullptr);
  }
  HRESULT EnumerateDrivers(LPDDENUMCALLBACKW callback, void* context) override {
    using Function = HRESULT(WINAPI*)(LPDDENUMCALLBACKW, void*);
    return Resolve<Function>("DirectDrawEnumerateW")(callback, context);
  }

  std::optional<TDXDrawDisplayMode> DesktopMode() override {
    DEVMODEW mode{};
    mode.dmSize = sizeof(mode);
    if (!EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode)) return std::nullopt;
    return TDXDrawDisplayMode{static_cast<int>(mode.dmPelsWidth), static_cast<int>(mode.dmPelsHeight),
                              static_cast<int>(mode.dmBitsPerPel)};
  }

  void SetDesktopMode(const TDXDrawDisplayMode& mode) override {
    DEVMODEW settings{};
    settings.dmSize = sizeof(settings);
    settings.dmPelsWidth = static_cast<DWORD>(mode.Width);
    settings.dmPelsHeight = static_cast<DWORD>(mode.Height);
    settings.dmBitsPerPel = static_cast<DWORD>(mode.BitCount);
    settings.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
    ChangeDisplaySettingsExW(nullptr, &settings, nullptr, 0, nullptr);
  }
};

}  // namespace

std::shared_ptr<DisplayPlatform> SystemDisplayPlatform() { return std::make_shared<SystemPlatform>(); }

}  // namespace dm
