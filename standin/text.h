#pragma once
// Text helpers of the stand-in control. Portable: no Windows headers.
#include <string>
#include <string_view>

namespace dm::standin {

// Wide text from UTF-8; malformed sequences become U+FFFD. Characters beyond the BMP become surrogate
// pairs where wchar_t is 16 bits wide.
std::wstring FromUtf8(std::string_view text);

// Replaces the escapes \n, \t and \\ of movie scripts; any other backslash stays as it is.
std::wstring Unescape(std::wstring_view text);

}  // namespace dm::standin
