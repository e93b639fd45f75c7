#include "standin/movie_script.h"

#include "standin/text.h"
#include "ui/error.h"

namespace dm::standin {

namespace {

constexpr int kMaxCoordinate = 100000;
constexpr int kMaxDelayMs = 24 * 60 * 60 * 1000;

class ScriptParser {
 public:
  explicit ScriptParser(std::string_view utf8) {
    if (utf8.substr(0, 3) == "\xEF\xBB\xBF") utf8.remove_prefix(3);
    text_ = FromUtf8(utf8);
  }

  MovieScript Parse() {
    std::size_t start = 0;
    while (start <= text_.size()) {
      std::size_t end = text_.find(L'\n', start);
      if (end == std::wstring::npos) end = text_.size();
      std::wstring_view line(text_.data() + start, end - start);
      if (!line.empty() && line.back() == L'\r') line.remove_suffix(1);
      ++lineNumber_;
      ParseLine(line);
      start = end + 1;
    }
    return std::move(script_);
  }

 private:
  enum class Block { None, Callback, Button, Load, Tour };

  [[noreturn]] void Fail(const std::wstring& why) const {
    throw Error(L"Movie script line " + std::to_wstring(lineNumber_) + L": " + why + L".");
  }

  // Splits off the first word; `rest` keeps the remainder without its leading spaces.
  static std::wstring_view Word(std::wstring_view& rest) {
    std::size_t i = 0;
    while (i < rest.size() && (rest[i] == L' ' || rest[i] == L'\t')) ++i;
    std::size_t end = i;
    while (end < rest.size() && rest[end] != L' ' && rest[end] != L'\t') ++end;
    std::wstring_view word = rest.substr(i, end - i);
    while (end < rest.size() && (rest[end] == L' ' || rest[end] == L'\t')) ++end;
    rest.remove_prefix(end);
    return word;
  }

  int Number(std::wstring_view& rest, int min, int max) {
    std::wstring_view word = Word(rest);
    if (word.empty() || word.size() > 9) Fail(L"expected a number");
    int value = 0;
    bool negative = word[0] == L'-';
    for (std::size_t i = negative ? 1 : 0; i < word.size(); ++i) {
      if (word[i] < L'0' || word[i] > L'9') Fail(L"expected a number, not " + std::wstring(word));
      value = value * 10 + (word[i] - L'0');
    }
    if (negative) value = -value;
    if (value < min || value > max) Fail(L"the number " + std::wstring(word) + L" is out of range");
    return value;
  }

  std::uint32_t Color(std::wstring_view& rest) {
    std::wstring_view word = Word(rest);
    if (word.size() != 7 || word[0] != L'#') Fail(L"expected a colour #RRGGBB");
    std::uint32_t value = 0;
    for (wchar_t c : word.substr(1)) {
      int v = c >= L'0' && c <= L'9' ? c - L'0' : c >= L'a' && c <= L'f' ? c - L'a' + 10 : c >= L'A' && c <= L'F' ? c - L'A' + 10 : -1;
      if (v < 0) Fail(L"expected a colour #RRGGBB");
      value = value * 16 + static_cast<std::uint32_t>(v);
    }
    return value;
  }

  void NoMore(std::wstring_view rest) {
    if (!rest.empty()) Fail(L"unexpected text: " + std::wstring(rest));
  }

  std::vector<Action>& Actions() {
    switch (block_) {
      case Block::Callback: return script_.callbacks.back().actions;
      case Block::Button: return script_.buttons.back().actions;
      case Block::Load: return script_.onLoad;
      case Block::Tour: return script_.onTour;
      case Block::None: break;
    }
    Fail(L"an action outside of a callback, button or on block");
  }

