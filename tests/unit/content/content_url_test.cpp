#include "flash/content/content_url.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace dm {
namespace {

const std::u16string Marker(ContentUrlMarker);

struct ParseCase {
  const char* name;
  std::u16string address;
  std::optional<ContentAddress> expected;
};

TEST(ContentUrl, ParsesTheSourceIdAndPathOrRejects) {
  const ParseCase cases[] = {
      {"scheme prefix", u"http://host/" + Marker + u"/7/movies/intro.swf", ContentAddress{7, u"movies/intro.swf"}},
      {"backslashes", u"C:\\games\\" + Marker + u"\\12\\a\\b.jpg", ContentAddress{12, u"a/b.jpg"}},
      {"no prefix, any separator", Marker + u"x12/a/b.jpg", ContentAddress{12, u"a/b.jpg"}},
      {"empty path", Marker + u"/3/", ContentAddress{3, u""}},
      {"path with a second marker", Marker + u"/3/" + Marker + u"/4/x", ContentAddress{3, Marker + u"/4/x"}},
      {"negative id", Marker + u"/-5/p", ContentAddress{-5, u"p"}},
      {"largest id", Marker + u"/2147483647/p", ContentAddress{2147483647, u"p"}},
      {"lower-case marker", u"http://host/46a10f369771449587de913efc0a258c/7/movies/intro.swf", std::nullopt},
      {"no marker", u"http://host/7/movies/intro.swf", std::nullopt},
      {"nothing after the marker", u"http://host/" + Marker, std::nullopt},
      {"only the separator", u"http://host/" + Marker + u"/", std::nullopt},
      {"no slash after the id", u"http://host/" + Marker + u"/7", std::nullopt},
      {"non-numeric id", Marker + u"/seven/movies/intro.swf", std::nullopt},
      {"hexadecimal id", Marker + u"/0x7/p", std::nullopt},
      {"empty id", Marker + u"//p", std::nullopt},
      {"id beyond 32 bits", Marker + u"/2147483648/p", std::nullopt},
      {"id with blanks", Marker + u"/ 7/p", std::nullopt},
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ParseContentUrl(c.address), c.expected);
  }
}

TEST(ContentUrl, SameContentComparesSourceAndPathOrWholeText) {
  struct Case {
    const char* name;
    std::u16string a, b;
    bool same;
  };
  const Case cases[] = {
      {"different prefixes", u"http://a/" + Marker + u"/7/x.swf", u"C:\\b\\" + Marker + u"\\7\\x.swf", true},
      {"different ids", Marker + u"/7/x.swf", Marker + u"/8/x.swf", false},
      {"paths differing in case", Marker + u"/7/x.swf", Marker + u"/7/X.swf", false},
      {"one content address", Marker + u"/7/x.swf", u"x.swf", false},
      {"equal ordinary addresses", u"http://a/x.swf", u"http://a/x.swf", true},
      {"ordinary addresses differing in case", u"http://a/x.swf", u"http://A/x.swf", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SameContentUrl(c.a, c.b), c.same);
    EXPECT_EQ(SameContentUrl(c.b, c.a), c.same);
  }
}

}  // namespace
}  // namespace dm
