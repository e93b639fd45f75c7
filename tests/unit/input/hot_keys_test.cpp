#include "input/hot_keys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "test_window.h"

namespace dm {
namespace {

using testing::PumpMessages;
using testing::TestWindow;

// Whether another window could take the key now: proves who holds it.
bool KeyIsFree(UINT modifiers, UINT key) {
  TestWindow other;
  if (!RegisterHotKey(other.Handle(), 1, modifiers, key)) return false;
  UnregisterHotKey(other.Handle(), 1);
  return true;
}

TEST(HotKeys, HoldsBothKeysUntilDestroyed) {
  TestWindow main;
  ASSERT_TRUE(KeyIsFree(0, VK_APPS));
  ASSERT_TRUE(KeyIsFree(MOD_WIN, 'L'));
  // Hosts ended by other tests of this Wine session may leave a reference to the atom behind; the release
  // can only be seen when nobody else holds one.
  const bool atomHeldElsewhere = GlobalFindAtomW(kLockHotKeyAtomName) != 0;
  {
    HotKeys keys;
    keys.ClaimContextMenuKey(main.Handle());
    EXPECT_FALSE(KeyIsFree(0, VK_APPS));
    EXPECT_TRUE(KeyIsFree(MOD_WIN, 'L')) << "Win+L is claimed separately, late in the window's creation";

    keys.ClaimLockKey(main.Handle());
    keys.ClaimLockKey(main.Handle());
    EXPECT_FALSE(KeyIsFree(MOD_WIN, 'L'));
    EXPECT_NE(keys.LockKeyAtom(), 0);
    EXPECT_EQ(GlobalFindAtomW(kLockHotKeyAtomName), keys.LockKeyAtom());
  }
  EXPECT_TRUE(KeyIsFree(0, VK_APPS));
  EXPECT_TRUE(KeyIsFree(MOD_WIN, 'L'));
  if (!atomHeldElsewhere) {
    EXPECT_EQ(GlobalFindAtomW(kLockHotKeyAtomName), 0) << "the atom is released with the keys";
  }
}

TEST(HotKeys, KeyHeldElsewhereIsIgnored) {
  TestWindow holder;
  ASSERT_TRUE(RegisterHotKey(holder.Handle(), 7, 0, VK_APPS));
  {
    TestWindow main;
    HotKeys keys;
    keys.ClaimContextMenuKey(main.Handle());
  }
  EXPECT_FALSE(KeyIsFree(0, VK_APPS)) << "giving back a key that was never granted leaves the holder's claim";
  UnregisterHotKey(holder.Handle(), 7);
}

// The key-down goes to the hot key's window as WM_HOTKEY instead of the window that has the focus. (The
// key-up is not part of a hot key: it still reaches the focused window.)
TEST(HotKeys, PressedKeysReachOnlyTheHotKeyMessage) {
  struct Case {
    const char* name;
    std::vector<BYTE> keys;  // pressed in this order, released in reverse
    WPARAM key;
    bool lockKey;
  } cases[] = {
      {"context-menu key", {VK_APPS}, VK_APPS, false},
      {"Win+L", {VK_LWIN, 'L'}, 'L', true},
  };
  for (const Case& c : cases) {
    TestWindow main;
    TestWindow focused(0, 200, 200);
    HotKeys keys;
    keys.ClaimContextMenuKey(main.Handle());
    keys.ClaimLockKey(main.Handle());
    focused.Activate();
    for (BYTE key : c.keys) keybd_event(key, 0, 0, 0);
    for (auto key = c.keys.rbegin(); key != c.keys.rend(); ++key) keybd_event(*key, 0, KEYEVENTF_KEYUP, 0);
    PumpMessages(300);

    const auto& received = main.Received();
    auto hotKey = std::find_if(received.begin(), received.end(), [](const MSG& m) { return m.message == WM_HOTKEY; });
    ASSERT_NE(hotKey, received.end()) << c.name;
    EXPECT_EQ(hotKey->wParam, c.lockKey ? WPARAM{keys.LockKeyAtom()} : WPARAM{kContextMenuHotKeyId}) << c.name;
    const auto& seen = focused.Received();
    EXPECT_TRUE(std::none_of(seen.begin(), seen.end(), [&](const MSG& m) {
      return m.message == WM_KEYDOWN && m.wParam == c.key;
    })) << c.name;
  }
}

}  // namespace
}  // namespace dm