  void ParseLine(std::wstring_view line) {
    std::wstring_view rest = line;
    const std::wstring_view keyword = Word(rest);
    if (keyword.empty() || keyword[0] == L'#') return;

    if (keyword == L"stage") {
      script_.stageWidth = Number(rest, 1, kMaxCoordinate);
      script_.stageHeight = Number(rest, 1, kMaxCoordinate);
      if (!rest.empty()) script_.background = Color(rest);
      NoMore(rest);
    } else if (keyword == L"label") {
      Label label;
      label.x = Number(rest, -kMaxCoordinate, kMaxCoordinate);
      label.y = Number(rest, -kMaxCoordinate, kMaxCoordinate);
      label.color = Color(rest);
      label.text = Unescape(rest);
      script_.labels.push_back(std::move(label));
    } else if (keyword == L"notices") {
      NoticeArea area;
      area.x = Number(rest, -kMaxCoordinate, kMaxCoordinate);
      area.y = Number(rest, -kMaxCoordinate, kMaxCoordinate);
      area.color = Color(rest);
      NoMore(rest);
      script_.notices = area;
    } else if (keyword == L"callback") {
      Callback callback;
      callback.name = std::wstring(Word(rest));
      if (callback.name.empty()) Fail(L"callback without a name");
      NoMore(rest);
      script_.callbacks.push_back(std::move(callback));
      block_ = Block::Callback;
    } else if (keyword == L"button") {
      Button button;
      button.x = Number(rest, -kMaxCoordinate, kMaxCoordinate);
      button.y = Number(rest, -kMaxCoordinate, kMaxCoordinate);
      button.width = Number(rest, 1, kMaxCoordinate);
      button.height = Number(rest, 1, kMaxCoordinate);
      button.label = Unescape(rest);
      script_.buttons.push_back(std::move(button));
      block_ = Block::Button;
    } else if (keyword == L"on") {
      const std::wstring_view when = Word(rest);
      NoMore(rest);
      if (when == L"load") block_ = Block::Load;
      else if (when == L"tour") block_ = Block::Tour;
      else Fail(L"unknown block on " + std::wstring(when));
    } else if (keyword == L"answer" || keyword == L"fail") {
      if (block_ != Block::Callback) Fail(std::wstring(keyword) + L" outside of a callback");
      Callback& callback = script_.callbacks.back();
      if (callback.answer || callback.failure) Fail(L"the callback already has an answer");
      (keyword == L"answer" ? callback.answer : callback.failure) = Unescape(rest);
    } else if (keyword == L"request") {
      Action action{Action::Kind::Request, std::wstring(Word(rest)), Unescape(rest), 0};
      if (action.function.empty()) Fail(L"request without a function name");
      Actions().push_back(std::move(action));
    } else if (keyword == L"fscommand") {
      Action action{Action::Kind::FSCommand, std::wstring(Word(rest)), Unescape(rest), 0};
      if (action.function.empty()) Fail(L"fscommand without a command");
      Actions().push_back(std::move(action));
    } else if (keyword == L"raw") {
      Actions().push_back(Action{Action::Kind::Raw, {}, Unescape(rest), 0});
    } else if (keyword == L"show") {
      Actions().push_back(Action{Action::Kind::Show, {}, Unescape(rest), 0});
    } else if (keyword == L"wait") {
      const int delay = Number(rest, 0, kMaxDelayMs);
      NoMore(rest);
      Actions().push_back(Action{Action::Kind::Wait, {}, {}, delay});
    } else {
      Fail(L"unknown keyword " + std::wstring(keyword));
    }
  }

  std::wstring text_;
  MovieScript script_;
  Block block_ = Block::None;
  int lineNumber_ = 0;
};

}  // namespace

MovieScript ParseMovieScript(std::string_view utf8) { return ScriptParser(utf8).Parse(); }

bool LooksLikeSwf(std::string_view bytes) {
  const std::string_view magic = bytes.substr(0, 3);
  return magic == "FWS" || magic == "CWS" || magic == "ZWS";
}

std::wstring Substitute(std::wstring_view text, std::wstring_view argument) {
  static constexpr std::wstring_view kPlaceholder = L"{arg}";
  std::wstring out;
  std::size_t start = 0;
  for (std::size_t found; (found = text.find(kPlaceholder, start)) != std::wstring_view::npos;
       start = found + kPlaceholder.size()) {
    out.append(text.substr(start, found - start));
    out.append(argument);
  }
  out.append(text.substr(start));
  return out;
}

}  // namespace dm::standin
