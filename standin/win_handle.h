#pragma once
// Owners for Win32 handles the stand-in keeps.
#include <windows.h>

#include <memory>

namespace dm::standin {

struct HandleCloser {
  void operator()(HANDLE handle) const noexcept {
    if (handle && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

struct WindowDestroyer {
  void operator()(HWND window) const noexcept {
    if (window) DestroyWindow(window);
  }
};
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;

// An exclusive SRW lock held for a scope.
class ScopedLock {
 public:
  explicit ScopedLock(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
  ~ScopedLock() { ReleaseSRWLockExclusive(&lock_); }
  ScopedLock(const ScopedLock&) = delete;
  ScopedLock& operator=(const ScopedLock&) = delete;

 private:
  SRWLOCK& lock_;
};

}  // namespace dm::standin
