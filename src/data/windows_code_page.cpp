#include "data/windows_code_page.h"

#include <windows.h>

#include <climits>

#include "ui/error.h"

namespace dm {
namespace {

int CheckedLength(std::size_t size) {
  if (size > INT_MAX / 2) throw Error(L"Text too long for the ANSI code page");
  return static_cast<int>(size);
}

}  // namespace

// Save files are mostly ASCII, and the conversion functions are far slower than a copy, the more so
// with best-fit mapping turned off.
std::u16string WindowsAnsiCodePage::Decode(std::string_view bytes) const {
  if (IsAscii(bytes)) return std::u16string(bytes.begin(), bytes.end());
  const int size = CheckedLength(bytes.size());
  std::u16string text(static_cast<std::size_t>(size), u'\0');  // a byte never gives more than one unit
  const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, reinterpret_cast<wchar_t*>(text.data()), size);
  text.resize(static_cast<std::size_t>(length));
  return text;
}

std::string WindowsAnsiCodePage::Encode(std::u16string_view text) const {
  if (IsAscii(text)) return std::string(text.begin(), text.end());
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int size = CheckedLength(text.size());
  const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, size, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, size, bytes.data(), length, nullptr, nullptr);
  return bytes;
}

}  // namespace dm
