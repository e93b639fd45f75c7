#include "flash/runtime/maps.h"

#include <algorithm>

namespace dm {

namespace {

char16_t FoldCase(char16_t c) noexcept {
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 0x20);
  // Latin-1 capitals À..Þ except the multiplication sign.
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 0x20);
  return c;
}

}  // namespace

bool SameTextIgnoringCase(std::u16string_view a, std::u16string_view b) noexcept {
  return std::ranges::equal(a, b, [](char16_t x, char16_t y) { return FoldCase(x) == FoldCase(y); });
}

void TMapString2String::SetValue(std::u16string_view key, std::u16string_view value) {
  auto pair = std::ranges::find_if(pairs_, [&](const TStringPair& p) { return SameTextIgnoringCase(p.Key, key); });
  if (pair != pairs_.end())
    pair->Value = value;
  else
    pairs_.push_back({std::u16string(key), std::u16string(value)});
}

std::optional<std::u16string> TMapString2String::GetValue(std::u16string_view key) const {
  auto pair = std::ranges::find_if(pairs_, [&](const TStringPair& p) { return SameTextIgnoringCase(p.Key, key); });
  if (pair == pairs_.end()) return std::nullopt;
  return pair->Value;
}

std::optional<uint32_t> TMapCardinal2Cardinal::Find(uint32_t key) const noexcept {
  auto pair = std::ranges::find_if(pairs_, [&](const TCardinalPair& p) { return p.Key == key; });
  if (pair == pairs_.end()) return std::nullopt;
  return pair->Value;
}

}  // namespace dm
