#pragma once
// Packed product versions: one 32-bit number from the four 16-bit parts of a file's product version.
#include <cstdint>

namespace dm {

// ((major x 256 + minor) x 256 + release) x 256 + build, modulo 2^32. Parts are added, not masked: a
// part above 255 carries into the one before it. mostSignificant holds major:minor, leastSignificant
// release:build, as in a version resource.
constexpr std::uint32_t PackProductVersion(std::uint32_t mostSignificant, std::uint32_t leastSignificant) {
  std::uint32_t packed = mostSignificant >> 16;
  packed = packed * 256 + (mostSignificant & 0xFFFF);
  packed = packed * 256 + (leastSignificant >> 16);
  packed = packed * 256 + (leastSignificant & 0xFFFF);
  return packed;
}

// The major version of a packed version (its top byte).
constexpr std::uint32_t MajorVersion(std::uint32_t packed) { return packed >> 24; }

}  // namespace dm
