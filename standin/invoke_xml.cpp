#include "standin/invoke_xml.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "ui/error.h"

namespace dm::standin {

std::wstring EscapeXml(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size() + 16);
  for (wchar_t c : text) {
    switch (c) {
      case L'&': out += L"&amp;"; break;
      case L'<': out += L"&lt;"; break;
      case L'>': out += L"&gt;"; break;
      case L'"': out += L"&quot;"; break;
      case L'\'': out += L"&apos;"; break;
      default: out += c; break;
    }
  }
  return out;
}

std::wstring RequestXml(std::wstring_view function, std::wstring_view argument) {
  return L"<invoke name=\"" + EscapeXml(function) + L"\" returntype=\"xml\"><arguments><string>" +
         EscapeXml(argument) + L"</string></arguments></invoke>";
}

std::wstring AnswerXml(const std::wstring* answer) {
  return answer ? L"<string>" + EscapeXml(*answer) + L"</string>" : std::wstring(L"<undefined/>");
}

namespace {

// A reader for the small XML subset of call texts: elements, attributes, text and entities.
class InvokeReader {
 public:
  explicit InvokeReader(std::wstring_view text) : text_(text) {}

  InvokeCall Read() {
    InvokeCall call;
    SkipSpace();
    Tag invoke = OpenTag();
    if (invoke.name != L"invoke") Fail(L"the root element is not invoke");
    bool hasName = false;
    for (auto& [attribute, value] : invoke.attributes) {
      if (attribute == L"name") {
        call.name = std::move(value);
        hasName = true;
      }
    }
    if (!hasName || call.name.empty()) Fail(L"the invoke element names no function");
    if (!invoke.empty) {
      SkipSpace();
      if (!AtClose()) {
        Tag arguments = OpenTag();
        if (arguments.name != L"arguments") Fail(L"invoke holds " + arguments.name + L", not arguments");
        if (!arguments.empty) {
          bool first = true;
          for (SkipSpace(); !AtClose(); SkipSpace()) {
            std::wstring value = Argument();
            if (first) call.argument = std::move(value);
            first = false;
          }
          CloseTag(L"arguments");
        }
        SkipSpace();
      }
      CloseTag(L"invoke");
    }
    SkipSpace();
    if (pos_ != text_.size()) Fail(L"text follows the invoke element");
    return call;
  }

 private:
  struct Tag {
    std::wstring name;
    std::vector<std::pair<std::wstring, std::wstring>> attributes;
    bool empty = false;
  };

  [[noreturn]] void Fail(const std::wstring& why) const {
    throw Error(L"Malformed call at character " + std::to_wstring(pos_) + L": " + why + L".");
  }

  bool AtEnd() const { return pos_ >= text_.size(); }
  wchar_t Peek() const { return AtEnd() ? L'\0' : text_[pos_]; }
  bool AtClose() const { return text_.substr(pos_, 2) == L"</"; }

  void Expect(wchar_t c) {
    if (Peek() != c) Fail(std::wstring(L"expected '") + c + L"'");
    ++pos_;
  }

  void SkipSpace() {
    while (!AtEnd() && (Peek() == L' ' || Peek() == L'\t' || Peek() == L'\r' || Peek() == L'\n')) ++pos_;
  }

  static bool IsNameChar(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_' ||
           c == L'-' || c == L'.' || c == L':' || c > 0x7F;
  }

  std::wstring Name() {
    const std::size_t start = pos_;
    while (!AtEnd() && IsNameChar(Peek())) ++pos_;
    if (pos_ == start) Fail(L"expected a name");
    return std::wstring(text_.substr(start, pos_ - start));
  }

