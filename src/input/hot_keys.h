#pragma once
// The system-wide hot keys the host claims while it runs, so that pressing them does nothing.
#include <windows.h>

namespace dm {

inline constexpr int kContextMenuHotKeyId = 93;
inline constexpr wchar_t kLockHotKeyAtomName[] = L"Hotkey3";

// Claims are made on the main window's handle; whether the system grants them is not examined (a key
// held by another program or reserved by the system keeps its normal function). Destruction gives both
// keys back and releases the global atom; it must happen while the window still exists. The window
// answers WM_HOTKEY with 0 and nothing else.
class HotKeys {
 public:
  explicit HotKeys(HWND window) : window_(window) {}
  HotKeys(const HotKeys&) = delete;
  HotKeys& operator=(const HotKeys&) = delete;
  ~HotKeys();

  // The context-menu key (VK_APPS), no modifiers, id 93.
  void ClaimContextMenuKey();
  // Win+L, with the global atom "Hotkey3" as its id.
  void ClaimLockKey();

  ATOM LockKeyAtom() const noexcept { return lockKeyAtom_; }  // HotkeyAtom

 private:
  HWND window_;
  bool contextMenuKeyClaimed_ = false;
  ATOM lockKeyAtom_ = 0;
};

}  // namespace dm
