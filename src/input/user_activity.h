#pragma once
// The synthetic Ctrl press that keeps the system from counting the player as idle during full-screen
// play. Portable: the key events go through an injector (InjectSystemKey in the Windows layer).
#include <cstdint>
#include <functional>
#include <utility>

namespace dm {

inline constexpr std::uint8_t kControlKey = 0x11;      // VK_CONTROL
inline constexpr std::uint32_t kKeyUpEvent = 0x2;      // KEYEVENTF_KEYUP

class UserActivity {
 public:
  using KeyInjector = std::function<void(std::uint8_t key, std::uint32_t flags)>;

  explicit UserActivity(KeyInjector inject) : inject_(std::move(inject)) {}

  // tmrUserActivity's tick: Ctrl down, then Ctrl up.
  void Tick() const;

 private:
  KeyInjector inject_;
};

}  // namespace dm
