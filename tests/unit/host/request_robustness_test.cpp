// Thousands of generated and mutated requests through the real reader: the dispatcher stays up, drops
// what it cannot read, and a final well-formed request still works.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "host/request_reader_msxml.h"
#include "request_com_scope.h"
#include "request_recording_actions.h"
#include "request_mutator.h"
#include "request_wrap.h"

namespace dm {
namespace {

using ::testing::ElementsAre;
using test::WrapRequest;

const std::vector<std::wstring> kArguments = {
    L"<data fileName=\"slot1\">\r\n<level n=\"3\">Anna &amp; Tom's</level>\r\n</data>",
    L"<data fileName=\"profiles/anna\"><x a=\"1\"/></data>",
    L"<delete fileName=\"slot1\"/>",
    L"<beforeLoad/>",
    L"<fullscreen param=\"true\"/>",
    L"<fullscreen/>",
    L"<playSound fileName=\"a.mp3\"/>",
    L"<music level=\"50\"/>",
    L"<stopPlay/>",
    L"<exit/>",
};

TEST(RequestRobustness, TwelveThousandMutatedRequestsLeaveTheDispatcherWorking) {
  test::ComScope com;
  test::RecordingActions actions;
  RequestDispatcher dispatcher{std::make_unique<MsxmlRequestReader>(), actions};
  test::Mutator mutator(20261210, kArguments);

  // Actions fail now and then, and the movie sometimes answers a save with a request of its own.
  const std::wstring failures[] = {L"SavePlayerFile", L"SignFiles", L"ToggleScreenMode", L"HideMainWindow",
                                   L"DeletePlayerFile", L"VerifyPlayerFiles"};
  actions.inside[L"SavePlayerFile"] = [&] {
    if (mutator.Below(4) == 0) dispatcher.OnFlashCall(mutator.Next());
  };

  int dispatched = 0;
  for (int i = 0; i < 12000; ++i) {
    actions.failing.clear();
    if (mutator.Below(5) == 0) actions.failing.insert(failures[mutator.Below(std::size(failures))]);
    if (!test::Send(dispatcher, actions, mutator.Next()).empty()) ++dispatched;
  }
  // Many mutants stay well-formed; a generator that only made garbage would test little.
  EXPECT_GT(dispatched, 1000);

  actions.failing.clear();
  actions.inside.clear();
  EXPECT_THAT(test::Send(dispatcher, actions, WrapRequest(L"<data fileName=\"final\">done</data>")),
              ElementsAre(L"SavePlayerFile(final, <data fileName=\"final\">done</data>)", L"SignFiles"));
}

}  // namespace
}  // namespace dm
