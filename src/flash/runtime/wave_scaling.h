#pragma once
// Volume scaling of wave-out sample buffers, in place. Portable: no Windows headers.
#include <cstddef>
#include <cstdint>

namespace dm {

// Volumes are percentages; anything outside 0..MaxVolume is clamped (the products then fit in 32 bits).
inline constexpr int32_t MaxVolume = 1000;

// Scales every whole signed sample of the buffer to (sample * volume) / 100, truncated toward zero and
// stored back in the sample's width. 1- and 2-byte samples are scaled; other widths are left alone, as is
// the odd last byte of a 16-bit buffer. Volume 100 changes nothing.
void ScaleWaveSamples(uint8_t* data, size_t byteCount, uint32_t bytesPerSample, int32_t volume) noexcept;

}  // namespace dm
