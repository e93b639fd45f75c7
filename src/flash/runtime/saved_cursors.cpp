#include "flash/runtime/saved_cursors.h"

#include <algorithm>

#include "flash/runtime/module_system.h"

namespace dm {

void TSavedCursors::Add(HCURSOR cursor, HMODULE module, const char* name) {
  std::lock_guard guard(lock_);
  if (IsOrdinal(name))
    records_.push_back({cursor, module, false, LOWORD(reinterpret_cast<ULONG_PTR>(name)), {}});
  else
    records_.push_back({cursor, module, true, 0, name});
}

HCURSOR TSavedCursors::Find(HMODULE module, const char* name) const {
  const bool byId = IsOrdinal(name);
  std::lock_guard guard(lock_);
  auto record = std::ranges::find_if(records_, [&](const Record& r) {
    if (r.module != module || r.namedByText == byId) return false;
    return byId ? r.id == LOWORD(reinterpret_cast<ULONG_PTR>(name)) : r.name == name;
  });
  return record == records_.end() ? nullptr : record->cursor;
}

}  // namespace dm
