// Another program with a window on the host's desktop, for the end-to-end tests of focus, hot keys and screen modes.
//   other_window back HWND   shows a window that takes the foreground, after a second hands the foreground
//                            to the window HWND (decimal) and stays until the program is ended
//   other_window press KEY   takes the foreground and the focus, presses and releases the virtual key KEY
//                            (decimal) and exits: 1 when its window saw the key-down, 0 when it did not,
//                            2 when it could not get the focus
//   other_window screen PID  shows no window, waits until the process PID (decimal) has ended and exits
//                            with the screen size the desktop then reports, width * 65536 + height; 4 when
//                            the process cannot be watched or does not end within 20 s
#include <windows.h>

#include <cwchar>

#include "tests/unit/input/test_window.h"

namespace {

WPARAM watchedKey = 0;
bool sawKeyDown = false;

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN && wParam == watchedKey) sawKeyDown = true;
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
  if (std::wcsncmp(commandLine, L"screen ", 7) == 0) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, std::wcstoul(commandLine + 7, nullptr, 10));
    const bool ended = process && WaitForSingleObject(process, 20000) == WAIT_OBJECT_0;
    if (process) CloseHandle(process);
    if (!ended) return 4;
    Sleep(500);
    return GetSystemMetrics(SM_CXSCREEN) * 65536 + GetSystemMetrics(SM_CYSCREEN);
  }
  const bool press = std::wcsncmp(commandLine, L"press ", 6) == 0;
  const bool back = std::wcsncmp(commandLine, L"back ", 5) == 0;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &Procedure;
  wc.hInstance = instance;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = L"DriftmarrowOtherWindow";
  RegisterClassExW(&wc);
  HWND window = CreateWindowExW(0, wc.lpszClassName, L"Other program", WS_OVERLAPPEDWINDOW, 50, 50, 400, 300,
                                nullptr, nullptr, instance, nullptr);
  if (!window) return 3;
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  SetFocus(window);
  if (back) {
    dm::testing::PumpMessages(1000);
    SetForegroundWindow(reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::wcstoul(commandLine + 5, nullptr, 10))));
  }
  if (press) {
    watchedKey = static_cast<WPARAM>(std::wcstoul(commandLine + 6, nullptr, 10));
    dm::testing::PumpMessages(300);
    if (GetForegroundWindow() != window || GetFocus() != window) return 2;
    keybd_event(static_cast<BYTE>(watchedKey), 0, 0, 0);
    keybd_event(static_cast<BYTE>(watchedKey), 0, KEYEVENTF_KEYUP, 0);
    dm::testing::PumpMessages(500);
    return sawKeyDown ? 1 : 0;
  }
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
