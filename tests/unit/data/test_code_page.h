#pragma once
// A stand-in for the ANSI code page in portable tests: ISO 8859-1, with "?" as its default character.
#include <string>
#include <string_view>

#include "data/save_file_text.h"

namespace dm::test {

class Latin1CodePage : public AnsiCodePage {
 public:
  std::u16string Decode(std::string_view bytes) const override {
    std::u16string text(bytes.size(), u'\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) text[i] = static_cast<unsigned char>(bytes[i]);
    return text;
  }
  std::string Encode(std::u16string_view text) const override {
    std::string bytes(text.size(), '\0');
    for (std::size_t i = 0; i < text.size(); ++i) bytes[i] = text[i] < 0x100 ? static_cast<char>(text[i]) : '?';
    return bytes;
  }
};

}  // namespace dm::test
