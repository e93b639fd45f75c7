#include "host/movie_call_text.h"

#include <gtest/gtest.h>

namespace dm {
namespace {

TEST(MovieCallText, WrapsTheArgumentUnchanged) {
  EXPECT_EQ(MovieCallText(L"externalPause", L"\"pause\""), std::wstring(movie_call::kExternalPause));
  EXPECT_EQ(MovieCallText(L"checkFullScreen", L"true"), std::wstring(movie_call::kCheckFullScreen));
}

TEST(SetAppPathCallText, TurnsTheFolderIntoAFileAddress) {
  struct Case {
    const wchar_t* folder;
    const wchar_t* argument;
  } cases[] = {
      {L"C:\\Data\\Wendrake\\Driftmarrow\\", L"file:///C:/Data/Wendrake/Driftmarrow/"},
      {L"C:\\Users\\Tom Ann\\x\\", L"file:///C:/Users/Tom Ann/x/"},
      {L"C:\\Tom & Ann\\<a>\\", L"file:///C:/Tom &amp; Ann/&lt;a&gt;/"},
      {L"\\Wendrake\\Driftmarrow\\", L"file:////Wendrake/Driftmarrow/"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SetAppPathCallText(c.folder), MovieCallText(L"setAppPath", c.argument)) << c.folder;
  }
}

}  // namespace
}  // namespace dm
