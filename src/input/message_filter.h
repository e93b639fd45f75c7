#pragma once
// The application's message hook: sees every message the message loop takes from the thread's queue.
#include <windows.h>

namespace dm {

// True (handled: neither translated nor dispatched) for a screen-saver start command, WM_SYSCOMMAND with
// SC_SCREENSAVE exactly. Commands sent straight to a window procedure never pass here.
bool AppMessageFilter(const MSG& message);

}  // namespace dm
