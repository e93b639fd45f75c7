#pragma once
// The identity of the Flash Player ActiveX control, shared by the wrapper, the probe and the runtime
// library.
#include <windows.h>

namespace dm {

// {D27CDB6E-AE6D-11CF-96B8-444553540000}
inline constexpr CLSID kFlashPlayerClassId = {0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

}  // namespace dm
