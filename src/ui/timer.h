#pragma once
// A window timer for the user-interface thread. Errors escaping the handler reach the standard error
// report, as for every timer event of the program.
#include <windows.h>

#include <functional>

namespace dm {

class Timer {
 public:
  explicit Timer(UINT intervalMs, bool enabled = false, std::function<void()> onTimer = {});
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  void SetOnTimer(std::function<void()> onTimer) { onTimer_ = std::move(onTimer); }
  void SetEnabled(bool enabled);
  bool Enabled() const { return enabled_; }
  void SetInterval(UINT intervalMs);
  UINT Interval() const { return interval_; }

 private:
  static void CALLBACK TimerProc(HWND, UINT, UINT_PTR id, DWORD);
  void Start();
  void Stop();

  UINT interval_;
  bool enabled_ = false;
  UINT_PTR id_ = 0;
  std::function<void()> onTimer_;
};

}  // namespace dm
