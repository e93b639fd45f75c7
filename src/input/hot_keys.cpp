#include "input/hot_keys.h"

namespace dm {

HotKeys::~HotKeys() {
  if (contextMenuKeyWindow_) UnregisterHotKey(contextMenuKeyWindow_, kContextMenuHotKeyId);
  if (lockKeyAtom_) {
    UnregisterHotKey(lockKeyWindow_, lockKeyAtom_);
    GlobalDeleteAtom(lockKeyAtom_);
  }
}

void HotKeys::ClaimContextMenuKey(HWND window) {
  if (contextMenuKeyWindow_) return;
  RegisterHotKey(window, kContextMenuHotKeyId, 0, VK_APPS);
  contextMenuKeyWindow_ = window;
}

void HotKeys::ClaimLockKey(HWND window) {
  if (lockKeyAtom_) return;
  lockKeyAtom_ = GlobalAddAtomW(kLockHotKeyAtomName);
  if (!lockKeyAtom_) return;
  RegisterHotKey(window, lockKeyAtom_, MOD_WIN, 'L');
  lockKeyWindow_ = window;
}

}  // namespace dm
