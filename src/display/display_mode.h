#pragma once
// The display mode the service asks for, the driver's mode list and the search for a mode the driver
// takes. Portable: no Windows headers.
#include <functional>
#include <optional>
#include <vector>

namespace dm {

struct TDXDrawDisplayMode {
  int Width = 0;
  int Height = 0;
  int BitCount = 0;
  friend bool operator==(const TDXDrawDisplayMode&, const TDXDrawDisplayMode&) = default;
};

bool IsDisplayBitCount(int bitCount);  // 8, 16, 24 or 32

// The requested display mode and how far a substitute may differ from it.
class TDXDrawDisplay {
 public:
  int Width() const { return width_; }
  int Height() const { return height_; }
  int BitCount() const { return bitCount_; }
  void SetWidth(int width);    // negative: 0
  void SetHeight(int height);  // negative: 0
  // Throws EDirectDrawError "Display requires 8, 16, 24 or 32 bits" and keeps the old value otherwise.
  void SetBitCount(int bitCount);
  // Records a mode the display was switched to (already valid).
  void SetMode(const TDXDrawDisplayMode& mode);

  bool FixedBitCount = false;  // a substitute must have exactly the requested bit count
  bool FixedRatio = true;      // look first among modes of the requested width-to-height ratio
  bool FixedSize = true;       // a substitute must have exactly the requested width and height

 private:
  int width_ = 640;
  int height_ = 480;
  int bitCount_ = 16;
};

// The driver's display modes, read on first use and sorted by width, then height, then bit count.
class DisplayModeList {
 public:
  using Enumerate = std::function<std::vector<TDXDrawDisplayMode>()>;
  explicit DisplayModeList(Enumerate enumerate) : enumerate_(std::move(enumerate)) {}

  const std::vector<TDXDrawDisplayMode>& Modes();
  bool Contains(const TDXDrawDisplayMode& mode);
  void Clear() { modes_.reset(); }

 private:
  Enumerate enumerate_;
  std::optional<std::vector<TDXDrawDisplayMode>> modes_;
};

// Asks the driver for a mode; true when the display now has it.
using TrySetDisplayMode = std::function<bool(const TDXDrawDisplayMode&)>;

// Switches the display to width x height x bitCount, or to the nearest listed mode `display` allows, and
// records the mode set in `display`. False when no acceptable mode could be set.
bool ApplyDisplayMode(TDXDrawDisplay& display, int width, int height, int bitCount, DisplayModeList& modes,
                      const TrySetDisplayMode& trySet);

// The bit counts a 3D device renders at.
struct RenderDepths {
  bool Bits8 = false, Bits16 = false, Bits24 = false, Bits32 = false;
  bool Has(int bitCount) const;
};

// The bit count to request when a 3D device must render at it: the requested one if the device can, else
// the first of 16, 24, 32 it can (unchanged when it can none, or when the bit count is fixed).
int RenderableBitCount(int requested, bool fixedBitCount, const RenderDepths& device);

}  // namespace dm
