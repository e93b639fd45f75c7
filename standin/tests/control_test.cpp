// The control as a container sees it through IDispatch and the connection point.
#include <gtest/gtest.h>

#include "standin/tests/control_support.h"

namespace dm::standin::testing {
namespace {

constexpr char kMovie[] =
    "callback externalPause\n"
    "callback rightclick\n"
    "  answer done\n"
    "callback externalExit\n"
    "  request exit <exit/>\n"
    "callback externalEscape\n"
    "  fail the movie is busy\n";

std::wstring Call(const wchar_t* name, const wchar_t* argument = L"\"x\"") {
  return std::wstring(L"<invoke name=\"") + name + L"\"><arguments><string>" + argument +
         L"</string></arguments></invoke>";
}

class ControlTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
  void TearDown() override {
    control_.Reset();
    OleUninitialize();
  }
  void Load(const std::string& movie) {
    movie_ = std::make_unique<TempFile>(movie);
    ASSERT_EQ(PutMovie(control_.Get(), movie_->Path()), S_OK);
  }

  StandinModule module_;
  ComPtr<IDispatch> control_ = module_.CreateControl();
  EventSink sink_;
  std::unique_ptr<TempFile> movie_;
};

TEST_F(ControlTest, CallsOnlyReachRegisteredCallbacks) {
  Connect(control_.Get(), sink_);
  const CallResult beforeLoad = CallFunction(control_.Get(), Call(L"externalPause"));
  EXPECT_EQ(beforeLoad.hr, DISP_E_EXCEPTION);

  Load(kMovie);
  struct Case {
    std::wstring text;
    HRESULT hr;
    const wchar_t* answerOrDescription;  // the answer, or a part of the error description
  };
  const Case cases[] = {
      {Call(L"externalPause"), S_OK, L"<undefined/>"},
      {Call(L"rightclick"), S_OK, L"<string>done</string>"},
      {Call(L"externalUnPause"), DISP_E_EXCEPTION, L"externalUnPause"},
      {Call(L"ExternalPause"), DISP_E_EXCEPTION, L"ExternalPause"},
      {Call(L"externalEscape"), DISP_E_EXCEPTION, L"the movie is busy"},
      {Call(L"setAppPath", L"file:///C:/Tom & Ann/"), DISP_E_EXCEPTION, L"Malformed call"},
      {L"externalPause", DISP_E_EXCEPTION, L"Malformed call"},
  };
  for (const Case& c : cases) {
    const CallResult result = CallFunction(control_.Get(), c.text);
    EXPECT_EQ(result.hr, c.hr) << c.text;
    if (c.hr == S_OK) {
      EXPECT_EQ(result.text, c.answerOrDescription) << c.text;
    } else {
      EXPECT_EQ(result.scode, E_FAIL) << c.text;
      EXPECT_NE(result.text.find(c.answerOrDescription), std::wstring::npos) << c.text << L" -> " << result.text;
    }
  }
}

TEST_F(ControlTest, ARequestSentByACallbackArrivesBeforeTheCallReturns) {
  Connect(control_.Get(), sink_);
  Load(kMovie);
  // The container answers the exit request by calling back into the movie, as a host may.
  CallResult nested;
  sink_.onFlashCall = [&](const std::wstring&) { nested = CallFunction(control_.Get(), Call(L"rightclick")); };
  const CallResult result = CallFunction(control_.Get(), Call(L"externalExit"));
  EXPECT_EQ(result.hr, S_OK);
  ASSERT_EQ(sink_.FlashCalls().size(), 1u);
  EXPECT_EQ(sink_.FlashCalls()[0],
            L"<invoke name=\"exit\" returntype=\"xml\"><arguments><string>&lt;exit/&gt;</string></arguments></invoke>");
  EXPECT_EQ(nested.hr, S_OK);
  EXPECT_EQ(nested.text, L"<string>done</string>");
}

TEST_F(ControlTest, LoadActionsRunAfterTheMoviePropertyIsSetAndWaitsAreHonoured) {
  Connect(control_.Get(), sink_);
  Load("on load\n  request first <a/>\n  wait 200\n  request second <b/>\n");
  EXPECT_TRUE(sink_.FlashCalls().empty());
  ASSERT_TRUE(PumpUntil([&] { return sink_.FlashCalls().size() == 1; }, std::chrono::seconds(5)));
  const auto firstAt = std::chrono::steady_clock::now();
  ASSERT_TRUE(PumpUntil([&] { return sink_.FlashCalls().size() == 2; }, std::chrono::seconds(5)));
  EXPECT_GE(std::chrono::steady_clock::now() - firstAt, std::chrono::milliseconds(150));
  EXPECT_NE(sink_.FlashCalls()[1].find(L"name=\"second\""), std::wstring::npos);
  // The player's own events follow the load as a real control's do.
  ASSERT_TRUE(PumpUntil([&] { return sink_.events.size() >= 4; }, std::chrono::seconds(5)));
}

TEST_F(ControlTest, FiresFSCommandWithCommandAndArguments) {
  Connect(control_.Get(), sink_);
  Load("callback go\n  fscommand quit {arg}\n");
  EXPECT_EQ(CallFunction(control_.Get(), Call(L"go", L"later")).hr, S_OK);
  ASSERT_FALSE(sink_.events.empty());
  EXPECT_EQ(sink_.events.back().dispid, 150);
  EXPECT_EQ(sink_.events.back().argument, L"quit");
  EXPECT_EQ(sink_.events.back().secondArgument, L"later");
}

TEST_F(ControlTest, ARealSwfOrABrokenScriptRegistersNothing) {
  for (const char* movie : {"FWS\x0a\x01\x02", "callback a\n  nonsense\n"}) {
    Load(movie);
    EXPECT_EQ(CallFunction(control_.Get(), Call(L"a")).hr, DISP_E_EXCEPTION) << movie;
  }
}

TEST_F(ControlTest, KeepsAndReturnsItsProperties) {
  auto put = [&](DISPID id, VARIANT value) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value, &named, 1, 1};
    return control_->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
  };
  auto get = [&](DISPID id) {
    Variant value;
    DISPPARAMS none{};
    EXPECT_EQ(control_->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, value.Get(), nullptr, nullptr), S_OK);
    return value.AsText();
  };
  EXPECT_EQ(get(133), L"Window");
  Bstr mode(L"Transparent");
  VARIANT text;
  text.vt = VT_BSTR;
  text.bstrVal = mode.Get();
  EXPECT_EQ(put(133, text), S_OK);
  EXPECT_EQ(get(133), L"Transparent");
  VARIANT number;
  number.vt = VT_I4;
  number.lVal = 3;
  EXPECT_EQ(put(120, number), S_OK);
  EXPECT_EQ(get(120), L"3");
  EXPECT_EQ(put(105, text), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(put(4242, number), DISP_E_MEMBERNOTFOUND);

  LPOLESTR names[] = {const_cast<LPOLESTR>(L"callfunction")};
  DISPID id = 0;
  EXPECT_EQ(control_->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
  EXPECT_EQ(id, 198);
}

}  // namespace
}  // namespace dm::standin::testing
