// The harness against the real host: what every end-to-end test relies on.
#include <gtest/gtest.h>

#include <algorithm>

#include "host_process.h"

namespace dm::e2e {
namespace {

using namespace std::chrono_literals;

// Without an externalExit callback the host's exit wish fails, so the first close ends the run.
constexpr char kMovieThatLetsGo[] = "callback setAppPath\ncallback externalPause\ncallback externalUnPause\n";

TEST(Harness, SeesTheWholeRunAndGetsTheExitCode) {
  HostOptions options;
  options.movie = kMovieThatLetsGo;
  std::filesystem::path root;
  {
    HostProcess host(options);
    root = host.AppFolder().parent_path();
    EXPECT_NE(host.ProcessId(), 0u);
    const MovieLoad load = host.WaitForMovieLoad();
    EXPECT_EQ(load.kind, L"script");
    EXPECT_EQ(std::filesystem::path(load.path), host.AppFolder() / L"Driftmarrow.swf");

    const WindowFacts window = host.MainWindow();
    EXPECT_TRUE(window.visible);
    EXPECT_EQ(window.screenWidth, 1280);
    EXPECT_EQ(window.screenHeight, 1024);
    EXPECT_NE(window.controlHwnd, nullptr);

    host.PostToControl(WM_KEYDOWN, 'A', 1);
    const ControlMessage key = host.WaitForMessage(WM_KEYDOWN);
    EXPECT_EQ(key.wParam, static_cast<WPARAM>('A'));
    EXPECT_LT(load.sequence, key.sequence);

    host.Close();
    const MovieCall exitWish = host.WaitForCall(L"externalExit");
    EXPECT_FALSE(exitWish.succeeded);
    EXPECT_EQ(host.WaitForExit(), 0u);
  }
  EXPECT_FALSE(std::filesystem::exists(root));
}

TEST(Harness, GivesEachRunItsOwnDataFolder) {
  HostOptions options;
  options.movie = GameMovie();
  options.dataFiles = {{L"players", "x\r\n"}};
  HostProcess host(options);
  EXPECT_EQ(host.ReadDataFile(L"players"), "x\r\n");
  const MovieCall setAppPath = host.WaitForCall(L"setAppPath");
  std::wstring expected = L"file:///" + host.PlayerDataFolder().wstring();
  std::replace(expected.begin(), expected.end(), L'\\', L'/');
  EXPECT_EQ(setAppPath.argument, expected);
}

TEST(Harness, EndsAHostThatIsStillRunning) {
  HostOptions options;
  options.movie = "callback externalExit\n";  // hears the exit wish and never answers
  std::filesystem::path appFolder;
  DWORD id = 0;
  {
    HostProcess host(options);
    appFolder = host.AppFolder();
    id = host.ProcessId();
    host.Close();
    EXPECT_TRUE(host.WaitForCall(L"externalExit").succeeded);
    EXPECT_FALSE(host.HasExited());
  }
  if (HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id)) {
    EXPECT_EQ(WaitForSingleObject(process, 0), WAIT_OBJECT_0);
    CloseHandle(process);
  }
  EXPECT_FALSE(std::filesystem::exists(appFolder));
}

TEST(Harness, WaitsReportWhatTheMovieDidOrDidNotGet) {
  HostOptions options;
  options.movie = "callback externalExit\n";
  HostProcess host(options);
  EXPECT_THROW(host.WaitForCall(L"neverCalled", 300ms), Error);
  host.Close();
  // A call not yet waited for counts as unexpected; checking does not use it up.
  EXPECT_THROW(host.ExpectNoCall(L"externalExit", 10s), Error);
  host.WaitForCall(L"externalExit");
  EXPECT_NO_THROW(host.ExpectNoCall(L"externalExit", 300ms));
  EXPECT_THROW(host.WaitForCall(L"externalExit", 300ms), Error);
}

}  // namespace
}  // namespace dm::e2e
