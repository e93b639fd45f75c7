#include "display/display_mode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "display/dx_errors.h"

namespace dm {
namespace {

using Mode = TDXDrawDisplayMode;

// A display driver: the modes it lists, the ones SetDisplayMode takes, and the tries it saw.
struct FakeDriver {
  explicit FakeDriver(std::vector<Mode> listed, std::vector<Mode> accepted = {})
      : listed(std::move(listed)), accepted(std::move(accepted)) {}

  std::vector<Mode> listed;
  std::vector<Mode> accepted;
  std::vector<Mode> tries;
  int enumerations = 0;

  DisplayModeList List() {
    return DisplayModeList([this] {
      ++enumerations;
      return listed;
    });
  }
  TrySetDisplayMode TrySet() {
    return [this](const Mode& mode) {
      tries.push_back(mode);
      return std::ranges::find(accepted, mode) != accepted.end();
    };
  }
};

// The host's settings: fixed size, any ratio, any depth above 8 bits.
TDXDrawDisplay HostDisplay() {
  TDXDrawDisplay display;
  display.FixedRatio = false;
  return display;
}

TEST(ApplyDisplayMode, ChoosesTheModeTheDriverTakes) {
  const Mode k32{1024, 768, 32}, k24{1024, 768, 24}, k16{1024, 768, 16}, k8{1024, 768, 8};
  struct Case {
    const char* name;
    std::vector<Mode> listed;
    std::vector<Mode> accepted;
    bool result;
    Mode set;
  } cases[] = {
      {"takes the requested mode", {k8, k16, k32}, {k8, k16, k32}, true, k32},
      {"refuses 32 bits, lists 16 and 24", {k16, k8, k24, {1280, 1024, 32}}, {k8, k16, k24}, true, k24},
      {"refuses the listed best", {k8, k16, k24}, {k8, k16}, false, {}},
      {"no 1024x768 above 8 bits", {k8, {800, 600, 32}, {1280, 1024, 32}}, {k8, {800, 600, 32}}, false, {}},
      {"lists nothing", {}, {}, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDriver driver(c.listed, c.accepted);
    DisplayModeList modes = driver.List();
    TDXDrawDisplay display = HostDisplay();
    display.SetMode({800, 600, 16});
    EXPECT_EQ(ApplyDisplayMode(display, 1024, 768, 32, modes, driver.TrySet()), c.result);
    const Mode expected = c.result ? c.set : Mode{800, 600, 16};
    EXPECT_EQ((Mode{display.Width(), display.Height(), display.BitCount()}), expected);
  }
}

TEST(ApplyDisplayMode, AcceptedRequestNeedsNoModeList) {
  FakeDriver driver({}, {{1024, 768, 32}});
  DisplayModeList modes = driver.List();
  TDXDrawDisplay display = HostDisplay();
  EXPECT_TRUE(ApplyDisplayMode(display, 1024, 768, 32, modes, driver.TrySet()));
  EXPECT_EQ(driver.enumerations, 0);
  EXPECT_EQ(driver.tries, (std::vector<Mode>{{1024, 768, 32}}));
}

TEST(ApplyDisplayMode, RejectsImpossibleRequestsWithoutAsking) {
  const Mode requests[] = {{0, 768, 32}, {1024, -1, 32}, {1024, 768, 15}, {1024, 768, 0}};
  for (const Mode& r : requests) {
    FakeDriver driver({{1024, 768, 32}}, {{1024, 768, 32}});
    DisplayModeList modes = driver.List();
    TDXDrawDisplay display = HostDisplay();
    EXPECT_FALSE(ApplyDisplayMode(display, r.Width, r.Height, r.BitCount, modes, driver.TrySet()));
    EXPECT_TRUE(driver.tries.empty());
  }
}

TEST(ApplyDisplayMode, SubstituteRules) {
  struct Case {
    const char* name;
    bool fixedRatio, fixedSize, fixedBitCount;
    Mode request;
    std::vector<Mode> listed;
    Mode set;  // Width 0: no mode set
  } cases[] = {
      // Without the fixed size the smallest larger mode wins; the ratio pass prefers 4:3.
      {"ratio pass first", true, false, false, {1000, 750, 32}, {{1100, 800, 32}, {1280, 960, 32}}, {1280, 960, 32}},
      {"no ratio pass", false, false, false, {1000, 750, 32}, {{1100, 800, 32}, {1280, 960, 32}}, {1100, 800, 32}},
      {"ratio pass finds none", true, false, false, {1000, 750, 32}, {{1100, 800, 32}}, {1100, 800, 32}},
      {"smaller modes never fit", false, false, false, {1000, 750, 32}, {{800, 600, 32}, {1024, 700, 32}}, {}},
      // The deepest fitting depth is taken unless the requested one is listed at that size.
      {"requested depth preferred", false, false, false, {1000, 750, 16},
       {{1024, 768, 16}, {1024, 768, 32}}, {1024, 768, 16}},
      {"deeper than requested", false, true, false, {1024, 768, 16}, {{1024, 768, 24}, {1024, 768, 32}},
       {1024, 768, 32}},
      {"8 bits only when asked for less", false, true, false, {1024, 768, 8}, {{1024, 768, 8}, {1024, 768, 4}},
       {1024, 768, 8}},
      {"fixed depth", false, true, true, {1024, 768, 32}, {{1024, 768, 16}, {1024, 768, 24}}, {}},
      {"fixed depth listed", false, false, true, {1000, 750, 16}, {{1024, 768, 32}, {1280, 1024, 16}},
       {1280, 1024, 16}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDriver driver(c.listed, c.listed);
    DisplayModeList modes = driver.List();
    TDXDrawDisplay display;
    display.FixedRatio = c.fixedRatio;
    display.FixedSize = c.fixedSize;
    display.FixedBitCount = c.fixedBitCount;
    const bool set = ApplyDisplayMode(display, c.request.Width, c.request.Height, c.request.BitCount, modes,
                                      driver.TrySet());
    EXPECT_EQ(set, c.set.Width != 0);
    if (set) {
      EXPECT_EQ((Mode{display.Width(), display.Height(), display.BitCount()}), c.set);
    }
  }
}

TEST(DisplayModeList, ReadsOnceSortedAndWithoutEmptyModes) {
  FakeDriver driver(
      {{1024, 768, 32}, {800, 600, 16}, {0, 600, 16}, {1024, 0, 32}, {1024, 768, 16}, {800, 480, 32}});
  DisplayModeList modes = driver.List();
  const std::vector<Mode> sorted{{800, 480, 32}, {800, 600, 16}, {1024, 768, 16}, {1024, 768, 32}};
  EXPECT_EQ(modes.Modes(), sorted);
  EXPECT_TRUE(modes.Contains({1024, 768, 16}));
  EXPECT_EQ(driver.enumerations, 1);
  modes.Clear();
  EXPECT_EQ(modes.Modes(), sorted);
  EXPECT_EQ(driver.enumerations, 2);
}

TEST(TDXDrawDisplay, ValidatesItsSettings) {
  TDXDrawDisplay display;
  EXPECT_EQ((Mode{display.Width(), display.Height(), display.BitCount()}), (Mode{640, 480, 16}));
  display.SetBitCount(32);
  for (int bad : {15, 0, -8, 64}) {
    try {
      display.SetBitCount(bad);
      ADD_FAILURE() << bad << " accepted";
    } catch (const EDirectDrawError& e) {
      EXPECT_EQ(e.Message(), L"Display requires 8, 16, 24 or 32 bits");
    }
    EXPECT_EQ(display.BitCount(), 32);
  }
  display.SetWidth(-5);
  display.SetHeight(-1);
  EXPECT_EQ(display.Width(), 0);
  EXPECT_EQ(display.Height(), 0);
}

TEST(RenderableBitCount, FollowsTheThreeDDevice) {
  struct Case {
    int requested;
    bool fixed;
    RenderDepths device;
    int result;
  } cases[] = {
      {32, false, {false, true, false, false}, 16},  // renders only at 16 bits
      {32, false, {false, true, true, true}, 32},
      {32, false, {false, false, true, true}, 32},
      {16, false, {false, false, true, true}, 24},
      {16, false, {false, false, false, true}, 32},
      {8, false, {true, true, false, false}, 8},
      {32, false, {true, false, false, false}, 32},  // renders at none of 16, 24, 32
      {32, true, {false, true, false, false}, 32},   // fixed bit count
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RenderableBitCount(c.requested, c.fixed, c.device), c.result) << c.requested;
  }
}

}  // namespace
}  // namespace dm
