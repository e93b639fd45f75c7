#include "standin/movie_script.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "ui/error.h"

namespace dm::standin {
namespace {

TEST(MovieScript, ReadsEveryElement) {
  const MovieScript script = ParseMovieScript(
      "\xEF\xBB\xBF# a comment\r\n"
      "stage 800 600 #102030\n"
      "label 10 20 #FFFFFF Hello \\\\ world\n"
      "notices 30 40 #00ff00\n"
      "\n"
      "callback externalExit\n"
      "  show Bye {arg}\n"
      "  wait 500\n"
      "  request exit <exit/>\n"
      "callback rightclick\n"
      "  answer yes\n"
      "callback externalPause\n"
      "  fail busy\n"
      "button 1 2 3 4 Save\\na file\n"
      "  request save <data fileName=\"a\">x</data>\n"
      "on load\n"
      "  raw <invoke name=\"f\"/>\n"
      "on tour\n"
      "  wait 0\n"
      "  fscommand quit now\n");
  EXPECT_EQ(script.stageWidth, 800);
  EXPECT_EQ(script.stageHeight, 600);
  EXPECT_EQ(script.background, 0x102030u);
  ASSERT_EQ(script.labels.size(), 1u);
  EXPECT_EQ(script.labels[0].text, L"Hello \\ world");
  ASSERT_TRUE(script.notices);
  EXPECT_EQ(script.notices->color, 0x00FF00u);

  ASSERT_EQ(script.callbacks.size(), 3u);
  const Callback& exit = script.callbacks[0];
  EXPECT_EQ(exit.name, L"externalExit");
  ASSERT_EQ(exit.actions.size(), 3u);
  EXPECT_EQ(exit.actions[0].kind, Action::Kind::Show);
  EXPECT_EQ(exit.actions[0].text, L"Bye {arg}");
  EXPECT_EQ(exit.actions[1].delayMs, 500);
  EXPECT_EQ(exit.actions[2].function, L"exit");
  EXPECT_EQ(exit.actions[2].text, L"<exit/>");
  EXPECT_FALSE(exit.answer);
  EXPECT_EQ(script.callbacks[1].answer, L"yes");
  EXPECT_EQ(script.callbacks[2].failure, L"busy");

  ASSERT_EQ(script.buttons.size(), 1u);
  EXPECT_EQ(script.buttons[0].label, L"Save\na file");
  EXPECT_EQ(script.buttons[0].actions[0].text, L"<data fileName=\"a\">x</data>");
  ASSERT_EQ(script.onLoad.size(), 1u);
  EXPECT_EQ(script.onLoad[0].kind, Action::Kind::Raw);
  ASSERT_EQ(script.onTour.size(), 2u);
  EXPECT_EQ(script.onTour[1].kind, Action::Kind::FSCommand);
  EXPECT_EQ(script.onTour[1].function, L"quit");
  EXPECT_EQ(script.onTour[1].text, L"now");
}

TEST(MovieScript, NamesTheLineOfAMistake) {
  struct Case {
    const char* text;
    const wchar_t* line;
  };
  const Case cases[] = {
      {"callback a\n  bogus x\n", L"line 2:"},
      {"show too early\n", L"line 1:"},
      {"stage 0 600\n", L"line 1:"},
      {"stage 800 600 red\n", L"line 1:"},
      {"callback\n", L"line 1:"},
      {"callback a\nanswer 1\nfail 2\n", L"line 3:"},
      {"on load\nanswer 1\n", L"line 2:"},
      {"on click\n", L"line 1:"},
      {"on load\nwait -1\n", L"line 2:"},
      {"on load\nrequest\n", L"line 2:"},
  };
  for (const Case& c : cases) {
    try {
      ParseMovieScript(c.text);
      ADD_FAILURE() << c.text;
    } catch (const Error& error) {
      EXPECT_NE(error.Message().find(c.line), std::wstring::npos) << c.text;
    }
  }
}

TEST(MovieScript, TellsRealSwfFilesApart) {
  EXPECT_TRUE(LooksLikeSwf("FWS\x0a"));
  EXPECT_TRUE(LooksLikeSwf("CWS"));
  EXPECT_TRUE(LooksLikeSwf("ZWS..."));
  EXPECT_FALSE(LooksLikeSwf("FW"));
  EXPECT_FALSE(LooksLikeSwf("callback FWS"));
}

TEST(MovieScript, TheDemoMovieIsValid) {
  std::string path = DM_DEMO_MOVIE;
  if (!path.empty() && path[0] == '/') path = "Z:" + path;  // the source tree through Wine's Z: drive
  std::ifstream file(path, std::ios::binary);
  ASSERT_TRUE(file) << path;
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const MovieScript demo = ParseMovieScript(text);
  EXPECT_EQ(demo.buttons.size(), 5u);
  EXPECT_FALSE(demo.onTour.empty());
  for (const wchar_t* name : {L"setAppPath", L"externalExit", L"externalPause", L"externalUnPause", L"externalEscape",
                              L"checkFullScreen", L"rightclick"}) {
    EXPECT_TRUE(std::any_of(demo.callbacks.begin(), demo.callbacks.end(),
                            [&](const Callback& callback) { return callback.name == name; }))
        << name;
  }
}

}  // namespace
}  // namespace dm::standin
