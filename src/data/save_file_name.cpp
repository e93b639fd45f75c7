#include "data/save_file_name.h"

#include <algorithm>
#include <array>

namespace dm {
namespace {

wchar_t AsciiUpper(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) { return AsciiUpper(x) == AsciiUpper(y); });
}

// Windows drops trailing dots and blanks from a name, so "nul . txt" and "..  " mean what they lose.
std::wstring_view TrimTrailingDotsAndBlanks(std::wstring_view segment) {
  const auto end = segment.find_last_not_of(L". ");
  return end == std::wstring_view::npos ? std::wstring_view() : segment.substr(0, end + 1);
}

bool IsDeviceName(std::wstring_view segment) {
  static constexpr std::array<std::wstring_view, 7> kFixed = {L"CON", L"PRN", L"AUX", L"NUL",
                                                              L"CONIN$", L"CONOUT$", L"CLOCK$"};
  std::wstring_view base = segment.substr(0, segment.find(L'.'));
  base = base.substr(0, base.find_last_not_of(L' ') + 1);
  if (std::any_of(kFixed.begin(), kFixed.end(), [&](std::wstring_view d) { return EqualsIgnoringCase(base, d); }))
    return true;
  if (base.size() != 4) return false;
  const bool port = EqualsIgnoringCase(base.substr(0, 3), L"COM") || EqualsIgnoringCase(base.substr(0, 3), L"LPT");
  const wchar_t digit = base[3];
  return port && ((digit >= L'0' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' || digit == L'\u00B3');
}

bool IsAcceptableSegment(std::wstring_view segment) {
  if (TrimTrailingDotsAndBlanks(segment).empty()) return false;  // "", ".", "..", "...", " "
  for (wchar_t c : segment)
    if (c < 0x20 || std::wstring_view(L"<>:\"|?*").find(c) != std::wstring_view::npos) return false;
  return !IsDeviceName(segment);
}

}  // namespace

std::optional<std::wstring> SaveFilePath(std::wstring_view folder, std::wstring_view fileName) {
  std::wstring name(fileName);
  std::replace(name.begin(), name.end(), L'/', L'\\');
  std::wstring_view rest = name;
  for (bool first = true;; first = false) {
    const auto end = rest.find(L'\\');
    const std::wstring_view segment = rest.substr(0, end);
    if (!IsAcceptableSegment(segment)) return std::nullopt;
    if (first && EqualsIgnoringCase(TrimTrailingDotsAndBlanks(segment), kPendingFolderName)) return std::nullopt;
    if (end == std::wstring_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  std::wstring path(folder);
  path += name;
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return path;
}

}  // namespace dm
