#pragma once
// What a movie request carries once unwrapped, and the rules for unwrapping it that do not depend on the
// XML implementation. Portable: no Windows headers.
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dm {

// Longer request texts are dropped unread. Real save data is a few kilobytes; this bounds the memory and
// parse time a single request can cost, and stays below the text limits of the XML parsers in use.
inline constexpr std::size_t kMaxRequestLength = 4 * 1024 * 1024;

// The command element the movie put into its string argument.
struct MovieCommand {
  std::wstring name;  // the element's name, compared case-sensitively
  std::wstring text;  // the command text (see CommandTextFromArgument), saved as is by "data"
  std::vector<std::pair<std::wstring, std::wstring>> attributes;

  // The attribute's value; the empty text when it is absent.
  std::wstring Attribute(std::wstring_view attributeName) const;
};

// The command text for the argument string the movie passed: the string with every "&" written as
// "&amp;". This is the argument's text node written out as XML ("&", "<", ">" escaped) after "&lt;",
// "&gt;" and "&quot;" are turned back into their characters, which leaves only the ampersands escaped.
std::wstring CommandTextFromArgument(std::wstring_view argument);

}  // namespace dm
