#include "display/dxdraw.h"

#include <gtest/gtest.h>

#include <string>

#include "display/dx_errors.h"
#include "display/library_cache.h"
#include "fake_display_platform.h"
#include "ui/form.h"

namespace dm {
namespace {

using Mode = TDXDrawDisplayMode;
using test::FakeDisplayPlatform;
using test::FakeDriver;

const Mode k8{1024, 768, 8}, k16{1024, 768, 16}, k24{1024, 768, 24}, k32{1024, 768, 32};
const Mode kDesktop{1280, 1024, 32};

class DXDrawTest : public ::testing::Test {
 protected:
  DXDrawTest() { form.CreateHandle(); }

  // The service as the main window sets it up for full-screen play.
  std::unique_ptr<TDXDraw> FullScreenService() {
    auto service = std::make_unique<TDXDraw>(&form, std::make_shared<FakeDisplayPlatform>(driver));
    service->SetOptions(kMainWindowDisplayOptions.With(doFullScreen));
    service->Display().FixedRatio = false;
    service->Display().SetWidth(1024);
    service->Display().SetHeight(768);
    service->Display().SetBitCount(32);
    return service;
  }

  Mode DisplayOf(const TDXDraw& service) {
    return {service.Display().Width(), service.Display().Height(), service.Display().BitCount()};
  }

