#pragma once
// Tells the movie about Escape once per press. Portable: no Windows headers.
#include <functional>
#include <string_view>
#include <utility>

namespace dm {

inline constexpr unsigned kEscapeKey = 0x1B;  // VK_ESCAPE

// Every key-down the main window previews disarms the reporter and only an Escape key-up arms it again,
// so a held Escape (auto-repeat) is reported once, and an Escape pressed after any other key goes
// unreported (its release arms the next one).
class EscapeReporter {
 public:
  using MovieCall = std::function<void(std::wstring_view callText)>;

  explicit EscapeReporter(MovieCall callMovie) : callMovie_(std::move(callMovie)) {}

  // The key is not consumed either way; it goes on to the focused control. Errors of the movie call
  // reach the caller, with the reporter already disarmed so the same press is not reported twice.
  void KeyDown(unsigned key);
  void KeyUp(unsigned key);

  bool Armed() const noexcept { return armed_; }

 private:
  MovieCall callMovie_;
  bool armed_ = true;  // FEscapeArmed
};

}  // namespace dm
