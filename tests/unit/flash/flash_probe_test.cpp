#include "flash/flash_probe.h"

#include <gtest/gtest.h>
#include <objbase.h>

#include <optional>
#include <string>
#include <vector>

#include "../runtime/loader_test_support.h"
#include "flash/flash_warning.h"

namespace dm::test {
namespace {

bool ControlRegistered() { return ReadFlashControlServerPath(260).has_value(); }

std::wstring OwnPath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

TEST(ReadFlashPlayerVersion, PacksTheRegisteredFilesProductVersionOrGivesZero) {
  struct Case {
    std::optional<std::wstring> registered;
    std::uint32_t version;
  };
  const Case cases[] = {
      {FixturePath(L"loader_fixture.dll"), 0x0A013540},                   // 10.1.53.64
      {FixturePathOfLength(L"loader_fixture.dll", 129), 0x0A013540},      // fills the 260-byte buffer
      {FixturePathOfLength(L"loader_fixture.dll", 130), 0},               // does not fit
      {OwnPath(), 0},                                                      // no version resource
      {FixturePath(L"missing.dll"), 0},
      {std::nullopt, 0},                                                   // not registered
  };
  for (const Case& c : cases)
    EXPECT_EQ(ReadFlashPlayerVersion(FakeClassesRoot(c.registered)), c.version)
        << (c.registered ? c.registered->size() : 0);
}

TEST(ProbeFlashPlayer, FindsTheRegisteredStandinAndItsVersion) {
  if (!ControlRegistered()) GTEST_SKIP() << "no Flash Player control registered in this prefix";
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  EXPECT_TRUE(ProbeFlashPlayer());
  CoUninitialize();
  EXPECT_EQ(ReadFlashPlayerVersion(), 167858764u);  // 10.1.82.76
  EXPECT_EQ(MajorVersion(ReadFlashPlayerVersion()), 10u);
}

TEST(FlashPlayerTooOld, OnlyAProbedPlayerOfAKnownMajorVersionBelow9) {
  struct Case {
    bool probed;
    std::uint32_t version;
    bool tooOld;
  };
  const Case cases[] = {
      {true, PackProductVersion(0x00080000, 0), true},   // 8.0.0.0
      {true, PackProductVersion(0x00090000, 0), false},  // 9.0.0.0
      {true, 167858764, false},                          // 10.1.82.76
      {true, 0, false},                                  // version unknown
      {false, PackProductVersion(0x00060000, 0), false},
  };
  for (const Case& c : cases) EXPECT_EQ(FlashPlayerTooOld(c.probed, c.version), c.tooOld) << c.version;
}

std::wstring WindowText(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

int ScreenDpi() {
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

class FlashWarning : public ::testing::Test {
 protected:
  FlashWarning() {
    owner_ = CreateWindowExW(0, L"STATIC", L"main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 80, 700, 500, nullptr,
                             nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  ~FlashWarning() override { DestroyWindow(owner_); }

  HWND owner_ = nullptr;
  std::vector<std::wstring> launched_;
};

TEST_F(FlashWarning, IsCreatedHiddenWithItsDesignScaledToTheScreen) {
  const TfrmFlashWarning warning(owner_, [this](const std::wstring& line) { launched_.push_back(line); });
  EXPECT_FALSE(warning.Visible());
  EXPECT_EQ(GetWindow(warning.Handle(), GW_OWNER), owner_);
  EXPECT_EQ(WindowText(warning.Handle()), L"Driftmarrow");
  EXPECT_EQ(GetWindowLongW(warning.Handle(), GWL_STYLE) & WS_THICKFRAME, 0);
  EXPECT_EQ(WindowText(warning.Label1()),
            L"An older version of flash player is detected. Please install the latest version of flash to play this "
            L"game.");
  EXPECT_EQ(WindowText(warning.BitBtn2()), L"Ok");
  const int dpi = ScreenDpi();
  const SIZE client = warning.ClientSize();
  EXPECT_EQ(client.cx, MulDiv(426, dpi, 120));
  EXPECT_EQ(client.cy, MulDiv(124, dpi, 120));
  RECT button{};
  GetWindowRect(warning.BitBtn2(), &button);
  MapWindowPoints(nullptr, warning.Handle(), reinterpret_cast<POINT*>(&button), 2);
  EXPECT_EQ(button.left, MulDiv(67, dpi, 120));
  EXPECT_EQ(button.top, MulDiv(81, dpi, 120));
  EXPECT_EQ(button.right - button.left, MulDiv(98, dpi, 120));
}

TEST_F(FlashWarning, ShowsCentredOnTheMainWindowAndOkClosesIt) {
  TfrmFlashWarning warning(owner_, [this](const std::wstring& line) { launched_.push_back(line); });
  warning.ShowCentredOn(owner_);
  EXPECT_TRUE(warning.Visible());
  RECT main{}, shown{};
  GetWindowRect(owner_, &main);
  GetWindowRect(warning.Handle(), &shown);
  EXPECT_NEAR((shown.left + shown.right) / 2, (main.left + main.right) / 2, 1);
  EXPECT_NEAR((shown.top + shown.bottom) / 2, (main.top + main.bottom) / 2, 1);

  SendMessageW(warning.BitBtn2(), BM_CLICK, 0, 0);
  EXPECT_FALSE(warning.Visible());
  EXPECT_TRUE(IsWindow(warning.Handle()));  // closed means hidden: the window lives on
  EXPECT_TRUE(launched_.empty());
}

TEST_F(FlashWarning, OpensTheDownloadPageThroughExplorerThenCloses) {
  TfrmFlashWarning warning(owner_, [this](const std::wstring& line) { launched_.push_back(line); });
  warning.ShowCentredOn(owner_);
  warning.OpenDownloadPage();
  EXPECT_EQ(launched_, std::vector<std::wstring>{L"explorer https://get.adobe.com/flashplayer/"});
  EXPECT_FALSE(warning.Visible());
}

}  // namespace
}  // namespace dm::test
