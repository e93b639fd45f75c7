// 16-bit wave scaling throughput beside a plain copy of the same buffer, measured in the same run.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "flash/runtime/wave_scaling.h"

namespace {

constexpr size_t BufferBytes = 64 * 1024;  // a few hundred milliseconds of 44.1 kHz stereo

std::vector<uint8_t> MakeBuffer() {
  std::vector<uint8_t> buffer(BufferBytes);
  for (size_t i = 0; i < buffer.size(); ++i) buffer[i] = static_cast<uint8_t>(i * 131 + 7);
  return buffer;
}

void BM_Memcpy(benchmark::State& state) {
  std::vector<uint8_t> source = MakeBuffer(), target(BufferBytes);
  for (auto _ : state) {
    std::memcpy(target.data(), source.data(), BufferBytes);
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * BufferBytes);
}

void BM_Scale16(benchmark::State& state) {
  std::vector<uint8_t> buffer = MakeBuffer();
  const auto volume = static_cast<int32_t>(state.range(0));
  for (auto _ : state) {
    dm::ScaleWaveSamples(buffer.data(), BufferBytes, 2, volume);
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * BufferBytes);
}

}  // namespace

BENCHMARK(BM_Memcpy);
BENCHMARK(BM_Scale16)->Arg(50)->Arg(100);
BENCHMARK_MAIN();
