#pragma once
// Runs other_window.exe on the desktop of the host's main window: another program the player uses.
#include <windows.h>

#include <optional>
#include <string>

namespace dm::e2e {

class OtherProgram {
 public:
  // Starts "other_window <arguments>" on the desktop that holds `hostWindow`; throws dm::Error when it
  // cannot. The destructor ends the program if it still runs.
  OtherProgram(HWND hostWindow, const std::wstring& arguments);
  ~OtherProgram();
  OtherProgram(const OtherProgram&) = delete;
  OtherProgram& operator=(const OtherProgram&) = delete;

  // The exit code; nullopt when the program still runs after `milliseconds`.
  std::optional<DWORD> WaitForExit(DWORD milliseconds);

 private:
  HANDLE process_ = nullptr;
};

}  // namespace dm::e2e
