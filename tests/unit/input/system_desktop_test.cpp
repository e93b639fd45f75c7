#include "input/system_desktop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <thread>

#include "test_window.h"

namespace dm {
namespace {

using testing::TestWindow;

bool IsTopmost(HWND window) { return (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

bool IsAbove(HWND upper, HWND lower) {
  for (HWND w = GetWindow(upper, GW_HWNDNEXT); w; w = GetWindow(w, GW_HWNDNEXT))
    if (w == lower) return true;
  return false;
}

// The z-order changes of a focus loss keep every window where it is and activate nothing.
TEST(SystemDesktop, ChangesOnlyTheZOrder) {
  TestWindow main(WS_EX_TOPMOST, 100, 100);
  TestWindow other(0, 150, 150);
  ShowWindow(other.Handle(), SW_SHOWNOACTIVATE);
  main.Activate();
  RECT mainBefore{}, otherBefore{};
  GetWindowRect(main.Handle(), &mainBefore);
  GetWindowRect(other.Handle(), &otherBefore);
  const HWND active = GetActiveWindow();

  SystemDesktop desktop;
  desktop.DropTopmost(ToDesktopWindow(main.Handle()));
  EXPECT_FALSE(IsTopmost(main.Handle()));
  desktop.RaiseToTop(ToDesktopWindow(other.Handle()));
  EXPECT_TRUE(IsAbove(other.Handle(), main.Handle()));

  RECT mainAfter{}, otherAfter{};
  GetWindowRect(main.Handle(), &mainAfter);
  GetWindowRect(other.Handle(), &otherAfter);
  EXPECT_TRUE(EqualRect(&mainBefore, &mainAfter));
  EXPECT_TRUE(EqualRect(&otherBefore, &otherAfter));
  EXPECT_EQ(GetActiveWindow(), active);
}

TEST(SystemDesktop, FocusOnNoWindowTakesTheFocusAway) {
  TestWindow main;
  main.Activate();
  ASSERT_EQ(GetFocus(), main.Handle());
  SystemDesktop().SetFocus(0);
  EXPECT_EQ(GetFocus(), nullptr);
}

// The focus of another thread's window is not ours to set; asking for it must not activate that window
// (which would deactivate the host's window again while it handles its own deactivation).
TEST(SystemDesktop, FocusOnAnotherThreadsWindowChangesNothing) {
  TestWindow main;
  main.Activate();
  ASSERT_EQ(GetFocus(), main.Handle());

  struct Other {
    HWND window;
    DWORD threadId;
  };
  std::promise<Other> created;
  std::future<Other> other = created.get_future();
  std::thread thread([&created] {
    TestWindow window(0, 200, 200);
    ShowWindow(window.Handle(), SW_SHOWNOACTIVATE);
    created.set_value({window.Handle(), GetCurrentThreadId()});
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  });
  const Other theirs = other.get();
  const size_t before = main.Received().size();

  SystemDesktop().SetFocus(ToDesktopWindow(theirs.window));
  testing::PumpMessages(200);
  EXPECT_EQ(GetFocus(), main.Handle());
  EXPECT_EQ(GetForegroundWindow(), main.Handle());
  const auto& received = main.Received();
  EXPECT_TRUE(std::none_of(received.begin() + before, received.end(),
                           [](const MSG& m) { return m.message == WM_ACTIVATE; }))
      << "the window was deactivated";

  PostThreadMessageW(theirs.threadId, WM_QUIT, 0, 0);
  thread.join();
}

}  // namespace
}  // namespace dm
