#include "display/dxdraw_options.h"

namespace dm {

TDXDrawOptions EffectiveOptions(TDXDrawOptions options) {
  TDXDrawOptions result = options;
  if (!options.Has(doFullScreen)) {
    result = result.Without({doNoWindowChange, doAllowReboot, doAllowPalette256, doFlip});
  }
  if (!options.Has(do3D)) {
    result = result.Without({doDirectX7Mode, doRetainedMode, doHardware, doSelectDriver, doZBuffer});
  }
  if (result.Has(doSystemMemory)) result = result.Without(doFlip);
  if (result.Has(doDirectX7Mode)) result = result.Without(doRetainedMode);
  // doHardware is in effect only while a hardware 3D device is in use, and this service makes none.
  return result.Without(doHardware);
}

TDXDrawOptions EffectiveOptionsWhileRunning(TDXDrawOptions effective, TDXDrawOptions options) {
  constexpr TDXDrawOptions kChangeable{doWaitVBlank, doStretch, doCenter};
  const std::uint16_t kept = effective.Bits() & static_cast<std::uint16_t>(~kChangeable.Bits());
  return TDXDrawOptions::FromBits(static_cast<std::uint16_t>(kept | (options.Bits() & kChangeable.Bits())));
}

std::uint32_t CooperativeLevelFlags(TDXDrawOptions effective) {
  constexpr std::uint32_t kFullScreen = 0x1, kAllowReboot = 0x2, kNoWindowChanges = 0x4, kNormal = 0x8,
                          kExclusive = 0x10, kAllowModeX = 0x40;
  if (!effective.Has(doFullScreen)) return kNormal;
  std::uint32_t flags = kFullScreen | kExclusive | kAllowModeX;
  if (effective.Has(doNoWindowChange)) flags |= kNoWindowChanges;
  if (effective.Has(doAllowReboot)) flags |= kAllowReboot;
  return flags;
}

}  // namespace dm