  Form form;
  FakeDriver driver;
};

TEST_F(DXDrawTest, FullScreenTakesTheWindowAndTheBestMode) {
  struct Case {
    const char* name;
    std::vector<Mode> listed, accepted;
    std::optional<DWORD> hardwareDepths;
    Mode expected;
  } cases[] = {
      {"takes 1024 x 768 x 32", {k8, k16, k32}, {k8, k16, k32}, std::nullopt, k32},
      {"refuses 32 bits, lists 16 and 24", {k8, k16, k24}, {k8, k16, k24}, std::nullopt, k24},
      {"3D device renders only at 16 bits", {k16, k32}, {k16, k32}, DDBD_16, k16},
      {"3D device renders at 32 bits", {k16, k32}, {k16, k32}, DDBD_16 | DDBD_32, k32},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    driver = FakeDriver{};
    driver.listed = c.listed;
    driver.accepted = c.accepted;
    driver.hardwareDeviceDepths = c.hardwareDepths;
    auto service = FullScreenService();
    service->StartDisplay();
    EXPECT_TRUE(service->DisplayStarted());
    EXPECT_EQ(driver.screen, c.expected);
    EXPECT_EQ(DisplayOf(*service), c.expected);
    ASSERT_EQ(driver.cooperativeLevels.size(), 1u);
    EXPECT_EQ(driver.cooperativeLevels[0], std::make_pair(form.Handle(), DWORD{0x53}));
    EXPECT_EQ(driver.liveObjects, 1);

    service->StopDisplay();
    EXPECT_FALSE(service->DisplayStarted());
    EXPECT_EQ(driver.screen, kDesktop);
    EXPECT_EQ(driver.liveObjects, 0);
  }
}

TEST_F(DXDrawTest, StopReturnsTheDesktopModeThePlayerHad) {
  const Mode wide{1366, 768, 32};
  for (const Mode& desktop : {kDesktop, wide}) {
    driver = FakeDriver{};
    driver.accepted = {k32};
    driver.screen = desktop;
    auto service = FullScreenService();
    service->StartDisplay();
    EXPECT_EQ(driver.screen, k32);
    service->StopDisplay();
    EXPECT_EQ(driver.screen, desktop);
    // Only where releasing DirectDraw went elsewhere does the service put the mode back itself.
    EXPECT_EQ(driver.desktopModeSets, desktop == kDesktop ? std::vector<Mode>{} : std::vector<Mode>{wide});
  }
}

TEST_F(DXDrawTest, ModeWithoutAcceptableSubstituteFailsTheStart) {
  driver.listed = {k8, {800, 600, 32}, {1280, 1024, 32}};
  driver.accepted = driver.listed;
  auto service = FullScreenService();
  try {
    service->StartDisplay();
    ADD_FAILURE() << "started";
  } catch (const EDXDrawError& e) {
    EXPECT_EQ(e.Message(), L"Display mode cannot be changed (1024x768 32bit)");
  }
  EXPECT_FALSE(service->DisplayStarted());
  EXPECT_EQ(driver.screen, kDesktop);
  EXPECT_EQ(driver.liveObjects, 0);
  EXPECT_EQ(DisplayOf(*service), k32);
}

TEST_F(DXDrawTest, StartFailuresLeaveItStopped) {
  struct Case {
    const char* name;
    bool noForm, createFails, withoutFirst, withoutFourth, directX7;
    std::wstring message;
  } cases[] = {
      {"no form", true, false, false, false, true, L"Form not found"},
      {"creation fails", false, true, false, false, true, L"DirectDraw cannot be initialized"},
      {"no first interface", false, false, true, false, true, L"Requires DirectX 7.0 or later"},
      {"no fourth interface", false, false, false, true, true, L"Requires DirectX 7.0 or later"},
      {"no fourth interface, older mode", false, false, false, true, false, L"Requires DirectX 6.0 or later"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    driver = FakeDriver{};
    driver.accepted = {k32};
    driver.createFails = c.createFails;
    driver.withoutFirstInterface = c.withoutFirst;
    driver.withoutFourthInterface = c.withoutFourth;
    TDXDraw service(c.noForm ? nullptr : &form, std::make_shared<FakeDisplayPlatform>(driver));
    TDXDrawOptions options = kMainWindowDisplayOptions.With(doFullScreen);
    service.SetOptions(c.directX7 ? options : options.Without(doDirectX7Mode));
    try {
      service.StartDisplay();
      ADD_FAILURE() << "started";
    } catch (const Error& e) {
      EXPECT_EQ(e.Message(), c.message);
      EXPECT_EQ(dynamic_cast<const EDirectDrawError*>(&e) != nullptr, !c.noForm);
    }
    EXPECT_FALSE(service.DisplayStarted());
    EXPECT_EQ(driver.liveObjects, 0);
    EXPECT_EQ(driver.screen, kDesktop);
  }
}

TEST_F(DXDrawTest, RepeatedStartsAndStopsAreHarmless) {
  driver.accepted = {k32};
  auto service = FullScreenService();
  service->StopDisplay();
  EXPECT_TRUE(driver.createdOn.empty());
  service->StartDisplay();
  service->StartDisplay();
  EXPECT_TRUE(service->DisplayStarted());
  EXPECT_EQ(driver.liveObjects, 1);
  EXPECT_EQ(driver.setCalls, (std::vector<Mode>{k32, k32}));
  service->StopDisplay();
  service->StopDisplay();
  EXPECT_EQ(driver.liveObjects, 0);
  EXPECT_EQ(driver.screen, kDesktop);
}

TEST_F(DXDrawTest, WindowedStartUsesTheNormalLevelAndKeepsTheMode) {
  TDXDraw service(&form, std::make_shared<FakeDisplayPlatform>(driver));
  service.SetOptions(kMainWindowDisplayOptions);
  service.StartDisplay();
  EXPECT_TRUE(service.DisplayStarted());
  EXPECT_EQ(driver.cooperativeLevels, (std::vector<std::pair<HWND, DWORD>>{{form.Handle(), 0x08}}));
  EXPECT_TRUE(driver.setCalls.empty());
  EXPECT_EQ(driver.createdOn, std::vector<std::optional<GUID>>{std::nullopt});  // no driver search
}

TEST_F(DXDrawTest, OptionsTakeFullEffectOnlyWhenStopped) {
  driver.accepted = {k32};
  auto service = FullScreenService();
  service->StartDisplay();
  service->SetOptions(TDXDrawOptions{doStretch});
  EXPECT_EQ(service->NowOptions(),
            (TDXDrawOptions{doFullScreen, doAllowReboot, doStretch, do3D, doDirectX7Mode, doSelectDriver}));
  service->StopDisplay();
  EXPECT_EQ(service->NowOptions(), TDXDrawOptions{doStretch});
}

TEST_F(DXDrawTest, SelectsTheDriverWithAHardwareDevice) {
  const GUID second{0x11111111, 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 8}};
  const GUID third{0x44444444, 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 8}};
  driver.drivers = {second, third};
  driver.hardwareDeviceDepths = DDBD_32;
  driver.hardwareDeviceOn = third;
  driver.accepted = {k32};
  auto service = FullScreenService();
  service->StartDisplay();
  ASSERT_FALSE(driver.createdOn.empty());
  EXPECT_EQ(driver.createdOn.back(), third);

