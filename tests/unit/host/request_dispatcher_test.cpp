// The dispatch table, the per-command error handling and nesting, over a reader whose "request" is simply
// the command name followed by name=value attributes ("!" first: a request that cannot be read).
#include "host/request_dispatcher.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "request_recording_actions.h"
#include "ui/error.h"

namespace dm {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Log = std::vector<std::wstring>;

class ScriptReader final : public RequestReader {
 public:
  explicit ScriptReader(int& reads) : reads_(reads) {}
  MovieCommand Read(const std::wstring& requestText) override {
    ++reads_;
    if (requestText.empty() || requestText[0] == L'!') throw Error(L"unreadable");
    MovieCommand command;
    command.text = requestText;
    std::wistringstream words(requestText);
    words >> command.name;
    for (std::wstring word; words >> word;) {
      auto equals = word.find(L'=');
      command.attributes.emplace_back(word.substr(0, equals), equals == std::wstring::npos ? L"" : word.substr(equals + 1));
    }
    return command;
  }

 private:
  int& reads_;
};

class RequestDispatcherTest : public ::testing::Test {
 protected:
  test::RecordingActions actions;
  int reads = 0;
  RequestDispatcher dispatcher{std::make_unique<ScriptReader>(reads), actions};

  Log Send(const std::wstring& request) { return test::Send(dispatcher, actions, request); }
};

struct DispatchCase {
  const wchar_t* request;
  Log expected;
};

TEST_F(RequestDispatcherTest, EachCommandReachesItsActionWithItsParameters) {
  const DispatchCase cases[] = {
      {L"data fileName=slot1", {L"SavePlayerFile(slot1, data fileName=slot1)", L"SignFiles"}},
      {L"data", {L"SavePlayerFile(, data)", L"SignFiles"}},
      {L"delete fileName=slot1", {L"DeletePlayerFile(slot1)"}},
      {L"delete", {L"DeletePlayerFile()"}},
      {L"beforeLoad fileName=ignored", {L"VerifyPlayerFiles"}},
      {L"fullscreen param=true", {L"ToggleScreenMode(true)"}},
      {L"fullscreen", {L"ToggleScreenMode()"}},
      {L"exit", {L"AllowClose", L"HideMainWindow", L"SignFiles", L"CloseMainWindow"}},
      {L"stopPlay", {}},
      {L"playSound fileName=missing.mp3", {}},
      {L"music level=loud", {}},
      {L"music", {}},
      {L"Data fileName=slot1", {}},
      {L"EXIT", {}},
      {L"fullScreen param=true", {}},
      {L"save fileName=slot1", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(Send(c.request), c.expected) << c.request;
}

struct FailureCase {
  const wchar_t* request;
  const wchar_t* failingAction;
  Log expected;
};

TEST_F(RequestDispatcherTest, FailuresEndOrPassThroughTheRequestPerCommand) {
  const FailureCase cases[] = {
      // A file that was not written is not signed.
      {L"data fileName=a", L"SavePlayerFile", {L"SavePlayerFile(a, data fileName=a)"}},
      {L"data fileName=a", L"SignFiles", {L"SavePlayerFile(a, data fileName=a)", L"SignFiles"}},
      {L"delete fileName=a", L"DeletePlayerFile", {L"DeletePlayerFile(a)"}},
      {L"beforeLoad", L"VerifyPlayerFiles", {L"VerifyPlayerFiles"}},
      {L"fullscreen param=true", L"ToggleScreenMode", {L"ToggleScreenMode(true)"}},
      // The window closes even when signing fails; a hidden window that never ends helps nobody.
      {L"exit", L"SignFiles", {L"AllowClose", L"HideMainWindow", L"SignFiles", L"CloseMainWindow"}},
      {L"exit", L"HideMainWindow", {L"AllowClose", L"HideMainWindow"}},
  };
  for (const auto& c : cases) {
    actions.failing = {c.failingAction};
    EXPECT_EQ(Send(c.request), c.expected) << c.request << L" / " << c.failingAction;
    actions.failing.clear();
    EXPECT_THAT(Send(L"beforeLoad"), ElementsAre(L"VerifyPlayerFiles")) << L"after " << c.request;
  }
}

TEST_F(RequestDispatcherTest, ErrorsOfAnyTypeStayInside) {
  actions.inside[L"ToggleScreenMode"] = [] { throw 42; };
  EXPECT_THAT(Send(L"fullscreen"), ElementsAre(L"ToggleScreenMode()"));
  actions.inside[L"ToggleScreenMode"] = [] { throw std::bad_alloc(); };
  EXPECT_THAT(Send(L"fullscreen"), ElementsAre(L"ToggleScreenMode()"));
  EXPECT_THAT(Send(L"beforeLoad"), ElementsAre(L"VerifyPlayerFiles"));
}

TEST_F(RequestDispatcherTest, UnreadableRequestIsDroppedAndTheNextOneWorks) {
  EXPECT_THAT(Send(L"!exit"), IsEmpty());
  EXPECT_THAT(Send(L""), IsEmpty());
  EXPECT_THAT(Send(L"delete fileName=a"), ElementsAre(L"DeletePlayerFile(a)"));
}

TEST_F(RequestDispatcherTest, OversizedRequestIsDroppedUnread) {
  std::wstring limit = L"stopPlay ";
  limit.resize(kMaxRequestLength, L'x');
  Send(limit);
  EXPECT_EQ(reads, 1);
  Send(limit + L'x');
  EXPECT_EQ(reads, 1);
}

TEST_F(RequestDispatcherTest, NestedRequestIsProcessedAtOnceInsideTheRunningAction) {
  // The movie, called from inside the save, sends requests of its own; the outer request then goes on
  // with the parameters it read before.
  actions.inside[L"SavePlayerFile"] = [this] {
    actions.inside.erase(L"SavePlayerFile");
    dispatcher.OnFlashCall(L"fullscreen param=true");
    dispatcher.OnFlashCall(L"delete fileName=inner");
  };
  EXPECT_THAT(Send(L"data fileName=outer"),
              ElementsAre(L"SavePlayerFile(outer, data fileName=outer)", L"ToggleScreenMode(true)",
                          L"DeletePlayerFile(inner)", L"SignFiles"));
}

TEST_F(RequestDispatcherTest, NestedFailureEndsOnlyTheNestedRequest) {
  actions.inside[L"ToggleScreenMode"] = [this] {
    actions.inside.erase(L"ToggleScreenMode");
    actions.failing = {L"SavePlayerFile"};
    dispatcher.OnFlashCall(L"data fileName=inner");
    actions.failing.clear();
  };
  actions.inside[L"HideMainWindow"] = [this] { dispatcher.OnFlashCall(L"fullscreen param=false"); };
  EXPECT_THAT(Send(L"exit"),
              ElementsAre(L"AllowClose", L"HideMainWindow", L"ToggleScreenMode(false)",
                          L"SavePlayerFile(inner, data fileName=inner)", L"SignFiles", L"CloseMainWindow"));
}

TEST_F(RequestDispatcherTest, EndlessNestingStopsAtTheLimitAndTheHostGoesOn) {
  // A movie that answers every call with another request would otherwise recurse until the stack ends.
  int toggles = 0;
  actions.inside[L"ToggleScreenMode"] = [&] {
    ++toggles;
    dispatcher.OnFlashCall(L"fullscreen");
  };
  Send(L"fullscreen");
  EXPECT_EQ(toggles, kMaxNestedRequests);
  actions.inside.clear();
  EXPECT_THAT(Send(L"fullscreen param=true"), ElementsAre(L"ToggleScreenMode(true)"));
}

TEST(CommandTextFromArgument, EscapesOnlyAmpersands) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"", L""},
      {L"<data fileName=\"a\">x 'y' > z\r\n</data>", L"<data fileName=\"a\">x 'y' > z\r\n</data>"},
      {L"a&b", L"a&amp;b"},
      {L"&amp;", L"&amp;amp;"},
      {L"&lt;&gt;&quot;", L"&amp;lt;&amp;gt;&amp;quot;"},
      {L"&&", L"&amp;&amp;"},
  };
  for (const auto& [argument, expected] : cases) EXPECT_EQ(CommandTextFromArgument(argument), expected) << argument;
}

TEST(MovieCommandAttribute, AbsentAttributeIsEmptyAndNamesAreCaseSensitive) {
  MovieCommand command{L"data", L"", {{L"fileName", L"a"}, {L"param", L""}}};
  EXPECT_EQ(command.Attribute(L"fileName"), L"a");
  EXPECT_EQ(command.Attribute(L"filename"), L"");
  EXPECT_EQ(command.Attribute(L"level"), L"");
}

}  // namespace
}  // namespace dm
