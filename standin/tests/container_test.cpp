// The control in a real container: ATL's AtlAxWin from the system's atl.dll, a window of its own
// and the test channel, as the host's tests will meet it.
#include <gtest/gtest.h>

#include "standin/invoke_xml.h"
#include "standin/tests/control_support.h"
#include "tests/e2e/harness/standin_channel.h"

namespace dm::standin::testing {
namespace {

using namespace std::chrono_literals;

struct WindowCloser {
  void operator()(HWND window) const noexcept {
    if (window && IsWindow(window)) DestroyWindow(window);
  }
};

class AtlContainerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    atl_ = LoadLibraryW(L"atl.dll");
    ASSERT_NE(atl_, nullptr);
    auto init = reinterpret_cast<BOOL(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(atl_, "AtlAxWinInit")));
    attach_ = reinterpret_cast<HRESULT(WINAPI*)(IUnknown*, HWND, IUnknown**)>(
        reinterpret_cast<void*>(GetProcAddress(atl_, "AtlAxAttachControl")));
    ASSERT_TRUE(init && attach_);
    ASSERT_TRUE(init());

    WNDCLASSW frameClass{};
    frameClass.lpfnWndProc = DefWindowProcW;
    frameClass.hInstance = GetModuleHandleW(nullptr);
    frameClass.lpszClassName = L"StandinTestFrame";
    RegisterClassW(&frameClass);
    RECT frame{0, 0, 1024, 768};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    top_.reset(CreateWindowExW(0, L"StandinTestFrame", L"Stand-in container", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                               frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(top_);
    site_ = CreateWindowExW(0, L"AtlAxWin", L"", WS_CHILD | WS_VISIBLE, 0, 0, 1024, 768, top_.get(), nullptr,
                            GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(site_, nullptr);

    SetEnvironmentVariableW(L"DM_STANDIN_CHANNEL", channel_.Name().c_str());
    control_ = module_.CreateControl();
    SetEnvironmentVariableW(L"DM_STANDIN_CHANNEL", nullptr);
    Connect(control_.Get(), sink_);
    ComPtr<IUnknown> container;
    ASSERT_EQ(attach_(control_.Get(), site_, container.Put()), S_OK);
  }
  void TearDown() override {
    top_.reset();
    control_.Reset();
    OleUninitialize();
  }
  HWND Stage() {
    HWND stage = nullptr;
    control_.As<IOleInPlaceObject>(IID_IOleInPlaceObject)->GetWindow(&stage);
    return stage;
  }

  e2e::StandinChannel channel_;
  StandinModule module_;
  HMODULE atl_ = nullptr;
  HRESULT(WINAPI* attach_)(IUnknown*, HWND, IUnknown**) = nullptr;
  std::unique_ptr<std::remove_pointer_t<HWND>, WindowCloser> top_;
  HWND site_ = nullptr;
  ComPtr<IDispatch> control_;
  EventSink sink_;
};

TEST_F(AtlContainerTest, EmbedsInPlaceAndAnswersForItsTopLevelWindow) {
  const HWND stage = Stage();
  ASSERT_NE(stage, nullptr);
  EXPECT_TRUE(IsChild(top_.get(), stage));
  EXPECT_TRUE(IsWindowVisible(stage));
  RECT client{};
  GetClientRect(stage, &client);
  EXPECT_EQ(client.right, 1024);
  EXPECT_EQ(client.bottom, 768);

  const Record facts = channel_.Command(L"window", {}, 5s);
  ASSERT_EQ(facts.size(), 18u);
  EXPECT_EQ(facts[0], std::to_wstring(reinterpret_cast<std::uintptr_t>(top_.get())));
  EXPECT_EQ(facts[7], L"1024");  // client width of the frame
  EXPECT_EQ(facts[8], L"768");
  EXPECT_EQ(facts[11], L"1");  // visible
  EXPECT_EQ(facts[16], L"Stand-in container");
  EXPECT_EQ(facts[17], std::to_wstring(reinterpret_cast<std::uintptr_t>(stage)));
}

TEST_F(AtlContainerTest, LogsInputAndRunsTheButtonUnderAClick) {
  TempFile movie("button 100 100 200 50 Save\n  request save <data fileName=\"a\"/>\n");
  ASSERT_EQ(PutMovie(control_.Get(), movie.Path()), S_OK);
  channel_.Command(L"post", {L"control", std::to_wstring(WM_KEYDOWN), L"27", L"1"}, 5s);
  channel_.Command(L"post", {L"control", std::to_wstring(WM_LBUTTONDOWN), L"1", std::to_wstring(MAKELPARAM(150, 120))},
                   5s);
  ASSERT_TRUE(PumpUntil([&] { return !sink_.FlashCalls().empty(); }, 5s));
  EXPECT_EQ(sink_.FlashCalls()[0], RequestXml(L"save", L"<data fileName=\"a\"/>"));
  const auto key = channel_.WaitFor([](const Record& r) { return r[0] == L"message" && r[1] == L"256"; }, 0, 5s);
  ASSERT_TRUE(key);
  EXPECT_EQ(channel_.Records()[*key], (Record{L"message", L"256", L"27", L"1"}));
  // A click outside every button does nothing.
  channel_.Command(L"send", {L"control", std::to_wstring(WM_LBUTTONDOWN), L"1", std::to_wstring(MAKELPARAM(5, 5))}, 5s);
  EXPECT_EQ(sink_.FlashCalls().size(), 1u);
}

TEST_F(AtlContainerTest, OutlivesTheContainersWindow) {
  top_.reset();
  EXPECT_EQ(Stage(), nullptr);
  EXPECT_THROW(channel_.Command(L"window", {}, 5s), Error);
  channel_.Command(L"script", {L"callback ping\n"}, 5s);
  EXPECT_EQ(CallFunction(control_.Get(), L"<invoke name=\"ping\"><arguments/></invoke>").hr, S_OK);
}

}  // namespace
}  // namespace dm::standin::testing
