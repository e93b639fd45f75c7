#include "input/user_activity.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace dm {
namespace {

TEST(UserActivity, TickPressesAndReleasesControl) {
  std::vector<std::pair<std::uint8_t, std::uint32_t>> events;
  UserActivity activity([&](std::uint8_t key, std::uint32_t flags) { events.emplace_back(key, flags); });
  activity.Tick();
  using Event = std::pair<std::uint8_t, std::uint32_t>;
  EXPECT_EQ(events, (std::vector<Event>{{0x11, 0}, {0x11, 0x2}}));
}

}  // namespace
}  // namespace dm
