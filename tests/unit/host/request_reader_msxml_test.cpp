// Requests as the Flash control delivers them, unwrapped by MSXML 6 and dispatched to recorded actions.
#include "host/request_reader_msxml.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "request_com_scope.h"
#include "request_recording_actions.h"
#include "request_wrap.h"

namespace dm {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using test::WrapRequest;
using Log = std::vector<std::wstring>;

class MsxmlRequestTest : public ::testing::Test {
 protected:
  test::ComScope com;
  test::RecordingActions actions;
  RequestDispatcher dispatcher{std::make_unique<MsxmlRequestReader>(), actions};

  Log Send(const std::wstring& request) { return test::Send(dispatcher, actions, request); }
};

struct RequestCase {
  const wchar_t* what;
  std::wstring request;
  Log expected;
};

std::wstring Nested(int depth, const std::wstring& inner) {
  std::wstring text;
  for (int i = 0; i < depth; ++i) text += L"<n>";
  text += inner;
  for (int i = 0; i < depth; ++i) text += L"</n>";
  return text;
}

TEST_F(MsxmlRequestTest, MovieStringsReachTheirActions) {
  const std::wstring save = L"<data fileName=\"slot1\">\n  <level n=\"3\">Anna's \"best\" > all</level>\n</data>";
  const RequestCase cases[] = {
      {L"save: the command text is the movie's string as sent", WrapRequest(save),
       {L"SavePlayerFile(slot1, " + save + L")", L"SignFiles"}},
      {L"line ends arrive as XML reads them: CR LF and CR become LF", WrapRequest(L"<data fileName=\"a\">1\r\n2\r3\n</data>"),
       {L"SavePlayerFile(a, <data fileName=\"a\">1\n2\n3\n</data>)", L"SignFiles"}},
      {L"blanks around the element are kept", WrapRequest(L"  <data fileName=\"a\"/>\n"),
       {L"SavePlayerFile(a,   <data fileName=\"a\"/>\n)", L"SignFiles"}},
      {L"an entity in the movie's string gets its ampersand escaped once more",
       WrapRequest(L"<data fileName=\"a\">Tom &amp; Ann</data>"),
       {L"SavePlayerFile(a, <data fileName=\"a\">Tom &amp;amp; Ann</data>)", L"SignFiles"}},
      {L"a bare ampersand is escaped and so reads back", WrapRequest(L"<data fileName=\"a&b\">x & y</data>"),
       {L"SavePlayerFile(a&b, <data fileName=\"a&amp;b\">x &amp; y</data>)", L"SignFiles"}},
      {L"data without fileName", WrapRequest(L"<data>x</data>"), {L"SavePlayerFile(, <data>x</data>)", L"SignFiles"}},
      {L"delete", WrapRequest(L"<delete fileName=\"profiles/anna\"/>"), {L"DeletePlayerFile(profiles/anna)"}},
      {L"beforeLoad", WrapRequest(L"<beforeLoad/>"), {L"VerifyPlayerFiles"}},
      {L"fullscreen with param", WrapRequest(L"<fullscreen param=\"true\"/>"), {L"ToggleScreenMode(true)"}},
      {L"fullscreen without param", WrapRequest(L"<fullscreen/>"), {L"ToggleScreenMode()"}},
      {L"exit", WrapRequest(L"<exit/>"), {L"AllowClose", L"HideMainWindow", L"SignFiles", L"CloseMainWindow"}},
      {L"sound requests do nothing", WrapRequest(L"<playSound fileName=\"no/such.mp3\"/>"), {}},
      {L"music without level", WrapRequest(L"<music/>"), {}},
      {L"music with a level that is no number", WrapRequest(L"<music level=\"loud\"/>"), {}},
      {L"stopPlay", WrapRequest(L"<stopPlay/>"), {}},
      {L"names are case-sensitive", WrapRequest(L"<Data fileName=\"a\">x</Data>"), {}},
      {L"a namespace prefix makes another name", WrapRequest(L"<x:data xmlns:x=\"u\" fileName=\"a\"/>"), {}},
      {L"unknown command", WrapRequest(L"<quit/>"), {}},
      {L"only the first of two string arguments counts",
       L"<invoke name=\"f\" returntype=\"xml\"><arguments><string>&lt;delete fileName=&quot;first&quot;/&gt;</string>"
       L"<string>&lt;exit/&gt;</string></arguments></invoke>",
       {L"DeletePlayerFile(first)"}},
      {L"the request may start with a declaration", L"<?xml version=\"1.0\"?>" + WrapRequest(L"<beforeLoad/>"),
       {L"VerifyPlayerFiles"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Send(c.request), c.expected) << c.what;
}

TEST_F(MsxmlRequestTest, TheFunctionNameMakesNoDifference) {
  const std::wstring argument = L"<data fileName=\"same\">1</data>";
  Log first = Send(WrapRequest(argument, L"saveGame"));
  EXPECT_THAT(first, ElementsAre(L"SavePlayerFile(same, " + argument + L")", L"SignFiles"));
  EXPECT_EQ(Send(WrapRequest(argument, L"anythingElse")), first);
}

TEST_F(MsxmlRequestTest, MalformedRequestsAreDroppedAndTheNextOneWorks) {
  const RequestCase cases[] = {
      {L"not XML", L"exit", {}},
      {L"an empty text", L"", {}},
      {L"an unclosed request", WrapRequest(L"<exit/>").substr(0, 60), {}},
      {L"no arguments element", L"<invoke name=\"f\"/>", {}},
      {L"no arguments", L"<invoke name=\"f\"><arguments/></invoke>", {}},
      {L"an empty string", WrapRequest(L""), {}},
      {L"a blank string", WrapRequest(L"   "), {}},
      {L"a number", L"<invoke name=\"f\"><arguments><number>5</number></arguments></invoke>", {}},
      {L"a Boolean", L"<invoke name=\"f\"><arguments><true/></arguments></invoke>", {}},
      {L"an element where the text belongs",
       L"<invoke name=\"f\"><arguments><string><exit/></string></arguments></invoke>", {}},
      {L"a command text that is not XML", WrapRequest(L"<data fileName=\"a\">"), {}},
      {L"plain text", WrapRequest(L"exit"), {}},
      {L"a declaration first", WrapRequest(L"<?xml version=\"1.0\"?><exit/>"), {}},
      {L"a comment first", WrapRequest(L"<!-- bye --><exit/>"), {}},
      {L"a processing instruction named like a command", WrapRequest(L"<?exit?><stopPlay/>"), {}},
      {L"a document type named like a command", WrapRequest(L"<!DOCTYPE exit><exit/>"), {}},
      {L"an entity expansion",
       WrapRequest(L"<!DOCTYPE d [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]>"
                   L"<data fileName=\"x\">&b;</data>"),
       {}},
      {L"deep nesting in the request", Nested(100000, WrapRequest(L"<exit/>")), {}},
      {L"deep nesting in the command", WrapRequest(L"<data fileName=\"x\">" + Nested(100000, L"") + L"</data>"), {}},
      {L"a text beyond the length limit", WrapRequest(L"<data fileName=\"x\">" + std::wstring(kMaxRequestLength, L'y') + L"</data>"), {}},
  };
  for (const auto& c : cases) {
    EXPECT_THAT(Send(c.request), IsEmpty()) << c.what;
    EXPECT_THAT(Send(WrapRequest(L"<beforeLoad/>")), ElementsAre(L"VerifyPlayerFiles")) << L"after " << c.what;
  }
}

TEST_F(MsxmlRequestTest, NestedRequestDoesNotDisturbTheOuterOne) {
  // The nested request reuses the document; the outer one read everything it needs beforehand.
  actions.inside[L"SavePlayerFile"] = [this] {
    actions.inside.erase(L"SavePlayerFile");
    dispatcher.OnFlashCall(WrapRequest(L"<fullscreen param=\"true\"/>"));
  };
  EXPECT_THAT(Send(WrapRequest(L"<data fileName=\"outer\">1</data>")),
              ElementsAre(L"SavePlayerFile(outer, <data fileName=\"outer\">1</data>)", L"ToggleScreenMode(true)",
                          L"SignFiles"));
}

RequestDispatcher* boxDispatcher;
const wchar_t kBoxCaption[] = L"Request test box";

// Runs inside the message box's own loop: the movie's request arrives, then the player closes the box.
void CALLBACK RequestWhileBoxIsOpen(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  boxDispatcher->OnFlashCall(WrapRequest(L"<data fileName=\"during\">1</data>"));
  if (HWND box = FindWindowW(L"#32770", kBoxCaption)) PostMessageW(box, WM_COMMAND, IDOK, 0);
}

TEST_F(MsxmlRequestTest, RequestDuringAMessageBoxOfAnEarlierOneIsProcessedAtOnce) {
  boxDispatcher = &dispatcher;
  int boxResult = -1;
  actions.inside[L"ToggleScreenMode"] = [&] {
    ASSERT_NE(SetTimer(nullptr, 0, 10, RequestWhileBoxIsOpen), 0u);
    boxResult = MessageBoxW(nullptr, L"Switching", kBoxCaption, MB_OK);
  };
  EXPECT_THAT(Send(WrapRequest(L"<fullscreen param=\"false\"/>")),
              ElementsAre(L"ToggleScreenMode(false)", L"SavePlayerFile(during, <data fileName=\"during\">1</data>)",
                          L"SignFiles"));
  EXPECT_EQ(boxResult, IDOK);
}

}  // namespace
}  // namespace dm
