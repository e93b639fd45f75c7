#pragma once
// The keyboard calls of input handling that go to the system.
#include <windows.h>

#include <cstdint>

namespace dm {

// A key event in the system-wide input stream (scan code 0); it reaches whichever window has the focus.
void InjectSystemKey(std::uint8_t key, std::uint32_t flags);

// Run after the main window has handled a message: a key-down other than the space bar gives up the
// rest of the thread's time slice.
void YieldAfterKeyDown(UINT message, WPARAM key);

}  // namespace dm
