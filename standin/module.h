#pragma once
// Process-wide facts of the stand-in DLL.
#include <windows.h>

namespace dm::standin {

// {D27CDB6E-AE6D-11CF-96B8-444553540000}: the control's class id.
inline constexpr CLSID kControlClsid = {0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// {D27CDB6C-...}: the control's default dispatch interface.
inline constexpr IID kControlIid = {0xD27CDB6C, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// {D27CDB6D-...}: the event interface.
inline constexpr IID kEventsIid = {0xD27CDB6D, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

HINSTANCE ModuleInstance();
// Live objects and server locks, for DllCanUnloadNow.
void AddModuleReference();
void ReleaseModuleReference();

}  // namespace dm::standin
