#include "ui/timer.h"

#include <map>

#include "ui/application.h"

namespace dm {
namespace {

// Thread timers carry no user data, so live timers are found by their id.
std::map<UINT_PTR, Timer*>& LiveTimers() {
  static std::map<UINT_PTR, Timer*> timers;
  return timers;
}

}  // namespace

Timer::Timer(UINT intervalMs, bool enabled, std::function<void()> onTimer)
    : interval_(intervalMs), onTimer_(std::move(onTimer)) {
  SetEnabled(enabled);
}

Timer::~Timer() { Stop(); }

void Timer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (enabled_)
    Start();
  else
    Stop();
}

void Timer::SetInterval(UINT intervalMs) {
  interval_ = intervalMs;
  if (enabled_) {
    Stop();
    Start();
  }
}

void Timer::Start() {
  if (id_ || interval_ == 0) return;
  id_ = SetTimer(nullptr, 0, interval_, &Timer::TimerProc);
  if (id_) LiveTimers()[id_] = this;
}

void Timer::Stop() {
  if (!id_) return;
  KillTimer(nullptr, id_);
  LiveTimers().erase(id_);
  id_ = 0;
}

void CALLBACK Timer::TimerProc(HWND, UINT, UINT_PTR id, DWORD) {
  auto found = LiveTimers().find(id);
  if (found == LiveTimers().end()) return;
  Timer* timer = found->second;
  if (!timer->enabled_ || !timer->onTimer_) return;
  try {
    timer->onTimer_();
  } catch (...) {
    Application::Instance().ReportCurrentException();
  }
}

}  // namespace dm
