// MD5 throughput beside OpenSSL's MD5 on the same buffers.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <cstdint>
#include <vector>

#include "data/md5.h"

namespace {

std::vector<std::uint8_t> Buffer(std::size_t size) {
  std::vector<std::uint8_t> data(size);
  for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>(i * 131 + 7);
  return data;
}

void Ours(benchmark::State& state) {
  const auto data = Buffer(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(dm::md5(data));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void OpenSsl(benchmark::State& state) {
  const auto data = Buffer(static_cast<std::size_t>(state.range(0)));
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  std::uint8_t digest[16];
  unsigned int size = 0;
  for (auto _ : state) {
    EVP_DigestInit_ex(context, EVP_md5(), nullptr);
    EVP_DigestUpdate(context, data.data(), data.size());
    EVP_DigestFinal_ex(context, digest, &size);
    benchmark::DoNotOptimize(digest);
  }
  EVP_MD_CTX_free(context);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

BENCHMARK(Ours)->Arg(64)->Arg(4096)->Arg(1 << 20);
BENCHMARK(OpenSsl)->Arg(64)->Arg(4096)->Arg(1 << 20);

}  // namespace

BENCHMARK_MAIN();
