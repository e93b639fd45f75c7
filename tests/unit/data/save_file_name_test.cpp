#include "data/save_file_name.h"

#include <gtest/gtest.h>

namespace dm {
namespace {

TEST(SaveFilePath, LegitimateNamesStayInTheFolder) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"players", L"C:\\d\\players"},
      {L"profiles/anna", L"C:\\d\\profiles\\anna"},
      {L"profiles\\anna.xml", L"C:\\d\\profiles\\anna.xml"},
      {L"a/b/c", L"C:\\d\\a\\b\\c"},
      {L"save..1", L"C:\\d\\save..1"},
      {L".hidden", L"C:\\d\\.hidden"},
      {L"console", L"C:\\d\\console"},
      {L"com10", L"C:\\d\\com10"},
      {L"\u00E9t\u00E9", L"C:\\d\\\u00E9t\u00E9"},
      {L".pendingx/a", L"C:\\d\\.pendingx\\a"},
  };
  for (const auto& [name, path] : cases) EXPECT_EQ(SaveFilePath(L"C:\\d\\", name), path) << name;
}

TEST(SaveFilePath, NamesReachingOutsideOrNamingNoFileAreRefused) {
  const wchar_t* cases[] = {
      L"",
      L"..",
      L"../x",
      L"..\\x",
      L"a/../../x",
      L"a/..",
      L"./x",
      L"... /x",
      L".. /x",
      L"/x",
      L"\\\\server\\share\\x",
      L"//server/share/x",
      L"x/",
      L"a//b",
      L"C:\\x",
      L"C:x",
      L"players:stream",
      L"players::$DATA",
      L"NUL",
      L"nul.txt",
      L"Con",
      L"aux .txt",
      L"profiles/COM1",
      L"LPT9.log",
      L"COM\u00B9",
      L"CONIN$",
      L"a\tb",
      L"a*",
      L"a?b",
      L"a<b",
      L"a|b",
      L"\"a\"",
      L".pending/x",
      L".PENDING./x",
  };
  for (const wchar_t* name : cases) EXPECT_EQ(SaveFilePath(L"C:\\d\\", name), std::nullopt) << name;
}

}  // namespace
}  // namespace dm
