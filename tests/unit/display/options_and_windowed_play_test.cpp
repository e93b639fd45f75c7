#include <gtest/gtest.h>

#include "display/dxdraw_options.h"
#include "display/windowed_play.h"

namespace dm {
namespace {

TEST(TDXDrawOptions, StoresOneBitPerOptionInDeclaredOrder) {
  EXPECT_EQ(TDXDrawOptions{doFullScreen}.Bits(), 0x0001);
  EXPECT_EQ(TDXDrawOptions{doZBuffer}.Bits(), 0x4000);
  EXPECT_EQ(kMainWindowDisplayOptions.Bits(), 0x368C);
}

TEST(EffectiveOptions, DerivedFromTheOptionsSet) {
  struct Case {
    const char* name;
    TDXDrawOptions options;
    TDXDrawOptions effective;
  } cases[] = {
      {"main window, windowed", kMainWindowDisplayOptions,
       {doWaitVBlank, doCenter, do3D, doDirectX7Mode, doSelectDriver}},
      {"main window, full screen", kMainWindowDisplayOptions.With(doFullScreen),
       {doFullScreen, doAllowReboot, doWaitVBlank, doCenter, do3D, doDirectX7Mode, doSelectDriver}},
      {"window-only options need full screen",
       {doNoWindowChange, doAllowReboot, doAllowPalette256, doFlip, doStretch}, {doStretch}},
      {"3D options need do3D", {doDirectX7Mode, doRetainedMode, doHardware, doSelectDriver, doZBuffer}, {}},
      {"system memory cannot flip", {doFullScreen, doSystemMemory, doFlip}, {doFullScreen, doSystemMemory}},
      {"DirectX 7 mode has no retained mode", {do3D, doDirectX7Mode, doRetainedMode, doZBuffer},
       {do3D, doDirectX7Mode, doZBuffer}},
      {"retained mode alone", {do3D, doRetainedMode}, {do3D, doRetainedMode}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EffectiveOptions(c.options), c.effective) << c.name;
  }
}

TEST(EffectiveOptions, WhileRunningOnlyDrawingOptionsChange) {
  const TDXDrawOptions running = EffectiveOptions(kMainWindowDisplayOptions.With(doFullScreen));
  const TDXDrawOptions changed =
      EffectiveOptionsWhileRunning(running, TDXDrawOptions{doStretch, doCenter, doSystemMemory});
  EXPECT_EQ(changed, (TDXDrawOptions{doFullScreen, doAllowReboot, doStretch, doCenter, do3D, doDirectX7Mode,
                                     doSelectDriver}));
}

TEST(CooperativeLevelFlags, ExclusiveOnlyInFullScreen) {
  EXPECT_EQ(CooperativeLevelFlags(EffectiveOptions(kMainWindowDisplayOptions)), 0x08u);
  EXPECT_EQ(CooperativeLevelFlags(EffectiveOptions(kMainWindowDisplayOptions.With(doFullScreen))), 0x53u);
  EXPECT_EQ(CooperativeLevelFlags({doFullScreen}), 0x51u);
  EXPECT_EQ(CooperativeLevelFlags({doFullScreen, doNoWindowChange, doAllowReboot}), 0x57u);
  EXPECT_EQ(CooperativeLevelFlags({doNoWindowChange, doAllowReboot}), 0x08u);
}

TEST(CanPlayWindowed, NeedsRoomForTheStageAndTheTaskbar) {
  struct Case {
    const char* name;
    std::uint16_t width, height;
    int taskbar;
    bool result;
  } cases[] = {
      {"1024 wide", 1024, 1024, 0, false},
      {"800 high", 1280, 800, 0, false},
      {"1366 x 768, auto-hidden taskbar", 1366, 768, 0, false},
      {"1280 x 1024, 40-pixel taskbar", 1280, 1024, 40, true},
      {"taskbar leaves exactly 768", 1280, 1024, 256, false},
      {"taskbar leaves 769", 1280, 1024, 255, true},
      {"left-docked taskbar counts its full height", 1920, 1080, 1080, false},
      {"1025 x 900", 1025, 900, 0, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CanPlayWindowed(c.width, c.height, [&] { return c.taskbar; }), c.result) << c.name;
  }
}

TEST(CanPlayWindowed, AsksTheTaskbarOnlyForAWideEnoughDesktop) {
  int asked = 0;
  auto taskbar = [&] { return ++asked, 0; };
  EXPECT_FALSE(CanPlayWindowed(1024, 1024, taskbar));
  EXPECT_EQ(asked, 0);
  EXPECT_TRUE(CanPlayWindowed(1280, 1024, taskbar));
  EXPECT_EQ(asked, 1);
}

TEST(TaskbarHeight, CountsOnlyAnAlwaysOnTopTaskbarThatStays) {
  EXPECT_EQ(TaskbarHeight({true, false, 40}), 40);
  EXPECT_EQ(TaskbarHeight({true, true, 40}), 0);
  EXPECT_EQ(TaskbarHeight({false, false, 40}), 0);
  EXPECT_EQ(TaskbarHeight({false, true, 40}), 0);
  EXPECT_EQ(TaskbarHeight({true, false, 1024}), 1024);
}

}  // namespace
}  // namespace dm
