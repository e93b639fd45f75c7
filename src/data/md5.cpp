#include "data/md5.h"

#include <algorithm>
#include <cstring>

namespace dm {
namespace {

inline std::uint32_t Load32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

inline std::uint32_t Rotl(std::uint32_t x, int s) { return (x << s) | (x >> (32 - s)); }

// Each step adds the message word and constant first and the part of the round function that does not
// depend on b next, so that only the last add and the rotation wait for the previous step. The empty asm
// keeps the compiler from reassociating the sum and moving the constant back onto that path.
#define DM_MD5_SETTLE(v) __asm__("" : "+r"(v))
#define DM_MD5_F(a, b, c, d, x, t, s) \
  a += (x) + (t);                     \
  DM_MD5_SETTLE(a);                   \
  a += d ^ (b & (c ^ d));             \
  a = Rotl(a, s) + b
#define DM_MD5_G(a, b, c, d, x, t, s) \
  a += (x) + (t);                     \
  DM_MD5_SETTLE(a);                   \
  a += c & ~d;                        \
  DM_MD5_SETTLE(a);                   \
  a += b & d;                         \
  a = Rotl(a, s) + b
#define DM_MD5_H(a, b, c, d, x, t, s) \
  a += (x) + (t);                     \
  DM_MD5_SETTLE(a);                   \
  a += b ^ (c ^ d);                   \
  a = Rotl(a, s) + b
#define DM_MD5_I(a, b, c, d, x, t, s) \
  a += (x) + (t);                     \
  DM_MD5_SETTLE(a);                   \
  a += c ^ (b | ~d);                  \
  a = Rotl(a, s) + b

}  // namespace

void Md5::Compress(const std::uint8_t* blocks, std::size_t count) {
  std::uint32_t a0 = state_[0], b0 = state_[1], c0 = state_[2], d0 = state_[3];
  for (; count > 0; --count, blocks += 64) {
    std::uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = Load32(blocks + 4 * i);
    std::uint32_t a = a0, b = b0, c = c0, d = d0;

    DM_MD5_F(a, b, c, d, x[0], 0xd76aa478, 7);
    DM_MD5_F(d, a, b, c, x[1], 0xe8c7b756, 12);
    DM_MD5_F(c, d, a, b, x[2], 0x242070db, 17);
    DM_MD5_F(b, c, d, a, x[3], 0xc1bdceee, 22);
    DM_MD5_F(a, b, c, d, x[4], 0xf57c0faf, 7);
    DM_MD5_F(d, a, b, c, x[5], 0x4787c62a, 12);
    DM_MD5_F(c, d, a, b, x[6], 0xa8304613, 17);
    DM_MD5_F(b, c, d, a, x[7], 0xfd469501, 22);
    DM_MD5_F(a, b, c, d, x[8], 0x698098d8, 7);
    DM_MD5_F(d, a, b, c, x[9], 0x8b44f7af, 12);
    DM_MD5_F(c, d, a, b, x[10], 0xffff5bb1, 17);
    DM_MD5_F(b, c, d, a, x[11], 0x895cd7be, 22);
    DM_MD5_F(a, b, c, d, x[12], 0x6b901122, 7);
    DM_MD5_F(d, a, b, c, x[13], 0xfd987193, 12);
    DM_MD5_F(c, d, a, b, x[14], 0xa679438e, 17);
    DM_MD5_F(b, c, d, a, x[15], 0x49b40821, 22);

    DM_MD5_G(a, b, c, d, x[1], 0xf61e2562, 5);
    DM_MD5_G(d, a, b, c, x[6], 0xc040b340, 9);
    DM_MD5_G(c, d, a, b, x[11], 0x265e5a51, 14);
    DM_MD5_G(b, c, d, a, x[0], 0xe9b6c7aa, 20);
    DM_MD5_G(a, b, c, d, x[5], 0xd62f105d, 5);
    DM_MD5_G(d, a, b, c, x[10], 0x02441453, 9);
    DM_MD5_G(c, d, a, b, x[15], 0xd8a1e681, 14);
    DM_MD5_G(b, c, d, a, x[4], 0xe7d3fbc8, 20);
    DM_MD5_G(a, b, c, d, x[9], 0x21e1cde6, 5);
    DM_MD5_G(d, a, b, c, x[14], 0xc33707d6, 9);
    DM_MD5_G(c, d, a, b, x[3], 0xf4d50d87, 14);
    DM_MD5_G(b, c, d, a, x[8], 0x455a14ed, 20);
    DM_MD5_G(a, b, c, d, x[13], 0xa9e3e905, 5);
    DM_MD5_G(d, a, b, c, x[2], 0xfcefa3f8, 9);
    DM_MD5_G(c, d, a, b, x[7], 0x676f02d9, 14);
    DM_MD5_G(b, c, d, a, x[12], 0x8d2a4c8a, 20);

    DM_MD5_H(a, b, c, d, x[5], 0xfffa3942, 4);
    DM_MD5_H(d, a, b, c, x[8], 0x8771f681, 11);
    DM_MD5_H(c, d, a, b, x[11], 0x6d9d6122, 16);
    DM_MD5_H(b, c, d, a, x[14], 0xfde5380c, 23);
    DM_MD5_H(a, b, c, d, x[1], 0xa4beea44, 4);
    DM_MD5_H(d, a, b, c, x[4], 0x4bdecfa9, 11);
    DM_MD5_H(c, d, a, b, x[7], 0xf6bb4b60, 16);
    DM_MD5_H(b, c, d, a, x[10], 0xbebfbc70, 23);
    DM_MD5_H(a, b, c, d, x[13], 0x289b7ec6, 4);
    DM_MD5_H(d, a, b, c, x[0], 0xeaa127fa, 11);
    DM_MD5_H(c, d, a, b, x[3], 0xd4ef3085, 16);
    DM_MD5_H(b, c, d, a, x[6], 0x04881d05, 23);
    DM_MD5_H(a, b, c, d, x[9], 0xd9d4d039, 4);
    DM_MD5_H(d, a, b, c, x[12], 0xe6db99e5, 11);
    DM_MD5_H(c, d, a, b, x[15], 0x1fa27cf8, 16);
    DM_MD5_H(b, c, d, a, x[2], 0xc4ac5665, 23);

    DM_MD5_I(a, b, c, d, x[0], 0xf4292244, 6);
    DM_MD5_I(d, a, b, c, x[7], 0x432aff97, 10);
    DM_MD5_I(c, d, a, b, x[14], 0xab9423a7, 15);
    DM_MD5_I(b, c, d, a, x[5], 0xfc93a039, 21);
    DM_MD5_I(a, b, c, d, x[12], 0x655b59c3, 6);
    DM_MD5_I(d, a, b, c, x[3], 0x8f0ccc92, 10);
    DM_MD5_I(c, d, a, b, x[10], 0xffeff47d, 15);
    DM_MD5_I(b, c, d, a, x[1], 0x85845dd1, 21);
    DM_MD5_I(a, b, c, d, x[8], 0x6fa87e4f, 6);
    DM_MD5_I(d, a, b, c, x[15], 0xfe2ce6e0, 10);
    DM_MD5_I(c, d, a, b, x[6], 0xa3014314, 15);
    DM_MD5_I(b, c, d, a, x[13], 0x4e0811a1, 21);
    DM_MD5_I(a, b, c, d, x[4], 0xf7537e82, 6);
    DM_MD5_I(d, a, b, c, x[11], 0xbd3af235, 10);
    DM_MD5_I(c, d, a, b, x[2], 0x2ad7d2bb, 15);
    DM_MD5_I(b, c, d, a, x[9], 0xeb86d391, 21);

    a0 += a;
    b0 += b;
    c0 += c;
    d0 += d;
  }
  state_ = {a0, b0, c0, d0};
}

#undef DM_MD5_F
#undef DM_MD5_G
#undef DM_MD5_H
#undef DM_MD5_I
#undef DM_MD5_SETTLE

void Md5::Update(std::span<const std::uint8_t> data) {
  const std::uint8_t* p = data.data();
  std::size_t size = data.size();
  totalBytes_ += size;
  if (pendingSize_ > 0) {
    std::size_t take = std::min(size, pending_.size() - pendingSize_);
    std::memcpy(pending_.data() + pendingSize_, p, take);
    pendingSize_ += take;
    p += take;
    size -= take;
    if (pendingSize_ < pending_.size()) return;
    Compress(pending_.data(), 1);
    pendingSize_ = 0;
  }
  Compress(p, size / 64);
  p += size - size % 64;
  size %= 64;
  if (size > 0) std::memcpy(pending_.data(), p, size);
  pendingSize_ = size;
}

Md5Digest Md5::Finish() {
  const std::uint64_t bitLength = totalBytes_ * 8;
  std::uint8_t tail[72] = {0x80};
  std::size_t padding = (pendingSize_ < 56 ? 56 : 120) - pendingSize_;
  for (int i = 0; i < 8; ++i) tail[padding + i] = static_cast<std::uint8_t>(bitLength >> (8 * i));
  Update({tail, padding + 8});
  Md5Digest digest;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) digest[4 * i + j] = static_cast<std::uint8_t>(state_[i] >> (8 * j));
  return digest;
}

Md5Digest md5(std::span<const std::uint8_t> data) {
  Md5 hash;
  hash.Update(data);
  return hash.Finish();
}

}  // namespace dm
