// Pause and unpause notices as the game window loses and regains the foreground, and the synthetic
// Ctrl press of full-screen play.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "tests/e2e/harness/host_process.h"
#include "tests/e2e/harness/other_program.h"

namespace dm::e2e {
namespace {

using namespace std::chrono_literals;

TEST(FocusPause, AnotherProgramTakingTheForegroundPausesAndHandingItBackUnpauses) {
  HostProcess host(GameMovieOptions());
  EXPECT_EQ(host.WaitForCall(L"externalUnPause").argument, L"\"unpause\"");  // first shown and activated
  const HWND main = host.MainWindow().hwnd;

  OtherProgram other(main, L"back " + std::to_wstring(reinterpret_cast<UINT_PTR>(main)));
  EXPECT_EQ(host.WaitForCall(L"externalPause").argument, L"\"pause\"");
  host.WaitForCall(L"externalUnPause");
  EXPECT_TRUE(host.MainWindow().foreground);
  EXPECT_EQ(host.CallCount(L"externalPause"), 1u);
}

// Wine keeps a minimized window in the foreground when no other window takes it, so the pause of the
// foreground loss may not come; the system command's pause and the one-time pause of the
// once-a-second check do.
TEST(FocusPause, MinimizePausesAndTheFirstMinimizeOfTheRunOnceMore) {
  HostProcess host(GameMovieOptions());
  host.WaitForCall(L"externalUnPause");

  auto minimize = [&] {
    const size_t before = host.CallCount(L"externalPause");
    host.PostToMainWindow(WM_SYSCOMMAND, SC_MINIMIZE);
    host.WaitForCall(L"externalPause");
    std::this_thread::sleep_for(3s);  // the check runs every second
    EXPECT_TRUE(host.MainWindow().iconic);
    return host.CallCount(L"externalPause") - before;
  };
  auto restore = [&] {
    host.PostToMainWindow(WM_SYSCOMMAND, SC_RESTORE);
    host.WaitForCall(L"externalUnPause");
    EXPECT_FALSE(host.MainWindow().iconic);
  };

  const size_t first = minimize();
  restore();
  const size_t second = minimize();
  EXPECT_GE(second, 1u);
  EXPECT_EQ(first, second + 1) << "only the first minimize of the run is noticed by the check";
}

TEST(FocusPause, FullScreenInTheForegroundSimulatesUserActivity) {
  HostProcess host(GameMovieOptions());
  host.WaitForCall(L"externalUnPause");
  host.SendRequest(L"toggle", L"<fullscreen/>");
  for (int i = 0; i < 100 && host.MainWindow().screenWidth != 1024; ++i) std::this_thread::sleep_for(50ms);
  ASSERT_EQ(host.MainWindow().screenWidth, 1024) << "full screen";
  // The synthetic keys go to the keyboard focus; a click gives it to the control, as the player's would.
  host.PostToControl(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  host.PostToControl(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(host.WaitForMessage(WM_KEYDOWN, 30s).wParam, WPARAM{VK_CONTROL});
  EXPECT_EQ(host.WaitForMessage(WM_KEYUP, 5s).wParam, WPARAM{VK_CONTROL});
}

}  // namespace
}  // namespace dm::e2e
