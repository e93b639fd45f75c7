#pragma once
// Request texts as the Flash control wraps a movie's call with one string argument: the stand-in
// control's own wrapping, so tests and the stand-in cannot drift apart.
#include <string>
#include <string_view>

#include "standin/invoke_xml.h"

namespace dm::test {

inline std::wstring WrapRequest(std::wstring_view argument, std::wstring_view function = L"save") {
  return standin::RequestXml(function, argument);
}

}  // namespace dm::test
