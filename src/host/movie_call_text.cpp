#include "host/movie_call_text.h"

namespace dm {

std::wstring MovieCallText(std::wstring_view name, std::wstring_view argument) {
  std::wstring text;
  text.reserve(name.size() + argument.size() + 64);
  text += L"<invoke name=\"";
  text += name;
  text += L"\"><arguments><string>";
  text += argument;
  text += L"</string></arguments></invoke>";
  return text;
}

std::wstring SetAppPathCallText(std::wstring_view playerDataFolder) {
  std::wstring argument = L"file:///";
  for (wchar_t c : playerDataFolder) {
    switch (c) {
      case L'\\': argument += L'/'; break;
      case L'&': argument += L"&amp;"; break;
      case L'<': argument += L"&lt;"; break;
      case L'>': argument += L"&gt;"; break;
      default: argument += c; break;
    }
  }
  return MovieCallText(L"setAppPath", argument);
}

}  // namespace dm
