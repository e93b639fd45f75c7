#include "flash/runtime/wave_scaling.h"

#include <algorithm>
#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#include <immintrin.h>
#define DM_WAVE_SCALING_AVX2 1
#endif

namespace dm {

namespace {

void Scale8(uint8_t* data, size_t count, int32_t volume) noexcept {
  for (size_t i = 0; i < count; ++i) {
    int32_t sample = static_cast<int8_t>(data[i]);
    data[i] = static_cast<uint8_t>(sample * volume / 100);
  }
}

void Scale16OneByOne(uint8_t* data, size_t count, int32_t volume) noexcept {
  for (size_t i = 0; i < count; ++i) {
    int16_t sample;
    std::memcpy(&sample, data + 2 * i, 2);  // buffers need not be aligned
    auto scaled = static_cast<int16_t>(sample * volume / 100);
    std::memcpy(data + 2 * i, &scaled, 2);
  }
}

#ifdef DM_WAVE_SCALING_AVX2
// Sixteen samples at a time, for volumes below 100, with the same truncated results as one by one.
// The division goes through the reciprocal m = floor(volume * 2^16 / 100): for a = |sample| the high
// half of a * m is the quotient or one less (it falls short by less than a / 2^16 <= 0.5), and the
// remainder a * volume - 100 * q lies below 200, so it is exact modulo 2^16 and one compare settles
// it. Returns how many samples it scaled; the caller does the rest.
__attribute__((target("avx2"))) size_t Scale16Avx2(uint8_t* data, size_t count, int32_t volume) noexcept {
  const __m256i factor = _mm256_set1_epi16(static_cast<short>(volume));
  const __m256i reciprocal = _mm256_set1_epi16(static_cast<short>((static_cast<uint32_t>(volume) << 16) / 100));
  const __m256i hundred = _mm256_set1_epi16(100), belowHundred = _mm256_set1_epi16(99);
  size_t done = 0;
  for (; count - done >= 16; done += 16) {
    auto* block = reinterpret_cast<__m256i*>(data + 2 * done);
    const __m256i samples = _mm256_loadu_si256(block);
    const __m256i magnitudes = _mm256_abs_epi16(samples);  // -32768 gives 0x8000, read unsigned below
    __m256i quotients = _mm256_mulhi_epu16(magnitudes, reciprocal);
    const __m256i remainders = _mm256_sub_epi16(_mm256_mullo_epi16(magnitudes, factor),
                                                _mm256_mullo_epi16(quotients, hundred));
    quotients = _mm256_sub_epi16(quotients, _mm256_cmpgt_epi16(remainders, belowHundred));
    _mm256_storeu_si256(block, _mm256_sign_epi16(quotients, samples));
  }
  return done;
}
#endif

void Scale16(uint8_t* data, size_t count, int32_t volume) noexcept {
  size_t done = 0;
#ifdef DM_WAVE_SCALING_AVX2
  if (volume < 100 && __builtin_cpu_supports("avx2")) done = Scale16Avx2(data, count, volume);
#endif
  Scale16OneByOne(data + 2 * done, count - done, volume);
}

}  // namespace

void ScaleWaveSamples(uint8_t* data, size_t byteCount, uint32_t bytesPerSample, int32_t volume) noexcept {
  if (volume == 100 || data == nullptr) return;
  volume = std::clamp(volume, 0, MaxVolume);
  if (bytesPerSample == 1) Scale8(data, byteCount, volume);
  if (bytesPerSample == 2) Scale16(data, byteCount / 2, volume);
}

}  // namespace dm
