#include "input/hot_keys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

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
  ASSERT_EQ(GlobalFindAtomW(kLockHotKeyAtomName), 0);
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
  EXPECT_EQ(GlobalFindAtomW(kLockHotKeyAtomName), 0) << "the atom is released with the keys";
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

TEST(HotKeys, PressingTheContextMenuKeyReachesOnlyTheHotKeyMessage) {
  TestWindow main;
  HotKeys keys;
  keys.ClaimContextMenuKey(main.Handle());
  SetForegroundWindow(main.Handle());
  SetFocus(main.Handle());
  keybd_event(VK_APPS, 0, 0, 0);
  keybd_event(VK_APPS, 0, KEYEVENTF_KEYUP, 0);
  PumpMessages(300);
  const auto& received = main.Received();
  auto hotKey = std::find_if(received.begin(), received.end(), [](const MSG& m) { return m.message == WM_HOTKEY; });
  ASSERT_NE(hotKey, received.end());
  EXPECT_EQ(hotKey->wParam, static_cast<WPARAM>(kContextMenuHotKeyId));
  EXPECT_TRUE(std::none_of(received.begin(), received.end(), [](const MSG& m) {
    return m.message == WM_KEYDOWN && m.wParam == VK_APPS;
  }));
}

}  // namespace
}  // namespace dm
