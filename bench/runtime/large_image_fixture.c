// A module of about 20 MB for the mapping benchmark: 1 MB of absolute addresses (262,144 fix-ups, each
// applied on every mapping) and 19 MB of other initialised data.
#include <windows.h>

__asm__(
    ".section .data\n"
    ".globl _largeTable\n"
    "_largeTable:\n"
    ".rept 262144\n"
    ".long _largeTable\n"
    ".endr\n"
    ".fill 19922944, 1, 0x5A\n"
    ".text\n");

__declspec(dllexport) int WINAPI LargeFixtureValue(void) { return 7; }

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
  (void)module;
  (void)reason;
  (void)reserved;
  return TRUE;
}