  // Without driver selection only the primary driver is searched; it has no hardware device.
  driver.createdOn.clear();
  service->SetOptions(kMainWindowDisplayOptions.With(doFullScreen).Without(doSelectDriver));
  service->StartDisplay();
  EXPECT_EQ(driver.createdOn, (std::vector<std::optional<GUID>>{std::nullopt, std::nullopt}));
}

TEST_F(DXDrawTest, FollowsTheFormsMovesAndDestruction) {
  driver.accepted = {k32};
  auto service = FullScreenService();
  SendMessageW(form.Handle(), WM_EXITSIZEMOVE, 0, 0);
  EXPECT_TRUE(service->DisplayStarted());
  EXPECT_EQ(driver.screen, k32);
  SendMessageW(form.Handle(), WM_ENTERSIZEMOVE, 0, 0);
  EXPECT_FALSE(service->DisplayStarted());
  EXPECT_EQ(driver.screen, kDesktop);

  service->StartDisplay();
  DestroyWindow(form.Handle());
  EXPECT_FALSE(service->DisplayStarted());
  EXPECT_EQ(driver.screen, kDesktop);
  EXPECT_EQ(driver.liveObjects, 0);
}

TEST_F(DXDrawTest, DestroyedServiceReturnsTheDisplayAndIgnoresLaterMessages) {
  driver.accepted = {k32};
  auto service = FullScreenService();
  service->StartDisplay();
  service.reset();
  EXPECT_EQ(driver.screen, kDesktop);
  EXPECT_EQ(driver.liveObjects, 0);
  SendMessageW(form.Handle(), WM_EXITSIZEMOVE, 0, 0);
  EXPECT_EQ(driver.liveObjects, 0);
}

TEST(LibraryCache, ResolvesByNameAndNamesTheMissingLibrary) {
  LibraryCache& cache = LibraryCache::Process();
  EXPECT_NE(cache.EntryPoint(L"Kernel32.dll", "GetTickCount"), nullptr);
  EXPECT_EQ(cache.EntryPoint(L"KERNEL32.DLL", "GetTickCount"), cache.EntryPoint(L"kernel32.dll", "GetTickCount"));
  struct Case {
    const wchar_t* library;
    const char* entry;
  } cases[] = {{L"NoSuchLibrary.dll", "Anything"}, {L"Kernel32.dll", "NoSuchEntryPoint"}};
  for (const Case& c : cases) {
    try {
      cache.EntryPoint(c.library, c.entry);
      ADD_FAILURE() << c.entry;
    } catch (const Error& e) {
      EXPECT_EQ(e.Message(), std::wstring(c.library) + L" is not loaded");
    }
  }
  EXPECT_FALSE(cache.Load(L"NoSuchLibrary.dll"));
  cache.Clear();
}

TEST(LibraryCache, DirectXLibrariesLoadAtStartWhateverIsMissing) {
  DirectXLibraries libraries;  // the setup library is not installed here
  EXPECT_NE(GetModuleHandleW(L"ddraw.dll"), nullptr);
  EXPECT_NE(LibraryCache::Process().EntryPoint(kDirectDrawLibrary, "DirectDrawCreateEx"), nullptr);
}

}  // namespace
}  // namespace dm
