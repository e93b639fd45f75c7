#include "data/md5.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "data/signature.h"

namespace dm {
namespace {

std::string Hex(const Md5Digest& d) {
  std::u16string hex = BytesToHex(d.data(), d.size());
  return std::string(hex.begin(), hex.end());
}

std::span<const std::uint8_t> Bytes(std::string_view s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

TEST(Md5, Rfc1321TestSuite) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"", "D41D8CD98F00B204E9800998ECF8427E"},
      {"a", "0CC175B9C0F1B6A831C399E269772661"},
      {"abc", "900150983CD24FB0D6963F7D28E17F72"},
      {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
      {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "D174AB98D277D9F5A5611C2C9F419D9F"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57EDF4A22BE3C955AC49DA2E2107B67A"},
  };
  for (const auto& [input, expected] : cases) EXPECT_EQ(Hex(md5(Bytes(input))), expected) << input;
}

// Padding crosses into a second block at 56 bytes; feeding in pieces must not change the result.
TEST(Md5, PiecewiseUpdatesMatchOneShotAcrossBlockBoundaries) {
  std::string data;
  for (int i = 0; i < 300; ++i) data += static_cast<char>(i * 7 + 3);
  for (std::size_t length : {55u, 56u, 63u, 64u, 65u, 119u, 120u, 128u, 300u}) {
    const Md5Digest whole = md5(Bytes(std::string_view(data).substr(0, length)));
    for (std::size_t piece : {1u, 3u, 63u, 64u, 100u}) {
      Md5 hash;
      for (std::size_t at = 0; at < length; at += piece)
        hash.Update(Bytes(std::string_view(data).substr(at, std::min(piece, length - at))));
      EXPECT_EQ(hash.Finish(), whole) << "length " << length << " piece " << piece;
    }
  }
}

}  // namespace
}  // namespace dm
