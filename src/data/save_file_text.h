#pragma once
// How save files are stored as bytes: the reading rule (byte-order marks, ANSI otherwise, text ends at the
// first NUL, CR LF / CR / LF line breaks) and the writing rule (ANSI, CR LF after every line, no mark).
// Portable: the ANSI code page is supplied by the caller.
#include <string>
#include <string_view>
#include <vector>

namespace dm {

using Lines = std::vector<std::u16string>;

// The system's ANSI code page. Encode writes characters the page lacks as its default character.
class AnsiCodePage {
 public:
  virtual ~AnsiCodePage() = default;
  virtual std::u16string Decode(std::string_view bytes) const = 0;
  virtual std::string Encode(std::u16string_view text) const = 0;
};

// The text of a stored file: a leading FF FE, FE FF or EF BB BF mark selects UTF-16LE, UTF-16BE or
// UTF-8 (tested in that order); without one the bytes are ANSI. The text ends at its first NUL.
std::u16string DecodeSaveFileText(std::string_view bytes, const AnsiCodePage& ansi);

// Splits at CR LF, lone CR and lone LF; a break at the very end adds no empty line, "" has no lines.
// The text is taken up to its first NUL.
Lines SplitLines(std::u16string_view text);

// Every line followed by CR LF.
std::u16string JoinLines(const Lines& lines);

class SaveFileText {
 public:
  explicit SaveFileText(const AnsiCodePage& ansi) : ansi_(ansi) {}
  Lines Read(std::string_view bytes) const { return SplitLines(DecodeSaveFileText(bytes, ansi_)); }
  std::string Write(const Lines& lines) const { return ansi_.Encode(JoinLines(lines)); }
  const AnsiCodePage& Ansi() const { return ansi_; }

 private:
  const AnsiCodePage& ansi_;
};

}  // namespace dm
