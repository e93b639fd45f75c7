#pragma once
// The start-up probe of the installed Flash Player control and of its version.
#include <windows.h>

#include <cstdint>
#include <string>

#include "flash/runtime/installed_control.h"
#include "flash/runtime/product_version.h"

namespace dm {

// True when an instance of the Flash Player control can be created (in-process server or handler, or
// local server). COM must be initialised on the calling thread.
bool ProbeFlashPlayer() noexcept;

// Packed product version of the file registered as the Flash Player control; 0 when the registration,
// the file or its version information is missing, or the path does not fit 129 characters.
std::uint32_t ReadFlashPlayerVersion(const ClassesRootReader& registry = SystemClassesRoot());

// Packed product version of a file's version information; 0 when it has none.
std::uint32_t FileProductVersion(const std::wstring& path);

// The old-player warning is due when a control was probed and its known major version is below 9.
constexpr bool FlashPlayerTooOld(bool probed, std::uint32_t packedVersion) {
  return probed && packedVersion != 0 && MajorVersion(packedVersion) < 9;
}

}  // namespace dm
