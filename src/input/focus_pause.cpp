#include "input/focus_pause.h"

#include "host/movie_call_text.h"

namespace dm {

std::exception_ptr FocusPause::Notify(std::wstring_view callText) {
  try {
    host_.CallMovie(callText);
    return nullptr;
  } catch (...) {
    return std::current_exception();
  }
}

void FocusPause::Activated() {
  const Desktop::Window self = host_.MainWindow();
  const Desktop::Window foreground = desktop_.Foreground();
  std::exception_ptr failure;
  if (foreground == self) {
    failure = Notify(movie_call::kExternalUnPause);
    if (host_.FullScreen()) host_.EnableUserActivity(true);
    host_.SizeControlToClient();
  } else {
    failure = Notify(movie_call::kExternalPause);
    if ((host_.Minimized() || host_.Maximized()) && host_.WindowedImpossible()) host_.RecordDesktopSize();
    desktop_.DropTopmost(self);
    desktop_.RaiseToTop(foreground);
    desktop_.SetFocus(foreground);
    host_.SizeControlToClient();
    host_.AlignControlToClient();
    host_.EnableUserActivity(false);
  }
  if (failure) std::rethrow_exception(failure);
}

void FocusPause::SysCommand(std::uint32_t command, const std::function<void()>& passOn) {
  std::exception_ptr failure;
  if (command == kMinimizeCommand) failure = Notify(movie_call::kExternalPause);
  passOn();
  if (failure) std::rethrow_exception(failure);
}

void FocusPause::CheckMinimized() {
  if (pausedOnMinimize_ || !host_.Minimized()) return;
  // Set first: a failing notice is reported once, not again at every tick while the window stays minimized.
  pausedOnMinimize_ = true;
  host_.CallMovie(movie_call::kExternalPause);
}

}  // namespace dm
