#include "flash/runtime/wave_scaling.h"

#include <algorithm>
#include <cstring>

namespace dm {

namespace {

void Scale8(uint8_t* data, size_t count, int32_t volume) noexcept {
  for (size_t i = 0; i < count; ++i) {
    int32_t sample = static_cast<int8_t>(data[i]);
    data[i] = static_cast<uint8_t>(sample * volume / 100);
  }
}

void Scale16(uint8_t* data, size_t count, int32_t volume) noexcept {
  for (size_t i = 0; i < count; ++i) {
    int16_t sample;
    std::memcpy(&sample, data + 2 * i, 2);  // buffers need not be aligned
    auto scaled = static_cast<int16_t>(sample * volume / 100);
    std::memcpy(data + 2 * i, &scaled, 2);
  }
}

}  // namespace

void ScaleWaveSamples(uint8_t* data, size_t byteCount, uint32_t bytesPerSample, int32_t volume) noexcept {
  if (volume == 100 || data == nullptr) return;
  volume = std::clamp(volume, 0, MaxVolume);
  if (bytesPerSample == 1) Scale8(data, byteCount, volume);
  if (bytesPerSample == 2) Scale16(data, byteCount / 2, volume);
}

}  // namespace dm
