#include "display/display_mode.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <tuple>

#include "display/dx_errors.h"

namespace dm {

bool IsDisplayBitCount(int bitCount) {
  return bitCount == 8 || bitCount == 16 || bitCount == 24 || bitCount == 32;
}

void TDXDrawDisplay::SetWidth(int width) { width_ = std::max(width, 0); }

void TDXDrawDisplay::SetHeight(int height) { height_ = std::max(height, 0); }

void TDXDrawDisplay::SetBitCount(int bitCount) {
  if (!IsDisplayBitCount(bitCount)) throw EDirectDrawError(L"Display requires 8, 16, 24 or 32 bits");
  bitCount_ = bitCount;
}

void TDXDrawDisplay::SetMode(const TDXDrawDisplayMode& mode) {
  width_ = mode.Width;
  height_ = mode.Height;
  bitCount_ = mode.BitCount;
}

const std::vector<TDXDrawDisplayMode>& DisplayModeList::Modes() {
  if (!modes_) {
    std::vector<TDXDrawDisplayMode> modes = enumerate_();
    // A mode without a size cannot be set.
    std::erase_if(modes, [](const TDXDrawDisplayMode& m) { return m.Width <= 0 || m.Height <= 0; });
    std::sort(modes.begin(), modes.end(), [](const TDXDrawDisplayMode& a, const TDXDrawDisplayMode& b) {
      return std::tie(a.Width, a.Height, a.BitCount) < std::tie(b.Width, b.Height, b.BitCount);
    });
    modes_ = std::move(modes);
  }
  return *modes_;
}

bool DisplayModeList::Contains(const TDXDrawDisplayMode& mode) {
  return std::ranges::find(Modes(), mode) != Modes().end();
}

namespace {

bool SearchDisplayMode(TDXDrawDisplay& display, const TDXDrawDisplayMode& requested, bool sameRatio,
                       DisplayModeList& modes, const TrySetDisplayMode& trySet) {
  TDXDrawDisplayMode best{INT_MAX, INT_MAX, requested.BitCount};
  bool found = false;
  for (const TDXDrawDisplayMode& mode : modes.Modes()) {
    if (mode.Width > best.Width || mode.Height > best.Height) continue;
    // Equal ratios, compared exactly: floating-point quotients can differ with the precision the
    // compiler keeps them in.
    if (sameRatio && static_cast<std::int64_t>(mode.Width) * requested.Height !=
                         static_cast<std::int64_t>(requested.Width) * mode.Height) {
      continue;
    }
    const bool sizeFits = display.FixedSize
                              ? mode.Width == requested.Width && mode.Height == requested.Height
                              : mode.Width >= requested.Width && mode.Height >= requested.Height;
    const bool depthFits = display.FixedBitCount ? mode.BitCount == requested.BitCount
                                                 : mode.BitCount >= requested.BitCount ||
                                                       (mode.BitCount > 8 && requested.BitCount > 8);
    if (sizeFits && depthFits) {
      best = mode;
      found = true;
    }
  }
  if (!found) return false;
  if (best.BitCount != requested.BitCount &&
      modes.Contains(TDXDrawDisplayMode{best.Width, best.Height, requested.BitCount})) {
    best.BitCount = requested.BitCount;
  }
  if (!trySet(best)) return false;
  display.SetMode(best);
  return true;
}

}  // namespace

bool ApplyDisplayMode(TDXDrawDisplay& display, int width, int height, int bitCount, DisplayModeList& modes,
                      const TrySetDisplayMode& trySet) {
  const TDXDrawDisplayMode requested{width, height, bitCount};
  if (width <= 0 || height <= 0 || !IsDisplayBitCount(bitCount)) return false;
  if (trySet(requested)) {
    display.SetMode(requested);
    return true;
  }
  if (display.FixedRatio && SearchDisplayMode(display, requested, true, modes, trySet)) return true;
  return SearchDisplayMode(display, requested, false, modes, trySet);
}

bool RenderDepths::Has(int bitCount) const {
  switch (bitCount) {
    case 8: return Bits8;
    case 16: return Bits16;
    case 24: return Bits24;
    case 32: return Bits32;
    default: return false;
  }
}

int RenderableBitCount(int requested, bool fixedBitCount, const RenderDepths& device) {
  if (fixedBitCount || device.Has(requested)) return requested;
  for (int bitCount : {16, 24, 32}) {
    if (device.Has(bitCount)) return bitCount;
  }
  return requested;
}

}  // namespace dm
