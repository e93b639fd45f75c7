// The end of a run is a negotiation with the movie; these runs check it from the movie's side.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/e2e/harness/host_process.h"

namespace dm::e2e {
namespace {

using namespace std::chrono_literals;

TEST(HostLifecycle, WithoutAMovieTheFirstCloseEndsTheRun) {
  HostOptions options;
  HostProcess host(options);
  EXPECT_TRUE(host.MainWindow().visible);
  host.Close();
  ASSERT_TRUE(host.WaitForExit().has_value());
  EXPECT_EQ(host.CallCount(L"externalExit"), 0u);
}

TEST(HostLifecycle, TheFirstCloseAsksTheMovieOnceAndTheMoviesExitEndsTheRun) {
  HostProcess host(GameMovieOptions());
  host.ChangeMovie(L"callback externalExit\n");  // the movie hears the wish and answers later
  host.Close();
  MovieCall exitWish = host.WaitForCall(L"externalExit");
  EXPECT_EQ(exitWish.text, L"<invoke name=\"externalExit\"><arguments><string>\"exit\"</string></arguments></invoke>");
  EXPECT_TRUE(host.MainWindow().visible);
  host.Close();
  host.ExpectNoCall(L"externalExit", 1500ms);
  EXPECT_FALSE(host.HasExited());
  host.SendRequest(L"anyFunction", L"<exit/>");
  EXPECT_TRUE(host.WaitForExit().has_value());
}

TEST(HostLifecycle, AMovieThatAnswersInsideTheCallClosesInOneGo) {
  HostProcess host(GameMovieOptions());
  host.Close();
  host.WaitForCall(L"externalExit");
  EXPECT_TRUE(host.WaitForExit().has_value());
}

TEST(HostLifecycle, AMovieThatCannotBeAskedLetsTheWindowCloseAtOnce) {
  HostProcess host(GameMovieOptions());
  host.UnregisterCallback(L"externalExit");
  host.Close();
  EXPECT_TRUE(host.WaitForExit().has_value());
}

TEST(HostLifecycle, TheSessionEndQueryGetsTheCloseTestsAnswer) {
  HostProcess host(GameMovieOptions());
  host.ChangeMovie(L"callback externalExit\n");
  EXPECT_EQ(host.QueryEndSession(), FALSE);
  host.WaitForCall(L"externalExit");
  EXPECT_EQ(host.QueryEndSession(), FALSE);
  host.ExpectNoCall(L"externalExit", 1000ms);
  EXPECT_FALSE(host.HasExited());
}

TEST(HostLifecycle, SetAppPathTellsTheMovieTheDataFolderOnceEvenWithAnAmpersandInIt) {
  for (const wchar_t* name : {L"appdata", L"Tom & Ann's data"}) {
    HostOptions options = GameMovieOptions();
    options.appDataName = name;
    HostProcess host(options);
    MovieCall setAppPath = host.WaitForCall(L"setAppPath");
    std::wstring folder = host.PlayerDataFolder().wstring();
    std::replace(folder.begin(), folder.end(), L'\\', L'/');
    EXPECT_TRUE(setAppPath.succeeded) << name;
    EXPECT_EQ(setAppPath.argument, L"file:///" + folder) << name;
    host.ExpectNoCall(L"setAppPath", 500ms);
  }
}

TEST(HostLifecycle, TheFirstShowGivesA1024By768ClientAreaWithASingleBorder) {
  HostProcess host(GameMovieOptions());
  WindowFacts window = host.MainWindow();
  EXPECT_EQ(window.caption, L"Driftmarrow");
  EXPECT_EQ(window.clientRect.right - window.clientRect.left, 1024);
  EXPECT_EQ(window.clientRect.bottom - window.clientRect.top, 768);
  EXPECT_TRUE(window.style & WS_CAPTION);
  EXPECT_FALSE(window.style & WS_THICKFRAME);
  EXPECT_FALSE(window.style & WS_MAXIMIZEBOX);
  EXPECT_TRUE(window.style & WS_MINIMIZEBOX);
}

TEST(HostLifecycle, ARightButtonPressOnTheWindowItselfDoesNothing) {
  HostProcess host(GameMovieOptions());
  host.PostToMainWindow(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
  host.ExpectNoCall(L"rightclick", 1000ms);
}

}  // namespace
}  // namespace dm::e2e
