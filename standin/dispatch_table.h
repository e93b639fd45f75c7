#pragma once
// The control's dispatch members: names, dispatch ids and the defaults of the stored properties.
// Portable: no Windows headers.
#include <optional>
#include <span>
#include <string_view>

namespace dm::standin {

namespace dispid {
inline constexpr long kMovie = 102;
inline constexpr long kCallFunction = 198;
inline constexpr long kReadyState = -525;
inline constexpr long kOnReadyStateChange = -609;
inline constexpr long kOnProgress = 1958;
inline constexpr long kFSCommand = 150;
inline constexpr long kFlashCall = 197;
}  // namespace dispid

struct StoredProperty {
  std::wstring_view name;
  long dispid;
  enum class Type { Text, Number, Boolean } type;
  std::wstring_view defaultText;  // Text
  long defaultNumber;             // Number, Boolean (0 or 1)
};

// Properties the control keeps and returns as they were set (Movie, ReadyState and CallFunction
// are handled by the control itself).
std::span<const StoredProperty> StoredProperties();
const StoredProperty* FindStoredProperty(long dispid);

// Dispatch id of a member name, compared without regard to ASCII case.
std::optional<long> DispidOfName(std::wstring_view name);

}  // namespace dm::standin
