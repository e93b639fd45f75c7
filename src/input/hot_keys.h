#pragma once
// The system-wide hot keys the host claims while it runs, so that pressing them does nothing.
#include <windows.h>

namespace dm {

inline constexpr int kContextMenuHotKeyId = 93;
inline constexpr wchar_t kLockHotKeyAtomName[] = L"Hotkey3";

// Each key is claimed on the given window (the main window); whether the system grants it is not
// examined: a key held by another program or reserved by the system keeps its normal function. The
// window answers WM_HOTKEY with 0 and nothing else. Destruction gives the keys back and releases the
// global atom, so it must happen while the window still exists.
class HotKeys {
 public:
  HotKeys() = default;
  HotKeys(const HotKeys&) = delete;
  HotKeys& operator=(const HotKeys&) = delete;
  ~HotKeys();

  // The context-menu key (VK_APPS) without modifiers, id 93.
  void ClaimContextMenuKey(HWND window);
  // Win+L, with the global atom "Hotkey3" as its id.
  void ClaimLockKey(HWND window);

  ATOM LockKeyAtom() const noexcept { return lockKeyAtom_; }  // HotkeyAtom

 private:
  HWND contextMenuKeyWindow_ = nullptr;
  HWND lockKeyWindow_ = nullptr;
  ATOM lockKeyAtom_ = 0;
};

}  // namespace dm
