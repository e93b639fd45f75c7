#pragma once
// The failure path of the whole program: errors are exceptions carrying the text a player may see.
// Portable: no Windows headers.
#include <exception>
#include <string>
#include <string_view>

namespace dm {

class Error : public std::exception {
 public:
  explicit Error(std::wstring message);
  const std::wstring& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return utf8_.c_str(); }

 private:
  std::wstring message_;
  std::string utf8_;
};

// UTF-8 form of a wide text (wchar_t is UTF-16 on Windows, UTF-32 on Linux); invalid units become U+FFFD.
std::string ToUtf8(std::wstring_view text);

}  // namespace dm
