#pragma once
// Content addresses: "<anything><marker><separator><source id>/<path>", backslashes counting as "/".
// Portable: no Windows headers. Text is UTF-16 code units, as the runtime hands it over.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dm {

inline constexpr std::u16string_view ContentUrlMarker = u"46A10F369771449587DE913EFC0A258C";

struct ContentAddress {
  int32_t SourceId = 0;
  std::u16string Path;  // with "/" separators; may be empty

  bool operator==(const ContentAddress&) const = default;
};

// The source id and path of a content address; nothing when the text is not one (no marker, nothing after
// it, no "/" after the id, or an id that is not a decimal number within 32 bits).
std::optional<ContentAddress> ParseContentUrl(std::u16string_view address);

// Two content addresses are the same content when source and path match exactly; two other addresses when
// their texts match exactly; a content address never matches another address.
bool SameContentUrl(std::u16string_view a, std::u16string_view b);

}  // namespace dm
