#pragma once
// An in-memory folder of save files for the pass tests, with files that fail to read or to be written.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "data/signing_passes.h"
#include "ui/error.h"

namespace dm::test {

class MemoryStore : public SaveFileStore {
 public:
  struct File {
    std::wstring name;
    std::string bytes;
    bool replaceable = true;
    bool unreadable = false;
  };

  explicit MemoryStore(std::vector<File> files) : files_(std::move(files)) {}

  std::vector<SaveFileEntry> ListSaveFiles() override {
    std::vector<SaveFileEntry> entries;
    for (const File& f : files_) entries.push_back({f.name, f.replaceable});
    return entries;
  }
  std::string ReadSaveFile(const std::wstring& path) override {
    const File& f = Find(path);
    if (f.unreadable) throw Error(L"Cannot open file \"" + path + L"\". Denied");
    return f.bytes;
  }
  void WriteSaveFile(const std::wstring& path, std::string_view bytes) override {
    File& f = Find(path);
    if (!f.replaceable) throw Error(L"Cannot create file \"" + path + L"\". Denied");
    f.bytes = bytes;
    written.push_back(path);
  }

  const std::string& Bytes(const std::wstring& name) { return Find(name).bytes; }

  std::vector<std::wstring> written;

 private:
  File& Find(const std::wstring& name) {
    for (File& f : files_)
      if (f.name == name) return f;
    throw Error(L"no such file " + name);
  }
  std::vector<File> files_;
};

}  // namespace dm::test
