#include "host/request_command.h"

#include <algorithm>

namespace dm {

std::wstring MovieCommand::Attribute(std::wstring_view attributeName) const {
  auto found = std::find_if(attributes.begin(), attributes.end(),
                            [&](const auto& attribute) { return attribute.first == attributeName; });
  return found == attributes.end() ? std::wstring() : found->second;
}

std::wstring CommandTextFromArgument(std::wstring_view argument) {
  std::wstring text;
  text.reserve(argument.size() + argument.size() / 8);
  for (wchar_t c : argument) {
    if (c == L'&')
      text += L"&amp;";
    else
      text += c;
  }
  return text;
}

}  // namespace dm
