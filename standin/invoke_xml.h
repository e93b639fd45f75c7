#pragma once
// The XML the control exchanges with its container: requests the movie sends (FlashCall) and the
// call texts the container hands to CallFunction. Portable: no Windows headers.
#include <string>
#include <string_view>

namespace dm::standin {

// &, <, >, " and ' as entities.
std::wstring EscapeXml(std::wstring_view text);

// The request the control fires when the movie calls FUNCTION with one string argument:
// <invoke name="FUNCTION" returntype="xml"><arguments><string>ARGUMENT</string></arguments></invoke>
std::wstring RequestXml(std::wstring_view function, std::wstring_view argument);

struct InvokeCall {
  std::wstring name;
  // The first argument as the callback receives it: a string unescaped, a number as written,
  // true/false/null/undefined by name; empty when there is none.
  std::wstring argument;
};

// Reads a call text <invoke name="NAME" ...><arguments>...</arguments></invoke>. Throws dm::Error
// with a description when the text is not such a call (not well-formed, unknown entity, wrong
// elements, anything after the end).
InvokeCall ParseInvoke(std::wstring_view text);

// What CallFunction returns for an answer of the movie: <string>ANSWER</string>, or <undefined/>
// when the callback returns nothing.
std::wstring AnswerXml(const std::wstring* answer);

}  // namespace dm::standin
