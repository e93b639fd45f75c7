#include "flash/shockwave_flash_ex.h"

#include <windowsx.h>

namespace dm {
namespace {

unsigned ShiftFromMouseFlags(WPARAM wParam) {
  WORD keys = LOWORD(wParam);
  unsigned shift = 0;
  if (keys & MK_SHIFT) shift |= shift_state::Shift;
  if (keys & MK_CONTROL) shift |= shift_state::Ctrl;
  if (keys & MK_LBUTTON) shift |= shift_state::Left;
  if (keys & MK_RBUTTON) shift |= shift_state::Right;
  if (keys & MK_MBUTTON) shift |= shift_state::Middle;
  if (GetKeyState(VK_MENU) < 0) shift |= shift_state::Alt;
  return shift;
}

}  // namespace

LRESULT TShockwaveFlashEx::ControlWndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN && (wParam == VK_SHIFT || wParam == VK_APPS)) return 0;
  if (message == WM_RBUTTONDOWN) {
    if (OnRightClick) OnRightClick();
    return 0;
  }
  if (message >= WM_MOUSEMOVE && message <= WM_MOUSEWHEEL) {
    unsigned shift = ShiftFromMouseFlags(wParam);
    int x = static_cast<short>(LOWORD(lParam));
    int y = static_cast<short>(HIWORD(lParam));
    switch (message) {
      case WM_MOUSEMOVE:
        if (OnMouseMove) OnMouseMove(shift, x, y);
        break;
      case WM_LBUTTONDOWN:
        MouseDown(MouseButton::Left, shift, x, y);
        FMousePressed = true;
        break;
      case WM_LBUTTONUP:
        MouseUp(MouseButton::Left, shift, x, y);
        FMousePressed = false;
        break;
      default:
        break;
    }
    if (LockMouseClick && (message == WM_LBUTTONDOWN || message == WM_LBUTTONUP || message == WM_LBUTTONDBLCLK ||
                           message == WM_RBUTTONUP))
      return 0;
  }
  return TShockwaveFlash::ControlWndProc(message, wParam, lParam);
}

void TShockwaveFlashEx::MouseDown(MouseButton button, unsigned shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(button, shift, x, y);
}

void TShockwaveFlashEx::MouseUp(MouseButton button, unsigned shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(button, shift, x, y);
  if (FMousePressed) Click();
}

void TShockwaveFlashEx::Click() {
  if (OnClick) OnClick();
}

}  // namespace dm
