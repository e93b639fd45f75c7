// The keys the game window watches, pressed at the Flash control as the player would, and the system
// commands its message loop lets through to the control.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/e2e/harness/host_process.h"

namespace dm::e2e {
namespace {

using namespace std::chrono_literals;

// lParam of a first key-down, of an auto-repeated one and of a key-up (repeat count 1).
constexpr LPARAM kFirstPress = 0x00000001;
constexpr LPARAM kRepeat = 0x40000001;
constexpr LPARAM kRelease = static_cast<LPARAM>(0xC0000001);

class Keys : public ::testing::Test {
 protected:
  static HostOptions Options() {
    HostOptions options;
    options.movie = GameMovie();
    return options;
  }

  void Down(WPARAM key, LPARAM lParam = kFirstPress) { host.PostToControl(WM_KEYDOWN, key, lParam); }
  void Up(WPARAM key) { host.PostToControl(WM_KEYUP, key, kRelease); }
  // The control logs a key only after the main window has previewed it, so once the control has the
  // last posted key, every notice those keys caused has reached the movie.
  size_t EscapeReportsAfterKeyUp() {
    host.WaitForMessage(WM_KEYUP);
    auto calls = host.Calls();
    return static_cast<size_t>(
        std::count_if(calls.begin(), calls.end(), [](const MovieCall& c) { return c.name == L"externalEscape"; }));
  }

  HostProcess host{Options()};
};

TEST_F(Keys, EscapeIsReportedOncePerPress) {
  Down(VK_ESCAPE);
  Down(VK_ESCAPE, kRepeat);
  Down(VK_ESCAPE, kRepeat);
  Up(VK_ESCAPE);
  EXPECT_EQ(EscapeReportsAfterKeyUp(), 1u) << "a held Escape";
  MovieCall report = host.WaitForCall(L"externalEscape");
  EXPECT_EQ(report.text,
            L"<invoke name=\"externalEscape\"><arguments><string>\"escape\"</string></arguments></invoke>");
  EXPECT_EQ(report.argument, L"\"escape\"");

  Down(VK_ESCAPE);
  Up(VK_ESCAPE);
  EXPECT_EQ(EscapeReportsAfterKeyUp(), 2u) << "released and pressed again";

  Down('A');
  Up('A');
  EXPECT_EQ(EscapeReportsAfterKeyUp(), 2u);
  Down(VK_ESCAPE);
  Up(VK_ESCAPE);
  EXPECT_EQ(EscapeReportsAfterKeyUp(), 2u) << "the Escape after another key";
  Down(VK_ESCAPE);
  Up(VK_ESCAPE);
  EXPECT_EQ(EscapeReportsAfterKeyUp(), 3u) << "the next Escape";
}

TEST_F(Keys, TabReachesTheControl) {
  Down(VK_TAB);
  Down(VK_TAB, kRepeat);
  Up(VK_TAB);
  EXPECT_EQ(host.WaitForMessage(WM_KEYDOWN).wParam, WPARAM{VK_TAB});
  EXPECT_EQ(host.WaitForMessage(WM_KEYDOWN).wParam, WPARAM{VK_TAB});
  EXPECT_EQ(host.WaitForMessage(WM_KEYUP).wParam, WPARAM{VK_TAB});
}

TEST_F(Keys, ScreenSaverStartsTakenFromTheQueueAreDroppedAndSentOnesArrive) {
  // A system command of no meaning, posted after it the same way, is handled after it.
  constexpr WPARAM kMeaningless = 0xF1F0;
  host.PostToControl(WM_SYSCOMMAND, SC_SCREENSAVE);
  host.PostToControl(WM_SYSCOMMAND, kMeaningless);
  EXPECT_EQ(host.WaitForMessage(WM_SYSCOMMAND).wParam, kMeaningless) << "the posted screen-saver start came through";

  host.SendToControl(WM_SYSCOMMAND, SC_SCREENSAVE);
  EXPECT_EQ(host.WaitForMessage(WM_SYSCOMMAND).wParam, WPARAM{SC_SCREENSAVE});
}

}  // namespace
}  // namespace dm::e2e
