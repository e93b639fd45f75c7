#include "display/screen_modes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/dx_errors.h"
#include "display/dx_form.h"
#include "display/dxdraw.h"
#include "fake_display_platform.h"
#include "host/movie_call_text.h"
#include "ui/application.h"

namespace dm {
namespace {

using Mode = TDXDrawDisplayMode;
using test::FakeDisplayPlatform;
using test::FakeDriver;

const Mode k32{1024, 768, 32}, kDesktop{1280, 1024, 32};

// A main window whose size is not capped by the screen: the screen of the test desktop can be smaller
// than the window when a run before left it in another mode.
class UncappedForm : public TDXForm {
 protected:
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    LRESULT result = TDXForm::WndProc(message, wParam, lParam);
    if (message == WM_GETMINMAXINFO) {
      auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
      limits->ptMaxTrackSize = POINT{4096, 4096};
    }
    return result;
  }
};

// The main window's part: a real window with a display service on a fake driver, and recorders for
// what goes to the movie, the player and the Flash control.
class ScreenModesTest : public ::testing::Test {
 protected:
  ScreenModesTest() {
    driver.listed = {k32};
    driver.accepted = {k32};
    form.CreateHandle();
  }

  ScreenModes& Modes(SIZE screen, int taskbar = 0) {
    screenSize = screen;
    taskbarHeight = taskbar;
    ScreenModeHooks hooks;
    hooks.callMovie = [this](std::wstring_view text) { movieCalls.emplace_back(text); };
    hooks.sizeFlashToClient = [this] { ++flashSized; };
    hooks.showMessage = [this](const std::wstring& text) { messages.push_back(text); };
    hooks.screenSize = [this] { return screenSize; };
    hooks.taskbarHeight = [this] { return taskbarHeight; };
    modes = std::make_unique<ScreenModes>(form, dxDraw, userActivity, std::move(hooks));
    return *modes;
  }

  DWORD Style() const { return static_cast<DWORD>(GetWindowLongW(form.Handle(), GWL_STYLE)); }
  bool HasBorder() const { return (Style() & WS_CAPTION) == WS_CAPTION; }
  POINT Position() const { return {form.BoundsRect().left, form.BoundsRect().top}; }
  SIZE Client() const { return form.ClientSize(); }

  FakeDriver driver;
  UncappedForm form;
  TDXDraw dxDraw{&form, std::make_shared<FakeDisplayPlatform>(driver)};
  Timer userActivity{20000, false};
  std::unique_ptr<ScreenModes> modes;

