#pragma once
// Key events injected into the system's input stream.
#include <cstdint>

namespace dm {

// One key event (scan code 0) through keybd_event; it reaches whichever window has the keyboard focus.
// Serves as UserActivity's injector.
void InjectSystemKey(std::uint8_t key, std::uint32_t flags);

}  // namespace dm
