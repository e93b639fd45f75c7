#pragma once
// Runs a mapped module's entry function so that a fault inside it cannot take the process down.
#include <windows.h>

namespace dm {

using ModuleEntry = BOOL(WINAPI*)(HINSTANCE module, DWORD reason, LPVOID reserved);

// Calls entry(module, reason, null). An exception that the module's own code leaves unhandled (an
// access violation, an illegal instruction, an uncaught structured exception) ends the call instead of
// the process: its exception code is returned. 0 when the entry function returned.
DWORD CallModuleEntryGuarded(ModuleEntry entry, HINSTANCE module, DWORD reason) noexcept;

}  // namespace dm