  SIZE screenSize{};
  int taskbarHeight = 0;
  std::vector<std::wstring> movieCalls;
  std::vector<std::wstring> messages;
  int flashSized = 0;
};

const std::vector<std::wstring> kNotice{std::wstring(movie_call::kCheckFullScreen)};

TEST_F(ScreenModesTest, WindowedStartSendsNothing) {
  ScreenModes& m = Modes({1280, 1024}, 40);
  m.ChooseStartScreenMode();
  EXPECT_FALSE(m.FullScreen());
  EXPECT_FALSE(m.WindowedImpossible());
  EXPECT_FALSE(m.EntryTimer().Enabled());
  EXPECT_TRUE(movieCalls.empty());
  EXPECT_TRUE(HasBorder());
  EXPECT_EQ(Style() & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0u);
  EXPECT_EQ(Client().cx, 1024);
  EXPECT_EQ(Client().cy, 768);
  EXPECT_EQ(flashSized, 1);
}

TEST_F(ScreenModesTest, ForcedStartEntersFullScreenWhenTheTimerFires) {
  ScreenModes& m = Modes({1366, 768});
  m.ChooseStartScreenMode();
  EXPECT_TRUE(m.WindowedImpossible());
  EXPECT_TRUE(m.FullScreen());
  EXPECT_TRUE(m.EntryTimer().Enabled());
  EXPECT_EQ(movieCalls, kNotice);
  EXPECT_EQ(Position().x, 0);
  EXPECT_EQ(Position().y, 0);
  EXPECT_FALSE(dxDraw.DisplayStarted());

  form.SetPosition(171, 0);  // the first show centres the window before the timer fires
  m.Timer1Timer();
  EXPECT_FALSE(m.EntryTimer().Enabled());
  EXPECT_TRUE(dxDraw.DisplayStarted());
  EXPECT_EQ(driver.screen, k32);
  EXPECT_EQ(driver.cooperativeLevels.back(), std::make_pair(form.Handle(), DWORD{0x53}));
  EXPECT_FALSE(HasBorder());
  EXPECT_TRUE(userActivity.Enabled());
  EXPECT_TRUE(m.FullScreen());
}

TEST_F(ScreenModesTest, RequestsEnterAndLeaveRestoringTheWindow) {
  ScreenModes& m = Modes({1280, 1024});
  m.ChooseStartScreenMode();
  form.SetPosition(100, 50);

  m.ToggleScreenMode(L"");
  EXPECT_TRUE(m.FullScreen());
  EXPECT_TRUE(m.EntryTimer().Enabled());
  EXPECT_FALSE(dxDraw.DisplayStarted());  // nothing happens before the timer
  m.Timer1Timer();
  EXPECT_EQ(driver.screen, k32);
  EXPECT_FALSE(HasBorder());

  form.SetPosition(0, 0);  // exclusive use may move the window
  m.ToggleScreenMode(L"false");
  EXPECT_FALSE(m.FullScreen());
  EXPECT_FALSE(dxDraw.DisplayStarted());
  EXPECT_FALSE(dxDraw.Options().Has(doFullScreen));
  EXPECT_EQ(driver.screen, kDesktop);
  EXPECT_TRUE(HasBorder());
  EXPECT_EQ(Position().x, 100);
  EXPECT_EQ(Position().y, 50);
  EXPECT_EQ(Client().cx, 1024);
  EXPECT_EQ(Client().cy, 768);
  EXPECT_FALSE(userActivity.Enabled());
  EXPECT_TRUE(movieCalls.empty());

  // The placement was applied once: a second leave keeps wherever the window is now.
  form.SetPosition(300, 200);
  m.SetScreenMode(false);
  EXPECT_EQ(Position().x, 100);
  EXPECT_EQ(Position().y, 50);
}

TEST_F(ScreenModesTest, LeavingIsRefusedWhenWindowedPlayIsImpossible) {
  ScreenModes& m = Modes({1024, 768});
  m.ChooseStartScreenMode();
  m.Timer1Timer();
  movieCalls.clear();
  for (const wchar_t* param : {L"false", L"", L"TRUE", L"true "}) {
    m.ToggleScreenMode(param);
    EXPECT_TRUE(movieCalls.empty()) << param;
  }
  EXPECT_TRUE(messages.empty());
  m.ToggleScreenMode(L"true");
  EXPECT_EQ(movieCalls, kNotice);
  EXPECT_EQ(messages, std::vector<std::wstring>{kWindowedModeRefused});
  EXPECT_TRUE(m.FullScreen());
  EXPECT_TRUE(dxDraw.DisplayStarted());
  EXPECT_EQ(driver.screen, k32);
}

TEST_F(ScreenModesTest, FailedEntryIsReportedOnceAndKeepsTheWindow) {
  driver.accepted.clear();
  ScreenModes& m = Modes({1280, 1024});
  m.ChooseStartScreenMode();
  m.ToggleScreenMode(L"");
  try {
    m.Timer1Timer();
    ADD_FAILURE() << "entered";
  } catch (const EDXDrawError& e) {
    EXPECT_EQ(e.Message(), L"Display mode cannot be changed (1024x768 32bit)");
  }
  EXPECT_FALSE(m.EntryTimer().Enabled());
  EXPECT_TRUE(m.FullScreen());
  EXPECT_TRUE(HasBorder());
  EXPECT_TRUE(userActivity.Enabled());
  EXPECT_FALSE(dxDraw.DisplayStarted());
}

TEST_F(ScreenModesTest, LeaveWhileTheEntryIsPendingCallsItOff) {
  ScreenModes& m = Modes({1280, 1024});
  m.ChooseStartScreenMode();
  form.SetPosition(100, 50);
  m.ToggleScreenMode(L"");
  m.ToggleScreenMode(L"");
  EXPECT_FALSE(m.FullScreen());
  EXPECT_FALSE(m.EntryTimer().Enabled());
  EXPECT_EQ(Position().x, 100);
  EXPECT_EQ(Position().y, 50);
  EXPECT_TRUE(driver.createdOn.empty());
  m.ToggleScreenMode(L"");  // the next request enters again
  EXPECT_TRUE(m.FullScreen());
  EXPECT_TRUE(m.EntryTimer().Enabled());
}

TEST_F(ScreenModesTest, DesktopSizeIsReadOnlyAtTheRefreshPoints) {
  ScreenModes& m = Modes({1280, 1024});
  m.ChooseStartScreenMode();
  screenSize = {1024, 768};  // the desktop resolution changes while the host runs
  EXPECT_TRUE(m.CanPlayWindowed());
  m.ToggleScreenMode(L"");  // entering by request reads it
  EXPECT_FALSE(m.CanPlayWindowed());
  screenSize = {1280, 1024};
  m.RecordDesktopSize();
  EXPECT_TRUE(m.CanPlayWindowed());
}

TEST_F(ScreenModesTest, ForcedEntryKeepsTheDesktopSizeOfTheStart) {
  ScreenModes& m = Modes({1366, 768});
  m.ChooseStartScreenMode();
  m.Timer1Timer();
  screenSize = {1280, 1024};
  m.ToggleScreenMode(L"true");
  EXPECT_TRUE(m.FullScreen());
  EXPECT_EQ(messages.size(), 1u);
}

class DXFormTest : public ::testing::Test {
 protected:
  static LONG ApplicationExStyle() { return GetWindowLongW(Application::Instance().Handle(), GWL_EXSTYLE); }
};

TEST_F(DXFormTest, OwnTaskbarButtonWhileInstancesLive) {
  {
    TDXForm first;
    first.CreateHandle();
    EXPECT_TRUE(GetWindowLongW(first.Handle(), GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_TRUE(ApplicationExStyle() & WS_EX_TOOLWINDOW);
    {
      TDXForm second;
    }
    EXPECT_TRUE(ApplicationExStyle() & WS_EX_TOOLWINDOW);
  }
  EXPECT_FALSE(ApplicationExStyle() & WS_EX_TOOLWINDOW);
}

TEST_F(DXFormTest, MinimizeCommandMinimizes) {
  TDXForm form;
  form.CreateHandle();
  ShowWindow(form.Handle(), SW_SHOWNOACTIVATE);
  SendMessageW(form.Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_EQ(form.GetWindowState(), WindowState::Minimized);
}

TEST_F(DXFormTest, RestoresAStoredPlacementOnce) {
  TDXForm form;
  form.RestoreWindowPlacement();  // nothing stored, no window: nothing happens
  form.CreateHandle();
  form.SetBounds(40, 30, 500, 400);
  form.StoreWindowPlacement();
  form.SetBounds(0, 0, 200, 100);
  form.RestoreWindowPlacement();
  RECT bounds = form.BoundsRect();
  EXPECT_EQ(bounds.left, 40);
  EXPECT_EQ(bounds.top, 30);
  EXPECT_EQ(bounds.right - bounds.left, 500);
  form.SetBounds(0, 0, 200, 100);
  form.RestoreWindowPlacement();
  EXPECT_EQ(form.BoundsRect().left, 0);
}

}  // namespace
}  // namespace dm
