#include "flash/content/content_url.h"

#include <limits>

namespace dm {

namespace {

// An optional minus sign and 1 to 10 digits whose value fits in 32 bits; anything else is not an id.
std::optional<int32_t> ParseSourceId(std::u16string_view text) {
  bool negative = !text.empty() && text.front() == u'-';
  if (negative) text.remove_prefix(1);
  if (text.empty() || text.size() > 10) return std::nullopt;
  int64_t value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + (c - u'0');
  }
  if (negative) value = -value;
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
    return std::nullopt;
  return static_cast<int32_t>(value);
}

}  // namespace

std::optional<ContentAddress> ParseContentUrl(std::u16string_view address) {
  std::u16string text(address);
  for (char16_t& c : text)
    if (c == u'\\') c = u'/';
  size_t marker = text.find(ContentUrlMarker);
  if (marker == std::u16string::npos) return std::nullopt;
  size_t afterSeparator = marker + ContentUrlMarker.size() + 1;
  if (afterSeparator >= text.size()) return std::nullopt;
  std::u16string_view rest = std::u16string_view(text).substr(afterSeparator);
  size_t slash = rest.find(u'/');
  if (slash == std::u16string_view::npos) return std::nullopt;
  std::optional<int32_t> id = ParseSourceId(rest.substr(0, slash));
  if (!id) return std::nullopt;
  return ContentAddress{*id, std::u16string(rest.substr(slash + 1))};
}

bool SameContentUrl(std::u16string_view a, std::u16string_view b) {
  std::optional<ContentAddress> contentA = ParseContentUrl(a);
  std::optional<ContentAddress> contentB = ParseContentUrl(b);
  if (contentA.has_value() != contentB.has_value()) return false;
  if (contentA) return *contentA == *contentB;
  return a == b;
}

}  // namespace dm
