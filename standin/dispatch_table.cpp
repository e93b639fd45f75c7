#include "standin/dispatch_table.h"

#include <array>

namespace dm::standin {

namespace {

using Type = StoredProperty::Type;

constexpr std::array kStored = {
    StoredProperty{L"Playing", 125, Type::Boolean, {}, 1},
    StoredProperty{L"Quality", 105, Type::Number, {}, 1},
    StoredProperty{L"ScaleMode", 120, Type::Number, {}, 0},
    StoredProperty{L"AlignMode", 121, Type::Number, {}, 0},
    StoredProperty{L"BackgroundColor", 123, Type::Number, {}, -1},
    StoredProperty{L"Loop", 106, Type::Boolean, {}, 1},
    StoredProperty{L"FrameNum", 107, Type::Number, {}, -1},
    StoredProperty{L"WMode", 133, Type::Text, L"Window", 0},
    StoredProperty{L"SAlign", 134, Type::Text, L"", 0},
    StoredProperty{L"Menu", 135, Type::Boolean, {}, 1},
    StoredProperty{L"Base", 136, Type::Text, L"", 0},
    StoredProperty{L"Scale", 137, Type::Text, L"ShowAll", 0},
    StoredProperty{L"DeviceFont", 138, Type::Boolean, {}, 0},
    StoredProperty{L"EmbedMovie", 139, Type::Boolean, {}, 0},
    StoredProperty{L"BGColor", 140, Type::Text, L"", 0},
    StoredProperty{L"Quality2", 141, Type::Text, L"High", 0},
    StoredProperty{L"SWRemote", 159, Type::Text, L"", 0},
    StoredProperty{L"FlashVars", 170, Type::Text, L"", 0},
    StoredProperty{L"AllowScriptAccess", 171, Type::Text, L"sameDomain", 0},
    StoredProperty{L"MovieData", 190, Type::Text, L"", 0},
    StoredProperty{L"SeamlessTabbing", 192, Type::Boolean, {}, 1},
    StoredProperty{L"Profile", 194, Type::Boolean, {}, 0},
    StoredProperty{L"ProfileAddress", 195, Type::Text, L"", 0},
    StoredProperty{L"ProfilePort", 196, Type::Number, {}, 0},
    StoredProperty{L"AllowNetworking", 201, Type::Text, L"all", 0},
};

struct Member {
  std::wstring_view name;
  long dispid;
};

constexpr std::array kOwnMembers = {
    Member{L"Movie", dispid::kMovie},
    Member{L"CallFunction", dispid::kCallFunction},
    Member{L"ReadyState", dispid::kReadyState},
};

bool SameName(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

std::span<const StoredProperty> StoredProperties() { return kStored; }

const StoredProperty* FindStoredProperty(long dispid) {
  for (const StoredProperty& property : kStored)
    if (property.dispid == dispid) return &property;
  return nullptr;
}

std::optional<long> DispidOfName(std::wstring_view name) {
  for (const Member& member : kOwnMembers)
    if (SameName(member.name, name)) return member.dispid;
  for (const StoredProperty& property : kStored)
    if (SameName(property.name, name)) return property.dispid;
  return std::nullopt;
}

}  // namespace dm::standin
