#pragma once
#include <windows.h>
#include <objbase.h>

namespace dm::test {

// COM for the test thread, as the host's user-interface thread has it.
class ComScope {
 public:
  ComScope() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  ~ComScope() { CoUninitialize(); }
};

}  // namespace dm::test
