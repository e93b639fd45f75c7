#pragma once
// Records of the stand-in's test channel, shared by the control and the end-to-end harness.
// A record is a list of text fields; on the wire it is one line of UTF-8: the fields separated by
// tabs, backslash, tab, CR and LF escaped as \\ \t \r \n, and a line feed at the end.
// Portable: no Windows headers.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dm::standin {

using Record = std::vector<std::wstring>;

std::string EncodeRecord(const Record& record);
// Throws dm::Error on an unknown escape.
Record DecodeRecord(std::string_view line);

// Collects bytes as they arrive and hands out complete lines. A line longer than the limit is an
// error (the peer is not speaking this protocol).
class LineSplitter {
 public:
  static constexpr std::size_t kMaxLine = 16 * 1024 * 1024;
  void Append(std::string_view bytes);
  std::optional<std::string> Next();

 private:
  std::string pending_;
  std::size_t scanned_ = 0;
};

// Field helpers for numbers that travel as decimal text.
std::wstring NumberField(long long value);
// Throws dm::Error when the field is not a whole decimal number.
long long ParseNumberField(std::wstring_view field);

}  // namespace dm::standin
