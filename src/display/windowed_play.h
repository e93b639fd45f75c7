#pragma once
// Whether the 1024 x 768 stage fits in a window on the desktop. Portable: no Windows headers.
#include <cstdint>
#include <functional>

namespace dm {

inline constexpr int kStageWidth = 1024;
inline constexpr int kStageHeight = 768;
inline constexpr int kFullScreenBitCount = 32;

// What the shell reports of the taskbar.
struct TaskbarState {
  bool AlwaysOnTop = false;
  bool AutoHide = false;
  int WindowHeight = 0;  // bottom minus top of its window, whatever edge it is docked to
};

// Pixels the taskbar takes from the desktop: its window height when it is always on top and not
// auto-hidden, else 0.
int TaskbarHeight(const TaskbarState& taskbar);

// A desktop wider than 1024, higher than 768 plus the taskbar, and not 800 high. The taskbar is asked
// only when the width fits.
bool CanPlayWindowed(std::uint16_t desktopWidth, std::uint16_t desktopHeight,
                     const std::function<int()>& taskbarHeight);

}  // namespace dm
