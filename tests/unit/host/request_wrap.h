#pragma once
// Request texts as the Flash control wraps a movie's call with one string argument.
#include <string>
#include <string_view>

namespace dm::test {

inline std::wstring EscapeArgument(std::wstring_view argument) {
  std::wstring escaped;
  for (wchar_t c : argument) {
    switch (c) {
      case L'&': escaped += L"&amp;"; break;
      case L'<': escaped += L"&lt;"; break;
      case L'>': escaped += L"&gt;"; break;
      case L'"': escaped += L"&quot;"; break;
      case L'\'': escaped += L"&apos;"; break;
      default: escaped += c; break;
    }
  }
  return escaped;
}

inline std::wstring WrapRequest(std::wstring_view argument, std::wstring_view function = L"save") {
  return L"<invoke name=\"" + std::wstring(function) + L"\" returntype=\"xml\"><arguments><string>" +
         EscapeArgument(argument) + L"</string></arguments></invoke>";
}

}  // namespace dm::test
