// What the game window's Flash control withholds from the Flash Player, seen from the control.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/e2e/harness/host_process.h"

namespace dm::e2e {
namespace {

using namespace std::chrono_literals;

bool Received(const HostProcess& host, UINT message, WPARAM wParam) {
  auto messages = host.Messages();
  return std::any_of(messages.begin(), messages.end(),
                     [&](const ControlMessage& m) { return m.message == message && m.wParam == wParam; });
}

class ControlFilter : public ::testing::Test {
 protected:
  static HostOptions Options() {
    HostOptions options;
    options.movie = GameMovie();
    return options;
  }
  HostProcess host{Options()};
};

TEST_F(ControlFilter, ARightButtonPressBecomesOneNoticeAndOnlyTheReleaseReachesThePlayer) {
  host.PostToControl(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 10));
  MovieCall notice = host.WaitForCall(L"rightclick");
  EXPECT_EQ(notice.argument, L"\"rightclick\"");
  host.PostToControl(WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
  host.WaitForMessage(WM_RBUTTONUP);
  EXPECT_FALSE(Received(host, WM_RBUTTONDOWN, MK_RBUTTON));
  host.ExpectNoCall(L"rightclick", 500ms);
}

TEST_F(ControlFilter, ShiftAndContextMenuKeyDownsAreWithheldTheirKeyUpsPass) {
  for (WPARAM key : {WPARAM{VK_SHIFT}, WPARAM{VK_APPS}}) {
    host.PostToControl(WM_KEYDOWN, key, 1);
    host.PostToControl(WM_KEYUP, key, 0xC0000001);
    host.WaitForMessage(WM_KEYUP);
    EXPECT_FALSE(Received(host, WM_KEYDOWN, key)) << key;
  }
  host.PostToControl(WM_KEYDOWN, 'A', 1);
  EXPECT_EQ(host.WaitForMessage(WM_KEYDOWN).wParam, WPARAM{'A'});
}

TEST_F(ControlFilter, LeftClicksAndMovesReachThePlayer) {
  host.PostToControl(WM_MOUSEMOVE, 0, MAKELPARAM(20, 30));
  host.PostToControl(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 30));
  host.PostToControl(WM_LBUTTONUP, 0, MAKELPARAM(20, 30));
  host.WaitForMessage(WM_MOUSEMOVE);
  host.WaitForMessage(WM_LBUTTONDOWN);
  host.WaitForMessage(WM_LBUTTONUP);
}

}  // namespace
}  // namespace dm::e2e
