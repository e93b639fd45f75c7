#pragma once
// The options of the display service and the rules that derive the options in effect from them.
// Portable: no Windows headers.
#include <cstdint>
#include <initializer_list>

namespace dm {

// Bit positions of the stored 16-bit option set, in this order.
enum TDXDrawOption : unsigned {
  doFullScreen,
  doNoWindowChange,
  doAllowReboot,
  doWaitVBlank,
  doAllowPalette256,
  doSystemMemory,
  doStretch,
  doCenter,
  doFlip,
  do3D,
  doDirectX7Mode,
  doRetainedMode,
  doHardware,
  doSelectDriver,
  doZBuffer,
};

class TDXDrawOptions {
 public:
  constexpr TDXDrawOptions() = default;
  constexpr TDXDrawOptions(std::initializer_list<TDXDrawOption> options) {
    for (TDXDrawOption option : options) bits_ |= Bit(option);
  }
  static constexpr TDXDrawOptions FromBits(std::uint16_t bits) {
    TDXDrawOptions result;
    result.bits_ = bits;
    return result;
  }

  constexpr std::uint16_t Bits() const { return bits_; }
  constexpr bool Has(TDXDrawOption option) const { return (bits_ & Bit(option)) != 0; }
  constexpr TDXDrawOptions With(TDXDrawOption option) const { return FromBits(bits_ | Bit(option)); }
  constexpr TDXDrawOptions Without(TDXDrawOption option) const {
    return FromBits(static_cast<std::uint16_t>(bits_ & ~Bit(option)));
  }
  constexpr TDXDrawOptions Without(TDXDrawOptions options) const {
    return FromBits(static_cast<std::uint16_t>(bits_ & ~options.bits_));
  }
  friend constexpr bool operator==(TDXDrawOptions, TDXDrawOptions) = default;

 private:
  static constexpr std::uint16_t Bit(TDXDrawOption option) { return static_cast<std::uint16_t>(1u << option); }
  std::uint16_t bits_ = 0;
};

// The options in effect when `options` are set while the service is stopped.
TDXDrawOptions EffectiveOptions(TDXDrawOptions options);

// While the service runs a new option set changes only these options in effect; the rest waits for
// the next stop.
TDXDrawOptions EffectiveOptionsWhileRunning(TDXDrawOptions effective, TDXDrawOptions options);

// The DirectDraw cooperative-level flags for the options in effect: exclusive full-screen use of the
// window (with mode X, and without window changes or with reboot as asked), or normal use.
std::uint32_t CooperativeLevelFlags(TDXDrawOptions effective);

// The options of the main window's display service as designed.
inline constexpr TDXDrawOptions kMainWindowDisplayOptions{
    doAllowReboot, doWaitVBlank, doCenter, do3D, doDirectX7Mode, doHardware, doSelectDriver};

}  // namespace dm
