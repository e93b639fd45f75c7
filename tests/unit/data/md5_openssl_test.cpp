// Agreement with an independent implementation on random inputs of every length 0..1000.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <random>
#include <vector>

#include "data/md5.h"

namespace dm {
namespace {

Md5Digest OpenSslMd5(const std::vector<std::uint8_t>& data) {
  Md5Digest digest{};
  unsigned int size = 0;
  EXPECT_EQ(EVP_Digest(data.data(), data.size(), digest.data(), &size, EVP_md5(), nullptr), 1);
  EXPECT_EQ(size, digest.size());
  return digest;
}

TEST(Md5, AgreesWithOpenSslOnEveryLengthUpTo1000) {
  std::mt19937 random(1321);
  for (std::size_t length = 0; length <= 1000; ++length) {
    std::vector<std::uint8_t> data(length);
    for (auto& b : data) b = static_cast<std::uint8_t>(random());
    ASSERT_EQ(md5(data), OpenSslMd5(data)) << "length " << length;
  }
}

}  // namespace
}  // namespace dm
