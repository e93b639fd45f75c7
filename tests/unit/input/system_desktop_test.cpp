#include "input/system_desktop.h"

#include <gtest/gtest.h>

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
  ShowWindow(main.Handle(), SW_SHOW);
  SetForegroundWindow(main.Handle());
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
  ShowWindow(main.Handle(), SW_SHOW);
  SetForegroundWindow(main.Handle());
  SetFocus(main.Handle());
  ASSERT_EQ(GetFocus(), main.Handle());
  SystemDesktop().SetFocus(0);
  EXPECT_EQ(GetFocus(), nullptr);
}

}  // namespace
}  // namespace dm
