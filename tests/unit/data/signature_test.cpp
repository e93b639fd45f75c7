#include "data/signature.h"

#include <gtest/gtest.h>

#include "data/signing_passes.h"

namespace dm {
namespace {

TEST(FileSignature, KnownVectors) {
  EXPECT_EQ(FileSignature(u"abc\r\n"), u"BC10D0B0A6CD007A1757C6EFB8E9B4DE");
  EXPECT_EQ(FileSignature(u""), u"E7248FCE8990089E402B00F89DC8D14D");
  EXPECT_EQ(FileSignature(std::u16string(kCorruptedMarker) + u"\r\n"), u"4431A753648240DEF04138AAA0599CA2");
}

TEST(FileSignature, DigestCoversOnlyTheFirstNBytesOfTheUtf16Text) {
  const Md5Digest abc = TextDigest(u"abc\r\n");
  EXPECT_EQ(BytesToHex(abc.data(), abc.size()), u"ED4B9E8BFE6C7571A700DC6A0B0D01CB");
  const std::uint8_t input[] = {0x61, 0x00, 0x62, 0x00, 0x63};
  EXPECT_EQ(abc, md5(input));
  // Text of 10 code units: only the first 5 characters take part (the 5th by its low byte alone).
  EXPECT_EQ(TextDigest(u"abcdeFGHIJ"), TextDigest(u"abcdeXXXXX"));
  EXPECT_NE(TextDigest(u"abcdeFGHIJ"), TextDigest(u"abcdXFGHIJ"));
  EXPECT_EQ(TextDigest(u"ab\u4163"), TextDigest(u"ab\u5063"));  // the high byte of the last is not hashed
}

TEST(FileSignature, HexAndReverseHelpers) {
  const std::uint8_t bytes[] = {0x00, 0x9A, 0xFF};
  EXPECT_EQ(BytesToHex(bytes, 3), u"009AFF");
  EXPECT_EQ(ReverseString(u"\U0001F600ab"), u"ba\xDE00\xD83D");  // code units, not characters
}

// One table for the check of a single file.
TEST(CheckedFileText, AcceptsRejectsOrLeavesAlone) {
  const std::u16string body = u"<data a=\"1\">\r\n</data>\r\n";
  const std::u16string good = FileSignature(body);
  std::u16string lower = good;
  for (auto& c : lower)
    if (c >= u'A' && c <= u'F') c = static_cast<char16_t>(c - u'A' + u'a');
  const std::u16string marker = std::u16string(kCorruptedMarker) + u"\r\n";
  struct Case {
    const char* what;
    std::u16string file;
    std::optional<std::u16string> expected;
  };
  const Case cases[] = {
      {"valid signature is stripped", good + u"\r\n" + body, body},
      {"signature alone leaves no lines", FileSignature(u"") + u"\r\n", u""},
      {"no lines", u"", marker},
      {"unsigned file stays", body, std::nullopt},
      {"the marker stays", marker, std::nullopt},
      {"lower-case signature", lower + u"\r\n" + body, marker},
      {"trailing blank", good + u" \r\n" + body, marker},
      {"edited body", good + u"\r\n<data a=\"2\">\r\n</data>\r\n", marker},
      {"XML declaration first", u"<?xml version=\"1.0\"?>\r\n" + body, marker},
      {"blank before the tag", u" <data>\r\n", marker},
      {"<data is case-sensitive", u"<DATA>\r\n", marker},
  };
  for (const Case& c : cases) EXPECT_EQ(CheckedFileText(c.file), c.expected) << c.what;
}

}  // namespace
}  // namespace dm
