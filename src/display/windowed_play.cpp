#include "display/windowed_play.h"

namespace dm {

int TaskbarHeight(const TaskbarState& taskbar) {
  return taskbar.AutoHide || !taskbar.AlwaysOnTop ? 0 : taskbar.WindowHeight;
}

bool CanPlayWindowed(std::uint16_t desktopWidth, std::uint16_t desktopHeight,
                     const std::function<int()>& taskbarHeight) {
  if (desktopWidth <= kStageWidth) return false;
  // 64-bit so that no reported height can overflow the sum.
  if (static_cast<std::int64_t>(taskbarHeight()) + kStageHeight >= desktopHeight) return false;
  return desktopHeight != 800;
}

}  // namespace dm
