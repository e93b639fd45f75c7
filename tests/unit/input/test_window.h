#pragma once
// A plain top-level window of the test thread that records the messages its procedure receives.
#include <windows.h>

#include <vector>

namespace dm::testing {

class TestWindow {
 public:
  explicit TestWindow(DWORD exStyle = 0, int left = 100, int top = 100) {
    static const ATOM windowClass = [] {
      WNDCLASSEXW wc{};
      wc.cbSize = sizeof(wc);
      wc.lpfnWndProc = &TestWindow::Procedure;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = L"DriftmarrowInputTestWindow";
      return RegisterClassExW(&wc);
    }();
    handle_ = CreateWindowExW(exStyle, MAKEINTATOM(windowClass), L"input test", WS_OVERLAPPEDWINDOW, left, top,
                              300, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(handle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;
  ~TestWindow() { DestroyWindow(handle_); }

  HWND Handle() const { return handle_; }
  // Shows the window in the foreground with the keyboard focus, as the window the player works in.
  void Activate() const {
    ShowWindow(handle_, SW_SHOW);
    SetForegroundWindow(handle_);
    SetFocus(handle_);
  }
  const std::vector<MSG>& Received() const { return received_; }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA)))
      self->received_.push_back(MSG{window, message, wParam, lParam, 0, {}});
    if (message == WM_SYSCOMMAND) return 0;  // a test window never starts the screen saver or minimizes
    return DefWindowProcW(window, message, wParam, lParam);
  }

  HWND handle_;
  std::vector<MSG> received_;
};

// Dispatches what arrives on this thread's queue for the given time (also used by the other program of
// the end-to-end tests).
inline void PumpMessages(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  do {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(10);
  } while (GetTickCount() - start < milliseconds);
}

}  // namespace dm::testing
