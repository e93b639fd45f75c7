#pragma once
// Cursors kept for a module, consulted before a cursor is built from the module's image.
#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

namespace dm {

class TSavedCursors {
 public:
  // name: an integer identifier (<= 0xFFFF in the pointer) or an 8-bit name.
  void Add(HCURSOR cursor, HMODULE module, const char* name);
  // The cursor of the first record of the module with the same name (identifiers and names never match
  // each other; names match exactly), or null.
  HCURSOR Find(HMODULE module, const char* name) const;

 private:
  struct Record {
    HCURSOR cursor;
    HMODULE module;
    bool namedByText;
    WORD id;
    std::string name;
  };

  mutable std::mutex lock_;
  std::vector<Record> records_;
};

}  // namespace dm
