#include "input/message_filter.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "test_window.h"
#include "ui/application.h"

namespace dm {
namespace {

TEST(AppMessageFilter, DropsOnlyScreenSaverStartCommands) {
  struct Case {
    UINT message;
    WPARAM wParam;
    bool dropped;
  } cases[] = {
      {WM_SYSCOMMAND, SC_SCREENSAVE, true},      {WM_SYSCOMMAND, SC_SCREENSAVE | 0x2, false},
      {WM_SYSCOMMAND, SC_MONITORPOWER, false},   {WM_SYSCOMMAND, SC_MINIMIZE, false},
      {WM_COMMAND, SC_SCREENSAVE, false},        {WM_KEYDOWN, VK_ESCAPE, false},
  };
  for (const Case& c : cases) {
    MSG msg{nullptr, c.message, c.wParam, 0, 0, {}};
    EXPECT_EQ(AppMessageFilter(msg), c.dropped) << std::hex << c.message << " " << c.wParam;
  }
}

// Through the application's message loop: the command posted to the thread never reaches the window.
TEST(AppMessageFilter, DropsThePostedCommandInTheLoop) {
  testing::TestWindow window;
  Application& application = Application::Instance();
  application.SetMessageHook(&AppMessageFilter);
  auto screenSaverStarts = [&] {
    return std::count_if(window.Received().begin(), window.Received().end(), [](const MSG& m) {
      return m.message == WM_SYSCOMMAND && m.wParam == SC_SCREENSAVE;
    });
  };
  PostMessageW(window.Handle(), WM_SYSCOMMAND, SC_SCREENSAVE, 0);
  PostMessageW(window.Handle(), WM_APP, 0, 0);
  auto markerArrived = [&] {
    return std::any_of(window.Received().begin(), window.Received().end(),
                       [](const MSG& m) { return m.message == WM_APP; });
  };
  for (int i = 0; i < 100 && !markerArrived(); ++i) ASSERT_TRUE(application.ProcessMessage());
  application.SetMessageHook({});
  ASSERT_TRUE(markerArrived());
  EXPECT_EQ(screenSaverStarts(), 0);
}

}  // namespace
}  // namespace dm
