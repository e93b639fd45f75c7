#include "data/save_file_text.h"

#include <gtest/gtest.h>

#include "test_code_page.h"

namespace dm {
namespace {

TEST(SaveFileText, DecodingFollowsTheByteOrderMark) {
  test::Latin1CodePage ansi;
  struct Case {
    const char* what;
    std::string bytes;
    std::u16string text;
  };
  const Case cases[] = {
      {"ANSI", "a\xE9\r\n", u"a\u00E9\r\n"},
      {"UTF-16LE", std::string("\xFF\xFE" "a\0\x01\x04", 6), u"a\u0401"},
      {"UTF-16BE", std::string("\xFE\xFF\0a\x04\x01", 6), u"a\u0401"},
      {"UTF-8", "\xEF\xBB\xBF" "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", u"a\u00E9\u20AC\U0001F600"},
      {"FF FE wins over a UTF-8 mark after it", std::string("\xFF\xFE\xEF\xBB", 4), u"\uBBEF"},
      {"UTF-16 odd trailing byte", std::string("\xFF\xFE" "a\0b", 5), u"a"},
      {"a lone mark is empty", "\xEF\xBB\xBF", u""},
      {"incomplete mark is ANSI", "\xEF\xBB", u"\u00EF\u00BB"},
      {"text ends at NUL (ANSI)", std::string("ab\0cd", 5), u"ab"},
      {"text ends at NUL (UTF-16)", std::string("\xFF\xFE" "a\0\0\0b\0", 8), u"a"},
      {"UTF-8 invalid bytes", "\xEF\xBB\xBF" "a\x80" "b\xC3" "c\xED\xA0\x80" "d\xF0\x9F\x98", u"a\uFFFDb\uFFFDc\uFFFD\uFFFD\uFFFDd\uFFFD"},
      {"UTF-8 overlong", "\xEF\xBB\xBF\xC0\xAF\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeSaveFileText(c.bytes, ansi), c.text) << c.what;
}

TEST(SaveFileText, LineBreaks) {
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"", u""},
      {u"a", u"a\r\n"},
      {u"a\r\n", u"a\r\n"},
      {u"\r\n", u"\r\n"},
      {u"a\nb\rc\r\nd", u"a\r\nb\r\nc\r\nd\r\n"},
      {u"a\n\r\nb\r\r", u"a\r\n\r\nb\r\n\r\n"},
      {u"a\n\n", u"a\r\n\r\n"},
      {u"\n\ra", u"\r\n\r\na\r\n"},
      {u"\n\r", u"\r\n\r\n"},
      {std::u16string(u"a\0b\nc", 5), u"a\r\n"},
  };
  for (const auto& [text, lines] : cases) EXPECT_EQ(ToLineText(text), lines) << testing::PrintToString(text);
  EXPECT_EQ(FirstLine(u"ab\r\ncd\r\n"), u"ab");
  EXPECT_EQ(AfterFirstLine(u"ab\r\ncd\r\n"), u"cd\r\n");
  EXPECT_EQ(AfterFirstLine(u"ab\r\n"), u"");
}

TEST(SaveFileText, WritingUsesTheDefaultCharacterAndAddsNoMark) {
  test::Latin1CodePage ansi;
  SaveFileText text(ansi);
  EXPECT_EQ(text.Write(u""), "");
  EXPECT_EQ(text.Write(ToLineText(u"<data>\n\u00E9\u0100\n</data>")), "<data>\r\n\xE9?\r\n</data>\r\n");
  EXPECT_EQ(text.Read(text.Write(u"a\r\n\r\nb\r\n")), u"a\r\n\r\nb\r\n");
}

}  // namespace
}  // namespace dm
