#include "standin/invoke_xml.h"

#include <gtest/gtest.h>

#include "ui/error.h"

namespace dm::standin {
namespace {

TEST(RequestXml, WrapsAndEscapesLikeTheRealControl) {
  struct Case {
    const wchar_t* function;
    const wchar_t* argument;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {L"save", L"<exit/>",
       L"<invoke name=\"save\" returntype=\"xml\"><arguments><string>&lt;exit/&gt;</string></arguments></invoke>"},
      {L"f", L"<data fileName=\"a&b\">it's</data>",
       L"<invoke name=\"f\" returntype=\"xml\"><arguments><string>&lt;data fileName=&quot;a&amp;b&quot;&gt;"
       L"it&apos;s&lt;/data&gt;</string></arguments></invoke>"},
      {L"f", L"&amp;", L"<invoke name=\"f\" returntype=\"xml\"><arguments><string>&amp;amp;</string></arguments></invoke>"},
      {L"f", L"", L"<invoke name=\"f\" returntype=\"xml\"><arguments><string></string></arguments></invoke>"},
      {L"f", L"line\r\nnext \u00e9",
       L"<invoke name=\"f\" returntype=\"xml\"><arguments><string>line\r\nnext \u00e9</string></arguments></invoke>"},
  };
  for (const Case& c : cases) EXPECT_EQ(RequestXml(c.function, c.argument), c.expected) << c.argument;
}

TEST(ParseInvoke, ReadsTheCallsAContainerMakes) {
  struct Case {
    const wchar_t* text;
    const wchar_t* name;
    const wchar_t* argument;
  };
  const Case cases[] = {
      {L"<invoke name=\"externalPause\"><arguments><string>\"pause\"</string></arguments></invoke>", L"externalPause",
       L"\"pause\""},
      {L"<invoke name=\"setAppPath\"><arguments><string>file:///C:/Tom &amp; Ann/</string></arguments></invoke>",
       L"setAppPath", L"file:///C:/Tom & Ann/"},
      {L"<invoke name=\"f\" returntype=\"xml\"><arguments><string>&lt;a&gt;&#65;&#x42;</string></arguments></invoke>",
       L"f", L"<a>AB"},
      {L"<invoke name='f'>\r\n <arguments> <number>12</number><string>x</string> </arguments> </invoke>", L"f", L"12"},
      {L"<invoke name=\"f\"><arguments><true/></arguments></invoke>", L"f", L"true"},
      {L"<invoke name=\"f\"><arguments><string/></arguments></invoke>", L"f", L""},
      {L"<invoke name=\"f\"><arguments/></invoke>", L"f", L""},
      {L"<invoke name=\"f\"/>", L"f", L""},
  };
  for (const Case& c : cases) {
    const InvokeCall call = ParseInvoke(c.text);
    EXPECT_EQ(call.name, c.name) << c.text;
    EXPECT_EQ(call.argument, c.argument) << c.text;
  }
}

TEST(ParseInvoke, RejectsWhatIsNotACall) {
  const wchar_t* cases[] = {
      L"",
      L"externalPause",
      L"<invoke><arguments><string>x</string></arguments></invoke>",
      L"<invoke name=\"\"><arguments/></invoke>",
      L"<call name=\"f\"><arguments/></call>",
      L"<invoke name=\"f\"><arguments><string>C:\\Tom & Ann</string></arguments></invoke>",
      L"<invoke name=\"f\"><arguments><string>a<b</string></arguments></invoke>",
      L"<invoke name=\"f\"><arguments><string>&nbsp;</string></arguments></invoke>",
      L"<invoke name=\"f\"><arguments><string>&#0;</string></arguments></invoke>",
      L"<invoke name=\"f\"><arguments><string>x</number></arguments></invoke>",
      L"<invoke name=\"f\"><arguments><object/></arguments></invoke>",
      L"<invoke name=\"f\"><arguments><string>x</string></arguments>",
      L"<invoke name=\"f\"><arguments/></invoke><invoke name=\"g\"/>",
      L"<invoke name=\"f\"><string>x</string></invoke>",
  };
  for (const wchar_t* text : cases) EXPECT_THROW(ParseInvoke(text), Error) << text;
}

TEST(AnswerXml, IsAStringOrUndefined) {
  const std::wstring answer = L"a<b";
  EXPECT_EQ(AnswerXml(&answer), L"<string>a&lt;b</string>");
  EXPECT_EQ(AnswerXml(nullptr), L"<undefined/>");
}

}  // namespace
}  // namespace dm::standin
