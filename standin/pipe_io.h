#pragma once
// Writing to an overlapped pipe handle, shared by both ends of the test channel.
#include <windows.h>

#include <string_view>

namespace dm::standin {

// Writes all bytes in pieces (large single writes are unreliable on some pipe implementations),
// waiting up to `timeoutMs` for each piece. `done` is a manual-reset event for the overlapped I/O.
// False when the pipe failed or a piece was not taken in time (it is then cancelled).
bool WritePipe(HANDLE pipe, HANDLE done, std::string_view bytes, DWORD timeoutMs);

}  // namespace dm::standin
