#include "input/system_keyboard.h"

#include <windows.h>

namespace dm {

void InjectSystemKey(std::uint8_t key, std::uint32_t flags) { keybd_event(key, 0, flags, 0); }

}  // namespace dm
