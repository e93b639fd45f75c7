#pragma once
// How save files are stored as bytes: the reading rule (byte-order marks, ANSI otherwise, text ends at the
// first NUL, CR LF / CR / LF line breaks) and the writing rule (ANSI, CR LF after every line, no mark).
// Lines are carried as one text in which every line is followed by CR LF ("line text"); a file with no
// lines is the empty text. Portable: the ANSI code page is supplied by the caller.
#include <string>
#include <string_view>

namespace dm {

// The system's ANSI code page. Encode writes characters the page lacks as its default character.
class AnsiCodePage {
 public:
  virtual ~AnsiCodePage() = default;
  virtual std::u16string Decode(std::string_view bytes) const = 0;
  virtual std::string Encode(std::u16string_view text) const = 0;
};

// Every ANSI code page agrees with ASCII, so ASCII text reads and writes the same in all of them.
template <class Unit>
bool IsAscii(std::basic_string_view<Unit> text) {
  for (Unit c : text)
    if (static_cast<unsigned>(c) >= 0x80) return false;
  return true;
}

// The text of a stored file: a leading FF FE, FE FF or EF BB BF mark selects UTF-16LE, UTF-16BE or
// UTF-8 (tested in that order); without one the bytes are ANSI. The text ends at its first NUL.
std::u16string DecodeSaveFileText(std::string_view bytes, const AnsiCodePage& ansi);

// The lines of text as line text: the text ends at its first NUL; it breaks at CR LF, lone CR and lone
// LF; a break at the very end adds no empty line, and "" has no lines.
std::u16string ToLineText(std::u16string_view text);

// The first line of a line text, without its CR LF; the rest after it.
std::u16string_view FirstLine(std::u16string_view lineText);
std::u16string_view AfterFirstLine(std::u16string_view lineText);

class SaveFileText {
 public:
  explicit SaveFileText(const AnsiCodePage& ansi) : ansi_(ansi) {}
  std::u16string Read(std::string_view bytes) const { return ToLineText(DecodeSaveFileText(bytes, ansi_)); }
  std::string Write(std::u16string_view lineText) const { return ansi_.Encode(lineText); }
  const AnsiCodePage& Ansi() const { return ansi_; }

 private:
  const AnsiCodePage& ansi_;
};

}  // namespace dm
