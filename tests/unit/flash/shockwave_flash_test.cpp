// The control wrapper against the stand-in control, in process: what the window filter withholds from
// the Flash Player, which events it fires, and how CallFunction fails.
#include <gtest/gtest.h>

#include <vector>

#include "flash/shockwave_flash_ex.h"
#include "ui/form.h"

namespace dm {
namespace {

// Records what the filter lets through to the control's own window procedure.
class RecordingFlash : public TShockwaveFlashEx {
 public:
  std::vector<std::pair<UINT, WPARAM>> passed;

 protected:
  LRESULT PassToControl(UINT message, WPARAM wParam, LPARAM lParam) override {
    passed.emplace_back(message, wParam);
    return TShockwaveFlashEx::PassToControl(message, wParam, lParam);
  }
};

class ShockwaveFlashTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    window_ = std::make_unique<Form>();
    window_->CreateHandle();
    flash_ = std::make_unique<RecordingFlash>();
    flash_->CreateWindowIn(window_->Handle(), RECT{0, 0, 1024, 768});
    flash_->OnMouseDown = [this](MouseButton, unsigned, int x, int y) { events_.push_back("down " + Point(x, y)); };
    flash_->OnMouseUp = [this](MouseButton, unsigned, int x, int y) { events_.push_back("up " + Point(x, y)); };
    flash_->OnMouseMove = [this](unsigned, int x, int y) { events_.push_back("move " + Point(x, y)); };
    flash_->OnClick = [this] { events_.push_back("click"); };
    flash_->OnRightClick = [this] { events_.push_back("rightclick"); };
  }
  void TearDown() override {
    flash_.reset();
    window_.reset();
    OleUninitialize();
  }

  static std::string Point(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }
  void Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    SendMessageW(flash_->ControlWindow(), message, wParam, lParam);
  }
  bool Passed(UINT message) const {
    for (const auto& [m, w] : flash_->passed)
      if (m == message) return true;
    return false;
  }
  bool PassedKey(UINT message, WPARAM key) const {
    for (const auto& [m, w] : flash_->passed)
      if (m == message && w == key) return true;
    return false;
  }

  std::unique_ptr<Form> window_;
  std::unique_ptr<RecordingFlash> flash_;
  std::vector<std::string> events_;
};

TEST_F(ShockwaveFlashTest, TheRightButtonPressBecomesOneEventAndNeverReachesThePlayer) {
  Send(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(3, 4));
  Send(WM_RBUTTONUP, 0, MAKELPARAM(3, 4));
  EXPECT_EQ(events_, std::vector<std::string>{"rightclick"});
  EXPECT_FALSE(Passed(WM_RBUTTONDOWN));
  EXPECT_TRUE(Passed(WM_RBUTTONUP));
}

TEST_F(ShockwaveFlashTest, ShiftAndContextMenuKeyDownsAreWithheldTheirKeyUpsAndOtherKeysPass) {
  for (WPARAM key : {WPARAM{VK_SHIFT}, WPARAM{VK_APPS}}) {
    Send(WM_KEYDOWN, key, 1);
    Send(WM_KEYUP, key, 0xC0000001);
    EXPECT_FALSE(PassedKey(WM_KEYDOWN, key)) << key;
    EXPECT_TRUE(PassedKey(WM_KEYUP, key)) << key;
  }
  Send(WM_KEYDOWN, VK_CONTROL, 1);
  EXPECT_TRUE(PassedKey(WM_KEYDOWN, VK_CONTROL));
}

TEST_F(ShockwaveFlashTest, ClicksFireMouseEventsAndReachThePlayerUnlessLocked) {
  struct Case {
    bool locked;
    bool clicksPass;
  } cases[] = {{false, true}, {true, false}};
  for (const Case& c : cases) {
    flash_->LockMouseClick = c.locked;
    flash_->passed.clear();
    events_.clear();
    Send(WM_MOUSEMOVE, 0, MAKELPARAM(7, 8));
    Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(7, 8));
    Send(WM_LBUTTONUP, 0, MAKELPARAM(7, static_cast<WORD>(-2)));
    Send(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(7, 8));
    Send(WM_RBUTTONUP, 0, MAKELPARAM(7, 8));
    EXPECT_EQ(events_, (std::vector<std::string>{"move 7,8", "down 7,8", "up 7,-2", "click"})) << c.locked;
    EXPECT_TRUE(Passed(WM_MOUSEMOVE)) << c.locked;
    for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONUP})
      EXPECT_EQ(Passed(message), c.clicksPass) << c.locked << " " << message;
  }
}

TEST_F(ShockwaveFlashTest, AnEmptyCallReturnsEmptyWithoutTouchingTheControl) {
  // With no movie loaded every real call fails, so an answer proves the control was not asked.
  EXPECT_EQ(flash_->CallFunction(L""), L"");
}

TEST_F(ShockwaveFlashTest, AFailingCallRaisesTheControlsCodeAndDescription) {
  try {
    flash_->CallFunction(L"<invoke name=\"externalExit\"><arguments><string>\"exit\"</string></arguments></invoke>");
    FAIL() << "the call succeeded without a movie";
  } catch (const ComError& e) {
    EXPECT_TRUE(FAILED(e.Code()));
    EXPECT_FALSE(e.Message().empty());
    EXPECT_EQ(e.Message().find(L"Calling the movie failed"), std::wstring::npos) << "lost the control's description";
  }
}

TEST_F(ShockwaveFlashTest, TheMoviePropertyRoundTrips) {
  flash_->SetMovie(L"C:\\nowhere\\Driftmarrow.swf");
  EXPECT_EQ(flash_->Movie(), L"C:\\nowhere\\Driftmarrow.swf");
}

}  // namespace
}  // namespace dm
