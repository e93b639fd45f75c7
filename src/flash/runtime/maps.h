#pragma once
// The two small maps of the runtime's replacements. Portable: no Windows headers. Not locked: their owners
// say which lock guards them.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dm {

struct TStringPair {
  std::u16string Key;
  std::u16string Value;
};

// Keys compare ignoring letter case (ASCII and Latin-1 letters); each key occurs once, first set first kept.
class TMapString2String {
 public:
  void SetValue(std::u16string_view key, std::u16string_view value);
  std::optional<std::u16string> GetValue(std::u16string_view key) const;
  size_t Count() const noexcept { return pairs_.size(); }

 private:
  std::vector<TStringPair> pairs_;
};

// True when the two texts are equal ignoring the case of ASCII and Latin-1 letters.
bool SameTextIgnoringCase(std::u16string_view a, std::u16string_view b) noexcept;

struct TCardinalPair {
  uint32_t Key;
  uint32_t Value;
};

// Duplicate keys are kept; a look-up finds the oldest pair.
class TMapCardinal2Cardinal {
 public:
  void Add(uint32_t key, uint32_t value) { pairs_.push_back({key, value}); }
  std::optional<uint32_t> Find(uint32_t key) const noexcept;
  size_t Count() const noexcept { return pairs_.size(); }

 private:
  std::vector<TCardinalPair> pairs_;
};

}  // namespace dm
