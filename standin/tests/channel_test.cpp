// The test channel end to end: the control in this process, the test's pipe server beside it.
#include <gtest/gtest.h>

#include "standin/invoke_xml.h"
#include "standin/tests/control_support.h"
#include "tests/e2e/harness/standin_channel.h"
#include "ui/error.h"

namespace dm::standin::testing {
namespace {

using namespace std::chrono_literals;
using e2e::StandinChannel;

class ChannelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    SetEnvironmentVariableW(L"DM_STANDIN_CHANNEL", channel_.Name().c_str());
    control_ = module_.CreateControl();
    SetEnvironmentVariableW(L"DM_STANDIN_CHANNEL", nullptr);
    Connect(control_.Get(), sink_);
  }
  void TearDown() override {
    control_.Reset();
    OleUninitialize();
  }
  std::size_t WaitForKind(const wchar_t* kind, std::size_t from = 0) {
    auto found = channel_.WaitFor([&](const Record& r) { return r[0] == kind; }, from, 5s);
    if (!found) throw Error(std::wstring(L"no record ") + kind);
    return *found;
  }

  StandinChannel channel_;
  StandinModule module_;
  ComPtr<IDispatch> control_;
  EventSink sink_;
};

TEST_F(ChannelTest, LogsCallsAndLoadsInOrder) {
  const std::size_t helloAt = WaitForKind(L"hello");
  const Record hello = channel_.Records().at(helloAt);
  EXPECT_EQ(hello.at(1), std::to_wstring(GetCurrentProcessId()));

  TempFile movie("callback externalPause\n  request ack <ok/>\n");
  ASSERT_EQ(PutMovie(control_.Get(), movie.Path()), S_OK);
  const std::wstring pause = L"<invoke name=\"externalPause\"><arguments><string>\"pause\"</string></arguments></invoke>";
  EXPECT_EQ(CallFunction(control_.Get(), pause).hr, S_OK);
  EXPECT_EQ(CallFunction(control_.Get(), L"<invoke name=\"nope\"><arguments/></invoke>").hr, DISP_E_EXCEPTION);

  const std::size_t load = WaitForKind(L"load");
  const std::size_t call = WaitForKind(L"call", load);
  const std::size_t event = WaitForKind(L"event", call);
  const std::size_t failed = WaitForKind(L"call", call + 1);
  const auto records = channel_.Records();
  EXPECT_EQ(records[load], (Record{L"load", movie.Path(), L"script", L""}));
  EXPECT_EQ(records[call], (Record{L"call", pause, L"externalPause", L"\"pause\"", L"ok", L"<undefined/>"}));
  EXPECT_EQ(records[event][1], L"197");
  EXPECT_EQ(records[event][3], RequestXml(L"ack", L"<ok/>"));
  EXPECT_EQ(records[event][5], L"1");
  EXPECT_LT(event, failed);
  EXPECT_EQ(records[failed][2], L"nope");
  EXPECT_EQ(records[failed][4], L"failed");
}

TEST_F(ChannelTest, CommandsRunOnTheControlsThread) {
  WaitForKind(L"hello");
  // The movie sends a request when the test asks, wrapped like any other.
  const Record delivered = channel_.Command(L"request", {L"anyName", L"<data fileName=\"a\">x & y</data>"}, 5s);
  EXPECT_EQ(delivered, (Record{L"0x00000000", L"1"}));
  ASSERT_EQ(sink_.FlashCalls().size(), 1u);
  EXPECT_EQ(sink_.FlashCalls()[0], RequestXml(L"anyName", L"<data fileName=\"a\">x & y</data>"));
  channel_.Command(L"raw", {L"<broken"}, 5s);
  EXPECT_EQ(sink_.FlashCalls().back(), L"<broken");

  // Callbacks can be registered, changed and withdrawn while the movie runs.
  const std::wstring ping = L"<invoke name=\"ping\"><arguments><string>1</string></arguments></invoke>";
  EXPECT_EQ(CallFunction(control_.Get(), ping).hr, DISP_E_EXCEPTION);
  channel_.Command(L"script", {L"callback ping\n  answer pong\n"}, 5s);
  EXPECT_EQ(CallFunction(control_.Get(), ping).text, L"<string>pong</string>");
  channel_.Command(L"unregister", {L"ping"}, 5s);
  EXPECT_EQ(CallFunction(control_.Get(), ping).hr, DISP_E_EXCEPTION);

  EXPECT_EQ(channel_.Command(L"pid", {}, 5s), (Record{std::to_wstring(GetCurrentProcessId())}));
  // Without an in-place window there is nothing to query; the failure comes back as text.
  EXPECT_THROW(channel_.Command(L"window", {}, 5s), Error);
  EXPECT_THROW(channel_.Command(L"script", {L"bogus\n"}, 5s), Error);
  EXPECT_THROW(channel_.Command(L"dance", {}, 5s), Error);
}

}  // namespace
}  // namespace dm::standin::testing
