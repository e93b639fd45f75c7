#include "data/save_file_text.h"

#include <cstdint>

namespace dm {
namespace {

bool StartsWith(std::string_view bytes, std::string_view mark) { return bytes.substr(0, mark.size()) == mark; }

std::u16string DecodeUtf16(std::string_view bytes, bool bigEndian) {
  std::u16string text(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    auto first = static_cast<std::uint8_t>(bytes[2 * i]);
    auto second = static_cast<std::uint8_t>(bytes[2 * i + 1]);
    text[i] = static_cast<char16_t>(bigEndian ? (first << 8 | second) : (second << 8 | first));
  }
  return text;  // a trailing odd byte holds no whole code unit and is dropped
}

// Invalid input becomes U+FFFD, one per maximal ill-formed subsequence.
std::u16string DecodeUtf8(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    auto lead = static_cast<std::uint8_t>(bytes[i++]);
    if (lead < 0x80) {
      text += static_cast<char16_t>(lead);
      continue;
    }
    int trailing;
    char32_t c;
    std::uint8_t low = 0x80, high = 0xBF;  // the valid range of the first continuation byte
    if (lead >= 0xC2 && lead <= 0xDF) {
      trailing = 1;
      c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      trailing = 2;
      c = lead & 0x0F;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      trailing = 3;
      c = lead & 0x07;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      text += u'\uFFFD';
      continue;
    }
    bool complete = true;
    for (int k = 0; k < trailing; ++k) {
      if (i >= bytes.size()) {
        complete = false;
        break;
      }
      auto next = static_cast<std::uint8_t>(bytes[i]);
      if (next < low || next > high) {
        complete = false;
        break;
      }
      low = 0x80;
      high = 0xBF;
      c = (c << 6) | (next & 0x3F);
      ++i;
    }
    if (!complete) {
      text += u'\uFFFD';
    } else if (c >= 0x10000) {
      c -= 0x10000;
      text += static_cast<char16_t>(0xD800 + (c >> 10));
      text += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      text += static_cast<char16_t>(c);
    }
  }
  return text;
}

}  // namespace

std::u16string DecodeSaveFileText(std::string_view bytes, const AnsiCodePage& ansi) {
  std::u16string text;
  if (StartsWith(bytes, "\xFF\xFE"))
    text = DecodeUtf16(bytes.substr(2), false);
  else if (StartsWith(bytes, "\xFE\xFF"))
    text = DecodeUtf16(bytes.substr(2), true);
  else if (StartsWith(bytes, "\xEF\xBB\xBF"))
    text = DecodeUtf8(bytes.substr(3));
  else
    text = ansi.Decode(bytes);
  if (auto nul = text.find(u'\0'); nul != std::u16string::npos) text.resize(nul);
  return text;
}

std::u16string ToLineText(std::u16string_view text) {
  text = text.substr(0, text.find(u'\0'));
  std::u16string lines;
  lines.reserve(text.size() + text.size() / 16 + 2);
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c != u'\r' && c != u'\n') continue;
    lines.append(text.data() + start, i - start).append(u"\r\n");
    if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.append(text.data() + start, text.size() - start).append(u"\r\n");
  return lines;
}

std::u16string_view FirstLine(std::u16string_view lineText) { return lineText.substr(0, lineText.find(u"\r\n")); }

std::u16string_view AfterFirstLine(std::u16string_view lineText) {
  const std::size_t end = lineText.find(u"\r\n");
  return end == std::u16string_view::npos ? std::u16string_view() : lineText.substr(end + 2);
}

}  // namespace dm
