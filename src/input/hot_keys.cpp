#include "input/hot_keys.h"

namespace dm {

HotKeys::~HotKeys() {
  if (contextMenuKeyClaimed_) UnregisterHotKey(window_, kContextMenuHotKeyId);
  if (lockKeyAtom_) {
    UnregisterHotKey(window_, lockKeyAtom_);
    GlobalDeleteAtom(lockKeyAtom_);
  }
}

void HotKeys::ClaimContextMenuKey() {
  if (contextMenuKeyClaimed_) return;
  RegisterHotKey(window_, kContextMenuHotKeyId, 0, VK_APPS);
  contextMenuKeyClaimed_ = true;
}

void HotKeys::ClaimLockKey() {
  if (lockKeyAtom_) return;
  lockKeyAtom_ = GlobalAddAtomW(kLockHotKeyAtomName);
  if (lockKeyAtom_) RegisterHotKey(window_, lockKeyAtom_, MOD_WIN, 'L');
}

}  // namespace dm
