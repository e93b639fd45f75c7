#pragma once
// MD5 message digest (RFC 1321). Portable: no Windows headers.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace dm {

using Md5Digest = std::array<std::uint8_t, 16>;

// Incremental MD5: feed any number of Update calls, then Finish once.
class Md5 {
 public:
  Md5() = default;
  void Update(std::span<const std::uint8_t> data);
  Md5Digest Finish();

 private:
  void Compress(const std::uint8_t* blocks, std::size_t count);

  std::array<std::uint32_t, 4> state_{0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u};
  std::array<std::uint8_t, 64> pending_{};
  std::size_t pendingSize_ = 0;
  std::uint64_t totalBytes_ = 0;
};

Md5Digest md5(std::span<const std::uint8_t> data);

}  // namespace dm
