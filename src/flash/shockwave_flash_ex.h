#pragma once
// The Flash control as the game window uses it: withholds the right-button press (turning it into
// OnRightClick), Shift and context-menu key-downs, and optionally left clicks from the Flash Player,
// and adds mouse and click events.
#include "flash/shockwave_flash.h"

namespace dm {

enum class MouseButton { Left, Right, Middle };

// Shift state of a mouse event: the mouse-key flags of the message with the Alt key state added.
namespace shift_state {
inline constexpr unsigned Shift = 1, Alt = 2, Ctrl = 4, Left = 8, Right = 16, Middle = 32, Double = 64;
}

class TShockwaveFlashEx : public TShockwaveFlash {
 public:
  std::function<void(MouseButton, unsigned shift, int x, int y)> OnMouseDown;
  std::function<void(MouseButton, unsigned shift, int x, int y)> OnMouseUp;
  std::function<void(unsigned shift, int x, int y)> OnMouseMove;
  std::function<void()> OnClick;
  std::function<void()> OnRightClick;
  bool LockMouseClick = false;

 protected:
  LRESULT ControlWndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void MouseDown(MouseButton button, unsigned shift, int x, int y);
  void MouseUp(MouseButton button, unsigned shift, int x, int y);
  void Click();

  bool FMousePressed = false;
};

}  // namespace dm
