#include "input/focus_pause.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "host/movie_call_text.h"

namespace dm {
namespace {

constexpr Desktop::Window kMain = 0x100;
constexpr Desktop::Window kOther = 0x200;

// Records every call of focus handling, in order, as one line each.
class Recorder : public PauseHost, public Desktop {
 public:
  std::vector<std::string> calls;
  enum class State { Normal, Minimized, Maximized };
  Window foreground = kMain;
  State state = State::Normal;
  bool fullScreen = false;
  bool windowedImpossible = false;
  bool movieFails = false;

  Window MainWindow() const override { return kMain; }
  bool Minimized() const override { return state == State::Minimized; }
  bool Maximized() const override { return state == State::Maximized; }
  void CallMovie(std::wstring_view text) override {
    if (text == movie_call::kExternalPause) calls.push_back("pause");
    else if (text == movie_call::kExternalUnPause) calls.push_back("unpause");
    else calls.push_back("unexpected call");
    if (movieFails) throw std::runtime_error("movie not loaded");
  }
  bool FullScreen() const override { return fullScreen; }
  bool WindowedImpossible() const override { return windowedImpossible; }
  void RecordDesktopSize() override { calls.push_back("record desktop size"); }
  void SizeControlToClient() override { calls.push_back("size control"); }
  void AlignControlToClient() override { calls.push_back("align control"); }
  void EnableUserActivity(bool enabled) override { calls.push_back(enabled ? "activity on" : "activity off"); }

  Window Foreground() const override { return foreground; }
  void DropTopmost(Window window) override { calls.push_back("not topmost " + Name(window)); }
  void RaiseToTop(Window window) override { calls.push_back("top " + Name(window)); }
  void SetFocus(Window window) override { calls.push_back("focus " + Name(window)); }

 private:
  static std::string Name(Window window) {
    return window == kMain ? "main" : window == kOther ? "other" : window == 0 ? "none" : "?";
  }
};

using Calls = std::vector<std::string>;

TEST(FocusPause, RegainingTheForegroundUnpauses) {
  for (bool fullScreen : {false, true}) {
    Recorder r;
    r.fullScreen = fullScreen;
    FocusPause(r, r).Activated();
    Calls expected = fullScreen ? Calls{"unpause", "activity on", "size control"} : Calls{"unpause", "size control"};
    EXPECT_EQ(r.calls, expected) << "full screen " << fullScreen;
  }
}

TEST(FocusPause, LosingTheForegroundPausesAndHandsOverTheTop) {
  struct Case {
    Desktop::Window foreground;
    Recorder::State state;
    bool windowedImpossible;
    bool recordsDesktop;
  } cases[] = {
      {kOther, Recorder::State::Normal, false, false},    {kOther, Recorder::State::Normal, true, false},
      {kOther, Recorder::State::Minimized, false, false}, {kOther, Recorder::State::Minimized, true, true},
      {kOther, Recorder::State::Maximized, true, true},   {0, Recorder::State::Normal, false, false},
  };
  for (const Case& c : cases) {
    Recorder r;
    r.foreground = c.foreground;
    r.state = c.state;
    r.windowedImpossible = c.windowedImpossible;
    r.fullScreen = true;
    FocusPause(r, r).Activated();
    const std::string to = c.foreground == kOther ? "other" : "none";
    Calls expected{"pause"};
    if (c.recordsDesktop) expected.push_back("record desktop size");
    expected.insert(expected.end(), {"not topmost main", "top " + to, "focus " + to, "size control", "align control",
                                     "activity off"});
    EXPECT_EQ(r.calls, expected) << "foreground " << to << ", state " << static_cast<int>(c.state)
                                 << ", windowed impossible " << c.windowedImpossible;
  }
}

TEST(FocusPause, FailedNoticeStillCompletesTheChangeAndIsRaised) {
  Recorder lost;
  lost.foreground = kOther;
  lost.movieFails = true;
  EXPECT_THROW(FocusPause(lost, lost).Activated(), std::runtime_error);
  EXPECT_EQ(lost.calls.back(), "activity off");

  Recorder regained;
  regained.fullScreen = true;
  regained.movieFails = true;
  EXPECT_THROW(FocusPause(regained, regained).Activated(), std::runtime_error);
  EXPECT_EQ(regained.calls, (Calls{"unpause", "activity on", "size control"}));
}

TEST(FocusPause, MinimizeCommandPausesBeforeTheBaseHandling) {
  struct Case {
    std::uint32_t command;
    Calls expected;
  } cases[] = {
      {0xF020, {"pause", "base"}},  // SC_MINIMIZE
      {0xF022, {"base"}},           // not exactly SC_MINIMIZE
      {0xF120, {"base"}},           // SC_RESTORE
      {0xF060, {"base"}},           // SC_CLOSE
  };
  for (const Case& c : cases) {
    Recorder r;
    FocusPause(r, r).SysCommand(c.command, [&] { r.calls.push_back("base"); });
    EXPECT_EQ(r.calls, c.expected) << std::hex << c.command;
  }

  Recorder failing;
  failing.movieFails = true;
  EXPECT_THROW(FocusPause(failing, failing).SysCommand(0xF020, [&] { failing.calls.push_back("base"); }),
               std::runtime_error);
  EXPECT_EQ(failing.calls, (Calls{"pause", "base"})) << "the window still minimizes";
}

TEST(FocusPause, FirstMinimizedTickPausesOncePerRun) {
  Recorder r;
  FocusPause focus(r, r);
  focus.CheckMinimized();
  EXPECT_TRUE(r.calls.empty());
  EXPECT_FALSE(focus.PausedOnMinimize());

  r.state = Recorder::State::Minimized;
  focus.CheckMinimized();
  focus.CheckMinimized();
  EXPECT_EQ(r.calls, Calls{"pause"});

  r.state = Recorder::State::Normal;
  focus.CheckMinimized();
  r.state = Recorder::State::Minimized;
  focus.CheckMinimized();
  EXPECT_EQ(r.calls, Calls{"pause"}) << "a second minimize in the run";
}

TEST(FocusPause, FailedMinimizedPauseIsNotRetriedEverySecond) {
  Recorder r;
  r.state = Recorder::State::Minimized;
  r.movieFails = true;
  FocusPause focus(r, r);
  EXPECT_THROW(focus.CheckMinimized(), std::runtime_error);
  focus.CheckMinimized();
  EXPECT_EQ(r.calls, Calls{"pause"});
}

}  // namespace
}  // namespace dm
