#pragma once
// Scripted movies: the text format the stand-in control plays instead of SWF files (described in
// standin/README.md). Portable: no Windows headers.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dm::standin {

struct Action {
  enum class Kind { Request, Raw, FSCommand, Show, Wait };
  Kind kind = Kind::Show;
  std::wstring function;  // Request: the function; FSCommand: the command
  std::wstring text;      // Request: the argument; Raw: the request XML; FSCommand: its arguments; Show: the notice
  int delayMs = 0;        // Wait
};

struct Callback {
  std::wstring name;
  std::vector<Action> actions;
  std::optional<std::wstring> answer;   // CallFunction returns <string>answer</string>
  std::optional<std::wstring> failure;  // CallFunction fails with this description
};

struct Button {
  int x = 0, y = 0, width = 0, height = 0;
  std::wstring label;
  std::vector<Action> actions;
};

struct Label {
  int x = 0, y = 0;
  std::uint32_t color = 0xFFFFFF;  // 0xRRGGBB
  std::wstring text;
};

struct NoticeArea {
  int x = 0, y = 0;
  std::uint32_t color = 0xFFFFFF;
};

struct MovieScript {
  int stageWidth = 1024;
  int stageHeight = 768;
  std::uint32_t background = 0x000000;
  std::vector<Label> labels;
  std::vector<Button> buttons;
  std::optional<NoticeArea> notices;
  std::vector<Callback> callbacks;
  std::vector<Action> onLoad;
  std::vector<Action> onTour;
};

// Throws dm::Error naming the line when the text is not a valid script.
MovieScript ParseMovieScript(std::string_view utf8);

// A real SWF file: "FWS", "CWS" or "ZWS" at the start.
bool LooksLikeSwf(std::string_view bytes);

// {arg} in a notice or request stands for the argument of the call being answered.
std::wstring Substitute(std::wstring_view text, std::wstring_view argument);

}  // namespace dm::standin