  Tag OpenTag() {
    Expect(L'<');
    Tag tag;
    tag.name = Name();
    for (;;) {
      SkipSpace();
      if (Peek() == L'/') {
        ++pos_;
        Expect(L'>');
        tag.empty = true;
        return tag;
      }
      if (Peek() == L'>') {
        ++pos_;
        return tag;
      }
      std::wstring attribute = Name();
      SkipSpace();
      Expect(L'=');
      SkipSpace();
      const wchar_t quote = Peek();
      if (quote != L'"' && quote != L'\'') Fail(L"expected a quoted attribute value");
      ++pos_;
      tag.attributes.emplace_back(std::move(attribute), CharacterData(quote));
      Expect(quote);
    }
  }

  void CloseTag(std::wstring_view name) {
    Expect(L'<');
    Expect(L'/');
    if (Name() != name) Fail(L"expected the end of " + std::wstring(name));
    SkipSpace();
    Expect(L'>');
  }

  // Text up to `stop` (or '<' for element content) with its entities replaced.
  std::wstring CharacterData(wchar_t stop) {
    std::wstring out;
    while (!AtEnd() && Peek() != stop) {
      const wchar_t c = Peek();
      if (c == L'<') Fail(L"'<' inside a value");
      if (c == L'&') {
        out += Entity();
      } else {
        out += c;
        ++pos_;
      }
    }
    if (AtEnd()) Fail(L"the text ends inside a value");
    return out;
  }

  std::wstring Entity() {
    const std::size_t end = text_.find(L';', pos_);
    if (end == std::wstring_view::npos || end - pos_ > 12) Fail(L"an unterminated entity");
    const std::wstring_view entity = text_.substr(pos_ + 1, end - pos_ - 1);
    std::wstring out;
    if (entity == L"amp") out = L"&";
    else if (entity == L"lt") out = L"<";
    else if (entity == L"gt") out = L">";
    else if (entity == L"quot") out = L"\"";
    else if (entity == L"apos") out = L"'";
    else if (entity.size() > 1 && entity[0] == L'#') out = CharacterReference(entity.substr(1));
    else Fail(L"the unknown entity &" + std::wstring(entity) + L";");
    pos_ = end + 1;
    return out;
  }

  std::wstring CharacterReference(std::wstring_view digits) {
    const bool hex = digits[0] == L'x';
    if (hex) digits.remove_prefix(1);
    if (digits.empty()) Fail(L"an empty character reference");
    std::uint32_t value = 0;
    for (wchar_t d : digits) {
      int v = d >= L'0' && d <= L'9' ? d - L'0'
              : hex && d >= L'a' && d <= L'f' ? d - L'a' + 10
              : hex && d >= L'A' && d <= L'F' ? d - L'A' + 10
                                              : -1;
      if (v < 0) Fail(L"a bad character reference");
      value = value * (hex ? 16 : 10) + static_cast<std::uint32_t>(v);
      if (value > 0x10FFFF) Fail(L"a character reference out of range");
    }
    if (value == 0 || (value >= 0xD800 && value <= 0xDFFF)) Fail(L"a character reference out of range");
    std::wstring out;
    if (sizeof(wchar_t) == 2 && value >= 0x10000) {
      value -= 0x10000;
      out += static_cast<wchar_t>(0xD800 + (value >> 10));
      out += static_cast<wchar_t>(0xDC00 + (value & 0x3FF));
    } else {
      out += static_cast<wchar_t>(value);
    }
    return out;
  }

  std::wstring Argument() {
    Tag tag = OpenTag();
    const bool scalar = tag.name == L"true" || tag.name == L"false" || tag.name == L"null" || tag.name == L"undefined";
    if (scalar) {
      if (!tag.empty) CloseTag(tag.name);
      return tag.name;
    }
    if (tag.name != L"string" && tag.name != L"number") Fail(L"the argument kind " + tag.name + L" is not supported");
    if (tag.empty) return std::wstring();
    std::wstring value = CharacterData(L'<');
    CloseTag(tag.name);
    return value;
  }

  std::wstring_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

InvokeCall ParseInvoke(std::wstring_view text) { return InvokeReader(text).Read(); }

}  // namespace dm::standin
