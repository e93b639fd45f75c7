#include "standin/pipe_io.h"

#include <algorithm>

namespace dm::standin {

bool WritePipe(HANDLE pipe, HANDLE done, std::string_view bytes, DWORD timeoutMs) {
  constexpr std::size_t kPiece = 4096;
  while (!bytes.empty()) {
    const auto size = static_cast<DWORD>(std::min(bytes.size(), kPiece));
    OVERLAPPED overlapped{};
    overlapped.hEvent = done;
    ResetEvent(done);
    DWORD written = 0;
    BOOL ok = WriteFile(pipe, bytes.data(), size, nullptr, &overlapped);
    if (!ok && GetLastError() == ERROR_IO_PENDING) {
      if (WaitForSingleObject(done, timeoutMs) != WAIT_OBJECT_0) CancelIoEx(pipe, &overlapped);
      ok = TRUE;
    }
    if (!ok || !GetOverlappedResult(pipe, &overlapped, &written, TRUE) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

}  // namespace dm::standin
