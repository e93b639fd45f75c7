// Thousands of generated and mutated requests through the real reader: the dispatcher stays up, drops
// what it cannot read, and a final well-formed request still works.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "host/request_reader_msxml.h"
#include "request_com_scope.h"
#include "request_recording_actions.h"
#include "request_wrap.h"

namespace dm {
namespace {

using ::testing::ElementsAre;
using test::WrapRequest;

const wchar_t* const kArguments[] = {
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

// Characters that matter to XML and to the text handling, and a few that are plainly hostile.
const wchar_t kAlphabet[] = L"<>&;\"'/=!?-[]#x:a0 \r\n\t\xFFFF\xD800\xDC00\x00E9\x4E2D\x0001";

class Mutator {
 public:
  explicit Mutator(unsigned seed) : random_(seed) {}

  std::wstring Next() {
    std::wstring request = Seed();
    int rounds = Below(3) + 1;
    for (int i = 0; i < rounds; ++i) Mutate(request);
    return request;
  }

  std::wstring Seed() {
    const wchar_t* argument = kArguments[Below(std::size(kArguments))];
    return WrapRequest(argument, Below(2) ? L"save" : L"f" + std::to_wstring(Below(1000)));
  }

  int Below(std::size_t n) { return static_cast<int>(std::uniform_int_distribution<std::size_t>(0, n - 1)(random_)); }

 private:
  wchar_t AnyChar() {
    if (Below(4) == 0) return static_cast<wchar_t>(Below(0x10000));
    return kAlphabet[Below(std::size(kAlphabet))];  // the array's last element is the NUL character
  }

  void Mutate(std::wstring& request) {
    std::size_t size = request.size();
    switch (Below(9)) {
      case 0:  // flip characters
        for (int i = Below(4) + 1; i > 0 && size > 0; --i) request[Below(size)] = AnyChar();
        break;
      case 1:  // flip a bit
        if (size > 0) request[Below(size)] ^= static_cast<wchar_t>(1u << Below(16));
        break;
      case 2:  // truncate
        request.resize(size > 0 ? Below(size) : 0);
        break;
      case 3:  // insert
        for (int i = Below(8) + 1; i > 0; --i) request.insert(request.begin() + Below(request.size() + 1), AnyChar());
        break;
      case 4:  // repeat a slice
        if (size > 0) {
          std::size_t from = Below(size);
          std::wstring slice = request.substr(from, Below(size - from) + 1);
          for (int i = Below(50) + 1; i > 0; --i) request.insert(from, slice);
        }
        break;
      case 5:  // a request inside the argument of another
        request = WrapRequest(request, L"outer");
        break;
      case 6: {  // deep nesting, outside the request or inside its argument
        int depth = Below(3000) + 1;
        std::wstring open, close;
        for (int i = 0; i < depth; ++i) open += L"<n>", close += L"</n>";
        if (Below(2))
          request = open + request + close;
        else
          request = WrapRequest(L"<data fileName=\"deep\">" + open + close + L"</data>");
        break;
      }
      case 7:  // oversized: just above the limit now and then, large but allowed otherwise
        if (Below(200) == 0)
          request += std::wstring(kMaxRequestLength, L'x');
        else
          request = WrapRequest(L"<data fileName=\"big\">" + std::wstring(Below(50000), L'y') + L"</data>");
        break;
      default:  // a seed of another command spliced in
        request.insert(Below(size + 1), Seed());
        break;
    }
  }

  std::mt19937 random_;
};

TEST(RequestRobustness, TwelveThousandMutatedRequestsLeaveTheDispatcherWorking) {
  test::ComScope com;
  test::RecordingActions actions;
  RequestDispatcher dispatcher{std::make_unique<MsxmlRequestReader>(), actions};
  Mutator mutator(20261210);

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
    actions.log.clear();
    dispatcher.OnFlashCall(mutator.Next());
    if (!actions.log.empty()) ++dispatched;
  }
  // Many mutants stay well-formed; a generator that only made garbage would test little.
  EXPECT_GT(dispatched, 1000);

  actions.failing.clear();
  actions.inside.clear();
  actions.log.clear();
  dispatcher.OnFlashCall(WrapRequest(L"<data fileName=\"final\">done</data>"));
  EXPECT_THAT(actions.log, ElementsAre(L"SavePlayerFile(final, <data fileName=\"final\">done</data>)", L"SignFiles"));
}

}  // namespace
}  // namespace dm
