#include "input/system_keyboard.h"

namespace dm {

void InjectSystemKey(std::uint8_t key, std::uint32_t flags) { keybd_event(key, 0, flags, 0); }

void YieldAfterKeyDown(UINT message, WPARAM key) {
  if (message == WM_KEYDOWN && key != VK_SPACE) Sleep(0);
}

}  // namespace dm
