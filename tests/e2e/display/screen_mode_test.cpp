// Windowed and full-screen play of the real host in Wine virtual desktops, where DirectDraw really
// switches the (virtual) display.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <thread>

#include "tests/e2e/harness/host_process.h"
#include "tests/e2e/harness/other_program.h"

namespace dm::e2e {
namespace {

using namespace std::chrono_literals;

HostOptions OnDesktop(int width, int height) {
  HostOptions options;
  options.movie = GameMovie();
  options.desktopWidth = width;
  options.desktopHeight = height;
  return options;
}

// Reads the main window until `ready` holds; fails the test with the last facts when it never does.
WindowFacts WaitForWindow(HostProcess& host, const std::function<bool(const WindowFacts&)>& ready,
                          Timeout timeout = 10s) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  WindowFacts facts = host.MainWindow();
  while (!ready(facts) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(50ms);
    facts = host.MainWindow();
  }
  EXPECT_TRUE(ready(facts)) << "screen " << facts.screenWidth << "x" << facts.screenHeight << ", style 0x"
                            << std::hex << facts.style << std::dec << ", window " << facts.windowRect.left
                            << "," << facts.windowRect.top << " client " << facts.clientRect.right << "x"
                            << facts.clientRect.bottom;
  return facts;
}

bool FullScreen(const WindowFacts& facts) {
  return facts.screenWidth == 1024 && facts.screenHeight == 768 && (facts.style & (WS_CAPTION | WS_BORDER)) == 0;
}

std::function<bool(const WindowFacts&)> WindowedOn(int width, int height) {
  return [=](const WindowFacts& facts) {
    return facts.visible && facts.screenWidth == width && facts.screenHeight == height &&
           (facts.style & WS_CAPTION) == WS_CAPTION && facts.clientRect.right == 1024 &&
           facts.clientRect.bottom == 768;
  };
}

TEST(ScreenModes, PlaysWindowedWhenTheStageFits) {
  HostProcess host(OnDesktop(1280, 1024));
  const WindowFacts facts = WaitForWindow(host, WindowedOn(1280, 1024));
  EXPECT_EQ(facts.style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0u);
  EXPECT_TRUE(facts.exStyle & WS_EX_APPWINDOW);
  const RECT& window = facts.windowRect;
  EXPECT_NEAR(window.left, (1280 - (window.right - window.left)) / 2, 1);
  EXPECT_NEAR(window.top, (1024 - (window.bottom - window.top)) / 2, 1);
  host.ExpectNoCall(L"checkFullScreen", 1s);
}

TEST(ScreenModes, ForcesFullScreenWhenTheDesktopIsTooSmall) {
  HostProcess host(OnDesktop(1366, 768));
  EXPECT_EQ(host.WaitForCall(L"checkFullScreen").argument, L"true");
  WaitForWindow(host, FullScreen, 5s);
}

TEST(ScreenModes, RequestsEnterAndLeaveFullScreen) {
  HostProcess host(OnDesktop(1280, 1024));
  const WindowFacts windowed = WaitForWindow(host, WindowedOn(1280, 1024));

  host.SendRequest(L"toggle", L"<fullscreen/>");
  WaitForWindow(host, FullScreen, 5s);

  host.SendRequest(L"toggle", L"<fullscreen param=\"false\"/>");
  const WindowFacts back = WaitForWindow(host, WindowedOn(1280, 1024), 5s);
  EXPECT_EQ(back.windowRect.left, windowed.windowRect.left);
  EXPECT_EQ(back.windowRect.top, windowed.windowRect.top);
  EXPECT_EQ(back.windowRect.right, windowed.windowRect.right);
  EXPECT_EQ(back.windowRect.bottom, windowed.windowRect.bottom);
  host.ExpectNoCall(L"checkFullScreen", 0ms);
}

TEST(ScreenModes, RefusedLeaveTellsThePlayerOnlyWhenAsked) {
  HostProcess host(OnDesktop(1024, 768));
  host.WaitForCall(L"checkFullScreen");
  const WindowFacts full = WaitForWindow(host, FullScreen, 5s);

  for (const wchar_t* request : {L"<fullscreen param=\"false\"/>", L"<fullscreen/>", L"<fullscreen param=\"TRUE\"/>"}) {
    host.SendRequest(L"toggle", request);
  }
  host.ExpectNoCall(L"checkFullScreen", 500ms);
  EXPECT_TRUE(FullScreen(host.MainWindow()));

  // The refusal message is modal: the request returns when the player has closed it. The stand-in
  // answers nothing while the request runs, so the box is looked up from here.
  auto request = std::async(std::launch::async, [&] { host.SendRequest(L"toggle", L"<fullscreen param=\"true\"/>"); });
  EXPECT_EQ(host.WaitForCall(L"checkFullScreen").argument, L"true");
  HWND box = full.hwnd;
  for (int i = 0; i < 100 && box == full.hwnd; ++i) {
    std::this_thread::sleep_for(50ms);
    box = GetLastActivePopup(full.hwnd);
  }
  ASSERT_NE(box, full.hwnd);
  EXPECT_FALSE(IsWindowEnabled(full.hwnd));
  wchar_t text[200] = {};
  GetDlgItemTextW(box, 0xFFFF, text, 200);
  EXPECT_STREQ(text, L"Sorry, windowed mode is not supported with your screen resolution or desktop settings");
  wchar_t caption[50] = {};
  GetWindowTextW(box, caption, 50);
  EXPECT_STREQ(caption, L"Driftmarrow");
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(request.wait_for(10s), std::future_status::ready);
  EXPECT_TRUE(FullScreen(host.MainWindow()));
}

TEST(ScreenModes, ClosingInFullScreenEndsTheRunAndGivesTheDesktopItsSizeBack) {
  HostProcess host(OnDesktop(1280, 1024));
  const HWND main = WaitForWindow(host, WindowedOn(1280, 1024)).hwnd;
  host.SendRequest(L"toggle", L"<fullscreen/>");
  WaitForWindow(host, FullScreen, 5s);
  // Another program on the host's desktop reads the screen size once the host has gone.
  OtherProgram watcher(main, L"screen " + std::to_wstring(host.ProcessId()));
  host.Close();
  host.WaitForCall(L"externalExit");
  EXPECT_EQ(host.WaitForExit(), 0u);
  const std::optional<DWORD> screen = watcher.WaitForExit(30000);
  ASSERT_TRUE(screen) << "the watcher still runs";
  EXPECT_EQ(*screen >> 16, 1280u);
  EXPECT_EQ(*screen & 0xFFFF, 1024u);
}

}  // namespace
}  // namespace dm::e2e
